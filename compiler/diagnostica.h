// What a compile and the checker find in the sources: the one catalogue of
// every numbered error, checker rule and compile warning, and the ordered
// list of diagnostics that a compile returns and every reporter shows (the
// packager's message, the text lines of `scenario`, its SARIF log, the
// view's page).
#ifndef VALDORO_COMPILER_DIAGNOSTICA_H_
#define VALDORO_COMPILER_DIAGNOSTICA_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/errori.h"
#include "model/tabelle.h"

namespace valdoro {

// A note tells of something worth a look that is not wrong: it counts as
// neither an error nor a warning, and `--strict` passes over it.
enum class gravita : uint8_t { errore, avviso, nota };

// Who finds it: the compile's numbered errors, the checker's rules, and the
// compile's own findings without a number, which change no table and which
// the packager does not report, and the timetable's comparison with the
// fastest run of the train.
enum class famiglia : uint8_t { errore_numerato, regola_controllo, rilievo_compilazione, confronto_orario };

// One entry of the catalogue: its id (stable, as SARIF logs and scripts name
// it), how grave it is, what it says in one line and what an author does
// about it in one sentence.
struct regola {
  const char* id;
  gravita livello;
  famiglia chi;
  int32_t numero;  // the error number; 0 for a rule or a warning
  const char* descrizione;
  const char* aiuto;
};

// The whole catalogue: numbered errors in rising order, then the checker's
// rules, then the compile's findings without a number, then the timetable's.
const std::vector<regola>& regole();

// The entry called `id`, or nullptr.
const regola* trova_regola(const std::string& id);

// The entry of a numbered error; a number outside the catalogue has none.
const regola* regola_di(int32_t numero);
const regola& regola_di(numero_errore numero);

// "error", "warning" or "note", as the text lines and SARIF say it.
const char* nome_gravita(gravita g);

// The compile's findings without a number, by id.
inline constexpr char kAvvisoOrdine[] = "list-out-of-order";
inline constexpr char kAvvisoFine[] = "missing-end";
inline constexpr char kAvvisoTrenoVuoto[] = "train-not-compiled";
inline constexpr char kAvvisoValoreTagliato[] = "value-cut";

// The timetable against the fastest run, by id.
inline constexpr char kOrarioImpossibile[] = "timetable-impossible";
inline constexpr char kOrarioStretto[] = "timetable-tight";
inline constexpr char kOrarioSottile[] = "timetable-thin-margin";

// Error 102 when "[generale]" is there but nothing follows it: the number
// stays, the author hears what happened.
inline constexpr char kGeneraleVuota[] = "line source's [generale] section is empty: nothing follows it";

// After this many problems of one rule, an author's list only counts the
// rest: a source of millions of mistakes costs a count for most of them.
constexpr size_t kMassimoPerRegola = 200;

// One change to a source's text: what stands from one place up to another
// (lines and columns from 1, a byte a column; the end is the place just
// after the last byte replaced, the start again for an insertion) replaced
// by `testo`, in the source's code page.
struct modifica_testo {
  int32_t riga = 0;
  int32_t colonna = 0;
  int32_t riga_fine = 0;
  int32_t colonna_fine = 0;
  std::string testo;
};

// What the checker knows mends a problem, for an editor to offer: changes
// to the source the problem stands in, none overlapping another, each
// placed in the text as it was checked.
struct rimedio {
  std::string titolo;  // what it does, as the author reads it: "Replace with \"pendenza\""
  std::vector<modifica_testo> modifiche;
};

// One problem found in the sources.
struct diagnostica {
  gravita livello;
  std::string regola;                     // the id of its catalogue entry
  luogo dove;                             // an empty file: not tied to a source
  std::string messaggio;                  // with the value and the limit it passed, where known
  std::optional<numero_errore> numero{};  // set for a numbered error
  size_t conta = 1;                       // the problems it stands for: more for a line that counts the rest
  bool oltre = false;                     // a line that counts a rule's problems past its bound
  std::optional<rimedio> cura{};          // how to mend it, where the checker knows
};

// "FILE:LINE:COL: error N: text" (or "warning: text", "error: text"),
// without the place when none is known.
std::string descrivi(const diagnostica& d);

// What a compile found, in the order it found it.  Nothing is ever taken
// out: the packager's status is the last numbered error, an author sees the
// whole list.
class diagnostiche {
 public:
  // Records a numbered error at `dove`; an empty `testo` stands for the
  // catalogue's meaning.
  void errore(valdoro::numero_errore numero, luogo dove = {}, std::string testo = {});
  // Adds a finding of the compile without a number, at the level its
  // catalogue entry gives; the tables are not touched and the packager's
  // status does not change.
  void segnala(const char* id, luogo dove, std::string testo);
  // Past `n` entries of one id the rest are only counted, for an author's
  // run that reads on past every fault of a source.  The packager's list is
  // never bounded: its last error must be the last one recorded.
  void limita(size_t n) { tetto_ = n; }

  const std::vector<diagnostica>& elenco() const { return elenco_; }
  // The last numbered error recorded, or nullptr: what the packager reports.
  const diagnostica* ultimo_errore() const;
  // Its number, 0 when there is none.
  int32_t codice_errore() const;
  // Counted, those past the bound included.
  size_t errori() const { return errori_; }
  size_t avvisi() const { return avvisi_; }
  // One line for each id that passed the bound, saying how many more there
  // are, in the order of the ids.
  std::vector<diagnostica> riassunti_oltre() const;

 private:
  bool da_elencare(const char* id);

  std::vector<diagnostica> elenco_;
  size_t avvisi_ = 0;
  size_t tetto_ = SIZE_MAX;
  std::map<std::string, size_t> per_regola_;
  size_t errori_ = 0;
  size_t ultimo_ = 0;  // 1 + index of the last numbered error, 0 for none
};

// "N more errors of rule ID not shown (description)": what stands for the
// problems of `r` past the bound.
diagnostica riassunto_oltre(const regola& r, size_t n);

// Whether the checker's finding `regola_controllo` and the compile's
// diagnostic `id_compilazione` tell of the same fault when they stand on the
// same line: then only the compile's is shown.
bool stesso_guasto(const std::string& regola_controllo, const std::string& id_compilazione);

// The reference of every diagnostic, as docs/diagnostics.md holds it.
std::string documento_diagnostiche();

// The table of numbered errors, as the authors' guide holds it.
std::string tabella_errori_markdown();

}  // namespace valdoro

#endif  // VALDORO_COMPILER_DIAGNOSTICA_H_

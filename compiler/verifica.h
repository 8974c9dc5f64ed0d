// The checker: reads every record of both sources against the description
// of their formats (compiler/formato.h) and reports every problem it finds,
// each at its own place, past the first one and past any error of the
// compile.  It reads with the compiler's item reader but changes nothing:
// the compile alone fills the tables.
#ifndef VALDORO_COMPILER_VERIFICA_H_
#define VALDORO_COMPILER_VERIFICA_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostica.h"
#include "compiler/formato.h"
#include "model/tabelle.h"

namespace valdoro {

// One record as the checker read it: what it is, where it stands, and its
// values (a text field's value is an index into esito_verifica::testi).
struct record_letto {
  formato::quale fonte;
  const formato::record* tipo;
  const formato::sezione* sezione;  // the section it stands in; nullptr before any known one
  int32_t riga;
  int32_t colonna;
  uint32_t primo_valore;  // into esito_verifica::valori
  uint32_t valori;        // how many were read (fewer than the fields when some are missing)
};

struct esito_verifica {
  std::vector<diagnostica> diagnostiche;  // line source first, each in reading order
  size_t errori = 0;                      // all found, shown or not
  size_t avvisi = 0;
  std::vector<record_letto> records;
  std::vector<int64_t> valori;
  std::vector<std::string> testi;

  // Where a record's keyword stands, in the file names given to verifica().
  luogo dove(const record_letto& r) const;
  // Value i of record r (0 for a field it lacks).
  int64_t valore(const record_letto& r, size_t i) const;
  // Text value i of record r ("" for a number or a field it lacks).
  std::string_view testo(const record_letto& r, size_t i) const;

  std::string nome_linea, nome_treno;
  // Where a route length that was not read as written stands ("218 000"
  // read as 218); an empty file when there is none.
  luogo lunghezza_dubbia;
  int64_t lunghezza_letta = 0;  // what it was read as
};

// Past a route length that was not read as written, every record beyond
// the end it was read as is a knock-on of that one mistake: the problems of
// those records (beyond the route, beyond the track, and the compile's
// errors of the same kind) give way to one error, at the first of them,
// that counts them and points at the route length.  Returns how many
// errors and warnings gave way, for the counts.
struct raccolti {
  size_t errori = 0, avvisi = 0;
};
raccolti raccogli_oltre_la_fine(std::vector<diagnostica>& tutte, const esito_verifica& v);

// Reads the two sources (texts as on disk, names as their places should
// say) against their formats.
esito_verifica verifica(std::string_view linea, const std::string& nome_linea, std::string_view treno,
                        const std::string& nome_treno);

// The damerau distance between two words, letter case aside; stops
// counting above `tetto`.
int distanza(std::string_view a, std::string_view b, int tetto);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_VERIFICA_H_

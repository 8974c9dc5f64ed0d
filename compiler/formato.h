// The two source formats, declared once: every section, every record
// keyword, and for each field its name, unit, accepted range and how it is
// stored.  The checker reads the sources against it, the format reference
// (docs/source-format.md) is printed from it, and the dump names fields by
// it.  The compiler's own reading does not consult it: the tables here
// describe what that reading does, and tests hold the two together.
#ifndef VALDORO_COMPILER_FORMATO_H_
#define VALDORO_COMPILER_FORMATO_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valdoro {
namespace formato {

// How the reader reads a field: an item that is not a whole number, or one
// outside the width, cannot be read at all.
enum class lettura : uint8_t { intero32, intero16, byte, testo };

// What a field is, for the rules of its list.
enum class ruolo : uint8_t {
  valore,     // nothing beyond its range
  posizione,  // metres from the line start: on the track, in rising order
  fine,       // the end of the span that the position starts
  lunghezza,  // the length of the span that the position starts
};

struct campo {
  const char* nome;   // stable: the checker, the reference and dump name the field so
  const char* unita;  // "" for a plain number or a text
  int64_t minimo;     // accepted range, both ends included
  int64_t massimo;
  lettura letto;
  ruolo parte;
  const char* memoria;      // how it is stored
  const char* significato;  // what it means to the scenario
  bool rifiutato = false;   // the compile refuses a value outside the range
};

// What the order of a list's records must be.
enum class ordine : uint8_t {
  libero,     // no order
  crescente,  // positions rise from record to record
  campate,    // spans: each starts at or after the end of the one before
};

// The sources' two halves of reading, for the line source: its general
// keys are read only inside [generale], its records only after it.
enum class fase : uint8_t { generale, record };

struct record {
  const char* parola;  // as the writers write it
  const char* prova;   // the compiler takes any item holding this ...
  const char* prova2;  // ... and this too (nullptr: the first alone)
  bool maiuscole;      // the tests match letter case exactly
  fase letto_in;
  // The keyword's written forms, letter case aside ("curvas1" to
  // "curvad6"); empty: `parola` alone.
  std::vector<const char*> forme;
  std::vector<campo> campi;
  ordine regola;
  const char* esempio;  // one line as the writers write it
  const char* significato;
};

struct sezione {
  const char* intestazione;  // "[pendenze]"
  const char* significato;
  std::vector<record> records;
};

enum class quale : uint8_t { linea, treno };

struct sorgente {
  quale tipo;
  const char* nome;  // "line source"
  const char* significato;
  std::vector<sezione> sezioni;  // in the order the writers write them
};

const sorgente& linea();
const sorgente& treno();
const sorgente& di(quale q);

// The section whose header is `intestazione` (compared without blanks
// around it), or nullptr.
const sezione* trova_sezione(const sorgente& s, std::string_view intestazione);

// The section that holds a record of `s`.
const sezione& sezione_di(const sorgente& s, const record& r);

// The first record of `s` whose keyword tests take `voce`, or nullptr.
const record* trova_record(const sorgente& s, std::string_view voce);

// The written forms of a record's keyword.
std::vector<std::string> forme(const record& r);

// The index of the field called `nome` in `r`, or -1.
int indice_campo(const record& r, std::string_view nome);

// The station kinds the compile and the line's own stations know: 5 and 6,
// 7 and 8 shape their areas each in their own way, and the others mark the
// track below 25 and not from 25 on.  Any other value is passed to the
// simulator all the same, as a kind nobody has described.
const std::vector<int32_t>& tipi_stazione();

// "2, 4, 5 ... and 28".
std::string elenco_tipi_stazione();

// The format reference in Markdown, one section per source section and one
// table per record.
std::string documento();

}  // namespace formato
}  // namespace valdoro

#endif  // VALDORO_COMPILER_FORMATO_H_

// Decoders for the three binary files, the inverse of output/binari.h.  They
// read only inside the bytes they are given: a file that is cut short, runs
// on past its last record or carries an unknown type tag is refused with the
// byte offset where it stops making sense.
//
// A file is taken in pieces (fonte_byte), never whole: the track and the
// profile are handed out a cell or a metre at a time, so that reading a
// file of any size costs the same little memory.  The forms over bytes in
// memory are the same decoders fed from a string.
#ifndef VALDORO_OUTPUT_DECODIFICA_H_
#define VALDORO_OUTPUT_DECODIFICA_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/tabelle.h"
#include "util/cp1252.h"  // the names decoded are Windows-1252: da_cp1252 shows them
#include "util/file.h"

namespace valdoro {

// what() is "byte OFFSET: what is wrong there".
class errore_decodifica : public std::runtime_error {
 public:
  errore_decodifica(uint64_t offset, const std::string& cosa);
  uint64_t offset() const { return offset_; }

 private:
  uint64_t offset_;
};

// The bytes of one file from its start, in pieces.
class fonte_byte {
 public:
  virtual ~fonte_byte() = default;
  // Up to quanti bytes into dove; 0 at the end.
  virtual size_t leggi(char* dove, size_t quanti) = 0;
  // The size of the file when it was opened.
  virtual uint64_t dimensione() const = 0;
};

// A new fonte_byte from the start of the same file at each call: the
// profile is read at two places at once.
using apri_fonte = std::function<std::unique_ptr<fonte_byte>()>;

// Bytes in memory, handed out at most `pezzo` at a time (tests and the
// fuzzers cut them at every place a file read could).  The bytes must
// outlive the fonte.
std::unique_ptr<fonte_byte> fonte_in_memoria(std::string_view dati, size_t pezzo = SIZE_MAX);
apri_fonte apri_in_memoria(std::string_view dati, size_t pezzo = SIZE_MAX);

// An input file through file_in_lettura: each opening refuses anything but
// a regular file within the input limit (errore_file).
apri_fonte apri_file(const std::filesystem::path& percorso, collegamento c);

// Exactly 87 rows and nothing after them.
tabella_stazioni_t decodifica_stazioni(fonte_byte& f);
tabella_stazioni_t decodifica_stazioni(std::string_view dati);

// Whole 15-byte cells; an empty file is an empty track.  The size is
// checked first, so a cut file is refused before `inizio` is called with
// the number of cells; then each cell goes to `per_cella` in order.
void scorri_celle(fonte_byte& f, const std::function<void(uint64_t celle)>& inizio,
                  const std::function<void(uint64_t k, const cella& c)>& per_cella);
std::vector<cella> decodifica_celle(fonte_byte& f);
std::vector<cella> decodifica_celle(std::string_view dati);

// Tagged values, all x before all y, so an even count of them; an empty
// file is a profile that does not exist.  The whole file is checked first,
// so a bad one is refused before `inizio` is called with the number of
// metres; then each metre goes to `per_metro` with its x and its y, read
// from the two halves of the file at once, and the offsets in the file where
// each of the two values begins.
void scorri_profilo(const apri_fonte& apri, const std::function<void(int32_t metri)>& inizio,
                    const std::function<void(int32_t metro, const valore_etichettato& x, const valore_etichettato& y,
                                             uint64_t byte_x, uint64_t byte_y)>& per_metro);

// Each value at `byte`, of the metre's coordinate 0 (x) or 1 (y), before it
// is stored; a check may refuse it by throwing errore_decodifica.
using controllo_valore = std::function<void(uint64_t byte, int32_t metro, int coordinata, const valore_etichettato& v)>;
profilo decodifica_profilo(const apri_fonte& apri, const controllo_valore& controlla = nullptr);
profilo decodifica_profilo(std::string_view dati);

// The three binary files, decoded: a line as it was built.
struct linea_costruita {
  tabella_stazioni_t stazioni{};
  std::vector<cella> celle;
  profilo pianta;
};

// The route length as the station table carries it (row 84, fine).
inline int32_t lunghezza_percorso(const linea_costruita& l) { return l.stazioni[kRigaParametri].fine; }

// Metres as the line's own kilometre numbering counts them at a position
// (rows 81 to 83: from each start on, the position plus its offset; the
// greatest start at or before the position is in force, whatever the
// order of the rows).
constexpr int kPrimaRigaNumerazione = 81, kUltimaRigaNumerazione = 83;
int32_t metri_numerati(const tabella_stazioni_t& t, int32_t posizione);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_DECODIFICA_H_

// Decoders for the three binary files, the inverse of output/binari.h.  They
// read only inside the bytes they are given: a file that is cut short, runs
// on past its last record or carries an unknown type tag is refused with the
// byte offset where it stops making sense.
#ifndef VALDORO_OUTPUT_DECODIFICA_H_
#define VALDORO_OUTPUT_DECODIFICA_H_

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {

// what() is "byte OFFSET: what is wrong there".
class errore_decodifica : public std::runtime_error {
 public:
  errore_decodifica(size_t offset, const std::string& cosa);
  size_t offset() const { return offset_; }

 private:
  size_t offset_;
};

// Exactly 87 rows and nothing after them.
tabella_stazioni_t decodifica_stazioni(std::string_view dati);

// Whole 15-byte cells; an empty file is an empty track.
std::vector<cella> decodifica_celle(std::string_view dati);

// Tagged values, all x before all y, so an even count of them; an empty
// file is a profile that does not exist.
profilo decodifica_profilo(std::string_view dati);

// The names in the files are Windows-1252; this gives them as UTF-8.  The
// five bytes the code page leaves undefined map to the C1 controls of the
// same number, so no byte is lost.
std::string da_cp1252(std::string_view testo);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_DECODIFICA_H_

// The sources are Windows-1252, one byte a character, as the packager
// writes them.  An editor that saves UTF-8 turns "à" into two bytes, which
// the compile stores as "Ã" and a blank: the checker finds such sequences,
// and an author who writes UTF-8 on purpose has the sources converted.
#ifndef VALDORO_COMPILER_CODIFICA_H_
#define VALDORO_COMPILER_CODIFICA_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostica.h"

namespace valdoro {

// The length of the well-formed UTF-8 sequence of two to four bytes that
// starts at t[i], or 0 when none does (an ASCII byte, or a byte that only
// Windows-1252 explains).
size_t sequenza_utf8(std::string_view t, size_t i);

struct sorgente_convertita {
  std::string testo;                // Windows-1252; '?' where a character could not be converted
  std::vector<diagnostica> guasti;  // each at its line and column, as error `kCodificaIllegibile`
};

// Converts a source written in UTF-8 (a byte order mark at its start
// dropped) to Windows-1252.  A character the code page lacks, or a byte
// that is no UTF-8, is an error at its place in the file called `nome`.
sorgente_convertita da_utf8(std::string_view testo, const std::string& nome);

inline constexpr char kCodificaIllegibile[] = "not-windows-1252";

}  // namespace valdoro

#endif  // VALDORO_COMPILER_CODIFICA_H_

// Windows-1252, the single-byte text of every file the program writes, in
// both directions from one table: what the writers encode is what the dump
// and the pictures decode, byte for byte.
#ifndef VALDORO_UTIL_CP1252_H_
#define VALDORO_UTIL_CP1252_H_

#include <string>
#include <string_view>

namespace valdoro {

// Converts UTF-8 to Windows-1252.  Throws std::invalid_argument for malformed
// UTF-8 or a character the code page does not have: a file must never carry
// a multi-byte sequence.
std::string in_cp1252(std::string_view utf8);

// Converts Windows-1252 to UTF-8.  The five bytes the code page leaves
// undefined map to the C1 controls of the same number, so no byte is lost.
std::string da_cp1252(std::string_view testo);

// Whether the code page gives the byte a character; false for the five
// holes (0x81, 0x8D, 0x8F, 0x90, 0x9D), which a reader shows as bytes.
bool definito_in_cp1252(unsigned char b);

}  // namespace valdoro

#endif  // VALDORO_UTIL_CP1252_H_

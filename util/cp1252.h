// The one encoder from the UTF-8 text held in the program to the single-byte
// Windows-1252 text of every file the program writes.
#ifndef VALDORO_UTIL_CP1252_H_
#define VALDORO_UTIL_CP1252_H_

#include <string>
#include <string_view>

namespace valdoro {

// Converts UTF-8 to Windows-1252.  Throws std::invalid_argument for malformed
// UTF-8 or a character the code page does not have: a file must never carry
// a multi-byte sequence.
std::string in_cp1252(std::string_view utf8);

}  // namespace valdoro

#endif  // VALDORO_UTIL_CP1252_H_

// Text for a terminal, whatever the sources or the file names hold.
#ifndef VALDORO_CLI_TERMINALE_H_
#define VALDORO_CLI_TERMINALE_H_

#include <string>
#include <string_view>

namespace valdoro {

// UTF-8 text as a terminal may show it: every control character (C0, DEL
// and C1, U+0080 to U+009F, where the code page's holes land) and every
// byte that is not part of a well-formed sequence becomes \xNN, as `dump`
// shows them.  A terminal takes an escape sequence in a source's item as an
// order (erase the line, move the cursor) and would lie about the rest.
std::string per_terminale(std::string_view utf8);

}  // namespace valdoro

#endif  // VALDORO_CLI_TERMINALE_H_

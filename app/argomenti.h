// The command line of the Linux program: none runs it, --help and
// --version only print, anything else is refused before a file is touched.
#ifndef VALDORO_APP_ARGOMENTI_H_
#define VALDORO_APP_ARGOMENTI_H_

#include <optional>
#include <ostream>

namespace valdoro {

// The release, one number for every program and archive.
inline constexpr char kVersione[] = VALDORO_VERSIONE;

// Status of a command line that is refused.
constexpr int kUscitaUso = 2;

// Empty when the program is to run; otherwise what it printed on out or
// err has been said and the value is the exit status.
std::optional<int> rispondi_argomenti(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace valdoro

#endif  // VALDORO_APP_ARGOMENTI_H_

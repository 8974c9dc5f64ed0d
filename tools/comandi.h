// The `scenario` program for scenario authors: compile any pair of sources,
// dump a binary file, draw a built line.  The same compiler, tables and
// binary layouts as the packager.
#ifndef VALDORO_TOOLS_COMANDI_H_
#define VALDORO_TOOLS_COMANDI_H_

#include <ostream>

namespace valdoro {

// Exit statuses of `scenario`.
constexpr int kEsitoBuono = 0;
constexpr int kEsitoGuastoDati = 1;  // a recorded error, or a binary file that does not decode
constexpr int kEsitoUso = 2;         // a bad option, a missing or unreadable file, a file not written

// Runs the program with its command line; results go to `out`, messages
// to `err`.  Returns the exit status.
int esegui_scenario(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_COMANDI_H_

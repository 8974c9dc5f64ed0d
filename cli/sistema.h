// What the authors' tool asks of the system, one half for POSIX systems
// (sistema_posix.cc) and one for Windows (sistema_windows.cc).
#ifndef VALDORO_CLI_SISTEMA_H_
#define VALDORO_CLI_SISTEMA_H_

#include <cstddef>

namespace valdoro {

// Writes up to quanti bytes to an open descriptor, as write(2) does: the
// count written, or -1 with errno set.  An interrupted write is retried.
long scrivi_descrittore(int descrittore, const char* dati, size_t quanti);

// For a server on standard input and output: the input read byte for byte
// (no line ends turned over), and a write to a client that has gone
// failing as a write, not ending the process.
void prepara_canale_server();

}  // namespace valdoro

#endif  // VALDORO_CLI_SISTEMA_H_

// The authors' tool's dealings with the system on POSIX systems: checked
// writes to standard output, a server's channel.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>

#include "cli/sistema.h"

namespace valdoro {

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  for (;;) {
    const ssize_t n = ::write(descrittore, dati, quanti);
    if (n >= 0 || errno != EINTR) return n;
  }
}

void prepara_canale_server() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace valdoro

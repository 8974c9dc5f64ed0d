// The authors' tool's dealings with the system on POSIX systems: checked
// writes to standard output.

#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "cli/sistema.h"

namespace valdoro {

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  for (;;) {
    const ssize_t n = ::write(descrittore, dati, quanti);
    if (n >= 0 || errno != EINTR) return n;
  }
}

}  // namespace valdoro

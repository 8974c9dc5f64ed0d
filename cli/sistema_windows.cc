// The authors' tool's dealings with the system on Windows: checked writes
// to standard output, a server's channel.

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <algorithm>
#include <cstddef>

#include "cli/sistema.h"

namespace valdoro {

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  return ::_write(descrittore, dati, static_cast<unsigned>(std::min<size_t>(quanti, size_t{1} << 30)));
}

// Standard output is binary from main() on; standard input is made so here.
void prepara_canale_server() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace valdoro

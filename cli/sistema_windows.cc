// The authors' tool's dealings with the system on Windows: checked writes
// to standard output.

#include <io.h>

#include <algorithm>
#include <cstddef>

#include "cli/sistema.h"

namespace valdoro {

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  return ::_write(descrittore, dati, static_cast<unsigned>(std::min<size_t>(quanti, size_t{1} << 30)));
}

}  // namespace valdoro

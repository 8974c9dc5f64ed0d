// What `scenario view` shows of one compile of a pair of sources: the
// built tables and the compile's diagnostics, placed in the author's files.
// The page is built from this alone, so that the compile behind it can
// change without touching the server or the page.
#ifndef VALDORO_TOOLS_VISTA_DATI_H_
#define VALDORO_TOOLS_VISTA_DATI_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/tabelle.h"
#include "tools/draw.h"

namespace valdoro {

struct diagnostica_vista {
  std::string livello;  // "error" or "warning"
  std::string regola;   // "E8", "W" ...: what the author may look up
  std::string file;     // the path the author gave; empty when unknown
  int riga = 0;         // 1-based; 0 when unknown
  int colonna = 0;
  std::string messaggio;
};

// A record the compile remembers the place of, by what it made: "cell" and
// the first cell of a slowdown, today.
struct record_vista {
  std::string tipo;
  int32_t numero = 0;
  std::string file;
  int riga = 0;
};

struct compilazione_vista {
  linea_costruita linea;
  std::vector<diagnostica_vista> diagnostiche;
  std::vector<record_vista> record;
  std::string titolo, treno;  // the names the compile ran under
};

// Compiles the two texts, as `scenario compile` does but writing nothing
// beyond the compiler's private copies.  Places are told with the paths
// `file_linea` and `file_treno`.  Throws what the file layer throws when the
// private copies cannot be written.
compilazione_vista compila_per_vista(const std::string& testo_linea, const std::string& testo_treno,
                                     const std::string& file_linea, const std::string& file_treno);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_VISTA_DATI_H_

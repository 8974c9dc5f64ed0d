// One problem found in the sources, as every reporter shows it: the text
// lines of `scenario`, its SARIF log, and any page that lists them.
#ifndef VALDORO_COMPILER_DIAGNOSTICA_H_
#define VALDORO_COMPILER_DIAGNOSTICA_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {

enum class gravita : uint8_t { errore, avviso };

struct diagnostica {
  gravita livello;
  std::string regola;  // the id of its rule
  luogo dove;          // an empty file: not tied to a source
  std::string messaggio;
};

// A rule of the checker: its id (stable, as SARIF logs and scripts name
// it), how grave a breach is, and what it says in one line.
struct regola {
  const char* id;
  gravita livello;
  const char* descrizione;
};

// Every rule of the checker, declared once; the compiler's own errors and
// warnings are rules of their own ("error-N", "compile-warning").
const std::vector<regola>& regole();

// The rule called `id`, or nullptr.
const regola* trova_regola(const std::string& id);

// "error" or "warning", as the text lines and SARIF say it.
const char* nome_gravita(gravita g);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_DIAGNOSTICA_H_

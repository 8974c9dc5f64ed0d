// Quick fixes: the mendings the checker attaches to its problems, offered
// as the editor's code actions.  Nothing here works a fix out again.
#ifndef VALDORO_LSP_CORREZIONI_H_
#define VALDORO_LSP_CORREZIONI_H_

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/analisi.h"
#include "lsp/posizioni.h"

namespace valdoro {
namespace lsp {

// The code actions for the problems of `uri` (its text `testo`) whose range
// meets `da`..`a`.
nlohmann::json azioni(const analisi& x, const std::string& uri, const std::string& testo, posizione da, posizione a);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_CORREZIONI_H_

// The outline of a source: its sections, and in them the stations by name
// and the tunnels.
#ifndef VALDORO_LSP_SIMBOLI_H_
#define VALDORO_LSP_SIMBOLI_H_

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/analisi.h"

namespace valdoro {
namespace lsp {

// The protocol's DocumentSymbol tree of the source `uri` (its text `testo`).
nlohmann::json simboli(const analisi& a, const std::string& uri, const std::string& testo);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_SIMBOLI_H_

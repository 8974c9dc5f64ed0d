// Hover: what a field is, from the description of the formats, and for a
// position, where it falls on the line built from the sources.
#ifndef VALDORO_LSP_HOVER_H_
#define VALDORO_LSP_HOVER_H_

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/analisi.h"
#include "lsp/posizioni.h"

namespace valdoro {
namespace lsp {

// The hover of the source `uri` (its text `testo`) at `p`; null where no
// record item stands.
nlohmann::json hover(const analisi& a, const std::string& uri, const std::string& testo, posizione p);

// The Markdown of field `campo` of the record `r` (-1: the keyword).
std::string descrivi_campo(const analisi& a, const record_letto& r, int campo);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_HOVER_H_

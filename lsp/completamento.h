// Completion of section headers and record keywords, each keyword with a
// snippet of its record's fields, from the description of the formats.
#ifndef VALDORO_LSP_COMPLETAMENTO_H_
#define VALDORO_LSP_COMPLETAMENTO_H_

#include <nlohmann/json.hpp>
#include <string>

#include "compiler/formato.h"
#include "lsp/posizioni.h"

namespace valdoro {
namespace lsp {

// The snippet of a record: the keyword form `forma`, then one placeholder
// a field, named as the format names it.
std::string frammento(const formato::record& r, const std::string& forma);

// The protocol's CompletionList at `p` of a source of kind `q` (its text
// `testo`): headers and keywords where a record may start, nothing among
// a record's fields.
nlohmann::json completa(formato::quale q, const std::string& testo, posizione p);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_COMPLETAMENTO_H_

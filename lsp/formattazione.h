// Formatting: each record laid out as `init` writes its kind, learnt from
// the lines init writes (a kind it does not write as the format
// description's example line shows it), blanks alone moved.  A line
// the layout cannot be sure of (a record over several lines, a quote,
// items beyond the fields) is left as it is, and so is every value.
#ifndef VALDORO_LSP_FORMATTAZIONE_H_
#define VALDORO_LSP_FORMATTAZIONE_H_

#include <nlohmann/json.hpp>
#include <string>

#include "compiler/formato.h"
#include "lsp/analisi.h"

namespace valdoro {
namespace lsp {

// A record's items (keyword first, each without blanks around it) laid out
// as the writers lay out `r`: each column right-aligned in its width
// where init aligns it, else after the blanks init puts before it.
std::string riga_come_init(const formato::record& r, const std::vector<std::string>& voci);

// The text edits that format the source `uri` (its text `testo`).
nlohmann::json formatta(const analisi& a, const std::string& uri, const std::string& testo);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_FORMATTAZIONE_H_

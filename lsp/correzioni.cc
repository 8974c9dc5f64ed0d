#include "lsp/correzioni.h"

#include <tuple>

#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

bool prima(posizione a, posizione b) { return std::tie(a.riga, a.carattere) < std::tie(b.riga, b.carattere); }

posizione da_json(const json& p) { return {p["line"].get<int32_t>(), p["character"].get<int32_t>()}; }

// A place of the compiled text, as a place of the editor's text: the two
// have the same lines and characters, one byte each in the code page.
json posizione_editor(const righe_testo& editor, int32_t riga, int32_t colonna) {
  const size_t n = static_cast<size_t>(riga) - 1;
  return {{"line", n}, {"character", unita_utf16(editor.riga(n), colonna - 1)}};
}

json modifica_lsp(const righe_testo& editor, const modifica_testo& m) {
  return {{"range",
           {{"start", posizione_editor(editor, m.riga, m.colonna)},
            {"end", posizione_editor(editor, m.riga_fine, m.colonna_fine)}}},
          {"newText", da_cp1252(m.testo)}};
}

}  // namespace

json azioni(const analisi& x, const std::string& uri, const std::string& testo, posizione da, posizione a) {
  json out = json::array();
  const righe_testo editor(testo);
  for (const diagnostica& d : x.diagnostiche) {
    if (!d.cura || !x.su(d, uri)) continue;
    const json dl = diagnostica_lsp(editor, d);
    // Ranges that touch count as meeting: a cursor at the end of a word
    // still asks for its fix.
    if (prima(a, da_json(dl["range"]["start"])) || prima(da_json(dl["range"]["end"]), da)) continue;
    json modifiche = json::array();
    for (const modifica_testo& m : d.cura->modifiche) modifiche.push_back(modifica_lsp(editor, m));
    out.push_back({{"title", da_cp1252(d.cura->titolo)},
                   {"kind", "quickfix"},
                   {"diagnostics", json::array({dl})},
                   {"isPreferred", true},
                   {"edit", {{"changes", {{uri, modifiche}}}}}});
  }
  return out;
}

}  // namespace lsp
}  // namespace valdoro

#include "lsp/completamento.h"

#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

// The protocol's CompletionItemKind and InsertTextFormat.
constexpr int kModulo = 9;
constexpr int kParolaChiave = 14;
constexpr int kFrammento = 2;

json voce(const std::string& etichetta, int tipo, const std::string& dettaglio, const std::string& spiegazione,
          const json& dove, const std::string& testo, bool frammento) {
  json v = {{"label", etichetta},
            {"kind", tipo},
            {"detail", dettaglio},
            {"documentation", {{"kind", "markdown"}, {"value", spiegazione}}},
            {"textEdit", {{"range", dove}, {"newText", testo}}}};
  if (frammento) v["insertTextFormat"] = kFrammento;
  return v;
}

}  // namespace

std::string frammento(const formato::record& r, const std::string& forma) {
  std::string t = forma;
  for (size_t i = 0; i < r.campi.size(); ++i) t += ", ${" + std::to_string(i + 1) + ":" + r.campi[i].nome + "}";
  return t;
}

json completa(formato::quale q, const std::string& testo, posizione p) {
  const righe_testo righe(testo);
  const std::string_view riga = righe.riga(static_cast<size_t>(p.riga));
  const std::string_view prima = riga.substr(0, byte_del_carattere(riga, caratteri_da_utf16(riga, p.carattere)));
  json voci = json::array();
  // Among a record's fields nothing is offered.
  if (prima.find(',') != std::string_view::npos) return {{"isIncomplete", false}, {"items", voci}};
  const size_t inizio = std::min(prima.size(), prima.find_first_not_of(" \t"));
  const json dove = {
      {"start", {{"line", p.riga}, {"character", unita_utf16(riga, caratteri_fino_a(riga, inizio))}}},
      {"end", {{"line", p.riga}, {"character", unita_utf16(riga, caratteri_fino_a(riga, prima.size()))}}}};
  const bool solo_intestazioni = inizio < prima.size() && prima[inizio] == '[';
  const formato::sorgente& s = formato::di(q);
  for (const formato::sezione& z : s.sezioni) {
    voci.push_back(voce(z.intestazione, kModulo, std::string("section of the ") + s.nome, da_cp1252(z.significato),
                        dove, z.intestazione, false));
  }
  if (solo_intestazioni) return {{"isIncomplete", false}, {"items", voci}};
  for (const formato::sezione& z : s.sezioni) {
    for (const formato::record& r : z.records) {
      for (const std::string& forma : formato::forme(r)) {
        voci.push_back(voce(forma, kParolaChiave, std::string("record of ") + z.intestazione,
                            da_cp1252(std::string(r.significato) + "\n\nAs init writes it: `" + r.esempio + "`"), dove,
                            frammento(r, forma), true));
      }
    }
  }
  return {{"isIncomplete", false}, {"items", voci}};
}

}  // namespace lsp
}  // namespace valdoro

#include "lsp/simboli.h"

#include <cstring>

#include "lsp/campi.h"
#include "lsp/posizioni.h"
#include "output/carte_autore.h"
#include "sources/carte.h"
#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

// The protocol's SymbolKind.
constexpr int kSezione = 3;   // Namespace
constexpr int kOggetto = 19;  // Object

std::string_view senza_spazi(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

json punto(size_t riga, int32_t carattere) { return {{"line", riga}, {"character", carattere}}; }

// From character `da` of line `n` to the end of line `fino`.
json tratto(const righe_testo& righe, size_t n, int32_t da, size_t fino) {
  const std::string_view ultima = righe.riga(fino);
  return {{"start", punto(n, da)}, {"end", punto(fino, unita_utf16(ultima, caratteri_fino_a(ultima, ultima.size())))}};
}

// A line whose first item is a section header, as the compile sees one.
std::optional<std::string> intestazione(std::string_view riga) {
  const std::string_view prima = senza_spazi(riga.substr(0, riga.find(',')));
  if (prima.empty() || prima[0] != '[' || prima.find(']') == std::string_view::npos) return std::nullopt;
  return std::string(prima);
}

std::string metri(int64_t m) { return std::to_string(m) + " m"; }

// The kilometre of a position in the line's numbering, as the papers print it.
std::string km(const analisi& a, int64_t posizione) {
  const int32_t m = metri_numerati(a.r.verifica, posizione);
  return m >= 0 ? "km " + km_carte(m, 3) : "before the numbering";
}

// The symbol of a station or a tunnel record; null for other records.
json simbolo(const analisi& a, const record_letto& r, const righe_testo& righe) {
  const esito_verifica& v = a.r.verifica;
  const std::string_view parola = r.tipo->parola;
  std::string nome, dettaglio;
  if (parola == "stazione" && r.valori == r.tipo->campi.size()) {
    nome = da_cp1252(senza_spazi(v.testo(r, r.valori - 1)));
    if (nome.empty()) nome = "stazione at " + metri(v.valore(r, 0));
    dettaglio = metri(v.valore(r, 0)) + ", " + km(a, v.valore(r, 0));
  } else if (parola == "montagna" && r.valori >= 2) {
    nome = "tunnel " + metri(v.valore(r, 0)) + " to " + metri(v.valore(r, 1));
    dettaglio = km(a, v.valore(r, 0)) + " to " + km(a, v.valore(r, 1));
  } else {
    return nullptr;
  }
  const std::vector<punto_voce> voci =
      voci_del_record(a.testo_di(r.fonte == formato::quale::linea ? a.c.uri_linea : a.c.uri_treno), r);
  const size_t n = static_cast<size_t>(r.riga) - 1;
  const size_t fino = voci.empty() ? n : static_cast<size_t>(voci.back().riga) - 1;
  const std::string_view riga = righe.riga(n);
  const int32_t da = unita_utf16(riga, r.colonna - 1);
  return {{"name", nome},
          {"detail", dettaglio},
          {"kind", kOggetto},
          {"range", tratto(righe, n, da, fino)},
          {"selectionRange",
           {{"start", punto(n, da)},
            {"end", punto(n, unita_utf16(riga, r.colonna - 1 + static_cast<int32_t>(parola.size())))}}}};
}

}  // namespace

json simboli(const analisi& a, const std::string& uri, const std::string& testo) {
  const righe_testo righe(testo);
  const bool linea = uri == a.c.uri_linea;
  json sezioni = json::array();
  std::vector<size_t> inizi;
  for (size_t n = 0; n < righe.quante(); ++n) {
    const std::optional<std::string> t = intestazione(righe.riga(n));
    if (!t) continue;
    // The section runs to the line before the next header.
    if (!inizi.empty()) sezioni.back()["range"] = tratto(righe, inizi.back(), 0, n - 1);
    const std::string_view riga = righe.riga(n);
    const size_t aperta = riga.find('[');
    const int32_t da = unita_utf16(riga, caratteri_fino_a(riga, aperta));
    const int32_t a_fine = unita_utf16(riga, caratteri_fino_a(riga, aperta + t->size()));
    sezioni.push_back({{"name", *t},
                       {"kind", kSezione},
                       {"range", tratto(righe, n, 0, righe.quante() - 1)},
                       {"selectionRange", {{"start", punto(n, da)}, {"end", punto(n, a_fine)}}},
                       {"children", json::array()}});
    inizi.push_back(n);
  }
  for (const record_letto& r : a.r.verifica.records) {
    if ((r.fonte == formato::quale::linea) != linea) continue;
    json s = simbolo(a, r, righe);
    if (s.is_null()) continue;
    // Into the last section that starts before it.
    const size_t n = static_cast<size_t>(r.riga) - 1;
    size_t i = inizi.size();
    while (i > 0 && inizi[i - 1] > n) --i;
    if (i == 0) {
      sezioni.push_back(std::move(s));
    } else {
      sezioni[i - 1]["children"].push_back(std::move(s));
    }
  }
  return sezioni;
}

}  // namespace lsp
}  // namespace valdoro

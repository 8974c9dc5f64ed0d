#include "lsp/formattazione.h"

#include <map>

#include "compiler/verifica.h"
#include "lsp/campi.h"
#include "lsp/posizioni.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

std::string_view senza_spazi(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

std::vector<std::string_view> per_virgole(std::string_view riga) {
  std::vector<std::string_view> voci;
  for (size_t da = 0;;) {
    const size_t virgola = riga.find(',', da);
    voci.push_back(riga.substr(da, virgola == std::string_view::npos ? std::string_view::npos : virgola - da));
    if (virgola == std::string_view::npos) return voci;
    da = virgola + 1;
  }
}

struct colonna {
  bool destra;       // right-aligned in `larghezza`, else after `spazi` blanks
  size_t spazi;      // blanks after the comma
  size_t larghezza;  // blanks and value together
};

// The items of a line after its keyword: blanks before each, and its length.
std::vector<std::pair<size_t, size_t>> misure(std::string_view riga) {
  std::vector<std::pair<size_t, size_t>> m;
  const std::vector<std::string_view> voci = per_virgole(riga);
  for (size_t i = 1; i < voci.size(); ++i) {
    const std::string_view v = voci[i];
    const size_t spazi = v.find_first_not_of(' ') == std::string_view::npos ? v.size() : v.find_first_not_of(' ');
    m.push_back({spazi, senza_spazi(v).size()});
  }
  return m;
}

// One column from what the writers put in it: the same blanks every time
// is a fixed gap, the same width every time a right-aligned field (the
// width most lines give, where a writer narrows one line).
colonna da_osservate(const std::vector<std::pair<size_t, size_t>>& viste) {
  std::map<size_t, size_t> spazi, larghezze;
  for (const auto& [b, l] : viste) ++spazi[b], ++larghezze[b + l];
  if (spazi.size() == 1) return {false, spazi.begin()->first, 0};
  size_t migliore = 0, volte = 0;
  for (const auto& [w, n] : larghezze) {
    if (n > volte) migliore = w, volte = n;
  }
  return {true, 1, migliore};
}

using disposizione = std::map<const formato::record*, std::vector<colonna>>;

// How `init` lays out each kind of record, learnt from the lines it
// writes; a kind it does not write keeps its example's blanks.
const disposizione& disposizioni() {
  static const disposizione d = [] {
    const std::string linea = testo_file(righe_linea()), treno = testo_file(righe_treno());
    const esito_verifica v = verifica(linea, "l", treno, "t");
    std::map<const formato::record*, std::vector<std::vector<std::pair<size_t, size_t>>>> viste;
    for (const record_letto& r : v.records) {
      const righe_testo righe(r.fonte == formato::quale::linea ? linea : treno);
      const auto m = misure(righe.riga(static_cast<size_t>(r.riga) - 1));
      if (m.size() != r.tipo->campi.size()) continue;
      auto& colonne = viste[r.tipo];
      colonne.resize(m.size());
      for (size_t i = 0; i < m.size(); ++i) colonne[i].push_back(m[i]);
    }
    disposizione out;
    for (const auto& [tipo, colonne] : viste) {
      for (const auto& c : colonne) out[tipo].push_back(da_osservate(c));
    }
    return out;
  }();
  return d;
}

std::vector<colonna> colonne(const formato::record& r) {
  const auto it = disposizioni().find(&r);
  if (it != disposizioni().end()) return it->second;
  std::vector<colonna> c;
  for (const auto& [b, l] : misure(r.esempio)) c.push_back({false, b, b + l});
  return c;
}

// The record on line `n` of `testo` laid out anew; nullopt when the line
// is not the record's alone.
std::optional<std::string> nuova_riga(const record_letto& r, std::string_view riga) {
  if (riga.find('"') != std::string_view::npos || r.valori != r.tipo->campi.size()) return std::nullopt;
  if (!senza_spazi(riga.substr(0, static_cast<size_t>(r.colonna) - 1)).empty()) return std::nullopt;
  const std::vector<std::string_view> voci = per_virgole(riga);
  if (voci.size() != r.tipo->campi.size() + 1) return std::nullopt;
  std::vector<std::string> pulite;
  for (std::string_view v : voci) pulite.emplace_back(senza_spazi(v));
  return riga_come_init(*r.tipo, pulite);
}

// The values and texts the checker reads from one source.
std::vector<std::string> letti(const esito_verifica& v, formato::quale q) {
  std::vector<std::string> out;
  for (const record_letto& r : v.records) {
    if (r.fonte != q) continue;
    std::string x = r.tipo->parola;
    for (size_t i = 0; i < r.valori; ++i) {
      x += "|" + (r.tipo->campi[i].letto == formato::lettura::testo ? std::string(v.testo(r, i))
                                                                    : std::to_string(v.valore(r, i)));
    }
    out.push_back(std::move(x));
  }
  return out;
}

}  // namespace

std::string riga_come_init(const formato::record& r, const std::vector<std::string>& voci) {
  const std::vector<colonna> c = colonne(r);
  std::string t = voci.empty() ? std::string() : voci[0];
  for (size_t i = 1; i < voci.size(); ++i) {
    const colonna k = i - 1 < c.size() ? c[i - 1] : colonna{false, 1, 1};
    size_t spazi = k.spazi;
    if (k.destra) spazi = k.larghezza >= voci[i].size() ? k.larghezza - voci[i].size() : 1;
    t += "," + std::string(spazi, ' ') + voci[i];
  }
  return t;
}

json formatta(const analisi& a, const std::string& uri, const std::string& testo) {
  json modifiche = json::array();
  const bool linea = uri == a.c.uri_linea;
  const formato::quale q = linea ? formato::quale::linea : formato::quale::treno;
  const std::string& compilato = a.testo_di(uri);
  const righe_testo righe(compilato), editor(testo);
  std::map<size_t, std::string> nuove;  // by line, from 0
  for (const record_letto& r : a.r.verifica.records) {
    if (r.fonte != q) continue;
    const std::vector<punto_voce> voci = voci_del_record(compilato, r);
    if (voci.empty() || voci.back().riga != r.riga) continue;
    const size_t n = static_cast<size_t>(r.riga) - 1;
    const std::optional<std::string> nuova = nuova_riga(r, righe.riga(n));
    if (nuova && *nuova != righe.riga(n) && nuove.count(n) == 0) nuove[n] = *nuova;
  }
  if (nuove.empty()) return modifiche;
  // Blanks alone have moved, and the checker reads every value as before;
  // should it not, nothing is changed.
  std::string formattato;
  size_t da = 0;
  for (const auto& [n, t] : nuove) {
    formattato += compilato.substr(da, righe.inizio(n) - da) + t;
    da = righe.inizio(n) + righe.riga(n).size();
  }
  formattato += compilato.substr(da);
  const std::string& altro = linea ? a.testo_treno : a.testo_linea;
  const esito_verifica& prima = a.r.verifica;
  const esito_verifica dopo = linea ? verifica(formattato, a.nome_linea, altro, a.nome_treno)
                                    : verifica(altro, a.nome_linea, formattato, a.nome_treno);
  if (letti(prima, q) != letti(dopo, q)) return modifiche;
  for (const auto& [n, t] : nuove) {
    const std::string_view riga = editor.riga(n);
    const int32_t fine = unita_utf16(riga, caratteri_fino_a(riga, riga.size()));
    modifiche.push_back(
        {{"range", {{"start", {{"line", n}, {"character", 0}}}, {"end", {{"line", n}, {"character", fine}}}}},
         {"newText", da_cp1252(t)}});
  }
  return modifiche;
}

}  // namespace lsp
}  // namespace valdoro

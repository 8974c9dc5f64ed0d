#include "lsp/campi.h"

#include <tuple>

#include "compiler/lettore.h"

namespace valdoro {
namespace lsp {

namespace {

bool non_dopo(int32_t riga_a, int32_t colonna_a, int32_t riga_b, int32_t colonna_b) {
  return std::tie(riga_a, colonna_a) <= std::tie(riga_b, colonna_b);
}

// The byte offset of a place, from 1.
size_t scostamento(std::string_view testo, int32_t riga, int32_t colonna) {
  size_t o = 0;
  for (int32_t n = 1; n < riga && o < testo.size(); ++o) {
    if (testo[o] == '\n' || (testo[o] == '\r' && (o + 1 >= testo.size() || testo[o + 1] != '\n'))) ++n;
  }
  return std::min(testo.size(), o + static_cast<size_t>(colonna) - 1);
}

}  // namespace

std::vector<punto_voce> voci_del_record(std::string_view testo, const record_letto& r) {
  std::vector<punto_voce> voci;
  // Read from the keyword on: places in the rest of the text are counted
  // from its line and, on that line, from its column.
  const std::string_view resto = testo.substr(scostamento(testo, r.riga, r.colonna));
  lettore l(resto, "");
  try {
    for (size_t i = 0; i <= r.valori && !l.esaurito(); ++i) {
      const std::string_view v = l.leggi_testo();
      const luogo p = l.luogo_voce();
      voci.push_back({r.riga + p.riga - 1, p.riga == 1 ? r.colonna + p.colonna - 1 : p.colonna, v.size()});
    }
  } catch (const errore_lettura&) {
    // A quote never closed: the items before it are all there is.
  }
  return voci;
}

std::optional<record_sotto> record_a(const analisi& a, const std::string& uri, int32_t riga, int32_t colonna) {
  const bool linea = !uri.empty() && uri == a.c.uri_linea;
  if (!linea && uri != a.c.uri_treno) return std::nullopt;
  const formato::quale fonte = linea ? formato::quale::linea : formato::quale::treno;
  const record_letto* trovato = nullptr;
  for (const record_letto& r : a.r.verifica.records) {
    if (r.fonte != fonte) continue;
    if (!non_dopo(r.riga, r.colonna, riga, colonna)) break;
    trovato = &r;
  }
  if (trovato == nullptr) return std::nullopt;
  const std::vector<punto_voce> voci = voci_del_record(a.testo_di(uri), *trovato);
  for (size_t i = voci.size(); i-- > 0;) {
    const punto_voce& v = voci[i];
    if (!non_dopo(v.riga, v.colonna, riga, colonna)) continue;
    // Past the item's end on its line, or on a later line, is no item of it.
    if (v.riga != riga || static_cast<size_t>(colonna - v.colonna) > v.lunghezza) return std::nullopt;
    return record_sotto{trovato, static_cast<int>(i) - 1, v};
  }
  return std::nullopt;
}

}  // namespace lsp
}  // namespace valdoro

#include "compiler/record.h"

#include <algorithm>
#include <string>

#include "model/errori.h"

namespace valdoro {

namespace {

char minuscola(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool contiene(std::string_view voce, std::string_view chiave) {
  auto uguali = [](char a, char b) { return minuscola(a) == minuscola(b); };
  return std::search(voce.begin(), voce.end(), chiave.begin(), chiave.end(), uguali) != voce.end();
}

bool contiene_esatto(std::string_view voce, std::string_view chiave) {
  return voce.find(chiave) != std::string_view::npos;
}

bool ha_trattino(std::string_view voce) { return voce.find('-') != std::string_view::npos; }

bool cerca_generale(scenario& s, lettore& r) {
  for (;;) {
    s.voce_letta.assign(r.leggi_testo());
    if (r.esaurito()) return false;
    if (contiene(s.voce_letta, "[generale]")) return true;
  }
}

esito ferma(scenario& s, const lettore& r, lettore::punto dove, int32_t numero, esito come, std::string testo) {
  registra_errore(s, numero, r.luogo_di(dove), std::move(testo));
  return come;
}

void avvisa(scenario& s, const lettore& r, lettore::punto dove, std::string testo) {
  annota_avviso(s, r.luogo_di(dove), std::move(testo));
}

void controlla_ordine(scenario& s, const lettore& r, lettore::punto dove, const char* elenco, int32_t p,
                      int64_t& ultima) {
  if (p <= ultima) {
    avvisa(s, r, dove,
           std::string(elenco) + " record at " + std::to_string(p) + " m does not come after the one before it (at " +
               std::to_string(ultima) + " m): " + elenco + " records must rise in position");
  }
  ultima = p;
}

void controlla_fine(scenario& s, const lettore& r) {
  const lettore::riga_finale ultima = r.ultima_riga_piena();
  if (ultima.dove.riga == 0 || contiene(ultima.testo, "[fine]")) return;
  annota_avviso(s, ultima.dove, "the source does not end with the line \"[fine]\": it may have been cut short here");
}

void nota_cella_riservata(scenario& s, const lettore& r, lettore::punto dove) {
  if (s.luogo_cella_riservata.file.empty() && s.cella_riservata_presa()) s.luogo_cella_riservata = r.luogo_di(dove);
}

bool oltre_il_binario(const scenario& s, int32_t p) {
  return s.ultima_cella() < (static_cast<double>(p) + 100) / kMetriCella;
}

esito ferma_oltre(scenario& s, const lettore& r, lettore::punto dove, int64_t p, int32_t margine) {
  // (p + margine) / 50 > C exactly when p > 50 C - margine.
  const int64_t ultima = int64_t{s.ultima_cella()} * kMetriCella - margine;
  return ferma(s, r, dove, 15, esito::ferma_sorgente,
               "position " + std::to_string(p) + " m is beyond the usable end of the track, " +
                   std::to_string(ultima) + " m");
}

}  // namespace valdoro

#include "compiler/record.h"

#include <algorithm>
#include <string>

#include "util/testo.h"

namespace valdoro {

bool contiene(std::string_view voce, std::string_view chiave) {
  auto uguali = [](char a, char b) { return minuscola(a) == minuscola(b); };
  return std::search(voce.begin(), voce.end(), chiave.begin(), chiave.end(), uguali) != voce.end();
}

bool contiene_esatto(std::string_view voce, std::string_view chiave) {
  return voce.find(chiave) != std::string_view::npos;
}

bool ha_trattino(std::string_view voce) { return voce.find('-') != std::string_view::npos; }

const char* separatore_sbagliato(std::string_view voce) {
  if (voce.find(';') != std::string_view::npos) return "semicolons";
  if (voce.find('\t') != std::string_view::npos) return "tabs";
  return nullptr;
}

bool cerca_generale(compilazione& comp, lettore& r) {
  for (;;) {
    comp.voce_letta.assign(r.leggi_testo());
    if (r.esaurito()) return false;
    if (contiene(comp.voce_letta, "[generale]")) return true;
  }
}

std::string testo_lettura(const compilazione& comp, const errore_lettura& e) {
  if (!e.in_record()) return e.what();
  return "record \"" + comp.voce_letta + "\", " + e.what();
}

esito ferma(compilazione& comp, const lettore& r, lettore::punto dove, numero_errore numero, esito come,
            std::string testo, luogo titolare) {
  comp.d.errore(numero, r.luogo_di(dove), std::move(testo), std::move(titolare));
  return come;
}

void avvisa(compilazione& comp, const char* id, const lettore& r, lettore::punto dove, std::string testo) {
  comp.d.segnala(id, r.luogo_di(dove), std::move(testo));
}

void controlla_ordine(compilazione& comp, const lettore& r, lettore::punto dove, const char* elenco, int32_t p,
                      int64_t& ultima) {
  if (p <= ultima) {
    avvisa(comp, kAvvisoOrdine, r, dove,
           std::string(elenco) + " record at " + std::to_string(p) + " m does not come after the one before it (at " +
               std::to_string(ultima) + " m): " + elenco + " records must rise in position");
  }
  ultima = p;
}

void controlla_fine(compilazione& comp, const lettore& r) {
  const lettore::riga_finale ultima = r.ultima_riga_piena();
  if (ultima.dove.riga == 0 || contiene(ultima.testo, "[fine]")) return;
  comp.d.segnala(kAvvisoFine, ultima.dove,
                 "the source does not end with the line \"[fine]\": it may have been cut short here");
}

void nota_cella_riservata(compilazione& comp, const lettore& r, lettore::punto dove) {
  if (comp.luoghi.cella_riservata.file.empty() && comp.s.cella_riservata_presa())
    comp.luoghi.cella_riservata = r.luogo_di(dove);
}

bool oltre_il_binario(const scenario& s, int32_t p) {
  return s.ultima_cella() < (static_cast<double>(p) + 100) / kMetriCella;
}

esito ferma_oltre(compilazione& comp, const lettore& r, lettore::punto dove, int64_t p, int32_t margine) {
  // (p + margine) / 50 > C exactly when p > 50 C - margine.
  const int64_t ultima = int64_t{comp.s.ultima_cella()} * kMetriCella - margine;
  return ferma(
      comp, r, dove, numero_errore::oltre_il_binario, esito::ferma_sorgente,
      "position " + std::to_string(p) + " m is beyond the usable end of the track, " + std::to_string(ultima) + " m");
}

}  // namespace valdoro

#include "view/osservatore.h"

#include <utility>

namespace valdoro {

osservatore::osservatore(std::array<std::string, kFileOsservati> nomi, firme_t firme) {
  for (size_t k = 0; k < kFileOsservati; ++k) sorgenti_[k] = {std::move(nomi[k]), firme[k], true, {}};
}

osservatore::decisione osservatore::guarda(const firme_t& firme, istante adesso) {
  bool in_moto = false, da_compilare = false, a_lungo = false;
  for (size_t k = 0; k < kFileOsservati; ++k) {
    sorgente& s = sorgenti_[k];
    if (firme[k] != s.firma) {
      if (!s.da_compilare) s.cambiata = adesso;
      s.firma = firme[k];
      s.da_compilare = true;
      in_moto = true;
    }
    if (s.da_compilare) {
      da_compilare = true;
      a_lungo = a_lungo || adesso - s.cambiata >= kScritturaLunga;
    }
  }
  decisione d;
  if (da_compilare && !in_moto) {
    d.compila = true;
    compilati();
  } else if (in_moto && a_lungo && !attesa_annunciata_) {
    // Still being written after a while: the page says so meanwhile.
    for (const sorgente& s : sorgenti_) {
      if (s.da_compilare) d.attese.push_back(s.nome);
    }
    attesa_annunciata_ = true;
  }
  return d;
}

void osservatore::compilati() {
  for (sorgente& s : sorgenti_) s.da_compilare = false;
  attesa_annunciata_ = false;
}

}  // namespace valdoro

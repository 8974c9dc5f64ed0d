#include "model/tabelle.h"

namespace valdoro {

void svuota_tabella_stazioni(tabella_stazioni_t& tabella) {
  for (riga_stazione& riga : tabella) riga = riga_stazione{};
}

void profilo::crea(int32_t n) {
  valori_.clear();
  tipi_.clear();
  in_attesa_ = n >= 0 ? static_cast<size_t>(n) + 1 : 0;
}

void profilo::disponi_ora() const {
  valori_.assign(2 * in_attesa_, 0.0);
  tipi_.assign(2 * in_attesa_, tipo_valore::vuoto);
  in_attesa_ = 0;
}

void profilo::elimina() {
  in_attesa_ = 0;
  valori_.clear();
  valori_.shrink_to_fit();
  tipi_.clear();
  tipi_.shrink_to_fit();
}

}  // namespace valdoro

#include "model/tabelle.h"

namespace valdoro {

void svuota_tabella_stazioni(tabella_stazioni_t& tabella) {
  for (riga_stazione& riga : tabella) riga = riga_stazione{};
}

void profilo::crea(int32_t n) {
  size_t punti = static_cast<size_t>(n) + 1;
  valori_.assign(2 * punti, 0.0);
  tipi_.assign(2 * punti, tipo_valore::vuoto);
}

void profilo::elimina() {
  valori_.clear();
  valori_.shrink_to_fit();
  tipi_.clear();
  tipi_.shrink_to_fit();
}

}  // namespace valdoro

#include "draw/draw.h"

#include <cmath>
#include <optional>

#include "draw/altimetria.h"
#include "draw/elemento.h"
#include "draw/pianta.h"
#include "output/decodifica.h"
#include "output/marcia.h"

namespace valdoro {

profilo decodifica_pianta(const apri_fonte& apri) {
  // The decoder hands out a metre's x and y together, but the refusal names
  // the first bad value in the file: any x comes before every y.
  std::optional<errore_decodifica> primo_y;
  profilo p = decodifica_profilo(apri, [&](uint64_t byte, int32_t metro, int coordinata, const valore_etichettato& v) {
    if (v.tipo != tipo_valore::doppio || std::abs(v.valore) <= kCoordinataMassima) return;
    const std::string cosa = "metre " + std::to_string(metro) + ": " + (coordinata == 0 ? "x" : "y") + " is " +
                             disegno::numero_grezzo(v.valore);
    const errore_decodifica e(
        byte, std::isfinite(v.valore) ? cosa + ", beyond the 10000 km a plan can reach" : cosa + ", not a coordinate");
    if (coordinata == 0) throw e;
    if (!primo_y) primo_y = e;
  });
  if (primo_y) throw *primo_y;
  return p;
}

profilo decodifica_pianta(std::string_view dati) { return decodifica_pianta(apri_in_memoria(dati)); }

std::string svg_pianta(const linea_costruita& l) { return disegno::pianta(l); }

std::string svg_altimetria(const linea_costruita& l) { return disegno::altimetria(l, {}); }

std::string svg_altimetria(const linea_costruita& l, const std::vector<tratta_marcia>& corsa) {
  return disegno::altimetria(l, corsa);
}

std::vector<tratta_marcia> corsa_della_linea(const linea_costruita& l, const figure_scritte& dai_fatti) {
  return calcola_orario(l.stazioni, l.celle, orario_per(l.stazioni[kRigaTreno].nome, dai_fatti).figure, true);
}

}  // namespace valdoro

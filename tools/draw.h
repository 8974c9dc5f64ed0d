// Two pictures of a built line, as SVG: its plan, and its gradient profile
// with the speed limit along it.
#ifndef VALDORO_TOOLS_DRAW_H_
#define VALDORO_TOOLS_DRAW_H_

#include <string>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {

// The three binary files, decoded.
struct linea_costruita {
  tabella_stazioni_t stazioni{};
  std::vector<cella> celle;
  profilo pianta;
};

// The route length as the station table carries it (row 84, fine).
int32_t lunghezza_percorso(const linea_costruita& l);

// The plan: the profile's x/y from metre 0 to the end of the route, with
// the mountain spans, stations, signals and kilometres along it.  Needs the
// profile; without one the picture says so.
std::string svg_pianta(const linea_costruita& l);

// Height built up from the gradients of the cells, the speed limit as a step
// line below it, and the stations across both.
std::string svg_altimetria(const linea_costruita& l);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_DRAW_H_

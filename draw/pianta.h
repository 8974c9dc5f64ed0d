// The plan of a built line, north up: the track from its line profile,
// with its curves, mountain spans, stations, signals and kilometres.
#ifndef VALDORO_DRAW_PIANTA_H_
#define VALDORO_DRAW_PIANTA_H_

#include <string>

#include "output/decodifica.h"

namespace valdoro {
namespace disegno {

// svg_pianta (draw.h) tells what it shows.
std::string pianta(const linea_costruita& l);

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_PIANTA_H_

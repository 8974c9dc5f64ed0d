// The gradient profile of a built line: height built up from the
// gradients, the gradients themselves, and the speed limit with the
// objects that set it, over the line's kilometres.
#ifndef VALDORO_DRAW_ALTIMETRIA_H_
#define VALDORO_DRAW_ALTIMETRIA_H_

#include <string>
#include <vector>

#include "output/decodifica.h"
#include "output/marcia.h"

namespace valdoro {
namespace disegno {

// svg_altimetria (draw.h) tells what it shows.
std::string altimetria(const linea_costruita& l, const std::vector<tratta_marcia>& corsa);

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_ALTIMETRIA_H_

// The train's fastest run as the gradient picture draws it: each leg's
// speed along the track, over the speed limits.
#ifndef VALDORO_DRAW_CORSA_H_
#define VALDORO_DRAW_CORSA_H_

#include <cstdint>
#include <vector>

#include "output/marcia.h"

namespace valdoro {
namespace disegno {

struct punto_corsa {
  int32_t metro;  // from the start of the track
  double kmh;
};

// Each leg's run as points along the track, at most four to each column of
// `metri_colonna` metres (the first, the lowest, the highest and the last
// speed in it): the picture holds no more than it can show, however long
// the line.  A leg without its speeds, or one the train cannot climb, has
// no points.
std::vector<std::vector<punto_corsa>> punti_corsa(const std::vector<tratta_marcia>& tratte, double metri_colonna);

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_CORSA_H_

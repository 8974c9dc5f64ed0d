// Rounding of positions to cells: the whole number closest to x, halves to
// the even neighbour (2.5 gives 2, 3.5 gives 4).  A result that does not fit
// its integer is a run-time fault of the compiler, caught by its trap.
#ifndef VALDORO_COMPILER_ARROTONDA_H_
#define VALDORO_COMPILER_ARROTONDA_H_

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "model/tabelle.h"

namespace valdoro {

inline double piu_vicino_reale(double x) {
  // Not nearbyint: the rounding mode of the moment must not matter.
  double basso = std::floor(x);
  double resto = x - basso;
  if (resto > 0.5) return basso + 1;
  if (resto < 0.5) return basso;
  return std::fmod(basso, 2.0) == 0 ? basso : basso + 1;
}

inline int32_t nearest(double x) {
  double r = piu_vicino_reale(x);
  if (!(r >= INT32_MIN && r <= INT32_MAX)) throw std::range_error("rounding does not fit 32 bits");
  return static_cast<int32_t>(r);
}

inline int16_t nearest16(double x) {
  double r = piu_vicino_reale(x);
  if (!(r >= INT16_MIN && r <= INT16_MAX)) throw std::range_error("rounding does not fit 16 bits");
  return static_cast<int16_t>(r);
}

// The cell whose start is nearest metre p: where a gradient, a restriction
// point or a train-side value given at p begins.
inline int32_t cella_al_metro(double p) { return nearest(p / kMetriCella); }

// The cell of a signal, a board or a slowdown at p metres: the one after the
// cell that holds p.  Not cella_al_metro(p) + 1: a half rounds to the even
// neighbour, and 2.5 + 1 is no longer a half of the same parity.
inline int32_t cella_oggetto(double p) { return nearest(p / kMetriCella + 1); }

}  // namespace valdoro

#endif  // VALDORO_COMPILER_ARROTONDA_H_

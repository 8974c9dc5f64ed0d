// The finishing pass over the track: speed marks (restriction points of
// kind 12 with value 180) behind the signals near a slowdown warning, in
// the windows before a slowdown start, inside slow slowdowns and before the
// first signal after a slowdown end.
#ifndef VALDORO_OUTPUT_PASSATA_FINALE_H_
#define VALDORO_OUTPUT_PASSATA_FINALE_H_

#include <cstdint>

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "model/tabelle.h"

namespace valdoro {

// The speed value of every mark the pass writes.
constexpr int16_t kVelocitaMarca = 180;

// y when x > y, else x.
inline int16_t minimo(int16_t x, int16_t y) { return x > y ? y : x; }

// One forward pass over s.celle.  Cells it cannot serve are recorded as
// errors 11, 12, 13 (or 250 where a walk would leave the track) with no
// location; the pass always runs to the end.  A mark that lands in cell 1,
// where the identity codes go, notes the slowdown it was put for in
// s.luogo_cella_riservata.
void passata_finale(scenario& s, diagnostiche& d, luoghi_record& luoghi);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_PASSATA_FINALE_H_

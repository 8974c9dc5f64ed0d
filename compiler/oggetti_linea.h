// Objects that the line source places along the track: mountain spans,
// maximum-speed boards and sign boards.
#ifndef VALDORO_COMPILER_OGGETTI_LINEA_H_
#define VALDORO_COMPILER_OGGETTI_LINEA_H_

#include <cstdint>
#include <optional>

#include "compiler/compilazione.h"
#include "compiler/lettore.h"
#include "compiler/record.h"
#include "model/errori.h"
#include "model/tabelle.h"

namespace valdoro {

// Marks the cells of a span with its kind and, for kinds above 10, puts a
// marker into every fourth empty cell.  `tipo` comes back as stored (lowered
// by 10, or 3 when the span lies close after the previous one).  Returns nothing,
// or the number of the rejection when the span would not fit the lists or
// the track (nothing is stored then).
std::optional<numero_errore> memo_montagna(compilazione& comp, int32_t& inizio, int32_t& fine, int32_t& tipo);

// Stores a board in the cell after the one that holds `posizione`.  Returns
// nothing, 21 when the cell is taken, or the number of the rejection when the cell
// lies outside the track.
std::optional<numero_errore> memo_indicatori_v_max(compilazione& comp, int32_t posizione, const int32_t& vas,
                                                   const int32_t& vbs, const int32_t& vcs, const int32_t& strisces,
                                                   const int32_t& vad, const int32_t& vbd, const int32_t& vcd,
                                                   const int32_t& strisced);

// The "montagna", "indicatori_vmax" and "cartello_indicatore" records;
// comp.voce_letta holds the keyword item.
esito registra_montagna(compilazione& comp, lettore& r);
esito registra_indicatori(compilazione& comp, lettore& r);
esito registra_cartello(compilazione& comp, lettore& r);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_OGGETTI_LINEA_H_

// The stores that put the train's line-side objects on the track: signals,
// temporary slowdowns with their warning cells, and restriction points.
// Each refuses a cell already taken and records why in comp.s.codice_errore.
#ifndef VALDORO_COMPILER_MEMO_H_
#define VALDORO_COMPILER_MEMO_H_

#include <cstdint>
#include <string>

#include "compiler/compilazione.h"
#include "model/tabelle.h"

namespace valdoro {

// "cell K at P m already holds a signal (kind 1)": what stands on a cell
// that an object was refused.
std::string cella_occupata(const compilazione& comp, int32_t k);

// The record that put the object of cell k there; an empty place when
// none is known.
luogo titolare_cella(const compilazione& comp, int32_t k);

// Notes that the record read at `dove` now holds cell k; an empty place
// notes nothing.
void nota_titolare(compilazione& comp, int32_t k, const luogo& dove);

// The values of a "segnale" record, in the order they are written.
struct dati_segnale {
  int32_t posizione = 0;
  int32_t sx = 0;
  int32_t s1 = 0;
  int32_t s2 = 0;
  int32_t s3 = 0;
  int32_t rapp = 0;
  int32_t dx = 0;
  int32_t d1 = 0;
  int32_t d2 = 0;
  int32_t d3 = 0;
  int32_t tempo = 0;
};

// The values of a "rallentamento" record, in the order they are written.
struct dati_rallentamento {
  int32_t x = 0;     // start, metres
  int32_t v = 0;     // speed, km/h
  int32_t l = 0;     // length, metres
  int32_t f_tt = 0;  // copied into the start and end cells
  int32_t f_ta = 0;  // not 0: four pre-warning cells before the warning board
  int32_t d_v = 0;   // a second speed, 0 for none
};

// A signal and its four announcement marks.  A time of 1 to 100 becomes
// 101, in `d` too.  Codes: 16 cell taken, 231 closer than 350 m to the
// line start (its marks would fall before cell 0), 15 beyond the last cell.
void memo_segnale(compilazione& comp, dati_segnale& d, const luogo& dove = {});

// A slowdown: start, end, and beyond 1500 m the warning board 1200 m ahead
// and the pre-warning cells.  Codes 17 to 20 for taken cells, 232 when a
// cell would fall outside the track (nothing stored then).
void memo_rallentamento(compilazione& comp, const dati_rallentamento& d, const luogo& dove = {});

// A restriction point at p metres: kind 12 with the value above 0, else
// kind 13.  Codes: 7 cell taken, 233 negative position, 15 beyond the last
// cell.  False when it recorded one of these.
bool memo_abbattimento(compilazione& comp, int32_t p, int32_t valore, const luogo& dove = {});

}  // namespace valdoro

#endif  // VALDORO_COMPILER_MEMO_H_

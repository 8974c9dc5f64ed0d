// The line half of the compiler: the line source's general section and
// geometry (route length, kilometre progressives, backgrounds, signal
// repetition, gradients and curves) and the fills that close the half.
#ifndef VALDORO_COMPILER_LINEA_H_
#define VALDORO_COMPILER_LINEA_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compilazione.h"
#include "compiler/lettore.h"
#include "compiler/record.h"
#include "model/tabelle.h"

namespace valdoro {

// The last two points of the plan drawn so far, metres i - 2 and i - 1 of
// the next metre i.  Every step starts from them, so they are kept at hand
// instead of being read back from the plan.
struct penna {
  double x2 = 0, y2 = 0;
  double x1 = 0, y1 = 0;
};

// Working state of one line half.
struct stato_linea {
  int32_t pendenza_precedente = 0;
  int32_t cella_pendenza = 0;  // next cell to receive a gradient
  int32_t metro_profilo = 2;   // next metre of the plan
  penna punti;
  int64_t ultima_pendenza = INT64_MIN;  // position of the gradient record before
};

// Applies the general keys, in their order, to comp.voce_letta, reading their
// values from r.
esito applica_chiavi_generali(compilazione& comp, lettore& r);

// Rows 81 to 83: largest start first, offsets adjusted by their flags.
void progressive_ordina(compilazione& comp);

// Points 0 and 1 of the plan, when the profile is asked for.
void semina_profilo(compilazione& comp, stato_linea& st);

// The "pendenza" and "curva" records; comp.voce_letta holds the keyword item.
esito registra_pendenza(compilazione& comp, lettore& r, stato_linea& st);
esito registra_curva(compilazione& comp, lettore& r, stato_linea& st);

// Gradient up to cell C - 3 and the plan up to metre N - 2, from where the
// records left them.
void riempimenti_finali(compilazione& comp, stato_linea& st);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_LINEA_H_

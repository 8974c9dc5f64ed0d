// The "stazione" record of the train source: one row of the station table
// and the station cell with its announcement marks on the track.
#ifndef VALDORO_COMPILER_STAZIONI_H_
#define VALDORO_COMPILER_STAZIONI_H_

#include <cstdint>

#include "compiler/compilazione.h"
#include "compiler/lettore.h"
#include "compiler/record.h"
#include "model/tabelle.h"

namespace valdoro {

// Reads the values after the keyword (already read) into row riga_corrente
// and marks the track; riga_corrente moves on to the next row.
esito registra_stazione(compilazione& comp, lettore& r, int32_t& riga_corrente);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_STAZIONI_H_

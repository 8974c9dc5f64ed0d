// The scenario's identity codes, computed from the train designation and the
// title as the station table stores them (rows 86 and 85), and the stamping
// of the reserved slots.
#ifndef VALDORO_OUTPUT_CODICI_GARA_H_
#define VALDORO_OUTPUT_CODICI_GARA_H_

#include <cstdint>
#include <string>

#include "compiler/diagnostica.h"
#include "model/tabelle.h"

namespace valdoro {

// The 25 characters that take part: train, title, lower case, then filler.
std::string stringa_identita(const tabella_stazioni_t& tabella);

// Plain sum of the 25 character codes.
int16_t codice_gara_og(const tabella_stazioni_t& tabella);

// Position-weighted sum of the 25 character codes.
int32_t codice_gara_st(const tabella_stazioni_t& tabella);

// Checks the reserved slots and stamps 610, 5121 and the two codes.  Throws
// errore_fatale "1250" or "1251" on a clash.  A track of fewer than two
// cells has no cell 1: the row-85 slots are still stamped, the cell is left
// alone and error 201 is recorded.
void timbra_codici(scenario& s, diagnostiche& d);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_CODICI_GARA_H_

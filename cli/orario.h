// `scenario timetable`: the timetable of a pair of sources beside the
// train's fastest run, one row per stop, as text or JSON.
#ifndef VALDORO_CLI_ORARIO_H_
#define VALDORO_CLI_ORARIO_H_

#include <string>
#include <vector>

#include "model/tabelle.h"
#include "output/marcia.h"

namespace valdoro {

// The first stop, then one row for each leg's arrival: km in the line's
// numbering, scheduled arrival and departure, the minimum running time, the
// earliest arrival and the margin, with what check would find of it
// (`incertezza` as for giudica).
std::string orario_testo(const scenario& s, const std::vector<tratta_marcia>& tratte, double incertezza);
std::string orario_json(const scenario& s, const std::vector<tratta_marcia>& tratte, double incertezza);

}  // namespace valdoro

#endif  // VALDORO_CLI_ORARIO_H_

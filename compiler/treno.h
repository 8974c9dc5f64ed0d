// The train half of the compiler: reads the train source into the station
// table, the general rows and the track cells built by the line half.
#ifndef VALDORO_COMPILER_TRENO_H_
#define VALDORO_COMPILER_TRENO_H_

#include <filesystem>

#include "model/tabelle.h"

namespace valdoro {

// Opens the train source, reads it into `s`, and deletes it at the end or
// at the first stop.  Consistency faults are recorded in s.codice_errore;
// reading faults (errore_lettura, std::range_error, errore_file for a
// missing source) propagate to the caller's trap.
void compila_treno(scenario& s, const std::filesystem::path& percorso_treno);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_TRENO_H_

// The train half of the compiler: reads the train source into the station
// table, the general rows and the track cells built by the line half.
#ifndef VALDORO_COMPILER_TRENO_H_
#define VALDORO_COMPILER_TRENO_H_

#include <string>

#include "compiler/compilazione.h"

namespace valdoro {

// Reads the train source `testo`, called `nome` in places, into the tables.
// Consistency faults are recorded; reading faults (errore_lettura,
// std::range_error) propagate to the caller's trap.
void compila_treno(compilazione& comp, const std::string& testo, const std::string& nome);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_TRENO_H_

// The source compiler: reads the line source and then the train source back
// from disk, fills the scenario tables, and deletes both sources.
#ifndef VALDORO_COMPILER_COMPILATORE_H_
#define VALDORO_COMPILER_COMPILATORE_H_

#include <filesystem>

#include "model/tabelle.h"

namespace valdoro {

// Compiles the two sources found in `cartella` into `s`.  A fault of a
// source stops the reading with its number in s.codice_errore (and its
// place in s.luogo_errore), and the tables keep what was stored before it.
// Only a file fault is thrown (errore_file: a source that exists but cannot
// be read or deleted, or a train source that is gone), after both sources
// have been removed.
// The line source is deleted unless it was missing; the train source is
// deleted unless the line half stopped before reaching it.
void memorizza_dati(scenario& s, const std::filesystem::path& cartella);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_COMPILATORE_H_

// memorizza_percorso: from the sources on disk to the three binary files.
#ifndef VALDORO_OUTPUT_PERCORSO_H_
#define VALDORO_OUTPUT_PERCORSO_H_

#include <cstdint>
#include <filesystem>

#include "model/tabelle.h"

namespace valdoro {

// Clears the station table, compiles the sources found in `cartella`,
// finishes the track, stamps the identity codes and writes the binary files
// into `cartella`.  A non-zero j asks for the line profile and its file.
// Recorded errors are left in s.codice_errore; errore_fatale and errore_file
// end the work before (or while) the files are written; a source missing or
// unreadable is an errore_file too, so no binary file is built from it.
void memorizza_percorso(scenario& s, int32_t j, const std::filesystem::path& cartella);

// Writes the line profile (when con_profilo asks for it), the station table
// and the track, in that order.
void scrivi_binari(const scenario& s, const std::filesystem::path& cartella);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_PERCORSO_H_

// From the two sources to the finished tables and the three binary files.
#ifndef VALDORO_OUTPUT_PERCORSO_H_
#define VALDORO_OUTPUT_PERCORSO_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "compiler/fonte.h"
#include "model/tabelle.h"

namespace valdoro {

// A pair of sources compiled, the track finished and the identity codes
// stamped: the tables, everything found on the way, and where records stood.
struct esito_compilazione {
  scenario s;
  diagnostiche d;
  luoghi_record luoghi;
  // The identity step ended the build (its clash is the last diagnostic):
  // the tables must not be written.
  bool fatale = false;
};

// Compiles the sources of `linea` and `treno` from `fonte`, finishes the
// track and stamps the identity codes; nothing is written.  Read exactly,
// the tables are the packager's byte for byte; read to recover, the list
// names every error the sources hold and the tables are not to be written.
esito_compilazione compila_scenario(fonte_sorgenti& fonte, const std::string& linea, const std::string& treno,
                                    bool con_profilo, lettura modo = lettura::esatta);

// Clears the station table, compiles the sources found in `cartella` (and
// deletes them), finishes the track, stamps the identity codes and writes
// the binary files into `cartella`.  A non-zero j asks for the line profile
// and its file.  Recorded errors are left in `d`; errore_fatale and
// errore_file end the work before (or while) the files are written; a
// source missing or unreadable is an errore_file too, so no binary file is
// built from it.
void memorizza_percorso(scenario& s, diagnostiche& d, int32_t j, const std::filesystem::path& cartella);

// Writes the line profile (when con_profilo asks for it), the station table
// and the track, in that order.
void scrivi_binari(const scenario& s, const std::filesystem::path& cartella);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_PERCORSO_H_

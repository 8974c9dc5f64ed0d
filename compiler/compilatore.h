// The source compiler: reads the line source and then the train source
// through a fonte_sorgenti, fills the scenario tables, and lets the source go
// when it is done with each.
#ifndef VALDORO_COMPILER_COMPILATORE_H_
#define VALDORO_COMPILER_COMPILATORE_H_

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "compiler/fonte.h"
#include "model/tabelle.h"

namespace valdoro {

// Compiles the two sources of s.nome_linea and s.nome_treno, read from
// `fonte`, into `s`; what is wrong goes into `d`, and where some records
// stood into `luoghi`.  Read exactly (lettura::esatta), a fault of a source
// stops the reading with its number as the last error of `d`, and the
// tables keep what was stored before it.  Read to recover, the reading goes
// on past every faulty record it can.
// Only a file fault is thrown (errore_file: a source that is there but
// cannot be read or let go, or a train source that is missing), after both
// sources have been let go.
// The line source is consumed unless it was missing; the train source is
// consumed unless the line half stopped before reaching it.
void memorizza_dati(scenario& s, diagnostiche& d, luoghi_record& luoghi, fonte_sorgenti& fonte,
                    lettura modo = lettura::esatta);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_COMPILATORE_H_

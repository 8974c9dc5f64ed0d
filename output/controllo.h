// The compile-and-check service: a pair of sources compiled and checked
// without a file written, what `scenario compile` and `scenario check`
// report, for any program that shows it (a page, an editor).
#ifndef VALDORO_OUTPUT_CONTROLLO_H_
#define VALDORO_OUTPUT_CONTROLLO_H_

#include <string>
#include <vector>

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "compiler/verifica.h"
#include "model/tabelle.h"
#include "output/marcia.h"

namespace valdoro {

struct sorgenti_controllate {
  scenario s;               // the tables as the packager compiles, finishes and stamps them
  luoghi_record luoghi;     // where the records behind some cells were read
  esito_verifica verifica;  // every record as the checker read it
  // The compile's errors and warnings with the checker's, each problem
  // once, by source (line, train, none) and place; an identity clash,
  // which ends the build, last.
  std::vector<diagnostica> diagnostiche;
  size_t errori = 0;  // counted, those past a rule's bound included
  size_t avvisi = 0;
  size_t note = 0;      // the timetable's thin margins: neither errors nor warnings
  bool fatale = false;  // the identity step ended the build: no file may be written
  // The legs timed for the comparison, when there was one: a page that
  // shows the run takes them rather than timing the train again.
  std::vector<tratta_marcia> tratte;
};

// Compiles the two texts from memory as the packager would, reads them
// again past every faulty record when the packager's reading stopped at
// one, and checks them.  Places name the
// sources by the compiler's names for `titolo` and `treno`
// (file_sorgente_linea, file_sorgente_treno).  Given `orario`, and when
// the compile found no error, every stop is also compared with the
// train's fastest run.
sorgenti_controllate controlla_sorgenti(const std::string& testo_linea, const std::string& testo_treno,
                                        const std::string& titolo, const std::string& treno, bool con_profilo,
                                        const opzioni_orario* orario = nullptr);

// Adds what was found outside the compile (a source that could not be
// converted to Windows-1252) to `r`'s list, each at its place among the
// others as the compile's own are ordered, and to its counts.  Places name
// the sources as controlla_sorgenti does for `titolo` and `treno`.
void aggiungi_in_ordine(sorgenti_controllate& r, const std::vector<diagnostica>& altre, const std::string& titolo,
                        const std::string& treno);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_CONTROLLO_H_

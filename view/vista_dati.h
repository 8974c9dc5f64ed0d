// What `scenario view` shows of one compile of a pair of sources: the
// built tables, the problems `scenario check` reports, and the records that
// made what the pictures draw, each placed in the author's files.  The page
// is built from this alone, so that the compile behind it can change
// without touching the server or the page.
#ifndef VALDORO_VIEW_VISTA_DATI_H_
#define VALDORO_VIEW_VISTA_DATI_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/tabelle.h"
#include "draw/draw.h"
#include "output/marcia.h"

namespace valdoro {

struct diagnostica_vista {
  std::string livello;  // "error", "warning" or "note"
  std::string regola;   // the id of its catalogue entry, as `scenario check` names it
  std::string file;     // the path the author gave; empty when unknown
  int riga = 0;         // 1-based; 0 when unknown
  int colonna = 0;
  std::string messaggio;
};

// A record of the sources, keyed as the pictures key what it made (their
// data-kind with data-row, data-cell or the metres data-from to data-to):
//   station   `riga_tabella`, its row in the station table;
//   signal, board, slowdown   `cella`, the cell it stands in;
//   tunnel, gradient, curve   the metres it covers, `da` up to `a`;
// and the other records of the sources by their metres where they have
// any (da < 0: none).  A record that made nothing drawn keeps
// riga_tabella 0 and cella -1.
struct record_vista {
  std::string tipo;    // the kind above; for the others, the keyword
  std::string parola;  // the keyword as the writers write it
  int32_t riga_tabella = 0;
  int32_t cella = -1;
  int64_t da = -1, a = -1;  // metres from the start of the track; a == da: a point
  std::string file;         // the path the author gave
  int riga = 0;
  // Each field read, by its name, with its value as the author writes it
  // and its unit ("position", "40400 m").
  std::vector<std::pair<std::string, std::string>> valori;
};

struct compilazione_vista {
  linea_costruita linea;
  std::vector<diagnostica_vista> diagnostiche;
  size_t errori = 0, avvisi = 0;  // counted, those past a rule's bound included
  size_t note = 0;
  std::vector<record_vista> record;
  std::string titolo, treno;  // the names the compile ran under
  // The facts file the papers were made with, as the author named it, and
  // its text (for the lines around its diagnostics); empty: the defaults.
  std::string fatti, testo_fatti;
  std::string fatti_cercati;  // with no facts file: where the view looked for one, if anywhere
  // The driver's papers as `scenario papers` writes them with those facts
  // (card, order, notes, one after the other), or why there are none.
  std::string carte;
  // The train's fastest run, leg by leg with its speeds, as `scenario
  // timetable` works it out with the facts file's figures; none while the
  // sources have errors, as timetable gives none then.
  std::vector<tratta_marcia> corsa;
  // The share of the minimum the figures may be wrong by, as `check`
  // allows it: the category's guessed figures', none for the author's.
  double incertezza = kIncertezzaFigure;
};

// The title and the train that the sources' names carry when they are
// named as `init` and the packager name them (TITLE_linea.txt,
// TITLE_TRAIN-.txt); nothing when they are named otherwise or the name
// could not name a file.
std::optional<std::string> titolo_da_file(const std::string& file_linea);
std::optional<std::string> treno_da_file(const std::string& file_treno, const std::string& titolo);

// The facts file the page is made with, as read: its path as the author
// named it, and its text.
struct fatti_in_vista {
  std::string file;
  std::string testo;
};

// The facts file `scenario view` looks for where none is named: the one
// `init` writes beside the sources, under the title and train the view
// compiles with (`titolo` and `treno` when given, else what the sources'
// names carry).
std::string fatti_accanto(const std::string& file_linea, const std::string& file_treno, const std::string& titolo,
                          const std::string& treno);

// Reads the facts file `file` (UTF-8 path), named with --facts (`nominato`)
// or looked for beside the sources.  None beside them is no fault: the
// papers are made with the defaults.  One named and missing, or one that
// cannot be read, is added to `guasti`, and the defaults stand in for it
// meanwhile.
std::optional<fatti_in_vista> leggi_fatti_vista(const std::string& file, bool nominato,
                                                std::vector<diagnostica_vista>& guasti);

// Compiles and checks the two texts in memory, as `scenario check` does,
// writing nothing.  Places are told with the paths `file_linea` and
// `file_treno`.
// `titolo` and `treno`, when given, name the scenario in place of what the
// sources' names carry.  The papers are made with `fatti` (none: the
// defaults), whose problems are told among the others, as `scenario
// papers` tells them.
compilazione_vista compila_per_vista(const std::string& testo_linea, const std::string& testo_treno,
                                     const std::string& file_linea, const std::string& file_treno,
                                     const std::string& titolo = {}, const std::string& treno = {},
                                     const fatti_in_vista* fatti = nullptr);

}  // namespace valdoro

#endif  // VALDORO_VIEW_VISTA_DATI_H_

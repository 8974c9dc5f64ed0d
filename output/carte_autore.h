// An author's papers: the data the general paper generator takes
// (sources/carte.h), read from the checker's records of the two sources,
// and the facts file that carries what the sources do not.
#ifndef VALDORO_OUTPUT_CARTE_AUTORE_H_
#define VALDORO_OUTPUT_CARTE_AUTORE_H_

#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostica.h"
#include "compiler/verifica.h"
#include "sources/carte.h"

namespace valdoro {

// The facts file's text: "key = value" lines, "#" comments and empty lines.
// Every key left out keeps its default; each problem is added to
// `problemi` at its place in `file`, and the line in fault is passed over.
fatti_carte leggi_fatti(std::string_view testo, const std::string& file, std::vector<diagnostica>& problemi);

// The facts file's reference, printed from the table leggi_fatti reads by:
// its reading rules, every key with its default and form, and the checks.
std::string documento_fatti();

// docs/source-format.md: the two sources' reference, then the facts file's.
std::string documento_formati();

// The facts file that leggi_fatti reads back as `f` (UTF-8).
std::string testo_fatti(const fatti_carte& f);

// The papers' data as the two sources give them: stops and times from the
// stations (the station's time is the departure, the arrival is that time
// less the stop), slowdowns between the stations that bound them, the
// booklet's stations, tunnel mouths, sign boards and speed boards at their
// kilometres in the line's own numbering.  A record the forms cannot hold
// (a name too long for its column) is a problem at its place.
dati_carte dati_da_sorgenti(const esito_verifica& v, std::vector<diagnostica>& problemi);

// The facts' card rows against the sources: each station they name must
// be one of the train source's, each passing point within the run.  A
// problem is added at the row's line of `file`.
void controlla_fermate_fatti(const dati_carte& d, const fatti_carte& f, const std::string& file,
                             std::vector<diagnostica>& problemi);

// The facts' card rows against the checked records `v` of sources without
// error, for the tools that show an author every problem (`check`,
// `view`), each at its line of `file`.  The papers' own problems (a record
// too wide for its column) are not the facts file's, and not told here.
void controlla_fatti_sulle_sorgenti(const fatti_carte& f, const std::string& file, const esito_verifica& v,
                                    std::vector<diagnostica>& problemi);

// A position as the line source's kilometre numbering counts it, in
// metres: the offset of the numbering in force there added.
int32_t metri_numerati(const esito_verifica& v, int64_t posizione);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_CARTE_AUTORE_H_

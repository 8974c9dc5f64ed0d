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

// The facts file that leggi_fatti reads back as `f` (UTF-8).
std::string testo_fatti(const fatti_carte& f);

// The papers' data as the two sources give them: stops and times from the
// stations (the station's time is the departure, the arrival is that time
// less the stop), slowdowns between the stations that bound them, the
// booklet's stations, tunnel mouths, sign boards and speed boards at their
// kilometres in the line's own numbering.  A record the forms cannot hold
// (a name too long for its column) is a problem at its place.
dati_carte dati_da_sorgenti(const esito_verifica& v, std::vector<diagnostica>& problemi);

// A position as the line source's kilometre numbering counts it, in
// metres: the offset of the numbering in force there added.
int32_t metri_numerati(const esito_verifica& v, int64_t posizione);

// A time of day as the card prints it, from seconds after midnight:
// "14.27", "15.26½" from the half minute on.
std::string orario_carta(int64_t secondi);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_CARTE_AUTORE_H_

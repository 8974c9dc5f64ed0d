// Our scenario's papers as data for the general paper generator
// (sources/carte.h): the stops, places and slowdowns from the scenario's
// tables, and the facts the papers carry beyond them.
#ifndef VALDORO_SOURCES_CARTE_VALDORO_H_
#define VALDORO_SOURCES_CARTE_VALDORO_H_

#include "sources/carte.h"

namespace valdoro {

// The stops and slowdowns by our sources' records, as an author's sources
// give theirs.
dati_carte dati_carte_valdoro();
// The facts init writes into our facts file: with them the card's rows
// that part from the records and the drawn booklet, so that our papers
// come from this one place whichever road makes them.
fatti_carte fatti_valdoro();

}  // namespace valdoro

#endif  // VALDORO_SOURCES_CARTE_VALDORO_H_

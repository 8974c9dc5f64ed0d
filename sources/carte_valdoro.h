// Our scenario's papers as data for the general paper generator
// (sources/carte.h): the stops, places and slowdowns from the scenario's
// tables, and the facts the papers carry beyond them.
#ifndef VALDORO_SOURCES_CARTE_VALDORO_H_
#define VALDORO_SOURCES_CARTE_VALDORO_H_

#include "sources/carte.h"

namespace valdoro {

dati_carte dati_carte_valdoro();
fatti_carte fatti_valdoro();

}  // namespace valdoro

#endif  // VALDORO_SOURCES_CARTE_VALDORO_H_

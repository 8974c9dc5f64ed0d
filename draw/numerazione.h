// The line's own kilometre numbering as the pictures mark it: where the
// count changes, and a mark at each whole step of it.  Rows 81 to 83 may
// restart the count or let it jump; a picture shows both counts there and
// never a mark the numbering does not reach.
#ifndef VALDORO_DRAW_NUMERAZIONE_H_
#define VALDORO_DRAW_NUMERAZIONE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {
namespace disegno {

// Numbered metres as kilometres, without trailing zeros: "180.35", "0".
std::string chilometri(int64_t metri);

// "218 km".
std::string lunghezza_km(int32_t metri);

// Where the count changes: the kilometre the old count reaches there and
// the one the new count starts from ("180.35" and "0" where it restarts).
struct cambio_numerazione {
  int32_t metro;
  int64_t prima, dopo;
};

// The changes within metres 1 to `fine`, in running order; a row whose
// start changes nothing is none.
std::vector<cambio_numerazione> cambi_numerazione(const tabella_stazioni_t& t, int32_t fine);

// A kilometre mark: a whole step of the numbering, at its position.
struct tacca {
  int32_t metro;
  int64_t numerati;
};

// The multiples of `passo` numbered metres along the route, each section of
// the numbering on its own; none where a change stands.
std::vector<tacca> tacche(const tabella_stazioni_t& t, int32_t fine, int64_t passo);

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_NUMERAZIONE_H_

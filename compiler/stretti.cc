#include "compiler/stretti.h"

#include <string>

#include "model/errori.h"

namespace valdoro {

namespace {

void avvisa_stretto(scenario& s, const luogo& dove, const char* cosa, int64_t scritto, int64_t memorizzato,
                    const char* bit) {
  annota_avviso(s, dove, std::string(cosa) + " is " + std::to_string(scritto) + ", which does not fit " + bit +
                             ": stored as " + std::to_string(memorizzato));
}

}  // namespace

int16_t basso16(scenario& s, const luogo& dove, const char* cosa, int64_t v) {
  const int16_t x = basso16(v);
  if (x != v) avvisa_stretto(s, dove, cosa, v, x, "16 bits (-32768 to 32767)");
  return x;
}

uint8_t basso8(scenario& s, const luogo& dove, const char* cosa, int64_t v) {
  const uint8_t x = basso8(v);
  if (x != v) avvisa_stretto(s, dove, cosa, v, x, "8 bits (0 to 255)");
  return x;
}

}  // namespace valdoro

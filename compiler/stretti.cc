#include "compiler/stretti.h"

#include <string>

#include "compiler/diagnostica.h"

namespace valdoro {

namespace {

void avvisa_stretto(compilazione& comp, const luogo& dove, const char* cosa, int64_t scritto, int64_t memorizzato,
                    const char* bit) {
  comp.d.segnala(kAvvisoValoreTagliato, dove,
                 std::string(cosa) + " is " + std::to_string(scritto) + ", which does not fit " + bit + ": stored as " +
                     std::to_string(memorizzato));
}

}  // namespace

int16_t basso16(compilazione& comp, const luogo& dove, const char* cosa, int64_t v) {
  const int16_t x = basso16(v);
  if (x != v) avvisa_stretto(comp, dove, cosa, v, x, "16 bits (-32768 to 32767)");
  return x;
}

uint8_t basso8(compilazione& comp, const luogo& dove, const char* cosa, int64_t v) {
  const uint8_t x = basso8(v);
  if (x != v) avvisa_stretto(comp, dove, cosa, v, x, "8 bits (0 to 255)");
  return x;
}

}  // namespace valdoro

// Narrow members keep the low bits of what is stored into them.  The forms
// that take a place also tell the author when that changed the value
// written; what is stored is the same either way.
#ifndef VALDORO_COMPILER_STRETTI_H_
#define VALDORO_COMPILER_STRETTI_H_

#include <cstdint>

#include "compiler/compilazione.h"
#include "model/tabelle.h"

namespace valdoro {

// Low 16 bits, without relying on signed overflow.
inline int16_t basso16(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xffff));
}
inline uint8_t basso8(int64_t v) { return static_cast<uint8_t>(static_cast<uint64_t>(v) & 0xff); }

// `cosa` names the value as the author wrote it ("adhesion", "s1 * 10 + d1").
int16_t basso16(compilazione& comp, const luogo& dove, const char* cosa, int64_t v);
uint8_t basso8(compilazione& comp, const luogo& dove, const char* cosa, int64_t v);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_STRETTI_H_

// libFuzzer harness: the station-table decoder, as dump and draw use it.
#include <cstdint>

#include "fuzz/decodifica_fuzz.h"
#include "output/binari.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  // Every table has 87 rows, 2958 bytes at the least, so no length is
  // short enough to dump cheaply: every fourth length is dumped.
  const size_t dump_fino_a = dimensione % 4 == 0 ? SIZE_MAX : 0;
  valdoro::prova_decodifica(valdoro::tipo_file::stazioni, dati, dimensione, dump_fino_a,
                            [](const valdoro::apri_fonte& apri) {
                              return valdoro::codifica_stazioni(valdoro::decodifica_stazioni(*apri()));
                            });
  return 0;
}

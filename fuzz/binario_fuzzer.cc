// libFuzzer harness: the track decoder, as dump and draw use it.
#include "fuzz/decodifica_fuzz.h"
#include "output/binari.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  valdoro::prova_decodifica(valdoro::tipo_file::binario, dati, dimensione, 600, [](const valdoro::apri_fonte& apri) {
    return valdoro::codifica_celle(valdoro::decodifica_celle(*apri()));
  });
  return 0;
}

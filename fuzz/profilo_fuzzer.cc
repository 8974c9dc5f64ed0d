// libFuzzer harness: the line-profile decoder, as dump and draw use it.
#include "fuzz/decodifica_fuzz.h"
#include "output/binari.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  valdoro::prova_decodifica(valdoro::tipo_file::profilo, dati, dimensione, 600, [](const valdoro::apri_fonte& apri) {
    return valdoro::codifica_profilo(valdoro::decodifica_profilo(apri));
  });
  return 0;
}

// libFuzzer harness: compiles an arbitrary pair of line and train sources
// from memory the way the packager does and the way the authors' tools do,
// reading past every faulty record, and checks them as the authors' tool
// does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/coppia.h"
#include "output/binari.h"

namespace {

// Larger inputs only slow the search; the sources we write are far smaller.
constexpr size_t kDimensioneMassima = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  if (dimensione > kDimensioneMassima) return -1;
  valdoro::coppia_sorgenti coppia =
      valdoro::dividi_coppia(std::string_view(reinterpret_cast<const char*>(dati), dimensione));
  valdoro::scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  valdoro::compila_coppia(s, coppia.linea, coppia.treno);
  // The checker reads the same pair after the compile, as `scenario check`
  // does: it must not fail, and must point only at lines the sources have.
  if (!valdoro::verifica_coppia(coppia.linea, coppia.treno)) std::abort();
  // The encoders walk the finished tables; any inconsistency left in them
  // shows up here rather than in the simulator.
  volatile size_t n = valdoro::codifica_stazioni(s.tabella_stazioni).size() + valdoro::codifica_celle(s.celle).size();
  (void)n;
  return 0;
}

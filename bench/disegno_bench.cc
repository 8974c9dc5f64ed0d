// scenario draw's two pictures from built lines of growing size, every cell
// holding an object and every name 64 KiB long, to show that the cost
// grows linearly with the track and the profile and not with a name's
// length.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "draw/draw.h"

namespace valdoro {
namespace {

// `celle` cells whose every neighbour differs, a profile of `metri` metres
// winding along, and 80 stations with names of 64 KiB.
linea_costruita grande(int32_t celle, int32_t metri) {
  linea_costruita l;
  l.celle.resize(celle);
  for (int32_t k = 0; k < celle; ++k) {
    cella& c = l.celle[k];
    c.montagna = static_cast<uint8_t>(k % 4);
    c.pendenza = static_cast<uint8_t>(100 + (k % 3) * 10);
    c.velocita = static_cast<uint8_t>(10 + k % 2);
    c.tipo = static_cast<uint8_t>(k % 3 == 0 ? 1 : k % 3 == 1 ? 6 : 3 - (k / 3) % 2);
    c.valore1 = 50;
  }
  l.stazioni[kRigaParametri].fine = (celle - 1) * 50;
  l.stazioni[kRigaLinea].nome = "Grande";
  for (int r = 1; r <= 80; ++r) {
    l.stazioni[r].tipo = 2;
    l.stazioni[r].progressiva = static_cast<int32_t>(int64_t{r} * std::min(metri, (celle - 1) * 50) / 81);
    l.stazioni[r].nome = std::string(65536, static_cast<char>('A' + r % 26));
  }
  l.pianta.crea(metri);
  for (int32_t m = 0; m <= metri; ++m) l.pianta.imposta_punto(m, m, 20000 * std::sin(m / 80000.0));
  return l;
}

void BM_Pianta(benchmark::State& state) {
  const auto metri = static_cast<int32_t>(state.range(0));
  const linea_costruita l = grande(metri / 50 + 1, metri);
  for (auto _ : state) benchmark::DoNotOptimize(svg_pianta(l));
  state.SetComplexityN(metri);
}
BENCHMARK(BM_Pianta)
    ->RangeMultiplier(2)
    ->Range(250000, 4000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_Altimetria(benchmark::State& state) {
  const auto celle = static_cast<int32_t>(state.range(0));
  const linea_costruita l = grande(celle, 1000);
  for (auto _ : state) benchmark::DoNotOptimize(svg_altimetria(l));
  state.SetComplexityN(celle);
}
BENCHMARK(BM_Altimetria)
    ->RangeMultiplier(2)
    ->Range(125000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace valdoro

BENCHMARK_MAIN();

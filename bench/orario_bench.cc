// The whole running-time calculation for our 218 km line: the limits and
// gradients read from the tables, every leg's fastest run and the timetable
// judged; and check with the comparison beside check without it.
#include <benchmark/benchmark.h>

#include <string>

#include "output/controllo.h"
#include "output/marcia.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {
namespace {

void BM_OrarioValdoro(benchmark::State& state) {
  const sorgenti_controllate r =
      controlla_sorgenti(testo_file(righe_linea()), testo_file(righe_treno()), "Valdoro", "Dir 5802", true);
  const figure_treno f = figure_per_categoria("Dir 5802");
  for (auto _ : state) {
    std::vector<tratta_marcia> t = calcola_orario(r.s, f);
    benchmark::DoNotOptimize(t.data());
  }
}
BENCHMARK(BM_OrarioValdoro)->Unit(benchmark::kMillisecond);

// range(0): 1 compares the timetable, as check does.
void BM_ControlloValdoro(benchmark::State& state) {
  const std::string linea = testo_file(righe_linea()), treno = testo_file(righe_treno());
  const opzioni_orario o{figure_per_categoria("Dir 5802"), false};
  for (auto _ : state) {
    sorgenti_controllate r =
        controlla_sorgenti(linea, treno, "Valdoro", "Dir 5802", true, state.range(0) ? &o : nullptr);
    benchmark::DoNotOptimize(r.diagnostiche.data());
  }
}
BENCHMARK(BM_ControlloValdoro)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace valdoro

BENCHMARK_MAIN();

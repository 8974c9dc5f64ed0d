// The driver's papers of our scenario beyond the compile: the checked
// sources are made once, then each run reads the papers' data out of the
// checker's records and lays out the three papers in memory (no file is
// written; the file layer has its own measures).  `view` remakes them on
// every save, so they must stay well under 5 ms a run.
#include <benchmark/benchmark.h>

#include <string>

#include "output/carte_autore.h"
#include "output/controllo.h"
#include "sources/carte.h"
#include "sources/carte_valdoro.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {
namespace {

const sorgenti_controllate& controllate() {
  static const sorgenti_controllate r =
      controlla_sorgenti(testo_file(righe_linea()), testo_file(righe_treno()), kNomeLinea, kNomeTreno, false);
  return r;
}

void BM_CarteDalleSorgenti(benchmark::State& state) {
  const fatti_carte f = fatti_valdoro();
  for (auto _ : state) {
    std::vector<diagnostica> p;
    const dati_carte d = dati_da_sorgenti(controllate().verifica, p);
    benchmark::DoNotOptimize(carta_orario(d, f));
    benchmark::DoNotOptimize(carta_rallentamenti(d, f));
    benchmark::DoNotOptimize(carta_note(f));
  }
}
BENCHMARK(BM_CarteDalleSorgenti)->Unit(benchmark::kMillisecond);

// The packager's own papers, from its data.
void BM_CarteNostre(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(righe_scheda());
    benchmark::DoNotOptimize(righe_rallentamenti());
    benchmark::DoNotOptimize(righe_note());
  }
}
BENCHMARK(BM_CarteNostre)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace valdoro

BENCHMARK_MAIN();

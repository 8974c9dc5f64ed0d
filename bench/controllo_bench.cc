// `scenario check` against `scenario compile` as it was before the checker,
// on our own scenario, in one run.  The compile: private copies of the two
// sources, the build that memorizza_percorso runs, the three binary files.
// The check: the same copies and build, then the checker over both texts,
// and nothing written.  The check is meant to stay under twice the compile;
// the last lines of the run print the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "compiler/compilatore.h"
#include "compiler/verifica.h"
#include "model/nomi_file.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"
#include "output/controllo.h"
#include "util/file.h"

namespace valdoro {
namespace {

const std::string& linea() {
  static const std::string t = testo_file(righe_linea());
  return t;
}
const std::string& treno() {
  static const std::string t = testo_file(righe_treno());
  return t;
}

void BM_CompilaSenzaVerifica(benchmark::State& state) {
  cartella_temporanea copie;
  for (auto _ : state) {
    scrivi_file(copie / file_sorgente_linea(kNomeLinea), linea(), durata::transitoria);
    scrivi_file(copie / file_sorgente_treno(kNomeLinea, kNomeTreno), treno(), durata::transitoria);
    scenario s;
    s.nome_linea = kNomeLinea;
    s.nome_treno = kNomeTreno;
    // Builds and writes the three files beside the copies.
    diagnostiche d;
    memorizza_percorso(s, d, 1, copie.percorso());
    if (d.codice_errore() != 0) state.SkipWithError("our scenario recorded an error");
  }
}
BENCHMARK(BM_CompilaSenzaVerifica)->Unit(benchmark::kMillisecond);

// The same from memory, without the binary files, whose flushes to the disk
// are most of the compile's wall time: what the checker adds to the build
// alone.
void BM_SoloCostruzione(benchmark::State& state) {
  for (auto _ : state) {
    fonte_memoria fonte(
        {{file_sorgente_linea(kNomeLinea), &linea()}, {file_sorgente_treno(kNomeLinea, kNomeTreno), &treno()}});
    const esito_compilazione e = compila_scenario(fonte, kNomeLinea, kNomeTreno, true);
    if (e.d.codice_errore() != 0) state.SkipWithError("our scenario recorded an error");
  }
}
BENCHMARK(BM_SoloCostruzione)->Unit(benchmark::kMillisecond);

void BM_Check(benchmark::State& state) {
  for (auto _ : state) {
    const sorgenti_controllate r = controlla_sorgenti(linea(), treno(), kNomeLinea, kNomeTreno, true);
    if (r.errori != 0) state.SkipWithError("our scenario has errors");
  }
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);

// The checker alone, for what it adds.
void BM_SoloVerifica(benchmark::State& state) {
  for (auto _ : state) {
    const esito_verifica e = verifica(linea(), "l", treno(), "t");
    benchmark::DoNotOptimize(e.records.size());
  }
}
BENCHMARK(BM_SoloVerifica)->Unit(benchmark::kMillisecond);

// Keeps the mean real time of each benchmark, to print the ratio at the end.
class rapporto : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
      const double t = r.real_accumulated_time / static_cast<double>(r.iterations);
      if (r.benchmark_name() == "BM_CompilaSenzaVerifica") compila = t;
      if (r.benchmark_name() == "BM_Check") check = t;
      if (r.benchmark_name() == "BM_SoloCostruzione") costruzione = t;
    }
  }
  double compila = 0, check = 0, costruzione = 0;
};

}  // namespace
}  // namespace valdoro

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  valdoro::rapporto r;
  benchmark::RunSpecifiedBenchmarks(&r);
  if (r.compila > 0 && r.check > 0) {
    std::printf("check / compile without the checker: %.2f (meant to stay under 2)\n", r.check / r.compila);
  }
  if (r.costruzione > 0 && r.check > 0) {
    std::printf("check / the build alone, nothing written: %.2f\n", r.check / r.costruzione);
  }
  return 0;
}

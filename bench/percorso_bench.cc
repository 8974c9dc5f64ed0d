// memorizza_percorso from sources on disk to the three binary files: the
// embedded scenario, and generated lines up to the longest route the
// compiler takes, to show the cost grows linearly with the line's length.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

scenario nominato() {
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  return s;
}

void BM_ScenarioIncorporato(benchmark::State& state) {
  cartella_temporanea dir;
  const std::vector<std::string> linea = righe_linea(), treno = righe_treno();
  for (auto _ : state) {
    state.PauseTiming();
    scrivi_righe(dir.percorso(), file_sorgente_linea("Valdoro"), linea);
    scrivi_righe(dir.percorso(), file_sorgente_treno("Valdoro", "Dir 5802"), treno);
    scenario s = nominato();
    state.ResumeTiming();
    diagnostiche d;
    memorizza_percorso(s, d, 1, dir.percorso());
    if (d.codice_errore() != 0) state.SkipWithError("the embedded scenario recorded an error");
  }
}
BENCHMARK(BM_ScenarioIncorporato)->Unit(benchmark::kMillisecond);

// A line of the given length with a curve and a gradient change every
// kilometre, and a train source with speed and adhesion records throughout.
// The text is written as bytes: a generated source may pass the 1000 lines
// that the scenario's own writers are held to.
std::string linea_generata(int32_t lunghezza) {
  std::string t = "[generale]\r\nlunghezza percorso,    " + std::to_string(lunghezza) + "\r\n[curve]\r\n";
  for (int32_t p = 1000; p + 600 < lunghezza; p += 1000) {
    t += std::string(p % 2000 ? "curvas3" : "curvad4") + ",  " + std::to_string(p) + ",  400\r\n";
  }
  t += "[pendenze]\r\n";
  for (int32_t p = 0; p < lunghezza; p += 1000) {
    t += "pendenza,  " + std::to_string(p) + ",   " + std::to_string((p / 1000) % 41 - 20) + "\r\n";
  }
  return t + "[fine]\r\n";
}

std::string treno_generato(int32_t lunghezza) {
  std::string t = "[generale]\r\nnumero vetture,    7\r\n";
  for (int32_t p = 0; p < lunghezza; p += 5000) {
    t += "velocita,  " + std::to_string(p) + ",   " + std::to_string(60 + (p / 5000) % 20 * 5) + "\r\n";
    t += "aderenza,  " + std::to_string(p) + ",    " + std::to_string(40 + (p / 5000) % 49) + "\r\n";
  }
  return t + "[fine]\r\n";
}

void BM_LineaGenerata(benchmark::State& state) {
  const int32_t lunghezza = static_cast<int32_t>(state.range(0));
  cartella_temporanea dir;
  const std::string linea = linea_generata(lunghezza), treno = treno_generato(lunghezza);
  for (auto _ : state) {
    state.PauseTiming();
    dir.scrivi(file_sorgente_linea("Valdoro"), linea);
    dir.scrivi(file_sorgente_treno("Valdoro", "Dir 5802"), treno);
    scenario s = nominato();
    state.ResumeTiming();
    diagnostiche d;
    memorizza_percorso(s, d, 1, dir.percorso());
    if (d.codice_errore() != 0) state.SkipWithError(("recorded error " + std::to_string(d.codice_errore())).c_str());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LineaGenerata)
    ->Arg(125000)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace valdoro

BENCHMARK_MAIN();

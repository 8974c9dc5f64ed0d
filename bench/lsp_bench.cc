// The language server on our scenario, as an editor drives it: both
// sources open, then one edit after another to the line source, each
// answered with the diagnostics of both.  Reports the median time from a
// change to its diagnostics over 200 edits (meant to stay under 30 ms),
// and the resident memory after 5000 edits against that after 50 (meant
// to stay within 10 %).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/server.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "util/cp1252.h"

namespace valdoro {
namespace {

using json = nlohmann::json;

constexpr char kLinea[] = "file:///bench/Valdoro_linea.txt";
constexpr char kTreno[] = "file:///bench/Valdoro_Dir%205802-.txt";

std::string apri(const char* uri, const std::string& testo) {
  return json({{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params",
                {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", 1}, {"text", testo}}}}}})
      .dump();
}

// The server with our two sources open.
lsp::server pronto() {
  lsp::server s;
  s.ricevi(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
  s.ricevi(R"({"jsonrpc":"2.0","method":"initialized","params":{}})");
  s.ricevi(apri(kLinea, da_cp1252(testo_file(righe_linea()))));
  s.ricevi(apri(kTreno, da_cp1252(testo_file(righe_treno()))));
  return s;
}

// Edit n of a run: a gradient's value typed anew, every third one a typo
// in a keyword, so the diagnostics come and go as when an author types.
std::string modifica(int n) {
  static const std::string linea = da_cp1252(testo_file(righe_linea()));
  std::string t = linea;
  const size_t p = t.find("\npendenza,  2000,");
  if (p != std::string::npos) t.replace(p + 1, 8, n % 3 == 0 ? "pendanza" : "pendenza");
  const size_t q = t.find("\n", t.find("\npendenza,  ", p + 1) + 1);
  t.insert(q, std::string(static_cast<size_t>(n % 7), ' '));
  return json({{"jsonrpc", "2.0"},
               {"method", "textDocument/didChange"},
               {"params",
                {{"textDocument", {{"uri", kLinea}, {"version", n + 2}}},
                 {"contentChanges", json::array({{{"text", t}}})}}}})
      .dump();
}

// Resident memory in KiB, from the kernel's own count.
long residente_kib() {
  std::ifstream statm("/proc/self/statm");
  long pagine = 0, residenti = 0;
  statm >> pagine >> residenti;
  return residenti * 4;
}

void BM_CambioDiagnostiche(benchmark::State& state) {
  lsp::server s = pronto();
  std::vector<double> ms;
  int n = 0;
  for (auto _ : state) {
    const std::string m = modifica(n++);
    const auto t0 = std::chrono::steady_clock::now();
    const std::vector<std::string> uscite = s.ricevi(m);
    const auto t1 = std::chrono::steady_clock::now();
    if (uscite.size() != 2) state.SkipWithError("a change must publish the diagnostics of both sources");
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["max_ms"] = ms.back();
}
BENCHMARK(BM_CambioDiagnostiche)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MemoriaDopoModifiche(benchmark::State& state) {
  for (auto _ : state) {
    lsp::server s = pronto();
    long dopo_50 = 0;
    for (int n = 0; n < 5000; ++n) {
      s.ricevi(modifica(n));
      if (n + 1 == 50) dopo_50 = residente_kib();
    }
    const long dopo_5000 = residente_kib();
    state.counters["rss_50_kib"] = static_cast<double>(dopo_50);
    state.counters["rss_5000_kib"] = static_cast<double>(dopo_5000);
    state.counters["growth_pct"] = 100.0 * static_cast<double>(dopo_5000 - dopo_50) / static_cast<double>(dopo_50);
  }
}
BENCHMARK(BM_MemoriaDopoModifiche)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace valdoro

BENCHMARK_MAIN();

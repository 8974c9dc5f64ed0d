// What the three decoder harnesses share: a file is decoded whole and again
// in pieces whose size follows from its length, and the two must agree;
// what decodes must encode back to the same bytes, and both dumps of it
// must come out, the JSON one as JSON that parses (for files up to
// dump_fino_a bytes).  Any disagreement aborts,
// which libFuzzer reports as a finding.
#ifndef VALDORO_FUZZ_DECODIFICA_FUZZ_H_
#define VALDORO_FUZZ_DECODIFICA_FUZZ_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>

#include "output/decodifica.h"
#include "cli/dump.h"

namespace valdoro {

// A refusal's text, or the bytes the decoded tables encode to.
template <typename F>
std::string ricodifica_o_rifiuto(F ricodifica, bool* decodificato) {
  try {
    std::string bytes = ricodifica();
    *decodificato = true;
    return bytes;
  } catch (const errore_decodifica& e) {
    *decodificato = false;
    return e.what();
  }
}

inline void guasto(const char* cosa) {
  std::fprintf(stderr, "decoder fuzzer: %s\n", cosa);
  std::abort();
}

// `ricodifica(apri)` decodes what apri opens and encodes it again.
template <typename F>
void prova_decodifica(tipo_file tipo, const uint8_t* d, size_t n, size_t dump_fino_a, F ricodifica) {
  const std::string_view dati(reinterpret_cast<const char*>(d), n);
  // Pieces of 1 to 61 bytes: every record boundary falls inside one, over
  // the inputs, and a name or a value is cut at every byte.
  const size_t pezzo = 1 + n % 61;
  bool intero_ok = false, pezzi_ok = false;
  const std::string intero = ricodifica_o_rifiuto([&] { return ricodifica(apri_in_memoria(dati)); }, &intero_ok);
  const std::string a_pezzi = ricodifica_o_rifiuto([&] { return ricodifica(apri_in_memoria(dati, pezzo)); }, &pezzi_ok);
  if (intero_ok != pezzi_ok || intero != a_pezzi) guasto("read whole and in pieces, the file decodes differently");
  if (!intero_ok) return;
  if (intero != dati) guasto("what decodes does not encode back to the same bytes");

  // The dumps cost a hundred times the decoding, and each record is
  // dumped alike: the long files are only decoded.
  if (n > dump_fino_a) return;
  const bool solo_non_vuoti = n % 2 == 1;
  try {
    std::ostringstream testo, json;
    dump_testo(tipo, apri_in_memoria(dati, pezzo), solo_non_vuoti, testo);
    dump_json(tipo, apri_in_memoria(dati, pezzo), solo_non_vuoti, json);
    if (!nlohmann::json::accept(json.str())) guasto("the JSON dump is not JSON");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "decoder fuzzer: %s\n", e.what());
    guasto("a file that decodes does not dump");
  }
}

}  // namespace valdoro

#endif  // VALDORO_FUZZ_DECODIFICA_FUZZ_H_

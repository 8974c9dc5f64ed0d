// Writes the seed corpora of the fuzzers into a directory.
//   genera_corpus OUT_DIR SEMI_DIR
// the compiler's: our own scenario's two sources as the packager writes
// them, and every hand-written pair of fuzz/semi with its line ends turned
// into CR LF;
//   genera_corpus --binari OUT_DIR TESTDATA_DIR
// the decoders', in OUT_DIR/stazioni, OUT_DIR/binario and OUT_DIR/profilo:
// the binary files of our scenario and of the hand-written one in
// testing/testdata, whole, cut and with a field spoilt.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "fuzz/coppia.h"
#include "output/binari.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "util/file.h"

namespace fs = std::filesystem;

namespace {

std::string con_crlf(std::string_view testo) {
  std::string uscita;
  for (char c : testo) {
    if (c == '\n') uscita += '\r';
    uscita += c;
  }
  return uscita;
}

void semi_compilatore(const fs::path& uscita, const fs::path& semi) {
  fs::create_directories(uscita);
  const std::string linea = valdoro::testo_file(valdoro::righe_linea());
  const std::string treno = valdoro::testo_file(valdoro::righe_treno());
  valdoro::scrivi_file(uscita / "valdoro", valdoro::unisci_coppia(linea, treno));
  for (const auto& voce : fs::directory_iterator(semi)) {
    const std::string testo = valdoro::leggi_file(voce.path());
    valdoro::coppia_sorgenti coppia = valdoro::dividi_coppia(testo);
    valdoro::scrivi_file(uscita / voce.path().stem(),
                         valdoro::unisci_coppia(con_crlf(coppia.linea), con_crlf(coppia.treno)));
  }
}

valdoro::scenario compila(const std::string& titolo, const std::string& treno, const std::string& testo_linea,
                          const std::string& testo_treno) {
  valdoro::scenario s;
  s.nome_linea = titolo;
  s.nome_treno = treno;
  valdoro::compila_coppia(s, testo_linea, testo_treno);
  return s;
}

// The first `metri` metres of a plan, as a profile of their own: real
// values in a file small enough to fuzz, both halves present.
valdoro::profilo inizio_di(const valdoro::profilo& p, int32_t metri) {
  valdoro::profilo q;
  q.crea(metri - 1);
  for (int32_t m = 0; m < metri; ++m) {
    for (int k = 0; k < 2; ++k) {
      const valdoro::valore_etichettato v = p.leggi(m, k);
      if (v.tipo == valdoro::tipo_valore::intero) q.imposta_intero(m, k, static_cast<int16_t>(v.valore));
      if (v.tipo == valdoro::tipo_valore::doppio) q.imposta_doppio(m, k, v.valore);
    }
  }
  return q;
}

void semi_binari(const fs::path& uscita, const fs::path& testdata) {
  const valdoro::scenario scenari[] = {
      compila("Valdoro", "Dir 5802", valdoro::testo_file(valdoro::righe_linea()),
              valdoro::testo_file(valdoro::righe_treno())),
      compila("Colle", "R 101", valdoro::leggi_file(testdata / "colle_linea.txt"),
              valdoro::leggi_file(testdata / "colle_treno.txt")),
  };
  const fs::path stazioni = uscita / "stazioni", binario = uscita / "binario", profilo = uscita / "profilo";
  for (const fs::path& d : {stazioni, binario, profilo}) fs::create_directories(d);
  auto scrivi = [](const fs::path& p, const std::string& dati) { valdoro::scrivi_file(p, dati); };
  scrivi(binario / "vuoto", "");
  scrivi(profilo / "vuoto", "");
  for (const valdoro::scenario& s : scenari) {
    const std::string nome = s.nome_linea;
    const std::string tabella = valdoro::codifica_stazioni(s.tabella_stazioni);
    scrivi(stazioni / nome, tabella);
    for (size_t taglio : {size_t{1}, size_t{35}, size_t{50}, tabella.size() - 1}) {
      scrivi(stazioni / (nome + "-cut-" + std::to_string(taglio)), tabella.substr(0, taglio));
    }
    scrivi(stazioni / (nome + "-more"), tabella + "ab");
    std::string nome_lungo = tabella;
    nome_lungo[14] = nome_lungo[15] = '\xFF';  // row 0 claims a 65535-byte name
    scrivi(stazioni / (nome + "-long-name"), nome_lungo);

    const std::string celle = valdoro::codifica_celle(s.celle);
    for (size_t n : {1, 20, 200}) scrivi(binario / (nome + "-" + std::to_string(n)), celle.substr(0, 15 * n));
    scrivi(binario / (nome + "-cut"), celle.substr(0, 15 * 20 + 7));

    for (int32_t metri : {1, 3, 40, 150}) {
      const std::string pianta = valdoro::codifica_profilo(inizio_di(s.profilo_linea, metri));
      const std::string base = profilo / (nome + "-" + std::to_string(metri));
      scrivi(base, pianta);
      scrivi(base + "-cut", pianta.substr(0, pianta.size() - 1));
      std::string etichetta = pianta;
      etichetta[0] = '\x07';  // an unknown tag on the first value
      scrivi(base + "-tag", etichetta);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool binari = argc == 4 && std::string(argv[1]) == "--binari";
  if (argc != 3 && !binari) {
    std::fprintf(stderr, "usage: genera_corpus OUT_DIR SEMI_DIR\n       genera_corpus --binari OUT_DIR TESTDATA_DIR\n");
    return 2;
  }
  try {
    if (binari) {
      semi_binari(argv[2], argv[3]);
    } else {
      semi_compilatore(argv[1], argv[2]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genera_corpus: %s\n", e.what());
    return 2;
  }
  return 0;
}

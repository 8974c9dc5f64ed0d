// Writes the seed corpus of the compiler fuzzer into a directory: our own
// scenario's two sources as the packager writes them, and every
// hand-written pair of fuzz/semi with its line ends turned into CR LF.
//   genera_corpus OUT_DIR SEMI_DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/coppia.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: genera_corpus OUT_DIR SEMI_DIR\n");
    return 2;
  }
  const fs::path uscita = argv[1];
  try {
    fs::create_directories(uscita);
    const std::string linea = valdoro::testo_file(valdoro::righe_linea());
    const std::string treno = valdoro::testo_file(valdoro::righe_treno());
    valdoro::scrivi_file(uscita / "valdoro", valdoro::unisci_coppia(linea, treno));
    for (const auto& voce : fs::directory_iterator(argv[2])) {
      const std::string testo = valdoro::leggi_file(voce.path());
      valdoro::coppia_sorgenti coppia = valdoro::dividi_coppia(testo);
      valdoro::scrivi_file(uscita / voce.path().stem(),
                           valdoro::unisci_coppia(con_crlf(coppia.linea), con_crlf(coppia.treno)));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genera_corpus: %s\n", e.what());
    return 2;
  }
  return 0;
}

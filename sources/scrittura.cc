#include "sources/scrittura.h"

#include <stdexcept>

#include "util/cp1252.h"
#include "util/file.h"

namespace valdoro {

namespace {

// Fills the list as the writers always have: the lines, then the sentinel.
std::vector<std::string> elenco_righe(const std::vector<std::string>& righe) {
  if (righe.size() + 1 > static_cast<size_t>(kVociElenco)) {
    throw std::length_error("a text file holds at most 1000 lines");
  }
  std::vector<std::string> elenco(kVociElenco);
  for (size_t i = 0; i < righe.size(); ++i) elenco[i] = righe[i];
  elenco[righe.size()] = kSentinella;
  return elenco;
}

}  // namespace

std::string testo_file(const std::vector<std::string>& righe) {
  std::string testo;
  for (const std::string& voce : elenco_righe(righe)) {
    if (voce == kSentinella) break;
    testo += in_cp1252(voce);
    testo += "\r\n";
  }
  return testo;
}

void scrivi_righe(const std::filesystem::path& cartella, const std::string& nome, const std::vector<std::string>& righe,
                  durata d) {
  scrivi_file(cartella / nome, testo_file(righe), d);
}

}  // namespace valdoro

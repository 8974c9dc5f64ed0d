// Test helper: the values of one keyword's records in a source, blanks
// trimmed, read from the text its writer puts on disk.
#ifndef VALDORO_TESTING_PROVA_RECORD_H_
#define VALDORO_TESTING_PROVA_RECORD_H_

#include <string>
#include <vector>

namespace valdoro {

inline std::vector<std::vector<std::string>> record(const std::vector<std::string>& sorgente,
                                                    const std::string& chiave) {
  std::vector<std::vector<std::string>> trovati;
  for (const std::string& riga : sorgente) {
    if (riga.rfind(chiave + ",", 0) != 0) continue;
    std::vector<std::string> valori;
    size_t inizio = chiave.size() + 1;
    for (size_t fine; inizio <= riga.size(); inizio = fine + 1) {
      fine = riga.find(',', inizio);
      if (fine == std::string::npos) fine = riga.size();
      std::string v = riga.substr(inizio, fine - inizio);
      v.erase(0, v.find_first_not_of(' '));
      v.erase(v.find_last_not_of(' ') + 1);
      valori.push_back(v);
    }
    trovati.push_back(valori);
  }
  return trovati;
}

}  // namespace valdoro

#endif  // VALDORO_TESTING_PROVA_RECORD_H_

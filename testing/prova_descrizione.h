// Texts of the track for the compiler's tests: exact, short, and readable
// in a failure message.
#ifndef VALDORO_TESTING_PROVA_DESCRIZIONE_H_
#define VALDORO_TESTING_PROVA_DESCRIZIONE_H_

#include <string>

#include "model/tabelle.h"

namespace valdoro {

// Every cell with an object or a mark: "cell:tipo,v1,v2,v3,v4,tempo,annuncio",
// blank-separated.
inline std::string oggetti(const scenario& s) {
  std::string out;
  for (size_t i = 0; i < s.celle.size(); ++i) {
    const cella& c = s.celle[i];
    if (c.tipo == 0 && c.annuncio == 0 && c.tempo == 0) continue;
    if (!out.empty()) out += ' ';
    out += std::to_string(i) + ":" + std::to_string(c.tipo) + "," + std::to_string(c.valore1) + "," +
           std::to_string(c.valore2) + "," + std::to_string(c.valore3) + "," + std::to_string(c.valore4) + "," +
           std::to_string(c.tempo) + "," + std::to_string(c.annuncio);
  }
  return out;
}

// One byte member along the track as runs: "0-21:6 22-96:22 97-99:0".
inline std::string serie(const scenario& s, uint8_t cella::*membro) {
  std::string out;
  size_t i = 0;
  while (i < s.celle.size()) {
    size_t j = i;
    while (j + 1 < s.celle.size() && s.celle[j + 1].*membro == s.celle[i].*membro) ++j;
    if (!out.empty()) out += ' ';
    out += std::to_string(i) + "-" + std::to_string(j) + ":" + std::to_string(s.celle[i].*membro);
    i = j + 1;
  }
  return out;
}

}  // namespace valdoro

#endif  // VALDORO_TESTING_PROVA_DESCRIZIONE_H_

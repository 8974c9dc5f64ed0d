// Test support: runs the train half over a small train source, on a track
// built by hand in place of the line half's.
#ifndef VALDORO_COMPILER_PROVA_TRENO_H_
#define VALDORO_COMPILER_PROVA_TRENO_H_

#include <filesystem>
#include <string>

#include "compiler/treno.h"
#include "model/errori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {

constexpr char kSorgenteTreno[] = "Valdoro_Dir 5802-.txt";

// `celle` cells whose speed and adhesion hold 9, as if the line half had
// left them so, and every row free for stations.
inline scenario binario_di_prova(size_t celle) {
  scenario s;
  s.celle.resize(celle);
  for (cella& c : s.celle) c.velocita = c.aderenza = 9;
  s.riga_cartelli = kPrimaRigaCartelli;
  return s;
}

struct treno_compilato {
  scenario s;
  bool rimasto = false;  // the train source is still on disk
  // "FILE:LINE:COL: error N: meaning", or "" when nothing was recorded.
  std::string errore() const { return s.codice_errore == 0 ? "" : descrivi_errore(s); }
};

inline treno_compilato compila_di_prova(const std::string& testo, scenario s) {
  cartella_temporanea dir;
  dir.scrivi(kSorgenteTreno, testo);
  treno_compilato c;
  compila_treno(s, dir / kSorgenteTreno);
  c.s = std::move(s);
  c.rimasto = std::filesystem::exists(dir / kSorgenteTreno);
  return c;
}

}  // namespace valdoro

#endif  // VALDORO_COMPILER_PROVA_TRENO_H_

// Test support: runs the train half over a small train source, on a track
// built by hand in place of the line half's.
#ifndef VALDORO_TESTING_PROVA_TRENO_H_
#define VALDORO_TESTING_PROVA_TRENO_H_

#include <string>

#include "compiler/diagnostica.h"
#include "compiler/treno.h"

namespace valdoro {

constexpr char kSorgenteTreno[] = "Valdoro_Dir 5802-.txt";

// `celle` cells whose speed and adhesion hold 9, as if the line half had
// left them so, and every row free for stations.
inline scenario binario_di_prova(size_t celle) {
  scenario s;
  s.celle.resize(celle);
  for (cella& c : s.celle) c.velocita = c.aderenza = 9;
  return s;
}

struct treno_compilato {
  scenario s;
  diagnostiche d;
  luoghi_record luoghi;
  // "FILE:LINE:COL: error N: meaning" of the last error, or "" when nothing
  // was recorded.
  std::string errore() const { return d.ultimo_errore() == nullptr ? "" : descrivi(*d.ultimo_errore()); }
};

// `riga_cartelli` is the highest row the sign-board texts left free, `d`
// what the line half recorded.
inline treno_compilato compila_di_prova(const std::string& testo, scenario s,
                                        int32_t riga_cartelli = kPrimaRigaCartelli, diagnostiche d = {}) {
  treno_compilato c;
  c.s = std::move(s);
  c.d = std::move(d);
  compilazione comp(c.s, c.d, c.luoghi);
  comp.riga_cartelli = riga_cartelli;
  compila_treno(comp, testo, kSorgenteTreno);
  return c;
}

}  // namespace valdoro

#endif  // VALDORO_TESTING_PROVA_TRENO_H_

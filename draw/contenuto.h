// What the built line's files hold, as both pictures read it: the stations
// with their names cut to fit, the track's objects and the cell each stands
// in, the mountain spans named from their boards, and the pictures' title.
#ifndef VALDORO_DRAW_CONTENUTO_H_
#define VALDORO_DRAW_CONTENUTO_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "output/decodifica.h"

namespace valdoro {
namespace disegno {

constexpr int kPrimaRigaStazioni = 1;

constexpr char kColoreCambio[] = "#ff8f00";
constexpr char kColoreStazione[] = "#1565c0";

struct stazione_disegnata {
  int riga;
  int32_t metro;
  std::string nome;  // UTF-8, cut to fit
};

// Rows 1 to 80 that carry a number: a sign-board text row carries only its name.
std::vector<stazione_disegnata> stazioni(const linea_costruita& l, double nome_massimo);

int32_t ultima_cella_percorso(const linea_costruita& l);

// An object stands in the cell after the one its position rounds to.
inline int32_t metro_oggetto(int32_t cella) { return std::max(0, cella - 1) * kMetriCella; }

constexpr uint8_t kSegnale = 1, kFineRallentamento = 2, kInizioRallentamento = 3, kCartelloVelocita = 6,
                  kCartelloIndicatore = 14;

struct tratto {
  int32_t da, a;  // metres
  int tipo;
  std::string nome;  // from the sign board that names it, if one does
};

// Runs of cells under the same mountain kind, within the route, with runs
// that `vicini` finds less than a pixel apart taken as one: a picture shows
// no more of them than it has pixels for.
template <typename F>
std::vector<tratto> montagne(const linea_costruita& l, F vicini) {
  std::vector<tratto> out;
  for (int32_t k = 0; k <= ultima_cella_percorso(l); ++k) {
    const int tipo = l.celle[k].montagna;
    if (tipo == 0) continue;
    const int32_t da = k * kMetriCella;
    // A run joins the span before it across a gap too small to see; one of
    // another kind only while that span is itself too small to see.
    const bool unisci = !out.empty() && (out.back().a == da || vicini(out.back().a, da)) &&
                        (out.back().tipo == tipo || vicini(out.back().da, out.back().a));
    if (unisci) {
      out.back().a = da + kMetriCella;
    } else {
      out.push_back({da, da + kMetriCella, tipo, ""});
    }
  }
  return out;
}

// A mountain span takes its name from a sign board at its mouth: the first
// one from 300 m before its start to its end.
void nomina_montagne(const linea_costruita& l, std::vector<tratto>& spans);

const char* colore_montagna(int tipo);

// The simulator's mountain kinds: a span of kind 1 is a tunnel, of kind 2 a
// summit; the compiler gives kind 3 to a span that starts 150 m or less
// after the one before it.
std::string nome_montagna(int tipo);

// Titles come from rows 85 and 86.
std::string nome_scenario(const linea_costruita& l);

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_CONTENUTO_H_

// The fastest run as the gradient picture draws it, on small built lines
// whose runs are worked out by hand.
#include "draw/corsa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "draw/draw.h"

namespace valdoro {
namespace disegno {
namespace {

// A flat line of 3000 m, a limit of 90 km/h (25 m/s) throughout, and two
// stations: the train leaves the first at 10:00 and stops at the second.
linea_costruita piana() {
  linea_costruita l;
  l.stazioni[kRigaParametri].fine = 3000;
  l.stazioni[kRigaParametri].inizio = 125;  // braked-weight percentage
  l.stazioni[kRigaTreno].nome = "Prova 1";
  l.stazioni[1].nome = "A";
  l.stazioni[1].tipo = 8;
  l.stazioni[1].orario = 36000;
  l.stazioni[2].nome = "B";
  l.stazioni[2].tipo = 2;
  l.stazioni[2].progressiva = 3000;
  l.stazioni[2].campo13 = 60;
  l.stazioni[2].orario = 36000 + 600;
  l.celle.resize(61);
  for (cella& c : l.celle) {
    c.velocita = 18;
    c.pendenza = 100;
  }
  return l;
}

// 400 t, no length, no resistance and 400 kN whatever the speed: 1 m/s²,
// so that v² = 2 x from the start; the brake of 125 % on the flat,
// b = 6.1 × 13.5 / (2 × 3.6² × 3.85) = 0.8252 m/s², so v² = 2 b (3000 - x)
// towards the stop.
figure_treno costante() {
  figure_treno f;
  f.massa_locomotiva = 400;
  f.lunghezza_locomotiva = 0;
  f.forza = 400;
  f.potenza = 1e9;
  f.davis_a = f.davis_b = f.davis_c = 0;
  f.masse_rotanti = 0;
  return f;
}

constexpr double kFrenata = 82.35 / 99.792;

// In km/h at metre x of the flat line: the least of the three.
double attesa(double x) { return 3.6 * std::min({std::sqrt(2 * x), 25.0, std::sqrt(2 * kFrenata * (3000 - x))}); }

TEST(Corsa, PointsFollowTheRunWorkedOutByHand) {
  const linea_costruita l = piana();
  const std::vector<tratta_marcia> t = calcola_orario(l.stazioni, l.celle, costante(), true);
  const std::vector<std::vector<punto_corsa>> gambe = punti_corsa(t, 50);
  ASSERT_EQ(gambe.size(), 1u);
  const std::vector<punto_corsa>& p = gambe[0];
  std::map<int32_t, double> al_metro;
  std::map<int32_t, int> per_colonna;
  for (const punto_corsa& q : p) {
    EXPECT_NEAR(q.kmh, attesa(q.metro), 1e-6) << q.metro;
    al_metro[q.metro] = q.kmh;
    per_colonna[q.metro / 50]++;
  }
  // Each column of 50 m begins with its first metre: 10 m/s at 50 m,
  // 20 m/s at 200 m, the limit from 312.5 m on.
  EXPECT_NEAR(al_metro.at(50), 36, 1e-9);
  EXPECT_NEAR(al_metro.at(200), 72, 1e-9);
  EXPECT_NEAR(al_metro.at(350), 90, 1e-9);
  EXPECT_EQ(p.front().metro, 0);
  EXPECT_EQ(p.front().kmh, 0);
  EXPECT_EQ(p.back().metro, 3000);
  EXPECT_EQ(p.back().kmh, 0);
  for (const auto& [colonna, quanti] : per_colonna) EXPECT_LE(quanti, 4) << colonna;
}

// Never above the limit the picture draws for the cell under the front,
// on the flat line and on one whose limit steps down to 60 km/h at
// 1500 m and up to 120 at 2000 m, for a train 200 m long.
TEST(Corsa, NeverAboveTheLimit) {
  linea_costruita gradini = piana();
  for (size_t k = 30; k < 40; ++k) gradini.celle[k].velocita = 12;
  for (size_t k = 40; k < gradini.celle.size(); ++k) gradini.celle[k].velocita = 24;
  figure_treno lungo = costante();
  lungo.lunghezza_locomotiva = 200;
  const std::pair<linea_costruita, figure_treno> casi[] = {{piana(), costante()}, {gradini, lungo}};
  for (const auto& [l, f] : casi) {
    const std::vector<tratta_marcia> t = calcola_orario(l.stazioni, l.celle, f, true);
    for (const std::vector<punto_corsa>& gamba : punti_corsa(t, 1)) {
      for (const punto_corsa& p : gamba)
        EXPECT_LE(p.kmh, l.celle[p.metro / kMetriCella].velocita * 5 + 1e-9) << p.metro;
    }
  }
  // The 60 holds until the train's last metre has left it, at 2200 m.
  const std::vector<tratta_marcia> t = calcola_orario(gradini.stazioni, gradini.celle, lungo, true);
  EXPECT_NEAR(t[0].c.velocita[2199] * 3.6, 60, 1e-9);
  EXPECT_GT(t[0].c.velocita[2210] * 3.6, 60);
}

TEST(Corsa, TheGradientPictureDrawsItWithALegend) {
  const linea_costruita l = piana();
  const std::string con = svg_altimetria(l, calcola_orario(l.stazioni, l.celle, costante(), true));
  const std::string senza = svg_altimetria(l);
  EXPECT_NE(con.find("<g data-kind=\"run\""), std::string::npos);
  EXPECT_NE(con.find(">fastest run, km/h</text>"), std::string::npos);
  EXPECT_NE(con.find("green: the train's fastest run"), std::string::npos);
  EXPECT_EQ(senza.find("data-kind=\"run\""), std::string::npos);
  EXPECT_EQ(senza.find("fastest run"), std::string::npos);
}

}  // namespace
}  // namespace disegno
}  // namespace valdoro

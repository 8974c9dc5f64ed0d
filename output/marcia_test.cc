// The fastest run against formulas worked out by hand, on small lines made
// for each case.
#include "output/marcia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace valdoro {
namespace {

// A line of `metri` metres: one limit and one gradient throughout, then
// changed from `da` on by the caller.
linea_marcia linea(int32_t metri, double limite, double pendenza = 0) {
  const size_t celle = static_cast<size_t>(metri / kMetriCella) + 1;
  return {std::vector<double>(celle, limite), std::vector<double>(celle, pendenza)};
}

void da_metro(std::vector<double>& v, int32_t da, double valore) {
  for (size_t k = static_cast<size_t>(da / kMetriCella); k < v.size(); ++k) v[k] = valore;
}

// A train with no resistance, traction `forza` kN and so much power that
// the force stays constant, of 400 t and no length beyond its locomotive.
treno_marcia treno(double forza, int32_t massa_frenata = 125) {
  treno_marcia t;
  t.figure.massa_locomotiva = 400;
  t.figure.lunghezza_locomotiva = 0;
  t.figure.forza = forza;
  t.figure.potenza = 1e9;
  t.figure.davis_a = t.figure.davis_b = t.figure.davis_c = 0;
  t.figure.masse_rotanti = 0;
  t.massa_frenata = massa_frenata;
  return t;
}

// The first metre from which the speed only falls to the stop.
size_t inizio_frenata(const corsa& c) {
  size_t i = c.velocita.size() - 1;
  while (i > 0 && c.velocita[i - 1] > c.velocita[i]) --i;
  return i;
}

// Time from the start to metre `metro` of the run, by the same rule the
// integration uses: exact for a constant acceleration.
double tempo_fino(const corsa& c, size_t metro) {
  double t = 0;
  for (size_t i = 0; i < metro; ++i) t += 2 / (c.velocita[i] + c.velocita[i + 1]);
  return t;
}

TEST(Marcia, MindenDecelerationForBrakedWeightAndGradient) {
  // b = (6.1 psi (1 + lambda/10) + i) / (2 × 3.6² × 3.85) = D / 99.792.
  struct caso {
    int32_t lambda;
    double psi, pendenza, attesa;
  } casi[] = {
      {125, 1, 0, 82.35 / 99.792},    // 0.8252 m/s²
      {100, 1, 0, 67.1 / 99.792},     // 0.6724
      {125, 1, 10, 92.35 / 99.792},   // a climb helps
      {125, 1, -10, 72.35 / 99.792},  // a descent does not
      {80, 0.5, 0, 27.45 / 99.792},   // a weaker brake kind
      {0, 1, -200, 0.05},             // never below the floor
  };
  for (const caso& c : casi) {
    EXPECT_NEAR(decelerazione(c.lambda, c.psi, c.pendenza), c.attesa, 1e-9) << c.lambda << " " << c.pendenza;
  }
}

TEST(Marcia, AnalyticRunsOnSmallLines) {
  const double b = 82.35 / 99.792;  // lambda 125 on the flat
  // Braking to a stop from 72 km/h = 20 m/s: v² / 2b = 400 / 1.6504 = 242.4 m.
  {
    const corsa c = corri(linea(10000, 72), treno(1e6), 0, 10000);
    EXPECT_NEAR(10000.0 - inizio_frenata(c), 400 / (2 * b), 1.0);
    // With a near-endless force: the braking time v/b, the rest at 20 m/s.
    EXPECT_NEAR(c.tempo_minimo, (10000 - 400 / (2 * b)) / 20 + 20 / b, 0.2);
    // At the limits alone: 10000 m at 20 m/s.
    EXPECT_NEAR(c.tempo_limiti, 500, 1e-6);
  }
  // From rest at a constant 200 kN on 400 t: a = 0.5 m/s²; at 400 m
  // v = sqrt(2 a x) = 20 m/s and t = sqrt(2 x / a) = 40 s.
  {
    const corsa c = corri(linea(10000, 200), treno(200), 0, 10000);
    EXPECT_NEAR(c.velocita[400], 20, 1e-6);
    EXPECT_NEAR(tempo_fino(c, 400), 40, 1e-6);
    EXPECT_NEAR(c.velocita[100], 10, 1e-6);
  }
  // A limit stepping down from 108 km/h (30 m/s) to 36 km/h (10 m/s) at
  // 5000 m: the brake starts (30² - 10²) / 2b = 484.7 m before it.
  {
    linea_marcia l = linea(10000, 108);
    da_metro(l.limite, 5000, 36);
    const corsa c = corri(l, treno(1e6), 0, 10000);
    EXPECT_NEAR(c.velocita[5000], 10, 1e-9);
    const double inizio = 5000 - 800 / (2 * b);
    EXPECT_NEAR(c.velocita[static_cast<size_t>(inizio) - 2], 30, 1e-9);
    EXPECT_LT(c.velocita[static_cast<size_t>(inizio) + 2], 30);
  }
  // A limit stepping up at 5000 m holds until the last vehicle has passed:
  // a train of 18 + 7 × 26.4 = 202.8 m speeds up from 5203 m on.
  {
    linea_marcia l = linea(10000, 36);
    da_metro(l.limite, 5000, 108);
    treno_marcia t = treno(1e6);
    t.figure.lunghezza_locomotiva = 18;
    t.figure.lunghezza_vettura = 26.4;
    t.vetture = 7;
    t.figure.massa_vettura = 0;
    EXPECT_NEAR(t.lunghezza(), 202.8, 1e-9);
    const corsa c = corri(l, t, 0, 10000);
    EXPECT_NEAR(c.velocita[5202], 10, 1e-9);
    EXPECT_GT(c.velocita[5204], 10.5);
    EXPECT_NEAR(c.velocita[5000], 10, 1e-9);
  }
}

TEST(Marcia, ClimbsAndDescents) {
  // A 25 per mille climb, 400 t, 1962 kW and no resistance: the balancing
  // speed is P / (m g i) = 1962000 / (400000 × 9.81 × 0.025) = 20 m/s,
  // below the 150 km/h limit.
  {
    treno_marcia t = treno(300);
    t.figure.potenza = 1962;
    const corsa c = corri(linea(20000, 150, 25), t, 0, 20000);
    EXPECT_NEAR(c.velocita[15000], 20, 0.01);
    EXPECT_TRUE(c.raggiungibile);
  }
  // The same climb with 90 kN, less than the 98.1 kN the gradient pulls
  // back: the train never leaves.
  {
    const corsa c = corri(linea(5000, 150, 25), treno(90), 0, 5000);
    EXPECT_FALSE(c.raggiungibile);
    EXPECT_TRUE(std::isinf(c.tempo_minimo));
    // The time at the limits alone is still the whole leg's: 5000 m at
    // 150 km/h = 41.667 m/s is 120 s.
    EXPECT_NEAR(c.tempo_limiti, 120, 1e-6);
  }
  // Coasting down 10 per mille with no traction: a = g × 0.01 = 0.0981
  // m/s², so v = sqrt(2 a x) = 14.01 m/s at 1000 m; the brake is weaker by
  // the same pull: b = (82.35 - 10) / 99.792 = 0.7250 m/s², so from the
  // 72 km/h limit it needs 400 / 1.4500 = 275.9 m.
  {
    treno_marcia t = treno(0);
    t.figure.potenza = 1;
    const corsa c = corri(linea(20000, 72, -10), t, 0, 20000);
    EXPECT_NEAR(c.velocita[1000], std::sqrt(2 * 0.0981 * 1000), 1e-6);
    EXPECT_NEAR(20000.0 - inizio_frenata(c), 400 / (2 * 72.35 / 99.792), 1.0);
  }
}

// The times do not depend on whether the speeds are kept: a run with a
// step down and up of the limit, a climb and a descent.
TEST(Marcia, TheSameTimesWithoutTheSpeeds) {
  linea_marcia l = linea(12000, 120, 0);
  da_metro(l.limite, 3000, 60);
  da_metro(l.limite, 5000, 140);
  da_metro(l.pendenza, 7000, 12);
  da_metro(l.pendenza, 9000, -8);
  treno_marcia t = treno(250);
  t.figure.potenza = 3000;
  t.figure.lunghezza_locomotiva = 120;
  const corsa con = corri(l, t, 0, 12000), senza = corri(l, t, 0, 12000, false);
  EXPECT_EQ(con.velocita.size(), 12001u);
  EXPECT_TRUE(senza.velocita.empty());
  EXPECT_EQ(con.tempo_minimo, senza.tempo_minimo);
  EXPECT_EQ(con.tempo_limiti, senza.tempo_limiti);
  // The time is the one the speeds give, step by step.
  EXPECT_NEAR(con.tempo_minimo, tempo_fino(con, 12000), 1e-6);
}

// The cell of a position on a line of `celle` cells, as the tables clamp it.
size_t cella_sulla_linea(double metro, size_t celle) {
  if (metro < 0) return 0;
  return std::min(celle - 1, static_cast<size_t>(metro / kMetriCella));
}

// The run as docs/timetable.md tells it, one metre at a time and nothing
// taken whole: the limit under the whole train, the braking curve from
// the stop back, then the steps forward at the effort and resistance of
// the speed before.  Written here from the formulas, not from the run's
// own code.
double tempo_metro_per_metro(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a) {
  const size_t metri = static_cast<size_t>(a - da) + 1, celle = l.limite.size();
  std::vector<double> w2(metri, 0);
  for (size_t i = metri - 1; i-- > 0;) {
    const double fronte = da + static_cast<double>(i);
    double kmh = INFINITY;
    for (size_t k = cella_sulla_linea(fronte - t.lunghezza(), celle); k <= cella_sulla_linea(fronte, celle); ++k) {
      kmh = std::min(kmh, l.limite[k]);
    }
    const double b = decelerazione(t.massa_frenata, t.figure.psi, l.pendenza[cella_sulla_linea(fronte, celle)]);
    w2[i] = std::min((kmh / 3.6) * (kmh / 3.6), w2[i + 1] + 2 * b);
  }
  const figure_treno& f = t.figure;
  const double kg = t.massa() * 1000;
  double v2 = 0, v = 0, v_prima = 0, tempo = 0;
  for (size_t i = 0; i + 1 < metri; ++i) {
    const double trazione = v_prima > 0 ? std::min(f.forza * 1000, f.potenza * 1000 / v_prima) : f.forza * 1000;
    const double resistenza = t.massa() * (f.davis_a + f.davis_b * v_prima + f.davis_c * v_prima * v_prima);
    const double gravita = kg * 9.81 * l.pendenza[cella_sulla_linea(da + static_cast<double>(i), celle)] / 1000;
    const double acc = (trazione - resistenza - gravita) / (kg * (1 + f.masse_rotanti));
    const double prossima2 = std::min(w2[i + 1], std::max(0.0, v2 + 2 * acc));
    const double prossima = std::sqrt(prossima2);
    tempo += 2 / (v + prossima);
    v_prima = v;
    v = prossima;
    v2 = prossima2;
  }
  return tempo;
}

// What the run takes whole (stretches at constant speed, down the braking
// curve, speeding up through a cell) gives the sum of the single metres:
// a Dir train with its resistance and power curve, limits that step down
// and up, a climb it slows on and a descent, legs that start and end
// inside a cell.
TEST(Marcia, TheSameTimesAsMetreByMetre) {
  linea_marcia l = linea(24000, 140, 0);
  da_metro(l.limite, 6000, 80);
  da_metro(l.limite, 7050, 160);
  da_metro(l.limite, 20000, 100);
  da_metro(l.pendenza, 3000, 20);
  da_metro(l.pendenza, 11000, 0);
  da_metro(l.pendenza, 14000, -12);
  treno_marcia t{figure_per_categoria("Dir 5802"), 7, 125};
  struct caso {
    int32_t da, a;
  } casi[] = {{0, 24000}, {1234, 19876}, {5980, 7110}, {13999, 23950}};
  for (const caso& c : casi) {
    const double atteso = tempo_metro_per_metro(l, t, c.da, c.a);
    EXPECT_NEAR(corri(l, t, c.da, c.a, false).tempo_minimo, atteso, 1e-9) << c.da << " " << c.a;
    const corsa con = corri(l, t, c.da, c.a);
    EXPECT_NEAR(con.tempo_minimo, atteso, 1e-9) << c.da << " " << c.a;
    EXPECT_NEAR(tempo_fino(con, static_cast<size_t>(c.a - c.da)), atteso, 1e-9) << c.da << " " << c.a;
  }
}

// A compiled scenario of 10 km made by hand: train limit 100 km/h, one
// board, one slowdown.
scenario piccolo() {
  scenario s;
  s.celle.resize(341);
  for (cella& c : s.celle) {
    c.velocita = 20;
    c.pendenza = 100;
  }
  // A board at 2000 m (cell 41): A 60, B 80, C 120, no right board.
  s.celle[41].tipo = 6;
  s.celle[41].valore1 = 1200;
  s.celle[41].valore2 = 1600;
  s.celle[41].valore3 = 2400;
  // A slowdown at 60 km/h from 6000 m over 500 m: start cell 121, end 131.
  s.celle[121].tipo = 3;
  s.celle[121].valore1 = 60;
  s.celle[131].tipo = 2;
  s.celle[131].valore1 = 60;
  return s;
}

TEST(Marcia, LimitsFromTheTablesByRank) {
  const scenario s = piccolo();
  struct caso {
    char rango;
    size_t cella;
    double attesa;
  } casi[] = {
      {'B', 39, 100}, {'B', 40, 80},   {'A', 40, 60},  {'C', 40, 100},  // board from its position
      {'B', 119, 80}, {'B', 120, 60},  {'B', 129, 60}, {'B', 130, 80},  // slowdown over 6000 to 6500
      {'C', 125, 60}, {'C', 130, 100},
  };
  for (const caso& c : casi) {
    const linea_marcia l = linea_da_scenario(s, c.rango);
    EXPECT_EQ(l.limite[c.cella], c.attesa) << c.rango << " cell " << c.cella;
    EXPECT_EQ(l.pendenza[c.cella], 0);
  }
}

TEST(Marcia, StopsAndLegsFromTheStationTable) {
  scenario s = piccolo();
  s.riga_parametri().inizio = 125;
  s.riga_parametri().progressiva = 2;
  auto stazione = [&](int riga, const char* nome, int32_t pos, uint8_t sosta, int32_t orario) {
    riga_stazione& r = s.tabella_stazioni[riga];
    r.nome = nome;
    r.progressiva = pos;
    r.campo13 = sosta;
    r.orario = orario;
  };
  stazione(1, "Alfa", 0, 1, 36000);             // leaves 10:00:00
  stazione(2, "Beta", 3000, 0, 0);              // passed
  stazione(3, "Gamma", 9000, 60, 36000 + 600);  // arrives 10:09:00, leaves 10:10:00
  const std::vector<fermata_marcia> f = fermate(s);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[1].nome, "Gamma");
  EXPECT_EQ(f[1].arrivo, 36540);
  EXPECT_EQ(f[1].partenza, 36600);
  const std::vector<tratta_marcia> t = calcola_orario(s, figure_treno{});
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].prevista, 540);
  // At the limits alone: 2000 m at 100, 4000 at 80, 500 at 60, 2500 at 80
  // km/h = 72 + 180 + 30 + 112.5 = 394.5 s; the train's length (18 + 2 ×
  // 26.4 = 70.8 m) holds the 60 another 70.8 m: + 70.8 × (1/16.667 -
  // 1/22.222) = + 1.06 s.
  EXPECT_NEAR(t[0].c.tempo_limiti, 395.56, 0.05);
  EXPECT_GT(t[0].c.tempo_minimo, t[0].c.tempo_limiti);
  EXPECT_NEAR(t[0].arrivo_minimo, 36000 + t[0].c.tempo_minimo, 1e-9);
}

TEST(Marcia, Judgement) {
  tratta_marcia t;
  t.c.tempo_limiti = 500;
  t.c.tempo_minimo = 600;
  struct caso {
    int32_t prevista;
    giudizio atteso;
  } casi[] = {
      {497, giudizio::impossibile},     {498, giudizio::stretto},         {597, giudizio::stretto},
      {598, giudizio::margine_sottile}, {619, giudizio::margine_sottile}, {620, giudizio::buono},
  };
  for (const caso& c : casi) {
    t.prevista = c.prevista;
    EXPECT_EQ(giudica(t), c.atteso) << c.prevista;
  }
}

TEST(Marcia, DurationsAndClockTimes) {
  EXPECT_EQ(testo_durata(595), "9 min 55 s");
  EXPECT_EQ(testo_durata(45), "45 s");
  EXPECT_EQ(testo_durata(3720.4), "1 h 2 min 0 s");
  EXPECT_EQ(testo_durata(-65), "-1 min 5 s");
  EXPECT_EQ(testo_ora(14 * 3600 + 38 * 60 + 55), "14:38:55");
}

TEST(Marcia, FiguresFromTheCategoryAndTheOption) {
  EXPECT_EQ(figure_per_categoria("Dir 5802").rango, 'B');
  EXPECT_EQ(figure_per_categoria("R 1234").rango, 'A');
  EXPECT_EQ(figure_per_categoria("IC 500").potenza, 5000);
  figure_treno f;
  EXPECT_FALSE(imposta_figure(f, "power=3000,coach-mass=45,rank=C"));
  EXPECT_EQ(f.potenza, 3000);
  EXPECT_EQ(f.massa_vettura, 45);
  EXPECT_EQ(f.rango, 'C');
  EXPECT_EQ(imposta_figure(f, "speed=3"), "no train figure is called \"speed\"");
  EXPECT_EQ(imposta_figure(f, "power"), "\"power\" is not name=value");
  const struct {
    const char* testo;
    const char* sbaglio;
  } casi[] = {
      {"power=x", "power: \"x\" must be a number above 0"},
      {"power=0", "power: \"0\" must be a number above 0"},
      {"effort=-1", "effort: \"-1\" must be a number above 0"},
      {"psi=0", "psi: \"0\" must be a number above 0"},
      {"coach-mass=-0.5", "coach-mass: \"-0.5\" must be a number of 0 or more"},
      {"davis-c=inf", "davis-c: \"inf\" must be a number of 0 or more"},
      {"rotating=", "rotating: \"\" must be a number of 0 or more"},
      {"rank=D", "rank: \"D\" must be A, B or C"},
  };
  for (const auto& c : casi) EXPECT_EQ(imposta_figure(f, c.testo), c.sbaglio) << c.testo;
  EXPECT_FALSE(imposta_figure(f, "coach-mass=0,davis-a=0"));
  EXPECT_EQ(f.massa_vettura, 0);
}

// The one rule every tool times the train by: the category's figures, the
// facts file's in their place, the command line's in theirs, figure by
// figure; either given, the figures are the author's, with no uncertainty.
TEST(Marcia, TheFactsFilesFiguresAndThenTheCommandLines) {
  const struct {
    const char* nome;
    figure_scritte fatti;
    const char* opzione;
    double potenza, psi;
    char rango;
    bool date;
  } casi[] = {
      {"the category's", {}, "", 4000, 1, 'B', false},
      {"a regional train's", {}, "", 2000, 1, 'A', false},
      {"the facts file's", {{"power", "4300"}, {"psi", "0.8"}, {"rank", "C"}}, "", 4300, 0.8, 'C', true},
      {"the command line's over the facts'", {{"power", "4300"}, {"psi", "0.8"}}, "power=5000", 5000, 0.8, 'B', true},
      {"the command line's alone", {}, "psi=1.2", 4000, 1.2, 'B', true},
  };
  for (const auto& c : casi) {
    const opzioni_orario o = orario_per(c.rango == 'A' ? "R 12" : "Dir 5802", c.fatti, c.opzione);
    EXPECT_EQ(o.figure.potenza, c.potenza) << c.nome;
    EXPECT_EQ(o.figure.psi, c.psi) << c.nome;
    EXPECT_EQ(o.figure.rango, c.rango) << c.nome;
    EXPECT_EQ(o.figure_date, c.date) << c.nome;
  }
  EXPECT_THROW(orario_per("Dir 5802", {}, "power=-3"), std::invalid_argument);
}

}  // namespace
}  // namespace valdoro

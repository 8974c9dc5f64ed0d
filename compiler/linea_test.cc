#include "compiler/linea.h"

#include <gtest/gtest.h>

#include <cmath>

#include "testing/prova_linea.h"

namespace valdoro {
namespace {

std::string pendenze(const scenario& s, int da, int a) {
  std::string uscita;
  for (int k = da; k <= a; ++k) uscita += std::to_string(s.celle[static_cast<size_t>(k)].pendenza) + " ";
  return uscita;
}

TEST(LineaGenerale, RouteLengthSizesTrackAndProfile) {
  compilato c = compila(sorgente_linea(""), 1);
  EXPECT_EQ(c.errore(), "");
  EXPECT_EQ(c.s.tabella_stazioni[kRigaParametri].fine, 218000);
  EXPECT_EQ(c.s.celle.size(), 4501u);
  EXPECT_EQ(c.s.profilo_linea.ultimo_metro(), 225000);
  EXPECT_EQ(c.s.tabella_stazioni[kRigaLinea].nome, "Valdoro");
  EXPECT_EQ(c.s.tabella_stazioni[kRigaTreno].nome, "Dir 5802");

  compilato senza = compila(sorgente_linea(""), 0);
  EXPECT_FALSE(senza.s.profilo_linea.esiste());
  // 7025 m of track: C = nearest(140.5) = 140.
  EXPECT_EQ(compila(sorgente_linea("", "25")).s.celle.size(), 141u);
}

TEST(LineaGenerale, ScenarioGeneralSection) {
  compilato c = compila(
      "[generale]\r\n"
      "lunghezza percorso,    218000\r\n"
      "progressiva chilometrica uno,    180350,    -180350,    0\r\n"
      "progressiva chilometrica due,    194700,    -16400,    0\r\n"
      "progressiva chilometrica tre,    0,    0,    0\r\n"
      "sfondo uno,    1\r\n"
      "sfondo due,    2\r\n"
      "sfondo tre,    3\r\n"
      "ripetizione segnali 4 codici,    2100,    211050\r\n"
      "[curve]\r\n[fine]\r\n");
  EXPECT_EQ(c.errore(), "");
  const auto& t = c.s.tabella_stazioni;
  EXPECT_EQ((std::vector<int32_t>{t[81].inizio, t[81].fine, t[81].progressiva, t[82].inizio, t[82].fine,
                                  t[82].progressiva, t[83].inizio, t[83].fine, t[83].progressiva}),
            (std::vector<int32_t>{194700, -16400, 0, 180350, -180350, 0, 0, 0, 0}));
  EXPECT_EQ((std::vector<int32_t>{t[85].inizio, t[85].progressiva, t[85].fine}), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ((std::vector<int32_t>{t[86].inizio, t[86].fine, t[86].progressiva}),
            (std::vector<int32_t>{2100, 211050, 4}));
}

TEST(LineaGenerale, KeysAndTheirCase) {
  struct {
    const char* righe;
    int riga, inizio, fine, progressiva;
  } casi[] = {
      // the route length ignores case, the other keys do not
      {"LUNGHEZZA Percorso, 1000\r\nSfondo uno, 5\r\n", 85, 0, 0, 0},
      {"ripetizione segnali 9 codici, 2100, 4000\r\n", 86, 2100, 4000, 9},
      {"ripetizione segnali 9 codici, 2100, 0\r\n", 86, 2100, 0, 0},
      // a key met twice overwrites
      {"sfondo uno, 5\r\nsfondo uno, 6\r\n", 85, 6, 0, 0},
      // an item with "-" gives way to the next one
      {"nota-bene\r\nsfondo due, 7\r\n", 85, 0, 0, 7},
  };
  for (const auto& k : casi) {
    compilato c =
        compila("[generale]\r\nlunghezza percorso, 1000\r\n" + std::string(k.righe) + "[curve]\r\n[fine]\r\n");
    const riga_stazione& t = c.s.tabella_stazioni[static_cast<size_t>(k.riga)];
    EXPECT_EQ(c.errore(), "") << k.righe;
    EXPECT_EQ((std::vector<int32_t>{t.inizio, t.fine, t.progressiva}),
              (std::vector<int32_t>{k.inizio, k.fine, k.progressiva}))
        << k.righe;
  }
}

// Rows 81 to 83 as "start,offset,flag" triples.
std::string ordina(std::vector<int32_t> tdu) {
  scenario s;
  for (int i = 0; i < 3; ++i) {
    riga_stazione& r = s.tabella_stazioni[static_cast<size_t>(81 + i)];
    r.inizio = tdu[static_cast<size_t>(3 * i)];
    r.fine = tdu[static_cast<size_t>(3 * i + 1)];
    r.progressiva = tdu[static_cast<size_t>(3 * i + 2)];
  }
  diagnostiche d;
  luoghi_record luoghi;
  compilazione comp(s, d, luoghi);
  progressive_ordina(comp);
  std::string uscita;
  for (int riga = 81; riga <= 83; ++riga) {
    const riga_stazione& r = s.tabella_stazioni[static_cast<size_t>(riga)];
    uscita += std::to_string(r.inizio) + "," + std::to_string(r.fine) + "," + std::to_string(r.progressiva) + " ";
  }
  return uscita;
}

TEST(ProgressiveOrdina, LargestStartFirstWithTiesAndFlags) {
  struct {
    std::vector<int32_t> tdu;  // T, D, U as read into rows 81, 82, 83
    const char* atteso;
  } casi[] = {
      // the scenario's own progressives
      {{0, 0, 0, 194700, -16400, 0, 180350, -180350, 0}, "194700,-16400,0 180350,-180350,0 0,0,0 "},
      {{300, 1, 0, 100, 2, 0, 200, 3, 0}, "300,1,0 200,3,0 100,2,0 "},
      {{100, 1, 0, 50, 2, 0, 300, 3, 0}, "300,3,0 100,1,0 50,2,0 "},
      // ties between the two lower starts
      {{300, 1, 0, 100, 2, 0, 100, 3, 0}, "300,1,0 100,3,0 100,2,0 "},
      {{100, 1, 0, 300, 2, 0, 100, 3, 0}, "300,2,0 100,3,0 100,1,0 "},
      {{100, 1, 0, 100, 2, 0, 300, 3, 0}, "300,3,0 100,2,0 100,1,0 "},
      // two equal largest starts: T before D before U
      {{300, 1, 0, 300, 2, 0, 100, 3, 0}, "300,1,0 300,2,0 100,3,0 "},
      {{300, 1, 0, 100, 2, 0, 300, 3, 0}, "300,1,0 300,3,0 100,2,0 "},
      {{100, 1, 0, 300, 2, 0, 300, 3, 0}, "300,2,0 300,3,0 100,1,0 "},
      {{300, 1, 0, 300, 2, 0, 300, 3, 0}, "300,1,0 300,3,0 300,2,0 "},
      // starts adding up to 0: the last positive offset decides
      {{0, 0, 0, 0, 50, 0, 0, -50, 0}, "0,50,0 0,0,0 0,-50,0 "},
      {{0, 50, 0, 0, 0, 0, 0, 50, 0}, "0,50,0 0,0,0 0,50,0 "},
      {{0, 50, 1, 0, 0, 0, 0, 0, 0}, "0,150,1 0,0,0 0,0,0 "},
      {{100, 50, 0, -100, 0, 0, 0, 0, 0}, "100,50,0 -100,0,0 0,0,0 "},
      {{0, -50, 1, 0, 0, 1, 0, 0, 1}, "0,0,0 0,0,0 0,0,0 "},
      // a flag of 1 adds 100 to its own offset after the ordering
      {{0, 0, 1, 194700, -16400, 0, 180350, -180350, 1}, "194700,-16400,0 180350,-180250,1 0,100,1 "},
  };
  for (const auto& c : casi) EXPECT_EQ(ordina(c.tdu), c.atteso);
}

TEST(Pendenze, FillTheCellsBeforeTheNextRecord) {
  compilato c = compila(sorgente_linea("pendenza,  0,   0\r\npendenza,  600,   -11\r\npendenza,  1200,   0\r\n"));
  EXPECT_EQ(c.errore(), "");
  EXPECT_EQ(pendenze(c.s, 0, 25),
            "100 100 100 100 100 100 100 100 100 100 100 100 "
            "89 89 89 89 89 89 89 89 89 89 89 89 100 100 ");
  // the closing fill stops before the last three cells
  EXPECT_EQ(pendenze(c.s, 4496, 4500), "100 100 0 0 0 ");
}

TEST(Pendenze, DecimalCommaRoundingAndRecordsOutOfOrder) {
  struct {
    const char* record;
    int da, a;
    const char* atteso;
  } casi[] = {
      {"pendenza,  0,   0\r\npendenza,  1250,   -4,5\r\npendenza,  1500,   0\r\n", 23, 31,
       "100 100 96 96 96 96 96 100 100 "},
      // 625 starts at cell 12, 675 at cell 14
      {"pendenza,  625,   5\r\npendenza,  675,   6\r\n", 11, 15, "100 105 105 106 106 "},
      // a record at or behind the next gradient cell still writes one cell
      {"pendenza,  500,   1\r\npendenza,  100,   2\r\npendenza,  100,   3\r\n", 9, 13, "100 101 102 103 103 "},
  };
  for (const auto& k : casi) {
    compilato c = compila(sorgente_linea(k.record));
    EXPECT_EQ(c.errore(), "") << k.record;
    EXPECT_EQ(pendenze(c.s, k.da, k.a), k.atteso) << k.record;
  }
}

TEST(Curve, BendTheSecondHalfOfTheFirstCurve) {
  compilato c = compila(sorgente_linea("curvas1,  1350,  150\r\n"), 1);
  EXPECT_EQ(c.errore(), "");
  const profilo& p = c.s.profilo_linea;
  EXPECT_EQ(p.leggi(0, 0).tipo, tipo_valore::intero);
  EXPECT_EQ(p.leggi(1, 1).tipo, tipo_valore::intero);
  EXPECT_EQ(p.numero(1, 1), 1.0);
  EXPECT_EQ(p.leggi(2, 0).tipo, tipo_valore::doppio);
  // Straight north up to the curve's start; its first metre turns left by
  // the curvature of class 1 (0.0001): x = 0 + 0.0001 * -1, y = 1350 + 1.
  EXPECT_EQ(p.numero(1350, 0), 0.0);
  EXPECT_EQ(p.numero(1350, 1), 1350.0);
  EXPECT_EQ(p.numero(1351, 0), -0.0001);
  EXPECT_EQ(p.numero(1351, 1), 1351.0);
  EXPECT_LT(p.numero(1500, 0), p.numero(1400, 0));  // further left as it goes
  EXPECT_EQ(p.leggi(224998, 1).tipo, tipo_valore::doppio);
  EXPECT_EQ(p.leggi(224999, 0).tipo, tipo_valore::vuoto);
  EXPECT_EQ(p.leggi(225000, 1).tipo, tipo_valore::vuoto);
}

// What makes the plan a curve of its radius: points a metre apart, the
// heading turned by the length over the radius, and a right curve the
// mirror image of the left one, for a gentle class and the sharpest.
TEST(Curve, AMetreAPartTurningByLengthOverRadiusAndMirrored) {
  const struct {
    const char* classe;
    double raggio;  // metres: one over the class's curvature
  } casi[] = {{"1", 10000.0}, {"4", 1000.0}, {"6", 1.0 / 0.003}};
  for (const auto& c : casi) {
    SCOPED_TRACE(std::string("class ") + c.classe);
    compilato sinistra = compila(sorgente_linea(std::string("curvas") + c.classe + ",  1350,  150\r\n"), 1);
    compilato destra = compila(sorgente_linea(std::string("curvad") + c.classe + ",  1350,  150\r\n"), 1);
    ASSERT_EQ(sinistra.errore(), "");
    ASSERT_EQ(destra.errore(), "");
    const profilo& s = sinistra.s.profilo_linea;
    const profilo& d = destra.s.profilo_linea;
    auto direzione = [&](const profilo& p, int metro) {  // of the step that reaches metro
      return std::atan2(p.numero(metro, 1) - p.numero(metro - 1, 1), p.numero(metro, 0) - p.numero(metro - 1, 0));
    };
    for (int metro = 2; metro <= 3000; ++metro) {
      const double passo =
          std::hypot(s.numero(metro, 0) - s.numero(metro - 1, 0), s.numero(metro, 1) - s.numero(metro - 1, 1));
      // Each step of the curve is sqrt(1 + q^2) long: within a thousandth
      // of a metre over 150 m even for the sharpest class.
      ASSERT_NEAR(passo, 1.0, 1e-3) << "metre " << metro;
      ASSERT_EQ(d.numero(metro, 0), -s.numero(metro, 0)) << "metre " << metro;
      ASSERT_EQ(d.numero(metro, 1), s.numero(metro, 1)) << "metre " << metro;
    }
    // Heading north before the curve; after its 150 m, turned left (anti-
    // clockwise) by 150 / radius, then straight on.
    const double nord = std::atan2(1.0, 0.0);
    EXPECT_EQ(direzione(s, 1350), nord);
    EXPECT_NEAR(direzione(s, 1501) - nord, 150.0 / c.raggio, 1e-5);
    EXPECT_NEAR(direzione(s, 3000) - nord, 150.0 / c.raggio, 1e-5);
    EXPECT_NEAR(direzione(d, 1501) - nord, -150.0 / c.raggio, 1e-5);
  }
}

TEST(Curve, LateCurvesAndNoProfile) {
  compilato destra = compila(sorgente_linea("curvad1,  1350,  150\r\n"), 1);
  EXPECT_EQ(destra.errore(), "");
  // A curve that ends behind the next metre does nothing; one that starts
  // behind it bends only what is left.
  compilato tardi = compila(sorgente_linea("curvad1,  1350,  150\r\ncurvad6,  1000,  400\r\n"), 1);
  compilato senza = compila(sorgente_linea("curvad1,  1350,  150\r\n"), 1);
  EXPECT_EQ(tardi.s.profilo_linea.numero(2000, 0), senza.s.profilo_linea.numero(2000, 0));
  compilato resto = compila(sorgente_linea("curvad1,  1350,  150\r\ncurvad4,  1400,  200\r\n"), 1);
  EXPECT_EQ(resto.s.profilo_linea.numero(1500, 0), senza.s.profilo_linea.numero(1500, 0));
  EXPECT_NE(resto.s.profilo_linea.numero(1501, 0), senza.s.profilo_linea.numero(1501, 0));
  // Without the profile curves are passed over as plain items.
  compilato nessuno = compila(sorgente_linea("curvas9,  1350,  150\r\n"), 0);
  EXPECT_EQ(nessuno.errore(), "");
  EXPECT_FALSE(nessuno.s.profilo_linea.esiste());
}

}  // namespace
}  // namespace valdoro

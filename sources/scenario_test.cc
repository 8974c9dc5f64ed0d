#include "sources/scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

// Halves to the even neighbour, as every position-to-cell conversion does.
int32_t vicino(double x) { return static_cast<int32_t>(std::nearbyint(x)); }
int32_t cella_oggetto(int32_t p) { return vicino(p / 50.0 + 1); }

// The area a station record gives: the compiler's rule by kind.
std::pair<int32_t, int32_t> area(const stazione& s) {
  if (s.tipo == 5 || s.tipo == 6) return {s.posizione - s.lunghezza, s.posizione + 150};
  if (s.tipo == 7 || s.tipo == 8) return {s.posizione - s.lunghezza, s.posizione + s.lunghezza};
  return {vicino(s.posizione - s.lunghezza / 2.0), vicino(s.posizione + s.lunghezza / 2.0 + (s.campo6 ? 50 : 0))};
}

TEST(ScenarioNumerazione, MetresAndKilometresOnPaper) {
  const std::vector<std::pair<int32_t, int32_t>> metri = {
      {0, 0},         {10950, 10950},  {180349, 180349}, {180350, 0},
      {182250, 1900}, {194699, 14349}, {194700, 178300}, {213950, 197550},
  };
  for (const auto& [posizione, attesi] : metri) EXPECT_EQ(metri_progressivi(posizione), attesi) << posizione;
  EXPECT_EQ(chilometro(182250, 3), "1.900");
  EXPECT_EQ(chilometro(166700, 3), "166.700");
  EXPECT_EQ(chilometro(0, 2), "0.00");
  EXPECT_EQ(chilometro(102900, 2), "102.90");
  EXPECT_EQ(chilometro(194700, 2), "178.30");
  EXPECT_EQ(chilometro(213950, 2), "197.55");
  EXPECT_EQ(chilometro(4259, 2), "4.25") << "truncated, not rounded";
  EXPECT_THROW(chilometro(0, 1), std::invalid_argument);
}

TEST(ScenarioNumerazione, KilometrePostsMarkWholeKilometresInOrder) {
  ASSERT_EQ(cippi().size(), 8u);
  EXPECT_EQ(metri_cippo(cippi().front()), 11000);
  EXPECT_EQ(metri_cippo(119950), 120000);
  int32_t precedente = 0;
  for (size_t i = 0; i < cippi().size(); ++i) {
    int32_t km = metri_cippo(cippi()[i]);
    EXPECT_EQ(km % 1000, 0) << cippi()[i];
    EXPECT_GT(km, precedente);
    EXPECT_EQ(km < 100000, i < 4) << "the first four posts are the two-digit ones";
    precedente = km;
  }
}

TEST(ScenarioStazioni, PositionsAreasAndKinds) {
  const std::vector<stazione>& t = stazioni();
  ASSERT_EQ(t.size(), 25u);
  EXPECT_EQ(t.front().posizione, 0);
  EXPECT_EQ(t.back().posizione, 213950);
  std::set<int32_t> tipi;
  for (size_t i = 0; i < t.size(); ++i) {
    const stazione& s = t[i];
    tipi.insert(s.tipo);
    EXPECT_EQ(s.posizione % 50, 0) << s.nome;
    EXPECT_TRUE(s.lunghezza == 300 || s.lunghezza == 400 || s.lunghezza == 500) << s.nome;
    EXPECT_EQ(s.campo5, 0);
    EXPECT_EQ(s.campo9, 0);
    EXPECT_TRUE(s.sosta == 0 || s.sosta == 1 || s.sosta == 30 || s.sosta == 60) << s.nome;
    EXPECT_EQ(s.sosta == 0, s.ore == 0 || i + 1 == t.size()) << s.nome << ": a time only where the train stops";
    if (i > 0) {
      EXPECT_GE(area(s).first - 350, area(t[i - 1]).second) << s.nome << ": areas 350 m apart";
    }
  }
  EXPECT_EQ(tipi, (std::set<int32_t>{2, 4, 6, 8, 12, 24, 28}));
  ASSERT_NE(t[12].seguito, nullptr);
  for (size_t i = 0; i < t.size(); ++i) EXPECT_EQ(t[i].seguito != nullptr, i == 12) << "only the 13th runs on";
}

// The card: the origin departs, the last stop only arrives; 10 rows show
// only a passing time, 14 arrival and departure, two of them on the half
// minute.  Times never go back, and a stop's source time is its departure.
TEST(ScenarioScheda, TwentySixStopsWithTheirTimes) {
  std::vector<fermata> f = fermate_scheda();
  ASSERT_EQ(f.size(), 26u);
  EXPECT_EQ(f.front().localita, "ROCCAVALLE");
  EXPECT_EQ(f.front().arrivo, "");
  EXPECT_EQ(f.front().partenza, "14.16");
  EXPECT_EQ(f.back().arrivo, "16.54");
  EXPECT_EQ(f.back().partenza, "");
  int solo_passaggio = 0, arrivo_e_partenza = 0, mezzo_minuto = 0;
  int precedente = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    EXPECT_LE(f[i].localita.size(), 27u) << f[i].localita;
    for (const std::string& t : {f[i].arrivo, f[i].partenza}) {
      if (t.empty()) continue;
      // "hh.mm", or "hh.mm½" on the half minute.
      ASSERT_TRUE(t.size() >= 5 && t[2] == '.' && (t.size() == 5 || t.substr(5) == "½")) << t;
      int mezzi = (std::stoi(t.substr(0, 2)) * 60 + std::stoi(t.substr(3, 2))) * 2 + (t.size() > 5 ? 1 : 0);
      EXPECT_GE(mezzi, precedente) << f[i].localita;
      precedente = mezzi;
    }
    if (i == 0 || i + 1 == f.size()) continue;
    solo_passaggio += f[i].arrivo.empty() ? 1 : 0;
    arrivo_e_partenza += f[i].arrivo.empty() ? 0 : 1;
    mezzo_minuto += f[i].partenza.find("½") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(solo_passaggio, 10);
  EXPECT_EQ(arrivo_e_partenza, 14);
  EXPECT_EQ(mezzo_minuto, 2);
  for (const stazione& s : stazioni()) {
    if (s.sosta == 0 || &s == &origine()) continue;
    int secondi = (s.ore * 60 + s.minuti) * 60 + s.secondi;
    std::string atteso = std::to_string((secondi + 29) / 3600) + "." + (((secondi + 29) / 60 % 60) < 10 ? "0" : "") +
                         std::to_string((secondi + 29) / 60 % 60);
    if (s.secondi == 30) atteso = std::to_string(s.ore) + "." + std::to_string(s.minuti) + "½";
    EXPECT_EQ(s.partenza, atteso) << s.nome;
  }
  EXPECT_LE(std::string(origine().nome_carte).size(), 20u);
  EXPECT_LE(std::string(destinazione().nome_carte).size(), 23u);
  EXPECT_EQ(nome_breve(), "Roccavalle-Lagomarino");
}

TEST(ScenarioRallentamenti, BoundedByStationsAndFitTheOrder) {
  const std::vector<rallentamento>& r = rallentamenti();
  ASSERT_EQ(r.size(), 4u);
  const std::vector<std::pair<std::string, std::string>> attese = {{"ROCCAVALLE", "FORNACI"},
                                                                   {"FORNACI", "PONTE ROVERA"},
                                                                   {"FORNACI", "PONTE ROVERA"},
                                                                   {"MOLO VECCHIO", "LAGOMARINO"}};
  for (size_t i = 0; i < r.size(); ++i) {
    tratta t = stazioni_attorno(r[i]);
    EXPECT_EQ(std::make_pair(std::string(t.da->nome_carte), std::string(t.a->nome_carte)), attese[i]);
    EXPECT_LE(std::string(t.da->nome_carte).size() + 3 + std::string(t.a->nome_carte).size(), 28u);
  }
  EXPECT_LT(r[2].posizione, 12000) << "three slowdowns in the first 12 km";
}

// Every object that takes a cell gets a cell of its own, and the finishing
// pass finds room for its marks.  The compiler would refuse most clashes,
// but a station cell overwrites silently: only this catches that.
class ScenarioCelle : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const cartello_velocita& c : cartelli_velocita()) {
      if (c.preavviso) {
        prendi(cella_oggetto(c.posizione - 2 * kDistanzaStrisce), "stripe board");
        prendi(cella_oggetto(c.posizione - kDistanzaStrisce), "stripe board");
      }
      prendi(cella_oggetto(c.posizione), "board");
    }
    for (int32_t p : cippi()) prendi(cella_oggetto(p), "post");
    for (const culmine& c : culmini()) prendi(cella_oggetto(c.posizione), "summit board");
    for (const galleria& g : gallerie()) prendi(cella_oggetto(g.cartello), "tunnel board");
    for (const punto_notevole& p : punti_notevoli()) prendi(cella_oggetto(p.posizione), "kilometre board");
    prendi(cella_oggetto(bivio().cartello), "junction board");
    for (const stazione& s : stazioni()) {
      if (s.tipo < 25) prendi(vicino(area(s).second / 50.0 - 1), s.nome);
    }
    for (const rallentamento& r : rallentamenti()) {
      prendi(cella_oggetto(r.posizione), "slowdown start");
      prendi(cella_oggetto(r.posizione + r.lunghezza), "slowdown end");
      prendi(cella_oggetto(r.posizione - 1200), "slowdown warning");
      for (int j = 0; j < 4; ++j) prendi(vicino((r.posizione - 1200) / 50.0) - j, "pre-warning");
    }
    for (const segnale& s : segnali()) prendi(cella_oggetto(s.posizione), "signal");
  }

  void prendi(int32_t cella, const std::string& cosa) {
    auto [dove, nuovo] = prese_.insert({cella, cosa});
    EXPECT_TRUE(nuovo) << cosa << " on cell " << cella << " of " << dove->second;
    EXPECT_GT(cella, 1);
    EXPECT_LE(cella, 4500 - 3);
  }
  bool libera(int32_t cella) const { return prese_.count(cella) == 0; }
  bool una_libera(int32_t da, int32_t a) const {
    for (int32_t c = da; c <= a; ++c) {
      if (libera(c)) return true;
    }
    return false;
  }

  std::map<int32_t, std::string> prese_;
};

TEST_F(ScenarioCelle, NoTwoObjectsShareACell) { EXPECT_EQ(prese_.size(), 48u + 20u + 23u + 4u * 7u + 110u); }

TEST_F(ScenarioCelle, RoomForTheMarksAroundEverySlowdown) {
  for (const rallentamento& r : rallentamenti()) {
    int32_t inizio = cella_oggetto(r.posizione), fine = cella_oggetto(r.posizione + r.lunghezza);
    int32_t avviso = cella_oggetto(r.posizione - 1200);
    EXPECT_TRUE(una_libera(inizio - 7, inizio - 5) && una_libera(inizio - 13, inizio - 11) &&
                una_libera(inizio - 20, inizio - 18))
        << r.posizione;
    for (int32_t d = avviso - 20; d < avviso; ++d) {
      if (prese_.count(d) && prese_.at(d) == "signal") {
        EXPECT_TRUE(una_libera(d - 2, d - 1)) << d;
      }
    }
    for (int32_t p = fine; p <= fine + 12; ++p) {
      if (prese_.count(p) && prese_.at(p) == "signal") {
        EXPECT_TRUE(una_libera(p - 2, p - 1)) << p;
        break;
      }
    }
  }
}

TEST(ScenarioLinea, SpansSummitsAndCurvesFitTheLine) {
  std::vector<montagna> m = montagne();
  ASSERT_EQ(m.size(), 8u);
  for (size_t i = 1; i < m.size(); ++i) EXPECT_GT(m[i].inizio - m[i - 1].fine, 150) << "no span merges with the last";
  for (const galleria& g : gallerie()) EXPECT_LT(g.cartello, g.inizio) << g.nome;
  // At a summit the line stops climbing and starts to fall.
  const std::vector<pendenza>& p = pendenze();
  for (const culmine& c : culmini()) {
    auto dal = std::find_if(p.begin(), p.end(), [&c](const pendenza& x) { return x.posizione == c.posizione; });
    ASSERT_NE(dal, p.end()) << c.posizione;
    EXPECT_LT(dal->valore, 0);
    EXPECT_GT((dal - 1)->valore, 0);
  }
  auto valdoro = std::find_if(gallerie().begin(), gallerie().end(), [](const galleria& g) { return g.marcatori; });
  EXPECT_TRUE(valdoro->inizio < 92650 && 92650 < valdoro->fine);
  // Tight curves only where rank B runs slowly: the fastest speed of the
  // boards in force anywhere along the curve.
  for (const curva& c : curve()) {
    int32_t massima = 0;
    for (const cartello_velocita& b : cartelli_velocita()) {
      if (b.posizione <= c.inizio) massima = b.b;
      if (b.posizione > c.inizio && b.posizione <= c.inizio + c.lunghezza) massima = std::max(massima, b.b);
    }
    int32_t ammessa = c.classe <= 3 ? 200 : c.classe == 4 ? 145 : c.classe == 5 ? 100 : 30;
    EXPECT_LE(massima, ammessa) << "curve " << c.verso << c.classe << " at " << c.inizio;
  }
}

TEST(ScenarioTreno, LimitsNeverAboveTheBoardsAndAdhesionInRange) {
  const std::vector<limite_velocita>& v = limiti_velocita();
  ASSERT_EQ(v.size(), 24u);
  for (size_t i = 0; i < v.size(); ++i) {
    EXPECT_EQ(v[i].stretto, i == 0);
    if (i > 0) {
      EXPECT_GT(v[i].posizione, v[i - 1].posizione);
    }
    int32_t rango_b = 30;  // the origin's yard, before the first board
    for (const cartello_velocita& b : cartelli_velocita()) {
      if (b.posizione <= v[i].posizione) rango_b = b.b;
    }
    EXPECT_LE(v[i].velocita, rango_b) << v[i].posizione;
  }
  for (const aderenza& a : aderenze()) EXPECT_TRUE(a.valore >= 40 && a.valore <= 88) << a.posizione;
}

// Both sources, read back by the compiler and finished: no error, and what
// they carry lands where the papers say it does.
TEST(SorgentiCompilate, CompileCleanlyThroughTheFinishingPass) {
  cartella_temporanea dir;
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  dati_linea(s.nome_linea, dir.percorso());
  dati_treno(s.nome_linea, s.nome_treno, dir.percorso());
  diagnostiche d;
  memorizza_percorso(s, d, 1, dir.percorso());
  EXPECT_TRUE(d.elenco().empty()) << descrivi(d.elenco().front());
  EXPECT_FALSE(std::filesystem::exists(dir / file_sorgente_linea(s.nome_linea)));
  EXPECT_FALSE(std::filesystem::exists(dir / file_sorgente_treno(s.nome_linea, s.nome_treno)));
  EXPECT_EQ(s.tabella_stazioni[60].nome, "");
  EXPECT_EQ(s.tabella_stazioni[80].nome, "(Cippo )(  Km  )(11+000)");
  EXPECT_EQ(s.tabella_stazioni[61].nome, "( Cippo )(   Km  )(192+000)");
  for (size_t r = 1; r <= stazioni().size(); ++r) {
    const stazione& st = stazioni()[r - 1];
    EXPECT_EQ(s.tabella_stazioni[r].nome, st.nome);
    EXPECT_EQ(s.tabella_stazioni[r].progressiva, st.posizione);
    if (st.tipo >= 25) continue;
    const cella& c = s.celle[vicino(s.tabella_stazioni[r].fine / 50.0 - 1)];
    EXPECT_EQ(c.tipo, 10) << st.nome;
    EXPECT_EQ(c.valore1, static_cast<int16_t>(r)) << st.nome;
  }
  EXPECT_EQ(s.tabella_stazioni[26].nome, "") << "the stray line is no station";
}

}  // namespace
}  // namespace valdoro

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

class SorgenteLinea : public ::testing::Test {
 protected:
  std::vector<std::string> righe_ = righe_linea();
};

TEST_F(SorgenteLinea, SectionHeadersStandAtTheirLines) {
  ASSERT_EQ(righe_.size(), 349u);
  const std::vector<std::pair<int, std::string>> intestazioni = {
      {0, "[generale]"}, {9, "[curve]"},     {110, "[pendenze]"},    {269, "[montagne]"},
      {278, "[cartelli]"}, {327, "[indicazioni]"}, {348, "[fine]"},
  };
  for (const auto& [riga, testo] : intestazioni) EXPECT_EQ(righe_[riga], testo) << "line " << riga;
  int quante = 0;
  for (const std::string& r : righe_) quante += r.find('[') != std::string::npos ? 1 : 0;
  EXPECT_EQ(quante, 7) << "no record may look like a header";
}

TEST_F(SorgenteLinea, GeneralLinesExactly) {
  const std::vector<std::string> attese = {
      "lunghezza percorso,    218000",
      "progressiva chilometrica uno,    180350,    -180350,    0",
      "progressiva chilometrica due,    194700,    -16400,    0",
      "progressiva chilometrica tre,    0,    0,    0",
      "sfondo uno,    1",
      "sfondo due,    0",
      "sfondo tre,    0",
      "ripetizione segnali 4 codici,    2100,    211050",
  };
  EXPECT_EQ(std::vector<std::string>(righe_.begin() + 1, righe_.begin() + 9), attese);
}

TEST_F(SorgenteLinea, TellingRecordsAtTheirLines) {
  const std::vector<std::pair<int, std::string>> attese = {
      {10, "curvas1,  1350,  150"},
      {109, "curvad6,  212250,  200"},
      {111, "pendenza,  0,   0"},
      {112, "pendenza,  600,   -11"},
      {113, "pendenza,  1250,   -4,5"},
      {268, "pendenza,  212700,   0"},
      {270, "montagna,   10950,  11000,  2"},
      {279, "indicatori_vmax,  1100,  105,  110,  125,  0,  ,  ,  ,  0"},
      {324, "indicatori_vmax,  210400,  30,  30,  30,  2,  ,  ,  ,  0"},
      {325, "indicatori_vmax,  210700,  30,  30,  30,  1,  ,  ,  ,  0"},
      {326, "indicatori_vmax,  211000,  30,  30,  30,  0,  ,  ,  ,  0"},
      {328, "cartello_indicatore,  10950,   (Cippo )(  Km  )(11+000)"},
  };
  for (const auto& [riga, testo] : attese) EXPECT_EQ(righe_[riga], testo) << "line " << riga;
}

TEST_F(SorgenteLinea, QuotedRecordsAppearOnce) {
  const std::vector<std::string> attese = {
      "curvas2,  156000,  1750",
      "pendenza,  210550,   -12",
      "montagna,   114500,  122000,  1",
      "montagna,   156000,  161250,  12",
      "indicatori_vmax,  9450,  140,  155,  165,  2,  ,  ,  ,  0",
      "indicatori_vmax,  9750,  140,  155,  165,  1,  ,  ,  ,  0",
      "indicatori_vmax,  10050,  140,  155,  165,  0,  ,  ,  ,  0",
      "cartello_indicatore,  119950,   ( Cippo )(   Km  )(120+000)",
      "cartello_indicatore,  79900,   (Culmine)",
      "cartello_indicatore,  92650,   (Culmine )(Galleria)",
      "cartello_indicatore,  166700,   (   Km  )(166+700)",
      "cartello_indicatore,  182250,   (Cavalcavia)(    Km    )(   1.900  )",
  };
  for (const std::string& a : attese) EXPECT_EQ(std::count(righe_.begin(), righe_.end(), a), 1) << a;
}

// Every record of a section has its section's shape, and the records of a
// section stand in increasing order of their first position.
TEST_F(SorgenteLinea, EveryRecordHasItsSectionShapeInPositionOrder) {
  struct {
    int prima, quante;
    const char* forma;
  } sezioni[] = {
      {10, 100, R"(curva[sd][1-6],  (\d+),  [1-9]\d*)"},
      {111, 158, R"(pendenza,  (\d+),   -?\d+(,\d)?)"},
      {270, 8, R"(montagna,   (\d+),  \d+,  (1|2|11|12))"},
      {279, 48, R"(indicatori_vmax,  (\d+),  \d+,  \d+,  \d+,  [0-2],  ,  ,  ,  0)"},
      {328, 20, R"(cartello_indicatore,  (\d+),   (\([^()]+\))+)"},
  };
  for (const auto& s : sezioni) {
    std::regex forma(s.forma);
    long precedente = -1;
    for (int i = s.prima; i < s.prima + s.quante; ++i) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(righe_[i], m, forma)) << "line " << i << ": " << righe_[i];
      long posizione = std::stol(m[1]);
      EXPECT_GT(posizione, precedente) << "line " << i;
      EXPECT_LE(posizione, 218000) << "line " << i;
      precedente = posizione;
    }
  }
}

TEST_F(SorgenteLinea, CurveKeywordCounts) {
  std::map<std::string, int> conta;
  for (int i = 10; i < 110; ++i) conta[righe_[i].substr(0, righe_[i].find(','))]++;
  const std::map<std::string, int> attesi = {
      {"curvad1", 4},  {"curvad2", 9},  {"curvad3", 22}, {"curvad4", 18}, {"curvad5", 2}, {"curvad6", 1},
      {"curvas1", 2},  {"curvas2", 6},  {"curvas3", 15}, {"curvas4", 17}, {"curvas5", 3}, {"curvas6", 1},
  };
  EXPECT_EQ(conta, attesi);
}

// The one decimal comma is the only line with three values; -12 is the
// steepest and the only one that steep.
TEST_F(SorgenteLinea, GradientsOneDecimalCommaAndOneSteepest) {
  int con_decimali = 0, ripidissime = 0;
  for (int i = 111; i < 269; ++i) {
    std::string valore = righe_[i].substr(righe_[i].rfind(",   ") + 4);
    if (valore.find(',') != std::string::npos) ++con_decimali;
    int g = std::stoi(valore);
    EXPECT_LE(std::abs(g), 12) << righe_[i];
    if (std::abs(g) == 12) ++ripidissime;
  }
  EXPECT_EQ(con_decimali, 1);
  EXPECT_EQ(ripidissime, 1);
}

TEST_F(SorgenteLinea, BoardsComeAsElevenTriplesAndFifteenSingles) {
  int terne = 0, singoli = 0;
  std::regex forma(R"(indicatori_vmax,  (\d+),  (\d+,  \d+,  \d+),  ([0-2]),.*)");
  for (int i = 279; i < 327; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(righe_[i], m, forma));
    if (m[3] == "0") {
      ++singoli;
      continue;
    }
    // A stripe board is followed by the rest of its triple, 300 m apart,
    // with the same speeds.
    ASSERT_EQ(m[3], "2") << righe_[i];
    for (int k = 1; k <= 2; ++k) {
      std::smatch n;
      ASSERT_TRUE(std::regex_match(righe_[i + k], n, forma));
      EXPECT_EQ(std::stol(n[1]), std::stol(m[1]) + 300 * k);
      EXPECT_EQ(n[2], m[2]);
      EXPECT_EQ(std::stoi(n[3]), 2 - k);
    }
    ++terne;
    i += 2;
  }
  EXPECT_EQ(terne, 11);
  EXPECT_EQ(singoli, 15);
}

TEST_F(SorgenteLinea, SignBoards) {
  std::vector<std::string> testi;
  for (int i = 328; i < 348; ++i) testi.push_back(righe_[i].substr(righe_[i].find("   (") + 3));
  auto quanti = [&testi](const std::string& regola) {
    std::regex r(regola);
    return std::count_if(testi.begin(), testi.end(), [&r](const std::string& t) { return std::regex_match(t, r); });
  };
  EXPECT_EQ(quanti(R"(\(Cippo \)\(  Km  \)\(\d\d\+000\))"), 4);
  EXPECT_EQ(quanti(R"(\( Cippo \)\(   Km  \)\(\d\d\d\+000\))"), 4);
  EXPECT_EQ(quanti(R"(\(Galleria\)\([^()]+\))"), 6);
  EXPECT_EQ(quanti(R"(\(   Bivio   \)\([^()]+\))"), 1);
  EXPECT_EQ(quanti(R"(\(Culmine\))"), 2);
  // The narrow posts all come before the wide ones.
  EXPECT_EQ(testi[0], "(Cippo )(  Km  )(11+000)");
  EXPECT_EQ(testi[19], "( Cippo )(   Km  )(192+000)");
}

TEST(DatiLinea, FileIsTheLinesWithCrLfAndReplacesALongerOne) {
  cartella_temporanea dir;
  const std::string nome = file_sorgente_linea("Valdoro");
  ASSERT_EQ(nome, "Valdoro_linea.txt");
  dir.scrivi(nome, std::string(40000, 'x') + "\r\n");
  dati_linea("Valdoro", dir.percorso());
  const std::string testo = dir.leggi(nome);
  std::string atteso;
  for (const std::string& r : righe_linea()) atteso += r + "\r\n";
  EXPECT_EQ(testo, atteso);
  EXPECT_EQ(testo.substr(0, 43), "[generale]\r\nlunghezza percorso,    218000\r\n");
  EXPECT_EQ(testo.substr(testo.size() - 8), "[fine]\r\n");
  EXPECT_EQ(testo.find("riferimento"), std::string::npos);
  for (unsigned char c : testo) ASSERT_LT(c, 0x80) << "the line source is ASCII";
}

}  // namespace
}  // namespace valdoro

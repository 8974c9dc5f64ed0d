#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

// Matches a whole line against a shape: "{n}" a whole number, "{i}" one
// with an optional minus, "{d}" one digit, "[..]" one of the characters
// listed, "{*}" the non-empty rest; anything else stands for itself.
bool ha_forma(const std::string& t, const std::string& f, size_t i = 0, size_t j = 0) {
  if (j == f.size()) return i == t.size();
  auto cifre = [&t](size_t k) {
    size_t fine = k;
    while (fine < t.size() && std::isdigit(static_cast<unsigned char>(t[fine]))) ++fine;
    return fine;
  };
  if (f.compare(j, 3, "{*}") == 0) return i < t.size();
  if (f.compare(j, 3, "{n}") == 0 || f.compare(j, 3, "{i}") == 0) {
    if (f[j + 1] == 'i' && i < t.size() && t[i] == '-') ++i;
    size_t fine = cifre(i);
    return fine > i && ha_forma(t, f, fine, j + 3);
  }
  if (f.compare(j, 3, "{d}") == 0)
    return i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && ha_forma(t, f, i + 1, j + 3);
  if (f[j] == '[') {
    size_t chiusa = f.find(']', j);
    return i < t.size() && f.find(t[i], j + 1) < chiusa && ha_forma(t, f, i + 1, chiusa + 1);
  }
  return i < t.size() && t[i] == f[j] && ha_forma(t, f, i + 1, j + 1);
}

// The first number after the keyword.
long prima_posizione(const std::string& riga) { return std::stol(riga.substr(riga.find(',') + 1)); }

class SorgenteLinea : public ::testing::Test {
 protected:
  std::vector<std::string> righe_ = righe_linea();
};

TEST_F(SorgenteLinea, SectionHeadersStandAtTheirLines) {
  ASSERT_EQ(righe_.size(), 349u);
  const std::vector<std::pair<int, std::string>> intestazioni = {
      {0, "[generale]"},   {9, "[curve]"},         {110, "[pendenze]"}, {269, "[montagne]"},
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
    std::vector<std::string> forme;
  } sezioni[] = {
      {10, 100, {"curva[sd][123456],  {n},  {n}"}},
      {111, 158, {"pendenza,  {n},   {i}", "pendenza,  {n},   {i},{d}"}},
      {270, 8, {"montagna,   {n},  {n},  [12]", "montagna,   {n},  {n},  1[12]"}},
      {279, 48, {"indicatori_vmax,  {n},  {n},  {n},  {n},  [012],  ,  ,  ,  0"}},
      {328, 20, {"cartello_indicatore,  {n},   ({*}"}},
  };
  for (const auto& s : sezioni) {
    long precedente = -1;
    for (int i = s.prima; i < s.prima + s.quante; ++i) {
      const std::string& r = righe_[i];
      ASSERT_TRUE(std::any_of(s.forme.begin(), s.forme.end(), [&r](const std::string& f) { return ha_forma(r, f); }))
          << "line " << i << ": " << r;
      long posizione = prima_posizione(r);
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
      {"curvad1", 4}, {"curvad2", 9}, {"curvad3", 22}, {"curvad4", 18}, {"curvad5", 2}, {"curvad6", 1},
      {"curvas1", 2}, {"curvas2", 6}, {"curvas3", 15}, {"curvas4", 17}, {"curvas5", 3}, {"curvas6", 1},
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
  auto strisce = [](const std::string& r) { return r[r.find(",  ,") - 1] - '0'; };
  // The speeds, between the position and the stripes.
  auto velocita = [](const std::string& r) {
    size_t da = r.find(',', r.find(',') + 1);
    return r.substr(da, r.find(",  ,") - 4 - da);
  };
  for (int i = 279; i < 327; ++i) {
    if (strisce(righe_[i]) == 0) {
      ++singoli;
      continue;
    }
    // A stripe board is followed by the rest of its triple, 300 m apart,
    // with the same speeds.
    ASSERT_EQ(strisce(righe_[i]), 2) << righe_[i];
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(prima_posizione(righe_[i + k]), prima_posizione(righe_[i]) + 300 * k);
      EXPECT_EQ(velocita(righe_[i + k]), velocita(righe_[i]));
      EXPECT_EQ(strisce(righe_[i + k]), 2 - k);
    }
    ++terne;
    i += 2;
  }
  EXPECT_EQ(terne, 11);
  EXPECT_EQ(singoli, 15);
  EXPECT_EQ(velocita(righe_[279]), ",  105,  110,  125");
}

TEST_F(SorgenteLinea, SignBoards) {
  std::vector<std::string> testi;
  for (int i = 328; i < 348; ++i) testi.push_back(righe_[i].substr(righe_[i].find("   (") + 3));
  auto quanti = [&testi](const std::string& forma) {
    return std::count_if(testi.begin(), testi.end(), [&forma](const std::string& t) { return ha_forma(t, forma); });
  };
  EXPECT_EQ(quanti("(Cippo )(  Km  )({d}{d}+000)"), 4);
  EXPECT_EQ(quanti("( Cippo )(   Km  )({d}{d}{d}+000)"), 4);
  EXPECT_EQ(quanti("(Galleria)({*}"), 6);
  EXPECT_EQ(quanti("(   Bivio   )({*}"), 1);
  EXPECT_EQ(quanti("(Culmine)"), 2);
  for (const std::string& t : testi) {
    EXPECT_EQ(t.back(), ')') << t;
    EXPECT_EQ(std::count(t.begin(), t.end(), '('), std::count(t.begin(), t.end(), ')')) << t;
  }
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

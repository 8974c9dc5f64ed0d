#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

std::vector<std::string> dividi(const std::string& riga) {
  std::vector<std::string> parti;
  size_t inizio = 0;
  for (size_t virgola; (virgola = riga.find(',', inizio)) != std::string::npos; inizio = virgola + 1) {
    parti.push_back(riga.substr(inizio, virgola - inizio));
  }
  parti.push_back(riga.substr(inizio));
  return parti;
}

// A number right-aligned in exactly its width: blanks, then digits.
bool allineato(const std::string& campo, size_t larghezza) {
  size_t cifre = campo.find_first_not_of(' ');
  return campo.size() == larghezza && cifre != std::string::npos &&
         campo.find_first_not_of("0123456789", cifre) == std::string::npos;
}

class SorgenteTreno : public ::testing::Test {
 protected:
  std::vector<std::string> righe_ = righe_treno();
};

TEST_F(SorgenteTreno, SectionHeadersAndGeneralLines) {
  ASSERT_EQ(righe_.size(), 190u);
  const std::vector<std::pair<int, std::string>> attese = {
      {0, "[generale]"},
      {1, "numero vetture,    7"},
      {2, "percentuale massa frenata,    125"},
      {3, "sabbia,    100"},
      {4, "orologio,    14              16            30 "},
      {5, "[aderenze]"},
      {20, "[vel_limite]"},
      {45, "[stazioni]"},
      {72, "[rallentamenti]"},
      {77, "[segnali]"},
      {188, "[codici]"},
      {189, "[fine]"},
  };
  for (const auto& [riga, testo] : attese) EXPECT_EQ(righe_[riga], testo) << "line " << riga;
}

TEST_F(SorgenteTreno, TellingRecordsAtTheirLines) {
  const std::vector<std::pair<int, std::string>> attese = {
      {6, "aderenza,       0,    83"},
      {19, "aderenza,  210650,    45"},
      {21, "velocita,   0,    30"},
      {22, "velocita,    1100,   110"},
      {44, "velocita,  212100,    30"},
      {46, "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,  14,16,30, Roccavalle"},
      {73, "rallentamento,    2550,    60,  800, 0,  1,  0"},
      {74, "rallentamento,    7300,   100,  600, 0,  1,  100"},
      {75, "rallentamento,   11650,    80,  400, 0,  1,  80"},
      {76, "rallentamento,  208850,    65,  750, 0,  1,  55"},
      {78, "segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 0"},
      {187, "segnale,  212100,   2, 2, 3,  1, 0,    0,  0,0,0, 245"},
  };
  for (const auto& [riga, testo] : attese) EXPECT_EQ(righe_[riga], testo) << "line " << riga;
  EXPECT_EQ(std::count(righe_.begin(), righe_.end(), "segnale,   35350,   2, 4, 0,  0, 0,    0,  0,0,0, 101"), 1);
  EXPECT_EQ(std::count(righe_.begin(), righe_.end(), "segnale,  125550,   2, 3, 4,  0, 0,    1,  3,1,0, 0"), 1);
}

// The numbers of the station rows the timetable is built around, up to
// the name: rows 1, 2, 5, 11, 22 and 25 (line 59 holds no station).
TEST_F(SorgenteTreno, StationRowsUpToTheirNames) {
  const std::vector<std::pair<int, std::string>> attese = {
      {46, "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,  14,16,30, "},
      {47, "stazione,    4250,  4,  500,  0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, "},
      {50, "stazione,   33500,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,38,55, "},
      {56, "stazione,  109600, 24,  400,  0, 0, 0,  0,0,0,  4,1,1,   30,  15,26,30, "},
      {68, "stazione,  198500, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, "},
      {71, "stazione,  213950,  6,  500,  1, 0, 0,  1,1,0,  2,1,1,    0,  16,54, 0, "},
  };
  for (const auto& [riga, testo] : attese) EXPECT_EQ(righe_[riga].substr(0, testo.size()), testo) << "line " << riga;
}

// Line 59 continues the 13th station's name: a fragment with a hyphen,
// no keyword, no comma, so the reader passes over it.
TEST_F(SorgenteTreno, StrayContinuationLineAt59) {
  const std::string& riga = righe_[59];
  EXPECT_NE(riga.find('-'), std::string::npos);
  EXPECT_EQ(riga.find(','), std::string::npos);
  std::string minuscola = riga;
  std::transform(minuscola.begin(), minuscola.end(), minuscola.begin(), ::tolower);
  for (const char* chiave : {"frenata", "vetture", "velocit", "aderenza", "orologio", "sabbia", "segnale",
                             "rallentamento", "abbattimento", "stazione", "[generale]"}) {
    EXPECT_EQ(minuscola.find(chiave), std::string::npos) << chiave;
  }
  EXPECT_EQ(righe_[58].rfind("stazione,", 0), 0u);
  EXPECT_EQ(righe_[60].rfind("stazione,", 0), 0u);
}

// Every record's values stand right-aligned in their field widths; the
// values after the last width (d_v, tempo, the name) follow a fixed
// separator without padding.
TEST_F(SorgenteTreno, EveryRecordKeepsItsFieldWidths) {
  struct forma {
    int prima, quante;
    const char* chiave;
    std::vector<size_t> larghezze;  // 0: one digit after two blanks or none, as in "  4,1,0"
    const char* coda;               // what starts the free value that ends the line
  };
  const forma forme[] = {
      {6, 14, "aderenza", {8, 6}, nullptr},
      {22, 23, "velocita", {8, 6}, nullptr},
      {73, 4, "rallentamento", {8, 6, 5, 2, 3}, "  "},
      {78, 110, "segnale", {8, 4, 2, 2, 3, 2, 5, 3, 1, 1}, " "},
  };
  for (const forma& f : forme) {
    for (int i = f.prima; i < f.prima + f.quante; ++i) {
      std::vector<std::string> parti = dividi(righe_[i]);
      ASSERT_EQ(parti.size(), f.larghezze.size() + 1 + (f.coda ? 1 : 0)) << righe_[i];
      EXPECT_EQ(parti[0], f.chiave);
      for (size_t k = 0; k < f.larghezze.size(); ++k) {
        EXPECT_TRUE(allineato(parti[k + 1], f.larghezze[k])) << "line " << i << " field " << k + 1 << ": " << righe_[i];
      }
      if (f.coda) {
        const std::string& ultimo = parti.back();
        EXPECT_TRUE(ultimo.rfind(f.coda, 0) == 0 && allineato(ultimo, ultimo.size()) &&
                    ultimo[std::string(f.coda).size()] != ' ')
            << righe_[i];
      }
    }
  }
  // Stations: 16 numbers, the digit groups with no blanks, then ", " and the name.
  const std::vector<size_t> larghezze = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
  for (int i = 46; i < 72; ++i) {
    if (i == 59) continue;
    std::vector<std::string> parti = dividi(righe_[i]);
    ASSERT_EQ(parti.size(), 18u) << righe_[i];
    EXPECT_EQ(parti[0], "stazione");
    for (size_t k = 0; k < larghezze.size(); ++k) {
      EXPECT_TRUE(allineato(parti[k + 1], larghezze[k])) << "line " << i << " field " << k + 1;
    }
    EXPECT_TRUE(parti[7].rfind("  ", 0) == 0 && parti[10].rfind("  ", 0) == 0) << righe_[i];
    EXPECT_TRUE(parti[17].size() > 1 && parti[17][0] == ' ' && parti[17][1] != ' ' && parti[17].back() != ' ')
        << righe_[i];
  }
}

TEST_F(SorgenteTreno, SignalTimesAndSlowdownValues) {
  std::map<std::string, int> tempi;
  for (int i = 78; i < 188; ++i) tempi[righe_[i].substr(righe_[i].rfind(' ') + 1)]++;
  EXPECT_EQ(tempi,
            (std::map<std::string, int>{{"0", 105}, {"101", 1}, {"102", 1}, {"105", 1}, {"203", 1}, {"245", 1}}));
  // The first time that is not 0 is the one of 35350.
  auto primo = std::find_if(righe_.begin() + 78, righe_.begin() + 188,
                            [](const std::string& r) { return r.substr(r.rfind(' ') + 1) != "0"; });
  EXPECT_EQ(primo->substr(0, 16), "segnale,   35350");
}

TEST(DatiTreno, FileNameHoldsTheBlankAndTheHyphen) {
  cartella_temporanea dir;
  dir.scrivi("Valdoro_Dir 5802-.txt", std::string(30000, 'x'));
  dati_treno("Valdoro", "Dir 5802", dir.percorso());
  EXPECT_EQ(dir.conta_file(), 1);
  const std::string testo = dir.leggi("Valdoro_Dir 5802-.txt");
  std::string atteso;
  for (const std::string& r : righe_treno()) atteso += r + "\r\n";
  EXPECT_EQ(testo, atteso);
  EXPECT_EQ(testo.substr(testo.size() - 18), "[codici]\r\n[fine]\r\n");
  EXPECT_NE(testo.find("\r\norologio,    14              16            30 \r\n"), std::string::npos);
  EXPECT_EQ(testo.find("riferimento"), std::string::npos);
  for (unsigned char c : testo) ASSERT_LT(c, 0x80) << "the train source is ASCII";
}

}  // namespace
}  // namespace valdoro

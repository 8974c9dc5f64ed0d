#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

// The card as the driver gets it: the bytes on disk cut at CR LF.  Checks
// work on the single-byte text, so "à" and "½" are one character each.
class SchedaTreno : public ::testing::Test {
 protected:
  void SetUp() override {
    dati_scheda("Valdoro", "Dir 5802", dir_.percorso());
    testo_ = dir_.leggi(file_scheda("Valdoro", "Dir 5802"));
    size_t inizio = 0;
    for (size_t fine; (fine = testo_.find("\r\n", inizio)) != std::string::npos; inizio = fine + 2) {
      righe_.push_back(testo_.substr(inizio, fine - inizio));
    }
    ASSERT_EQ(inizio, testo_.size()) << "text after the last CR LF";
    ASSERT_EQ(righe_.size(), 212u);
  }

  // Where the bars of a line stand.
  static std::vector<size_t> sbarre(const std::string& riga) {
    std::vector<size_t> posti;
    for (size_t i = 0; i < riga.size(); ++i) {
      if (riga[i] == '|') posti.push_back(i);
    }
    return posti;
  }

  cartella_temporanea dir_;
  std::string testo_;
  std::vector<std::string> righe_;
};

const std::string a = "\xE0";  // "à" as written

TEST_F(SchedaTreno, FixedLines) {
  const std::string u80(80, '_');
  const std::vector<std::pair<int, std::string>> attese = {
      {0, std::string(32, ' ') + "SCHEDA ORARIO"},
      {1, "  " + u80},
      {2, " |                                 Treno 5802                                     |"},
      {5, " |                                                        Validit" + a + " Treno:         |"},
      {8, " "},
      {9, "  " + u80},
      {10, " |_Pr_|N.Treno|_Class_|_______Localit" + a + "____________|__Arr___|__Part__|______|______|"},
      {37, " |____|_______|_______|___________________________|________|________|______|______|"},
      {38, " "},
      {39, "  " + u80},
      {40, " |____________________________Periodicit" + a + " treno___________________________________|"},
      {41, " |__________Da________|_____________A_________|______________Testo________________|      "},
      {43, " |____________________|_______________________|___________________________________|"},
      {44, ""},
      {45, "  "},
      {46, "  " + u80},
      {47, " |_____________________________________NOTE_______________________________________|"},
      {49, " |_________________|______________________|__________________|____________________|      "},
      {50, "       "},
      {51, "       "},
      {52, ""},
      {53, "  "},
      {54, std::string(81, '.')},
      {55, "  "},
      {57, "   " + std::string(75, '_')},
      {58, "  |  Velocit" + a + " Max Km/h    |   Progr. Chilom.   |     Localit" + a + " di Servizio     |"},
      {59, "  |_______________________|____________________|______________________________|      "},
      {60, "  |__A__|__B__|__C__|__P__|     ____                                          |"},
      {93, "  |_____|_____|_____|_____|___________________________________________________|"},
      {107, " "},
      {108, " "},
      {109, std::string(72, '.')},
      {110, ""},
      {112, "   " + std::string(61, '_')},
      {113, "  |  Velocit" + a + " Max Km/h    |   Progr. Chilom. |   Localit" + a + " di    |"},
      {114, "  |_______________________|__________________|____Servizio______|      "},
      {115, "  |__A__|__B__|__C__|__P__|                                     |  "},
      {151, "  |_____|_____|_____|_____|_____________________________________|"},
      {160, " "},
      {161, ""},
      {162, std::string(72, '.')},
      {182, std::string(32, ' ') + "PER MEMORIA"},
  };
  for (const auto& [numero, testo] : attese) EXPECT_EQ(righe_[numero], testo) << "line " << numero;
  for (int i : {94, 106, 152, 159, 163, 181, 183, 211}) EXPECT_EQ(righe_[i], "") << "line " << i;
  for (int i = 94; i <= 106; ++i) EXPECT_EQ(righe_[i], "") << "line " << i;
  for (int i = 152; i <= 159; ++i) EXPECT_EQ(righe_[i], "") << "line " << i;
  for (int i = 163; i <= 181; ++i) EXPECT_EQ(righe_[i], "") << "line " << i;
  for (int i = 183; i <= 211; ++i) EXPECT_EQ(righe_[i], "") << "line " << i;
}

TEST_F(SchedaTreno, TrainBoxLinesAreEightyWideBetweenTheBars) {
  for (int i = 2; i <= 7; ++i) {
    SCOPED_TRACE("line " + std::to_string(i) + ": " + righe_[i]);
    EXPECT_EQ(righe_[i].find('|'), 1u);
    EXPECT_EQ(righe_[i].find('|', 2), 82u);
  }
  EXPECT_EQ(righe_[3].substr(0, 17), " |Origine Treno: ");
  EXPECT_EQ(righe_[4].substr(0, 17), " |Destino Treno: ");
  EXPECT_EQ(righe_[6].substr(0, 6), " |Da: ");
  EXPECT_EQ(righe_[6].substr(33), "Denominazione:" + std::string(21, ' ') + "dal 10/06/2001|");
  EXPECT_EQ(righe_[7].substr(0, 6), " |A_:_");
  EXPECT_EQ(righe_[7].substr(33), "Classifica: DIR" + std::string(21, '_') + "al 15/06/2002|" + std::string(14, ' '));
  EXPECT_EQ(righe_[7].substr(6, 27).find(' '), std::string::npos) << "the last box line is ruled";
}

TEST_F(SchedaTreno, StopRowsKeepTheColumnsAndTheirFill) {
  const std::vector<size_t> colonne = {1, 6, 14, 22, 50, 59, 68, 75, 82};
  for (int i = 10; i <= 37; ++i) {
    SCOPED_TRACE("line " + std::to_string(i) + ": " + righe_[i]);
    EXPECT_EQ(sbarre(righe_[i]), colonne);
    EXPECT_EQ(righe_[i].size(), 83u);
  }
  for (int i = 11; i <= 35; ++i) {
    const std::string& r = righe_[i];
    SCOPED_TRACE("line " + std::to_string(i) + ": " + r);
    const std::string numero = std::to_string(i - 10);
    EXPECT_EQ(r.substr(2, 4), ("_" + numero + "___").substr(0, 4));
    EXPECT_EQ(r.substr(7, 15), i == 11 ? "__5802_|__DIR__" : "_______|_______");
    // Blanks only inside a name: every cell ends on underscores.
    for (size_t fine : {21u, 49u, 58u, 67u, 74u, 81u}) EXPECT_EQ(r[fine], '_');
    EXPECT_EQ(r.substr(51).find(' '), std::string::npos);
  }
  const std::string& ultima = righe_[36];
  EXPECT_EQ(ultima.substr(0, 23), " | 26 |       |       |");
  EXPECT_EQ(ultima.find('_'), std::string::npos);
  EXPECT_EQ(ultima.substr(51), "16.54   |        |      |      |");
}

TEST_F(SchedaTreno, TimesAreHourPointMinutesWithTheHalfMinute) {
  const std::regex ora("(\\d{1,2}\\.\\d\\d\xBD?)?_*");
  int mezzi = 0;
  for (int i = 11; i <= 35; ++i) {
    for (size_t inizio : {51u, 60u}) {
      const std::string cella = righe_[i].substr(inizio, 8);
      EXPECT_TRUE(std::regex_match(cella, ora)) << "line " << i << ": " << cella;
      mezzi += cella.find('\xBD') != std::string::npos ? 1 : 0;
    }
  }
  EXPECT_EQ(mezzi, 2);
  EXPECT_EQ(righe_[11].substr(51, 17), "________|14.16___");
  EXPECT_EQ(righe_[36].substr(51, 8), "16.54   ");
}

TEST_F(SchedaTreno, PeriodicityAndNotesRows) {
  EXPECT_EQ(sbarre(righe_[42]), (std::vector<size_t>{1, 22, 46, 82}));
  EXPECT_EQ(righe_[42].substr(47), "Periodico: feriali compreso Sabato |");
  EXPECT_EQ(righe_[48].substr(0, 48), " | Rango V.Max : B | Massa Frenata : 125% | Loc ");
  EXPECT_EQ(sbarre(righe_[48]), (std::vector<size_t>{1, 19, 42, 61, 82}));
  EXPECT_EQ(righe_[48].substr(61), "| RS 4COD            |   ");
}

// Every row of a booklet page: four speed cells, the wide column, the bar.
void controlla_pagina(const std::vector<std::string>& righe, int da, int a, size_t larghezza) {
  const std::regex velocita("     | \\d\\d\\d |  \\d\\d | --- ");
  for (int i = da; i <= a; ++i) {
    const std::string r = righe[i].substr(0, larghezza);
    SCOPED_TRACE("line " + std::to_string(i) + ": " + righe[i]);
    ASSERT_EQ(righe[i].size() >= larghezza, true);
    EXPECT_EQ(r.substr(0, 3), "  |");
    for (size_t c = 0; c < 4; ++c) {
      EXPECT_TRUE(std::regex_match(r.substr(3 + 6 * c, 5), velocita));
      EXPECT_EQ(r[8 + 6 * c], '|');
    }
    EXPECT_EQ(r.substr(27).find('|') == std::string::npos || r.back() == '|', true);
    EXPECT_EQ(r.back(), '|');
  }
}

TEST_F(SchedaTreno, BookletPagesKeepTheirWidths) {
  EXPECT_EQ(righe_[56], righe_[111]);
  EXPECT_EQ(righe_[56].rfind("  Linea ", 0), 0u);
  EXPECT_EQ(righe_[56].back(), ' ');
  controlla_pagina(righe_, 61, 92, 79);
  for (int i = 61; i <= 92; ++i) EXPECT_EQ(righe_[i].size(), 79u) << "line " << i;
  controlla_pagina(righe_, 116, 150, 65);
  int con_coda = 0;
  for (int i = 116; i <= 150; ++i) {
    const std::string coda = righe_[i].substr(65);
    if (i >= 135 && i <= 147) {
      if (i == 135 || i == 142) {
        EXPECT_EQ(coda, std::string(17, '_'));
      } else {
        EXPECT_EQ(coda.size(), 18u) << "line " << i;
        EXPECT_EQ(coda.back(), '|') << "line " << i;
      }
    } else if (!coda.empty()) {
      EXPECT_EQ(coda, "     ") << "line " << i;
      ++con_coda;
    }
  }
  EXPECT_EQ(con_coda, 2);
  EXPECT_EQ(righe_[147].substr(65), "_____|_____|_____|");
}

TEST_F(SchedaTreno, OnlyTheTwoLettersOutsideAsciiAsSingleBytes) {
  std::set<unsigned char> alti;
  for (char c : testo_) {
    if (static_cast<unsigned char>(c) >= 0x80) alti.insert(static_cast<unsigned char>(c));
  }
  EXPECT_EQ(alti, (std::set<unsigned char>{0xBD, 0xE0}));
}

}  // namespace
}  // namespace valdoro

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "testing/prova_record.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

std::string maiuscole(std::string t) {
  for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return t;
}

std::string senza_coda(std::string t, char c) {
  t.erase(t.find_last_not_of(c) + 1);
  return t;
}

// A card time in seconds of the day: "15.26" plus half a minute for "½".
int secondi_scheda(const std::string& t) {
  const size_t punto = t.find('.');
  return std::stoi(t.substr(0, punto)) * 3600 + std::stoi(t.substr(punto + 1, 2)) * 60 +
         (t.find('\xBD') != std::string::npos ? 30 : 0);
}

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

TEST_F(SchedaTreno, StopsFollowTheTrainSourceStations) {
  const auto stazioni = record(righe_treno(), "stazione");
  ASSERT_EQ(stazioni.size(), 25u);
  size_t riga = 11;
  for (size_t i = 0; i < stazioni.size(); ++i, ++riga) {
    const std::string nome = maiuscole(stazioni[i].back());
    // The one stop that is no station of the train source: the junction.
    if (righe_[riga].substr(23, nome.size()) != nome) ++riga;
    ASSERT_LE(riga, 36u);
    const std::string& r = righe_[riga];
    SCOPED_TRACE("station " + nome + ", line " + std::to_string(riga) + ": " + r);
    EXPECT_EQ(r.substr(23, nome.size()), nome);
    const std::string arrivo = senza_coda(senza_coda(r.substr(51, 8), '_'), ' ');
    const std::string partenza = senza_coda(senza_coda(r.substr(60, 8), '_'), ' ');
    const int orario = std::stoi(stazioni[i][13]) * 3600 + std::stoi(stazioni[i][14]) * 60 + std::stoi(stazioni[i][15]);
    const bool ultima = i + 1 == stazioni.size();
    if (orario == 0) {
      EXPECT_EQ(arrivo, "") << "a station passed has its passing time only";
      EXPECT_NE(partenza, "");
    } else {
      // The card shows the source's departure (the arrival at the end) to the half minute.
      EXPECT_LE(std::abs(secondi_scheda(ultima ? arrivo : partenza) - orario), 30);
    }
    EXPECT_EQ(arrivo.empty(), i == 0 || orario == 0);
    EXPECT_EQ(partenza.empty(), ultima);
  }
  EXPECT_EQ(riga, 37u) << "26 stops: the 25 stations and the junction";
  EXPECT_EQ(righe_[3], " |Origine Treno: " + std::string("ROCCAVALLE") + std::string(55, ' ') + "|");
  EXPECT_EQ(righe_[4], " |Destino Treno: " + maiuscole(stazioni.back().back()) + std::string(55, ' ') + "|");
  EXPECT_EQ(righe_[42].substr(0, 23), " |ROCCAVALLE          |");
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

// The wide column of a booklet row, without the bars.
std::string colonna(const std::string& riga, size_t larghezza) { return riga.substr(27, larghezza); }

TEST_F(SchedaTreno, BookletRowsGivenInFull) {
  EXPECT_EQ(righe_[63], "  | 140 | 145 | 155 | 180 |   \\\\_||_" + std::string(19, ' ') + "Cippo Km 4.000" +
                            std::string(9, ' ') + "|");
  EXPECT_EQ(righe_[65], "  |     | 155 | 175 |     |      ||                    Cippo Km 8.000         |");
  EXPECT_EQ(righe_[56], "  Linea Roccavalle-Lagomarino ");
  const std::multiset<std::string> prima(righe_.begin() + 61, righe_.begin() + 93);
  EXPECT_EQ(prima.count("  | 140 | 150 | 160 | 180 |      ||                    Cippo Km 72.000        |"), 1u);
  EXPECT_GE(prima.count("  |     |     |     |     |      ||                                           |"), 1u);
  std::multiset<std::string> seconda;  // without the side box
  for (int i = 116; i <= 150; ++i) seconda.insert(righe_[i].substr(0, 65));
  for (const char* riga : {
           "  | 140 | 150 | 155 | 180 |      ||            Cippo Km 131.000 |",
           "  |     |     |     |     |      ||    0.00   -------------     |",
           "  | 130 | 130 | 140 |     |      ||          Cavalcavia Km 1.900|",
           "  |     |     |     |     |     _||_                            |",
       }) {
    EXPECT_EQ(seconda.count(riga), 1u) << riga;
  }
}

// The buffer stops stand over the terminal, which carries the kilometre
// and the name; the page closes under it.
TEST_F(SchedaTreno, BookletEndsAtTheTerminalUnderItsBufferStops) {
  EXPECT_EQ(righe_[149], "  |     |     |     |     |     _||_                            |     ");
  EXPECT_EQ(righe_[150], "  |     |     |     |     |    |____|197.55   LAGOMARINO        |");
  EXPECT_EQ(righe_[151], "  |_____|_____|_____|_____|_____________________________________|");
}

// Each station of the train source stands in the booklet under its name
// with the kilometre the line source's numbering gives it.
TEST_F(SchedaTreno, BookletStationsAtTheirKilometres) {
  std::vector<std::pair<int, int>> progressive;  // from, offset
  for (const std::string& r : righe_linea()) {
    if (r.rfind("progressiva chilometrica", 0) != 0) continue;
    const auto v = record({"p," + r.substr(r.find(',') + 1)}, "p").front();
    if (std::stoi(v[0]) > 0) progressive.push_back({std::stoi(v[0]), std::stoi(v[1])});
  }
  ASSERT_EQ(progressive.size(), 2u);
  for (const auto& s : record(righe_treno(), "stazione")) {
    const int posizione = std::stoi(s[0]);
    int metri = posizione;
    for (const auto& [da, scostamento] : progressive) {
      if (posizione >= da) metri = posizione + scostamento;
    }
    char km[16];
    std::snprintf(km, sizeof km, "%d.%02d", metri / 1000, metri % 1000 / 10);
    const std::string nome = maiuscole(s.back());
    int trovate = 0;
    for (int i = 61; i <= 150; ++i) {
      if (i == 93 || (i > 93 && i < 116)) continue;
      const bool prima = i < 93;
      const std::string c = colonna(righe_[i], prima ? 51 : 37);
      const size_t fine_km = prima ? 18 : 16, inizio_nome = prima ? 27 : 19;
      if (c.substr(inizio_nome, nome.size()) != nome) continue;
      ++trovate;
      EXPECT_EQ(c.substr(fine_km - std::strlen(km), std::strlen(km)), km) << righe_[i];
      EXPECT_EQ(c.substr(fine_km, inizio_nome - fine_km), std::string(inizio_nome - fine_km, ' ')) << righe_[i];
    }
    EXPECT_EQ(trovate, 1) << nome;
  }
}

TEST_F(SchedaTreno, BookletTunnelMouthsInPairs) {
  const std::regex bocca(" *(Imb|Sb)\\.Gall\\.[A-Z. ]+ Km \\d+\\.\\d\\d\\d");
  int imbocchi = 0, sbocchi = 0;
  for (int i = 61; i <= 150; ++i) {
    const size_t dove = righe_[i].find("Gall.");
    if (dove == std::string::npos) continue;
    const std::string c = colonna(righe_[i], i < 93 ? 51 : 37);
    EXPECT_TRUE(std::regex_match(c.substr(8), bocca)) << righe_[i];
    (righe_[i].find("Imb.Gall.") != std::string::npos ? imbocchi : sbocchi)++;
  }
  EXPECT_EQ(imbocchi, 6);
  EXPECT_EQ(sbocchi, 6);
  EXPECT_EQ(righe_[87].substr(27), "      ||                 Imb.Gall.VALDORO Km 90.300|");
}

// Read down the booklet, the speeds printed where they change give, in
// order, every change of the line source's boards for ranks A, B and C.
TEST_F(SchedaTreno, BookletSpeedsFollowTheLineSourceBoards) {
  std::vector<std::array<int, 3>> cartelli;
  for (const auto& v : record(righe_linea(), "indicatori_vmax")) {
    const std::array<int, 3> s = {std::stoi(v[1]), std::stoi(v[2]), std::stoi(v[3])};
    if (cartelli.empty() || cartelli.back() != s) cartelli.push_back(s);
  }
  std::vector<std::array<int, 3>> libretto;
  std::array<int, 3> ora = {0, 0, 0};
  for (int i = 61; i <= 150; ++i) {
    if (i >= 93 && i < 116) continue;
    bool cambia = false;
    for (size_t k = 0; k < 3; ++k) {
      const std::string cella = righe_[i].substr(3 + 6 * k, 5);
      if (cella == "     ") continue;
      ora[k] = std::stoi(cella);
      cambia = true;
    }
    if (cambia) libretto.push_back(ora);
  }
  EXPECT_EQ(libretto, cartelli);
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

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "testing/prova_record.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

std::vector<std::string> righe_scritte(const std::string& testo) {
  std::vector<std::string> righe;
  size_t inizio = 0;
  for (size_t fine; (fine = testo.find("\r\n", inizio)) != std::string::npos; inizio = fine + 2) {
    righe.push_back(testo.substr(inizio, fine - inizio));
  }
  EXPECT_EQ(inizio, testo.size()) << "text after the last CR LF";
  return righe;
}

class OrdineRallentamento : public ::testing::Test {
 protected:
  void SetUp() override {
    dati_rallentamenti("Valdoro", "Dir 5802", dir_.percorso());
    testo_ = dir_.leggi(file_rallentamenti("Valdoro", "Dir 5802"));
    righe_ = righe_scritte(testo_);
    ASSERT_EQ(righe_.size(), 46u);
  }

  cartella_temporanea dir_;
  std::string testo_;
  std::vector<std::string> righe_;
};

TEST_F(OrdineRallentamento, FixedLinesOfTheForm) {
  const std::string vuota = " |   |                            |            |          |         |            |";
  const std::string chiusura = " |___|____________________________|____________|__________|_________|____________|";
  const std::vector<std::pair<int, std::string>> attese = {
      {0, ""},
      {1, "                               Modulo M. 3"},
      {2, "                           ORDINE DI RALLENTAMENTO"},
      {3, " ________________________________________________________________________________"},
      {5, ""},
      {6, "  Si ordina al macchinista del treno 5802 di effettuare i seguenti rallentamenti"},
      {7, "  _______________________________________________________________________________"},
      {8, " |   |                            |Inizio dopo |          |         |            |"},
      {9, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
      {10, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
      {11, chiusura},
      {38, chiusura},
      {39, ""},
      {40, "              Prescrizioni specifiche"},
      {41, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
      {42, " B - Interessa anche la stazione di......."},
      {43, " D - Rallentamneto N. ... e N. ...  sono contigui"},
      {44, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
      {45, "     i giorni esclusi i seguenti:........."},
  };
  for (const auto& [numero, testo] : attese) EXPECT_EQ(righe_[numero], testo) << "line " << numero;
  for (int i = 16; i <= 37; ++i) EXPECT_EQ(righe_[i], vuota) << "line " << i;
}

TEST_F(OrdineRallentamento, EveryTableLineHasTheSixCellsOfTheForm) {
  const std::vector<size_t> larghezze = {3, 28, 12, 10, 9, 12};
  for (int i = 8; i <= 38; ++i) {
    const std::string& r = righe_[i];
    SCOPED_TRACE("line " + std::to_string(i) + ": " + r);
    ASSERT_EQ(r.size(), 82u);
    ASSERT_EQ(r.substr(0, 2), " |");
    size_t inizio = 2;
    for (size_t larghezza : larghezze) {
      EXPECT_EQ(r.find('|', inizio), inizio + larghezza);
      inizio += larghezza + 1;
    }
  }
}

TEST_F(OrdineRallentamento, RowsRepeatTheTrainSourceSlowdownsBetweenTheirStations) {
  const auto rallentamenti = record(righe_treno(), "rallentamento");
  const auto stazioni = record(righe_treno(), "stazione");
  ASSERT_EQ(rallentamenti.size(), 4u);
  for (size_t i = 0; i < rallentamenti.size(); ++i) {
    const int inizio = std::stoi(rallentamenti[i][0]);
    const int fine = inizio + std::stoi(rallentamenti[i][2]);
    std::string da, a;
    for (const auto& s : stazioni) {
      if (std::stoi(s[0]) <= inizio) da = s.back();
      if (a.empty() && std::stoi(s[0]) > fine) a = s.back();
    }
    std::string stazioni_cella = da + " - " + a;
    stazioni_cella.resize(28, ' ');
    std::string km = std::to_string(inizio / 1000) + ".000";
    km.insert(0, 8 - km.size(), ' ');
    std::string velocita = rallentamenti[i][1], lunghezza = rallentamenti[i][2];
    velocita.resize(6, ' ');
    lunghezza.resize(6, ' ');
    EXPECT_EQ(righe_[12 + i], " | " + std::to_string(i + 1) + " |" + stazioni_cella + "|" + km + "    |    " +
                                  velocita + "|   " + lunghezza + "|            |");
  }
  EXPECT_EQ(righe_[12], " | 1 |Roccavalle - Fornaci        |   2.000    |    60    |   800   |            |");
  EXPECT_EQ(righe_[15], " | 4 |Molo Vecchio - Lagomarino   | 208.000    |    65    |   750   |            |");
  EXPECT_EQ(righe_[4], "  Linea  " + stazioni.front().back() + "-" + stazioni.back().back());
}

TEST_F(OrdineRallentamento, OnlyAscii) {
  for (char c : testo_) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
}

}  // namespace
}  // namespace valdoro

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

// The notes as the reader gets them: the bytes on disk cut at CR LF.
class Note : public ::testing::Test {
 protected:
  void SetUp() override {
    dati_note("Valdoro", "Dir 5802", dir_.percorso());
    testo_ = dir_.leggi(file_note("Valdoro", "Dir 5802"));
    size_t inizio = 0;
    for (size_t fine; (fine = testo_.find("\r\n", inizio)) != std::string::npos; inizio = fine + 2) {
      righe_.push_back(testo_.substr(inizio, fine - inizio));
    }
    ASSERT_EQ(inizio, testo_.size()) << "text after the last CR LF";
  }

  cartella_temporanea dir_;
  std::string testo_;
  std::vector<std::string> righe_;
};

TEST_F(Note, ThirtyLinesClosedByGreetingNameAndAddress) {
  ASSERT_EQ(righe_.size(), 30u);
  EXPECT_EQ(righe_[27], "    Saluti.");
  EXPECT_EQ(righe_[28], "    Marco.");
  EXPECT_EQ(righe_[29], "    marco.valdoro@example.org ");
}

TEST_F(Note, ProseIsBrokenByHandAtItsWidths) {
  ASSERT_EQ(righe_.size(), 30u);
  const std::set<size_t> inizi_paragrafo = {0, 12, 14, 25};
  const std::set<size_t> fini_paragrafo = {11, 13, 24, 26};
  for (size_t i = 0; i <= 26; ++i) {
    const std::string& r = righe_[i];
    SCOPED_TRACE("line " + std::to_string(i) + ": " + r);
    EXPECT_EQ(r.rfind("    ", 0) == 0, inizi_paragrafo.count(i) == 1);
    EXPECT_NE(r.substr(inizi_paragrafo.count(i) ? 4 : 0, 1), " ");
    if (i == 20) {
      EXPECT_EQ(r.size(), 194u);
    } else if (fini_paragrafo.count(i)) {
      EXPECT_LT(r.size(), 94u);
    } else {
      EXPECT_GE(r.size(), 94u);
      EXPECT_LE(r.size(), 98u);
    }
  }
}

TEST_F(Note, TrailingBlanksOnlyWhereTheAuthorLeftThem) {
  std::vector<size_t> con_spazio;
  for (size_t i = 0; i < righe_.size(); ++i) {
    if (!righe_[i].empty() && righe_[i].back() == ' ') con_spazio.push_back(i);
  }
  EXPECT_EQ(con_spazio, (std::vector<size_t>{5, 9, 11, 20, 29}));
  for (size_t i : con_spazio) EXPECT_NE(righe_[i][righe_[i].size() - 2], ' ') << "line " << i;
}

TEST_F(Note, AccentsAreSingleBytes) {
  std::set<unsigned char> alti;
  for (char c : testo_) {
    if (static_cast<unsigned char>(c) >= 0x80) alti.insert(static_cast<unsigned char>(c));
  }
  EXPECT_EQ(alti, (std::set<unsigned char>{0xE0, 0xE8, 0xF2, 0xF9}));
}

TEST_F(Note, TellsTheTrainAndItsCoaches) {
  ASSERT_EQ(righe_.size(), 30u);
  std::string vetture;
  for (const std::string& r : righe_treno()) {
    if (r.rfind("numero vetture,", 0) == 0) vetture = r.substr(r.find_last_of(' ') + 1);
  }
  ASSERT_EQ(vetture, "7");
  EXPECT_NE(righe_[12].find("il Diretto 5802, composto da " + vetture + " carrozze,"), std::string::npos);
}

}  // namespace
}  // namespace valdoro

#include "model/errori.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace valdoro {
namespace {

TEST(ErrorTable, NumbersRiseAndAreUnique) {
  const auto& tabella = tabella_errori();
  for (size_t i = 1; i < tabella.size(); ++i) EXPECT_LT(tabella[i - 1].numero, tabella[i].numero);
}

TEST(ErrorTable, FourteenAndTwentyThreeAreNotUsed) {
  EXPECT_EQ(significato_errore(14), "unknown error");
  EXPECT_EQ(significato_errore(23), "unknown error");
}

TEST(ErrorTable, ReadmeListsEveryNumberWithItsMeaning) {
  std::ifstream in(VALDORO_SOURCE_DIR "/README.md");
  std::stringstream testo;
  testo << in.rdbuf();
  for (const voce_errore& v : tabella_errori()) {
    const std::string riga = "| " + std::to_string(v.numero) + " | " + v.significato + " |";
    EXPECT_NE(testo.str().find(riga), std::string::npos) << riga;
  }
  EXPECT_NE(testo.str().find(std::string("\"") + kGeneraleVuota + "\""), std::string::npos);
}

TEST(RecordedError, NamesPlaceNumberAndMeaning) {
  scenario s;
  registra_errore(s, 15, {"Valdoro_linea.txt", 12, 1});
  EXPECT_EQ(descrivi_errore(s), "Valdoro_linea.txt:12:1: error 15: position beyond the usable end of the track");
  registra_errore(s, 101, {"Valdoro_linea.txt", 0, 0});
  EXPECT_EQ(descrivi_errore(s), "Valdoro_linea.txt: error 101: line source missing");
  registra_errore(s, 11);
  EXPECT_EQ(descrivi_errore(s), "error 11: no free cell for the speed mark behind a slowdown warning");
}

}  // namespace
}  // namespace valdoro

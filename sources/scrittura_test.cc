#include "sources/scrittura.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

TEST(WritingSequence, EveryLineEndsWithCrLf) {
  EXPECT_EQ(testo_file({"[generale]", "", "  x  ", "[fine]"}), "[generale]\r\n\r\n  x  \r\n[fine]\r\n");
}

TEST(WritingSequence, StopsAtTheSentinel) { EXPECT_EQ(testo_file({"a", kSentinella, "b"}), "a\r\n"); }

TEST(WritingSequence, ListHoldsAThousandLines) {
  EXPECT_EQ(testo_file(std::vector<std::string>(1000, "x")).size(), 3000u);
  EXPECT_THROW(testo_file(std::vector<std::string>(1001, "x")), std::length_error);
}

TEST(WritingSequence, ReplacesALongerEarlierFile) {
  cartella_temporanea dir;
  dir.scrivi("Valdoro_linea.txt", std::string(5000, 'z'));
  scrivi_righe(dir.percorso(), "Valdoro_linea.txt", {"[fine]"});
  EXPECT_EQ(dir.leggi("Valdoro_linea.txt"), "[fine]\r\n");
}

}  // namespace
}  // namespace valdoro

#include "util/cp1252.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace valdoro {
namespace {

TEST(Cp1252, AccentsAndHalfBecomeSingleBytes) {
  EXPECT_EQ(in_cp1252("Validità è ò ù ½ plain"), "Validit\xE0 \xE8 \xF2 \xF9 \xBD plain");
  EXPECT_EQ(in_cp1252("€ “x”"), "\x80 \x93x\x94");
}

TEST(Cp1252, RefusesWhatTheCodePageLacks) {
  for (const char* testo : {"\xE2\x82", "\xFF", "ĉ", "\xE2\x94\x80" /* box drawing */}) {
    EXPECT_THROW(in_cp1252(testo), std::invalid_argument) << testo;
  }
}

// Each byte with its UTF-8, worked out from the code page's chart: the edges
// of the 0x80..0x9F block, a hole, and the Latin-1 half beside it.
TEST(Cp1252, DecodesEachByteToItsCharacter) {
  const struct {
    const char* cp1252;
    const char* utf8;
  } casi[] = {
      {"A", "A"},
      {"\x80", "\xE2\x82\xAC"},  // euro sign
      {"\x8A", "\xC5\xA0"},      // S with caron
      {"\x99", "\xE2\x84\xA2"},  // trade mark
      {"\x9F", "\xC5\xB8"},      // Y with diaeresis
      {"\x81", "\xC2\x81"},      // a hole: the C1 control of its number
      {"\xA0", "\xC2\xA0"},
      {"\xE0", "\xC3\xA0"},
      {"\xFF", "\xC3\xBF"},
  };
  for (const auto& c : casi) EXPECT_EQ(da_cp1252(c.cp1252), c.utf8) << c.utf8;
}

TEST(Cp1252, EveryDefinedByteComesBackAndNoHoleDoes) {
  const std::set<int> buchi = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(definito_in_cp1252(static_cast<unsigned char>(b)), buchi.count(b) == 0) << b;
    if (buchi.count(b) != 0) {
      EXPECT_THROW(in_cp1252(da_cp1252(byte)), std::invalid_argument) << b;
    } else {
      EXPECT_EQ(in_cp1252(da_cp1252(byte)), byte) << b;
    }
  }
}

}  // namespace
}  // namespace valdoro

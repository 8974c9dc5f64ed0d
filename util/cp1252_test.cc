#include "util/cp1252.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

}  // namespace
}  // namespace valdoro

#include "cli/terminale.h"

#include <gtest/gtest.h>

#include <string>

namespace valdoro {
namespace {

TEST(PerTerminale, ControlsAndBytesThatAreNoUtf8AreShownAsHexAndLettersStay) {
  const struct {
    std::string utf8, atteso;
  } casi[] = {
      {"plain text, 0 errors", "plain text, 0 errors"},
      {"\x1B[2K\r0 errors", "\\x1B[2K\\x0D0 errors"},  // erase the line, back to its start
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x07\x08\t\n\x1F\x7F", "\\x07\\x08\\x09\\x0A\\x1F\\x7F"},
      {"Citt\xC3\xA0 \xE2\x82\xAC \xC5\xB8 \xC3\xBF", "Citt\xC3\xA0 \xE2\x82\xAC \xC5\xB8 \xC3\xBF"},
      {"\xC2\x9B"
       "2J",
       "\\x9B2J"},                                                      // C1's CSI, taken as ESC [ by some terminals
      {"\xC2\x80\xC2\x81\xC2\x9F\xC2\xA0", "\\x80\\x81\\x9F\xC2\xA0"},  // U+00A0 is a letter
      {"\xF0\x9F\x9A\x82", "\xF0\x9F\x9A\x82"},                         // four bytes
      {"Citt\xE0", "Citt\\xE0"},                                        // Windows-1252, not UTF-8
      {"\xE2\x82", "\\xE2\\x82"},                                       // cut short
      {"\xC0\xAF", "\\xC0\\xAF"},                                       // overlong '/'
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},                              // a surrogate
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},                     // past U+10FFFF
      {"\x80\xBF", "\\x80\\xBF"},                                       // continuation bytes alone
  };
  for (const auto& c : casi) EXPECT_EQ(per_terminale(c.utf8), c.atteso) << c.utf8;
}

}  // namespace
}  // namespace valdoro

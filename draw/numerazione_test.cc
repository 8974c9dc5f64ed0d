#include "draw/numerazione.h"

#include <gtest/gtest.h>

#include <iterator>
#include <utility>

namespace valdoro {
namespace disegno {
namespace {

// Numbered from 0 to 599, restarted from nought at 600, on from 900 at
// 800; row 83 starts at 300 with no offset and so changes nothing, and a
// start past the route's end is not on it.
tabella_stazioni_t numerata() {
  tabella_stazioni_t t{};
  t[81].inizio = 800;
  t[81].fine = 100;
  t[82].inizio = 600;
  t[82].fine = -600;
  t[83].inizio = 300;
  t[83].fine = 0;
  return t;
}

TEST(Numerazione, ChangesNameBothCounts) {
  const std::vector<cambio_numerazione> c = cambi_numerazione(numerata(), 1000);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].metro, 600);
  EXPECT_EQ(c[0].prima, 600);  // 599 reached, the next metre would be 600
  EXPECT_EQ(c[0].dopo, 0);
  EXPECT_EQ(c[1].metro, 800);
  EXPECT_EQ(c[1].prima, 200);  // 600 + 199 - 600 + 1
  EXPECT_EQ(c[1].dopo, 900);   // 800 + 100
  EXPECT_EQ(cambi_numerazione(numerata(), 700).size(), 1u);
}

// Every 250 numbered metres: 0, 250 and 500 in the first count; nought at
// 600 is where the count changes, and 250 of the second count would be at
// 850, past its end at 800; the third count runs 900 to 1100, with 1000
// at metre 900.
TEST(Numerazione, MarksFallOnWholeStepsOfEachCount) {
  const std::pair<int32_t, int64_t> attese[] = {{0, 0}, {250, 250}, {500, 500}, {900, 1000}};
  const std::vector<tacca> t = tacche(numerata(), 1000, 250);
  ASSERT_EQ(t.size(), std::size(attese));
  for (size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i].metro, attese[i].first) << i;
    EXPECT_EQ(t[i].numerati, attese[i].second) << i;
  }
}

TEST(Numerazione, KilometresWithoutTrailingZeros) {
  const std::pair<int64_t, const char*> casi[] = {
      {0, "0"}, {12000, "12"}, {180350, "180.35"}, {1005, "1.005"}, {-1500, "-1.5"}};
  for (const auto& [metri, testo] : casi) EXPECT_EQ(chilometri(metri), testo) << metri;
  EXPECT_EQ(lunghezza_km(218000), "218 km");
}

}  // namespace
}  // namespace disegno
}  // namespace valdoro

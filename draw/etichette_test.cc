#include "draw/etichette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace valdoro {
namespace {

TEST(Etichette, SegmentsAndBoxes) {
  EXPECT_TRUE(si_incrociano({0, 0}, {10, 10}, {0, 10}, {10, 0}));
  EXPECT_FALSE(si_incrociano({0, 0}, {10, 10}, {10, 10}, {20, 0}));  // ends that touch
  EXPECT_FALSE(si_incrociano({0, 0}, {10, 0}, {0, 5}, {10, 5}));
  EXPECT_TRUE(attraversa({-5, 5}, {15, 5}, {0, 0, 10, 10}));
  EXPECT_TRUE(attraversa({5, 5}, {6, 6}, {0, 0, 10, 10}));  // wholly inside
  EXPECT_FALSE(attraversa({-5, -5}, {-5, 15}, {0, 0, 10, 10}));
  EXPECT_FALSE(attraversa({5, 20}, {20, 5}, {0, 0, 10, 10}));  // past a corner
  EXPECT_DOUBLE_EQ(distanza({0, 0, 10, 10}, {13, 14}), 5);
  EXPECT_DOUBLE_EQ(distanza({0, 0, 10, 10}, {3, 4}), 0);
}

struct caso_posa {
  const char* nome;
  std::vector<punto> punti;                    // named points, each with a text 70 x 16
  std::vector<std::pair<punto, punto>> linee;  // lines no text may cover
};

// The rules a reader relies on, whatever the points: every text placed,
// in the field, clear of the other texts, of every mark and of the line;
// beside its point and nearer it than any other, or on a leader from it
// and 14 px from every other point; no two leaders crossing.
TEST(Etichette, EveryNameReadsAsItsOwnPoints) {
  const caso_posa casi[] = {
      {"far apart", {{100, 100}, {300, 300}, {500, 100}}, {}},
      {"a row 20 px apart along the line",
       {{100, 200}, {120, 200}, {140, 200}, {160, 200}, {180, 200}, {200, 200}},
       {{{50, 200}, {300, 200}}}},
      {"one ringed by three 30 px off", {{300, 300}, {300, 270}, {274, 315}, {326, 315}}, {}},
      {"two on the same spot", {{200, 200}, {200, 200}, {260, 200}}, {}},
      {"a junction: two lines crossing, stations on both",
       {{300, 300}, {320, 300}, {280, 300}, {300, 320}, {300, 280}, {340, 340}},
       {{{100, 300}, {500, 300}}, {{300, 100}, {300, 500}}, {{200, 200}, {400, 400}}}},
      {"a tight cluster of eight", {}, {}},
      {"in a corner of the field", {{12, 12}, {30, 12}, {12, 30}}, {}},
  };
  for (caso_posa c : casi) {
    SCOPED_TRACE(c.nome);
    if (c.punti.empty()) {
      for (int i = 0; i < 8; ++i) c.punti.push_back({300 + 12 * std::cos(i * 0.785), 300 + 12 * std::sin(i * 0.785)});
    }
    posatore p({0, 0, 640, 640});
    for (const auto& [a, b] : c.linee) p.occupa_linea(a, b);
    std::vector<int> nomi;
    for (punto q : c.punti) nomi.push_back(p.nomina(q, 4));
    std::vector<posto> posti(c.punti.size());
    for (size_t i = 0; i < c.punti.size(); ++i) {
      ASSERT_TRUE(p.posa(70, 16, c.punti[i], nomi[i], &posti[i])) << i;
    }
    for (size_t i = 0; i < posti.size(); ++i) {
      const riquadro& r = posti[i].scatola;
      EXPECT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= 640 && r.y1 <= 640) << i;
      const double mia = distanza(r, c.punti[i]);
      EXPECT_EQ(posti[i].con_guida, mia > 10) << i;
      for (size_t j = 0; j < posti.size(); ++j) {
        if (j == i) continue;
        EXPECT_FALSE(si_toccano(r, posti[j].scatola)) << i << " " << j;
        const punto q = c.punti[j];
        EXPECT_FALSE(si_toccano(r, {q.x - 4, q.y - 4, q.x + 4, q.y + 4})) << i << " covers " << j;
        if (posti[i].con_guida) {
          EXPECT_GE(distanza(r, q), 14) << i << " by " << j;
          if (posti[j].con_guida) {
            EXPECT_FALSE(si_incrociano(posti[i].guida_da, posti[i].guida_a, posti[j].guida_da, posti[j].guida_a))
                << i << " " << j;
          }
        } else {
          EXPECT_GE(distanza(r, q) + 0.5, mia) << i << " nearer " << j;
        }
      }
      for (const auto& [a, b] : c.linee) EXPECT_FALSE(attraversa(a, b, r)) << i;
    }
  }
}

// Texts with no point of their own (kilometres) go only where there is
// room within the rings they are given, and take nothing when there is none.
TEST(Etichette, ATextWithoutRoomTakesNothing) {
  posatore p({0, 0, 100, 40});
  posto dove;
  ASSERT_TRUE(p.posa(60, 16, {20, 20}, -1, &dove, 1));
  EXPECT_FALSE(p.posa(60, 16, {20, 20}, -1, &dove, 1));
  EXPECT_TRUE(p.prendi({0, 30, 10, 40}));
  EXPECT_FALSE(p.prendi({5, 35, 15, 40}));
}

}  // namespace
}  // namespace valdoro

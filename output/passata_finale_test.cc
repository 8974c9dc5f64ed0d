#include "output/passata_finale.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/errori.h"

namespace valdoro {
namespace {

// A track of `n` cells with objects placed as (cell, tipo, valore1).
struct oggetto {
  int32_t cella;
  uint8_t tipo;
  int16_t valore1;
};

scenario binario(int32_t n, const std::vector<oggetto>& oggetti) {
  scenario s;
  s.celle.resize(static_cast<size_t>(n));
  for (const oggetto& o : oggetti) {
    s.celle[static_cast<size_t>(o.cella)].tipo = o.tipo;
    s.celle[static_cast<size_t>(o.cella)].valore1 = o.valore1;
  }
  return s;
}

// Every cell that holds an object, as "cell:tipo/valore1", and the error.
std::string oggetti_e_errore(const scenario& s, const diagnostiche& d) {
  std::string out;
  for (size_t i = 0; i < s.celle.size(); ++i) {
    const cella& c = s.celle[i];
    if (c.tipo == 0) continue;
    out += std::to_string(i) + ":" + std::to_string(c.tipo) + "/" + std::to_string(c.valore1) + " ";
  }
  return out + "e" + std::to_string(d.codice_errore());
}

std::string dopo_passata(int32_t n, const std::vector<oggetto>& oggetti) {
  scenario s = binario(n, oggetti);
  diagnostiche d;
  luoghi_record luoghi;
  passata_finale(s, d, luoghi);
  if (d.ultimo_errore() != nullptr) {
    EXPECT_TRUE(d.ultimo_errore()->dove.file.empty());
  }
  return oggetti_e_errore(s, d);
}

TEST(Minimo, SmallerOfTheTwoAndTheFirstWhenEqual) {
  EXPECT_EQ(minimo(180, 200), 180);
  EXPECT_EQ(minimo(180, 150), 150);
  EXPECT_EQ(minimo(180, 180), 180);
  EXPECT_EQ(minimo(180, -5), -5);
}

TEST(PassataFinale, SignalsBehindAWarningBoard) {
  struct {
    const char* caso;
    std::vector<oggetto> oggetti;
    const char* atteso;
  } casi[] = {
      {"board at cell 5 looks back at cells 4 and 3 only",
       {{5, 4, 0}, {4, 1, 0}, {2, 1, 0}},
       "2:1/0 3:12/180 4:1/0 5:4/0 e0"},
      {"cell before the signal taken: the one before that",
       {{15, 4, 0}, {10, 1, 0}, {9, 10, 0}},
       "8:12/180 9:10/0 10:1/0 15:4/0 e0"},
      {"every signal within 20 cells, none at 21",
       {{31, 4, 0}, {30, 1, 0}, {11, 1, 0}, {10, 1, 0}},
       "9:12/180 10:1/0 11:1/0 29:12/180 30:1/0 31:4/0 e0"},
      {"mountain marker counts as free", {{15, 4, 0}, {10, 1, 0}, {9, 11, 0}}, "9:12/180 10:1/0 15:4/0 e0"},
      {"restriction of 200 before the signal lowered, the 150 after it untouched",
       {{15, 4, 0}, {10, 1, 0}, {9, 12, 200}, {8, 12, 150}},
       "8:12/150 9:12/180 10:1/0 15:4/0 e0"},
      {"150 before the signal already lower: nothing changes",
       {{15, 4, 0}, {10, 1, 0}, {9, 12, 150}, {8, 12, 200}},
       "8:12/200 9:12/150 10:1/0 15:4/0 e0"},
      {"restriction only two cells before",
       {{15, 4, 0}, {10, 1, 0}, {9, 10, 0}, {8, 12, 300}},
       "8:12/180 9:10/0 10:1/0 15:4/0 e0"},
      {"both cells taken by other objects",
       {{15, 4, 0}, {10, 1, 0}, {9, 10, 0}, {8, 14, 0}},
       "8:14/0 9:10/0 10:1/0 15:4/0 e11"},
      {"no slowdown, no warning: nothing changes",
       {{3, 1, 0}, {10, 1, 0}, {12, 12, 300}, {20, 10, 1}},
       "3:1/0 10:1/0 12:12/300 20:10/1 e0"},
  };
  for (const auto& c : casi) EXPECT_EQ(dopo_passata(40, c.oggetti), c.atteso) << c.caso;
}

TEST(PassataFinale, WindowsBeforeASlowdownStart) {
  struct {
    const char* caso;
    std::vector<oggetto> oggetti;
    const char* atteso;
  } casi[] = {
      {"start at cell 7: no window", {{7, 3, 120}, {9, 2, 120}}, "7:3/120 9:2/120 e0"},
      {"start at cell 8: window over cells 3, 2, 1", {{8, 3, 120}, {10, 2, 120}}, "3:12/180 8:3/120 10:2/120 e0"},
      {"start at cell 21: three windows",
       {{21, 3, 120}, {23, 2, 120}},
       "3:12/180 10:12/180 16:12/180 21:3/120 23:2/120 e0"},
      {"taken cells pass the mark on in each window",
       {{21, 3, 120}, {23, 2, 120}, {16, 1, 0}, {10, 10, 1}, {9, 10, 1}},
       "3:12/180 8:12/180 9:10/1 10:10/1 15:12/180 16:1/0 21:3/120 23:2/120 e0"},
      {"a full window records 12, the others are still marked",
       {{21, 3, 120}, {23, 2, 120}, {10, 14, 0}, {9, 14, 0}, {8, 14, 0}},
       "3:12/180 8:14/0 9:14/0 10:14/0 16:12/180 21:3/120 23:2/120 e12"},
  };
  for (const auto& c : casi) EXPECT_EQ(dopo_passata(40, c.oggetti), c.atteso) << c.caso;
}

TEST(PassataFinale, InsideAndAfterASlowdown) {
  // Start at 30 and end at 50: windows at 25, 19 and 12 in every case.
  struct {
    const char* caso;
    std::vector<oggetto> oggetti;
    const char* atteso;
  } casi[] = {
      {"100 km/h over 20 cells, signal after the end",
       {{30, 3, 100}, {50, 2, 100}, {55, 1, 0}},
       "12:12/180 19:12/180 25:12/180 30:3/100 38:12/180 46:12/180 50:2/100 54:12/180 55:1/0 e0"},
      {"the cell at 8 taken: the one before, and counting from there",
       {{30, 3, 100}, {50, 2, 100}, {38, 10, 1}},
       "12:12/180 19:12/180 25:12/180 30:3/100 37:12/180 38:10/1 45:12/180 50:2/100 e0"},
      {"8 and 7 taken: the one after",
       {{30, 3, 100}, {50, 2, 100}, {38, 10, 1}, {37, 10, 1}},
       "12:12/180 19:12/180 25:12/180 30:3/100 37:10/1 38:10/1 39:12/180 47:12/180 50:2/100 e0"},
      {"no cell near 8: error 13 and no further marks inside",
       {{30, 3, 100}, {50, 2, 100}, {37, 10, 1}, {38, 10, 1}, {39, 10, 1}},
       "12:12/180 19:12/180 25:12/180 30:3/100 37:10/1 38:10/1 39:10/1 50:2/100 e13"},
      {"110 km/h: no marks inside, signal after the end still served",
       {{30, 3, 110}, {50, 2, 110}, {62, 1, 0}},
       "12:12/180 19:12/180 25:12/180 30:3/110 50:2/110 61:12/180 62:1/0 e0"},
      {"signal 13 cells after the end is out of reach",
       {{30, 3, 110}, {50, 2, 110}, {63, 1, 0}},
       "12:12/180 19:12/180 25:12/180 30:3/110 50:2/110 63:1/0 e0"},
      {"cell before the signal taken: the one before that",
       {{30, 3, 110}, {50, 2, 110}, {55, 1, 0}, {54, 10, 1}},
       "12:12/180 19:12/180 25:12/180 30:3/110 50:2/110 53:12/180 54:10/1 55:1/0 e0"},
      {"both cells before the signal taken: 13",
       {{30, 3, 110}, {50, 2, 110}, {55, 1, 0}, {54, 10, 1}, {53, 10, 1}},
       "12:12/180 19:12/180 25:12/180 30:3/110 50:2/110 53:10/1 54:10/1 55:1/0 e13"},
      {"slow speed compared as signed: -1 walks",
       {{30, 3, -1}, {40, 2, -1}},
       "12:12/180 19:12/180 25:12/180 30:3/-1 38:12/180 40:2/-1 e0"},
  };
  for (const auto& c : casi) EXPECT_EQ(dopo_passata(80, c.oggetti), c.atteso) << c.caso;
}

// Each error of the pass names the cells it could not use and the slowdown
// it worked for, told at the slowdown's record when the track has one.
TEST(PassataFinale, ErrorsSayWhichCellsAndWhichSlowdown) {
  struct {
    const char* caso;
    int32_t celle;
    std::vector<oggetto> oggetti;
    const char* atteso;
  } casi[] = {
      {"signal behind a warning with both cells before it taken",
       40,
       {{20, 4, 100}, {15, 1, 0}, {14, 10, 1}, {13, 10, 1}},
       "error 11: no free cell for the speed mark before the signal in cell 15 (cell 14 and cell 13 are taken), "
       "behind the slowdown warning in cell 20"},
      {"a full window before a start",
       40,
       {{21, 3, 120}, {23, 2, 120}, {10, 14, 0}, {9, 14, 0}, {8, 14, 0}},
       "Valdoro_Dir 5802-.txt:7:1: error 12: no free cell among cell 10, 9 and 8 for a speed mark before the "
       "slowdown starting in cell 21"},
      {"no cell near 8 inside",
       80,
       {{30, 3, 100}, {50, 2, 100}, {37, 10, 1}, {38, 10, 1}, {39, 10, 1}},
       "error 13: no free cell among cell 37, 38 and 39 for a mark inside the slowdown starting in cell 30"},
      {"start with no end ahead",
       40,
       {{10, 3, 100}},
       "error 250: the slowdown starting in cell 10 has no end cell after it on the track"},
      {"end too close to the last cell",
       40,
       {{10, 3, 120}, {30, 2, 120}},
       "error 250: the look for a signal after the slowdown ending in cell 30 would reach cell 42, past the last "
       "cell of the track, 39"},
  };
  for (const auto& c : casi) {
    scenario s = binario(c.celle, c.oggetti);
    diagnostiche d;
    luoghi_record luoghi;
    luoghi.inizi_rallentamento.emplace_back(21, luogo{"Valdoro_Dir 5802-.txt", 7, 1});
    passata_finale(s, d, luoghi);
    ASSERT_NE(d.ultimo_errore(), nullptr) << c.caso;
    EXPECT_EQ(descrivi(*d.ultimo_errore()), c.atteso) << c.caso;
  }
}

TEST(PassataFinale, WalksThatWouldLeaveTheTrackAreRefused) {
  struct {
    const char* caso;
    int32_t celle;
    std::vector<oggetto> oggetti;
    const char* atteso;
  } casi[] = {
      {"start with no end ahead", 40, {{10, 3, 100}}, "5:12/180 10:3/100 e250"},
      {"fast start with no end ahead", 40, {{10, 3, 120}}, "5:12/180 10:3/120 e250"},
      {"end too close to the last cell for the signal search",
       40,
       {{10, 3, 120}, {30, 2, 120}},
       "5:12/180 10:3/120 30:2/120 e250"},
      {"a mark would be looked for past the last cell",
       18,
       {{9, 3, 100}, {17, 2, 100}, {16, 10, 1}},
       "4:12/180 9:3/100 16:10/1 17:2/100 e250"},
      {"too short a track for the pass", 2, {{1, 3, 100}}, "1:3/100 e0"},
      {"empty track", 0, {}, "e0"},
  };
  for (const auto& c : casi) EXPECT_EQ(dopo_passata(c.celle, c.oggetti), c.atteso) << c.caso;
}

}  // namespace
}  // namespace valdoro

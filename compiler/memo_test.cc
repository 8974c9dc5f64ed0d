#include "compiler/memo.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/prova_descrizione.h"

namespace valdoro {
namespace {

// A track of `celle` empty cells, and what the stores report on it.
struct binario {
  explicit binario(size_t celle) { s.celle.resize(celle); }
  scenario s;
  diagnostiche d;
  luoghi_record luoghi;
  compilazione comp{s, d, luoghi};
};

std::string esito(const binario& b) { return oggetti(b.s) + " e" + std::to_string(b.d.codice_errore()); }

dati_segnale segnale(int32_t posizione, int32_t sx, int32_t dx, int32_t tempo) {
  dati_segnale d;
  d.posizione = posizione;
  d.sx = sx;
  d.s1 = 4;
  d.s2 = 1;
  d.s3 = 1;
  d.dx = dx;
  d.d1 = 2;
  d.d2 = 1;
  d.d3 = 1;
  d.tempo = tempo;
  return d;
}

TEST(MemoSegnale, CellValuesMarksAndTime) {
  struct {
    dati_segnale d;
    int32_t tempo_dopo;
    const char* atteso;
  } casi[] = {
      {segnale(1050, 2, 2, 0), 0,
       "14:0,0,0,0,0,0,84 16:0,0,0,0,0,0,83 18:0,0,0,0,0,0,82 20:0,0,0,0,0,0,81 22:1,42,11,11,8,0,0 e0"},
      {segnale(1050, 2, 0, 50), 101,
       "14:0,0,0,0,0,0,64 16:0,0,0,0,0,0,63 18:0,0,0,0,0,0,62 20:0,0,0,0,0,0,61 22:1,42,11,11,6,101,0 e0"},
      {segnale(1050, 2, 1, 245), 245,
       "14:0,0,0,0,0,0,74 16:0,0,0,0,0,0,73 18:0,0,0,0,0,0,72 20:0,0,0,0,0,0,71 22:1,42,11,11,7,245,0 e0"},
      {segnale(1050, 1, 2, 50), 101,
       "14:0,0,0,0,0,0,54 16:0,0,0,0,0,0,53 18:0,0,0,0,0,0,52 20:0,0,0,0,0,0,51 22:1,42,11,11,5,0,0 e0"},
      // 350 m: the farthest mark lands on cell 0
      {segnale(350, 2, 2, 0), 0,
       "0:0,0,0,0,0,0,84 2:0,0,0,0,0,0,83 4:0,0,0,0,0,0,82 6:0,0,0,0,0,0,81 8:1,42,11,11,8,0,0 e0"},
  };
  for (auto& c : casi) {
    binario b(40);
    memo_segnale(b.comp, c.d);
    EXPECT_EQ(esito(b), c.atteso) << c.d.posizione << " " << c.d.tempo;
    EXPECT_EQ(c.d.tempo, c.tempo_dopo);
  }
}

TEST(MemoSegnale, NarrowMembersKeepTheLowBits) {
  binario b(40);
  scenario& s = b.s;
  dati_segnale d = segnale(1050, 2, 2, 300);
  d.s1 = 3276;  // 32768 does not fit 16 bits
  d.d1 = 8;
  d.rapp = 6553;  // 65538
  memo_segnale(b.comp, d);
  EXPECT_EQ(s.celle[22].valore1, -32768);
  EXPECT_EQ(s.celle[22].valore4, 8 - 6);
  EXPECT_EQ(s.celle[22].tempo, 300 - 256);
}

TEST(MemoSegnale, RefusedCells) {
  struct {
    const char* caso;
    int32_t posizione;
    uint8_t tipo_occupante;
    const char* atteso;
  } casi[] = {
      {"station cell", 1050, 10, "22:10,0,0,0,0,0,0 e16"},
      {"another signal", 1050, 1, "22:1,0,0,0,0,0,0 e16"},
      {"mountain marker is free", 1050, 11,
       "14:0,0,0,0,0,0,84 16:0,0,0,0,0,0,83 18:0,0,0,0,0,0,82 20:0,0,0,0,0,0,81 22:1,42,11,11,8,0,0 e0"},
      {"marks would fall before cell 0", 349, 0, " e231"},
      {"negative position", -5000, 0, " e231"},
      {"beyond the last cell", 1950, 0, " e15"},
  };
  for (const auto& c : casi) {
    binario b(40);
    scenario& s = b.s;
    s.celle[22].tipo = c.tipo_occupante;
    dati_segnale d = segnale(c.posizione, 2, 2, 0);
    memo_segnale(b.comp, d, {"t.txt", 3, 1});
    EXPECT_EQ(esito(b), c.atteso) << c.caso;
    EXPECT_EQ(b.d.ultimo_errore() == nullptr ? 0 : b.d.ultimo_errore()->dove.riga, b.d.codice_errore() != 0 ? 3 : 0)
        << c.caso;
  }
}

TEST(MemoRallentamento, CellsOfASlowdown) {
  struct {
    dati_rallentamento d;
    const char* atteso;
  } casi[] = {
      {{7300, 100, 600, 0, 1, 100},
       "119:5,4,4,0,0,0,0 120:5,3,3,0,0,0,0 121:5,2,2,0,0,0,0 122:5,1,1,0,0,0,0 123:4,100,100,0,0,0,0 "
       "147:3,100,100,0,0,0,0 159:2,100,100,0,0,0,0 e0"},
      {{2550, 60, 800, 1, 1, 0},
       "24:5,4,0,0,0,0,0 25:5,3,0,0,0,0,0 26:5,2,0,0,0,0,0 27:5,1,0,0,0,0,0 28:4,60,0,0,0,0,0 "
       "52:3,60,0,1,0,0,0 68:2,60,0,1,0,0,0 e0"},
      // no pre-warning cells asked for
      {{2550, 60, 800, 0, 0, 0}, "28:4,60,0,0,0,0,0 52:3,60,0,0,0,0,0 68:2,60,0,0,0,0,0 e0"},
      // within the first 1500 m: neither warning nor pre-warning
      {{1500, 30, 400, 0, 1, 0}, "31:3,30,0,0,0,0,0 39:2,30,0,0,0,0,0 e0"},
      {{1550, 30, 400, 0, 1, 0},
       "4:5,4,0,0,0,0,0 5:5,3,0,0,0,0,0 6:5,2,0,0,0,0,0 7:5,1,0,0,0,0,0 8:4,30,0,0,0,0,0 "
       "32:3,30,0,0,0,0,0 40:2,30,0,0,0,0,0 e0"},
      // start and end on one cell: the start wins
      {{1000, 30, 10, 0, 0, 0}, "21:3,30,0,0,0,0,0 e0"},
  };
  for (const auto& c : casi) {
    binario b(200);
    memo_rallentamento(b.comp, c.d);
    EXPECT_EQ(esito(b), c.atteso) << c.d.x;
  }
}

TEST(MemoRallentamento, RefusedCells) {
  const dati_rallentamento d{2550, 60, 800, 0, 1, 0};
  struct {
    const char* caso;
    dati_rallentamento d;
    int32_t occupata;
    const char* atteso;
  } casi[] = {
      {"warning cell", d, 28, "28:10,0,0,0,0,0,0 e17"},
      {"start cell", d, 52, "52:10,0,0,0,0,0,0 e18"},
      {"end cell", d, 68, "68:10,0,0,0,0,0,0 e19"},
      {"pre-warning cell: the others stay", d, 25,
       "25:10,0,0,0,0,0,0 28:4,60,0,0,0,0,0 52:3,60,0,0,0,0,0 68:2,60,0,0,0,0,0 e20"},
      {"end beyond the last cell", {2550, 60, 8000, 0, 1, 0}, 0, "0:10,0,0,0,0,0,0 e232"},
      {"start before cell 0", {-100, 60, 800, 0, 1, 0}, 0, "0:10,0,0,0,0,0,0 e232"},
      {"end before cell 0", {500, 60, -800, 0, 1, 0}, 0, "0:10,0,0,0,0,0,0 e232"},
  };
  for (const auto& c : casi) {
    binario b(100);
    scenario& s = b.s;
    s.celle[static_cast<size_t>(c.occupata)].tipo = 10;
    memo_rallentamento(b.comp, c.d);
    EXPECT_EQ(esito(b), c.atteso) << c.caso;
  }
}

TEST(MemoAbbattimento, KindsAndRefusals) {
  struct {
    int32_t p;
    int32_t valore;
    bool occupata;  // cell 20 holds a station
    const char* atteso;
  } casi[] = {
      {500, 0, false, "10:13,0,0,0,0,0,0 e0"},
      {500, 90, false, "10:12,90,0,0,0,0,0 e0"},
      {500, -3, false, "10:13,0,0,0,0,0,0 e0"},
      {25, 70000, false, "0:12,4464,0,0,0,0,0 e0"},
      {1000, 90, true, "20:10,0,0,0,0,0,0 e7"},
      {-1, 90, false, " e233"},
      {1500, 90, false, " e15"},
  };
  for (const auto& c : casi) {
    binario b(30);
    scenario& s = b.s;
    if (c.occupata) s.celle[20].tipo = 10;
    const bool posto = memo_abbattimento(b.comp, c.p, c.valore);
    EXPECT_EQ(posto, b.d.codice_errore() == 0);
    EXPECT_EQ(esito(b), c.atteso) << c.p << " " << c.valore;
  }
}

}  // namespace
}  // namespace valdoro

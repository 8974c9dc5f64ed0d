#include "output/binari.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace valdoro {
namespace {

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s.push_back(static_cast<char>(x));
  return s;
}

TEST(StationTable, EmptyRowIs34ZeroBytes) {
  std::string dati;
  codifica_riga(&dati, riga_stazione{});
  EXPECT_EQ(dati, std::string(34, '\0'));
}

TEST(StationTable, RowWithNameFollowsTheStoredMemberOrder) {
  riga_stazione r;
  r.tipo = 8;
  r.inizio = -500;
  r.fine = 500;
  r.progressiva = 180350;
  r.campo4 = 1;
  r.nome = "AB";
  r.campo7 = 4;
  r.campo8 = -2;
  r.campo10 = 2;
  r.campo11 = 1;
  r.campo12 = 258;
  r.campo9 = 9;
  r.campo13 = 60;
  r.campo6 = 6;
  r.campo5 = 5;
  r.orario = 51390;  // 14:16:30
  std::string dati;
  codifica_riga(&dati, r);
  EXPECT_EQ(dati, bytes({0x08,                       // tipo
                         0x0C, 0xFE, 0xFF, 0xFF,     // inizio -500
                         0xF4, 0x01, 0x00, 0x00,     // fine 500
                         0x7E, 0xC0, 0x02, 0x00,     // progressiva 180350
                         0x01,                       // campo4
                         0x02, 0x00, 'A',  'B',      // nome
                         0x04, 0x00,                 // campo7
                         0xFE, 0xFF,                 // campo8 -2
                         0x02, 0x00,                 // campo10
                         0x01, 0x00,                 // campo11
                         0x02, 0x01,                 // campo12 258
                         0x09, 0x3C, 0x06, 0x05,     // campo9, campo13, campo6, campo5
                         0xBE, 0xC8, 0x00, 0x00}));  // orario
  EXPECT_EQ(dati.size(), 34u + 2u);
}

TEST(StationTable, NegativeLongIsTwosComplement) {
  riga_stazione r;
  r.fine = -180350;
  std::string dati;
  codifica_riga(&dati, r);
  EXPECT_EQ(dati.substr(5, 4), bytes({0x82, 0x3F, 0xFD, 0xFF}));
}

TEST(StationTable, FileHolds87Rows) {
  tabella_stazioni_t t{};
  t[85].nome = "Valdoro";
  t[86].nome = "Dir 5802";
  EXPECT_EQ(codifica_stazioni(t).size(), 87u * 34u + 7u + 8u);
}

TEST(Track, CellIs15Bytes) {
  cella c;
  c.tipo = 1;
  c.valore1 = 42;
  c.valore2 = 11;
  c.valore3 = -1;
  c.valore4 = 5121;
  c.tempo = 245;
  c.annuncio = 81;
  c.montagna = 2;
  c.velocita = 32;
  c.pendenza = 89;
  c.aderenza = 83;
  std::string dati;
  codifica_cella(&dati, c);
  EXPECT_EQ(dati, bytes({0x01, 0x2A, 0x00, 0x0B, 0x00, 0xFF, 0xFF, 0x01, 0x14, 0xF5, 0x51, 0x02, 0x20, 0x59, 0x53}));
}

TEST(Track, RouteOf218000MetresGives4501Cells) {
  std::vector<cella> celle(4501);
  EXPECT_EQ(codifica_celle(celle).size(), 67515u);
}

TEST(Profile, TaggedValuesOfEachKind) {
  struct caso {
    valore_etichettato v;
    std::string atteso;
  } casi[] = {
      {{tipo_valore::vuoto, 0}, bytes({0x00, 0x00})},
      {{tipo_valore::intero, 1}, bytes({0x02, 0x00, 0x01, 0x00})},
      {{tipo_valore::intero, -2}, bytes({0x02, 0x00, 0xFE, 0xFF})},
      {{tipo_valore::doppio, 1.0}, bytes({0x05, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
      {{tipo_valore::doppio, -0.0001}, bytes({0x05, 0x00, 0x2D, 0x43, 0x1C, 0xEB, 0xE2, 0x36, 0x1A, 0xBF})},
  };
  for (const caso& c : casi) {
    std::string dati;
    codifica_valore(&dati, c.v);
    EXPECT_EQ(dati, c.atteso);
  }
}

TEST(Profile, AllXBeforeAllY) {
  profilo p;
  p.crea(2);
  p.imposta_intero(0, 1, 7);
  p.imposta_doppio(2, 0, 0.5);
  EXPECT_EQ(codifica_profilo(p), bytes({0x00, 0x00,                                      // (0,0)
                                        0x00, 0x00,                                      // (1,0)
                                        0x05, 0x00, 0,    0,    0, 0, 0, 0, 0xE0, 0x3F,  // (2,0)
                                        0x02, 0x00, 0x07, 0x00,                          // (0,1)
                                        0x00, 0x00, 0x00, 0x00}));                       // (1,1) (2,1)
}

TEST(Profile, FilledProfileOfTheRouteHasItsSize) {
  const int32_t n = 218000 + 7000;
  profilo p;
  p.crea(n);
  for (int c = 0; c < 2; ++c) {
    p.imposta_intero(0, c, 0);
    p.imposta_intero(1, c, static_cast<int16_t>(c));
    for (int32_t i = 2; i <= n - 2; ++i) p.imposta_doppio(i, c, i);
  }
  EXPECT_EQ(codifica_profilo(p).size(), 4499964u);
}

// Values of 2, 4 and 10 bytes in turn, so the pieces end anywhere in a
// value's pattern; the pieces must join to the values one after another.
TEST(Profile, LongProfileComesInPiecesThatJoinToTheWhole) {
  const int32_t n = 20000;
  profilo p;
  p.crea(n);
  for (int c = 0; c < 2; ++c) {
    for (int32_t i = 0; i <= n; ++i) {
      if (i % 3 == 1) p.imposta_intero(i, c, static_cast<int16_t>(i));
      if (i % 3 == 2) p.imposta_doppio(i, c, i + 0.25);
    }
  }
  std::string atteso;
  for (int c = 0; c < 2; ++c) {
    for (int32_t i = 0; i <= n; ++i) codifica_valore(&atteso, p.leggi(i, c));
  }

  std::vector<size_t> misure;
  std::string unito;
  codifica_profilo(p, [&](std::string_view pezzo) {
    misure.push_back(pezzo.size());
    unito.append(pezzo);
  });
  EXPECT_GT(misure.size(), 1u);
  for (size_t m : misure) EXPECT_LE(m, 64u * 1024 + 10);
  EXPECT_EQ(unito, atteso);
  EXPECT_EQ(codifica_profilo(p), atteso);
}

}  // namespace
}  // namespace valdoro

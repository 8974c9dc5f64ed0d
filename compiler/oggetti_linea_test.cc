#include "compiler/oggetti_linea.h"

#include <gtest/gtest.h>

#include "testing/prova_linea.h"

namespace valdoro {
namespace {

// "k:tipo/montagna" for every cell from da to a.
std::string celle(const scenario& s, int da, int a) {
  std::string uscita;
  for (int k = da; k <= a; ++k) {
    const cella& c = s.celle[static_cast<size_t>(k)];
    uscita += std::to_string(k) + ":" + std::to_string(c.tipo) + "/" + std::to_string(c.montagna) + " ";
  }
  return uscita;
}

std::string valori(const cella& c) {
  return std::to_string(c.tipo) + " " + std::to_string(c.valore1) + " " + std::to_string(c.valore2) + " " +
         std::to_string(c.valore3) + " " + std::to_string(c.valore4);
}

TEST(Montagne, SpansMarkersAndCloseSpans) {
  compilato c =
      compila(sorgente_linea("montagna,   10950,  11000,  2\r\n"
                             "montagna,   79000,  80550,  12\r\n"
                             "montagna,   90000,  90300,  1\r\n"
                             "montagna,   90450,  90650,  11\r\n"    // 150 m after: kind 3, markers kept
                             "montagna,   90850,  91100,  1\r\n"));  // 200 m after: keeps its kind
  EXPECT_EQ(c.errore(), "");
  EXPECT_EQ(celle(c.s, 218, 220), "218:0/0 219:0/2 220:0/0 ");
  EXPECT_EQ(celle(c.s, 1579, 1588),
            "1579:0/0 1580:0/2 1581:0/2 1582:0/2 1583:11/2 1584:0/2 1585:0/2 1586:0/2 1587:11/2 1588:0/2 ");
  EXPECT_EQ(celle(c.s, 1606, 1611), "1606:0/2 1607:11/2 1608:0/2 1609:0/2 1610:0/2 1611:0/0 ");
  EXPECT_EQ(celle(c.s, 1808, 1814), "1808:0/0 1809:0/3 1810:0/3 1811:0/3 1812:11/3 1813:0/0 1814:0/0 ");
  EXPECT_EQ(celle(c.s, 1816, 1817), "1816:0/0 1817:0/1 ");
}

TEST(Montagne, TypeComesBackAsStored) {
  scenario s;
  diagnostiche d;
  luoghi_record luoghi;
  compilazione comp(s, d, luoghi);
  s.celle.resize(100);
  int32_t inizio = 100, fine = 300, tipo = 12;
  EXPECT_EQ(memo_montagna(comp, inizio, fine, tipo), std::nullopt);
  EXPECT_EQ(tipo, 2);
  inizio = 400;
  fine = 500;
  tipo = 1;
  EXPECT_EQ(memo_montagna(comp, inizio, fine, tipo), std::nullopt);
  EXPECT_EQ(tipo, 3);
  // A span whose first cell is past its last writes nothing.
  inizio = 1000;
  fine = 1000;
  tipo = 1;
  EXPECT_EQ(memo_montagna(comp, inizio, fine, tipo), std::nullopt);
  EXPECT_EQ(s.celle[20].montagna, 0);
  // Every span is listed, the empty one too.
  EXPECT_EQ(comp.numero_montagne, 3);
  EXPECT_EQ(comp.inizi_montagne[2], 400);
  EXPECT_EQ(comp.fini_montagne[3], 1000);
}

TEST(Cartelli, MaximumSpeedBoards) {
  struct {
    const char* record;
    int cella;
    const char* atteso;
  } casi[] = {
      {"indicatori_vmax,  1100,  105,  110,  125,  0,  ,  ,  ,  0", 23, "6 2100 2200 2500 0"},
      {"indicatori_vmax,  9450,  140,  155,  165,  2,  ,  ,  ,  0", 190, "6 2800 3100 3300 20"},
      // right speeds divided by 5 and rounded with the sum: 12 adds 2, 13 adds 3
      {"indicatori_vmax,  2000,  100,  100,  100,  1,  12,  13,  10,  2", 41, "6 2002 2003 2002 12"},
      {"indicatori_vmax,  1125,  0,  0,  0,  0,  0,  0,  0,  0", 24, "6 0 0 0 0"},  // 23.5 goes to 24
  };
  for (const auto& k : casi) {
    compilato c = compila(sorgente_linea(std::string(k.record) + "\r\n"));
    EXPECT_EQ(c.errore(), "") << k.record;
    EXPECT_EQ(valori(c.s.celle[static_cast<size_t>(k.cella)]), k.atteso) << k.record;
  }
}

TEST(Cartelli, SignBoardsFillRowsDownwardAndMayTakeMarkers) {
  std::string record =
      "cartello_indicatore,  10950,   (Cippo )(  Km  )(11+000)\r\n"
      "montagna,   20000,  21000,  12\r\n";
  for (int i = 1; i < 20; ++i) {
    record +=
        "cartello_indicatore,  " + std::to_string(20000 + 50 * i) + ",   (Galleria)(n. " + std::to_string(i) + ")\r\n";
  }
  compilato c = compila(sorgente_linea(record));
  EXPECT_EQ(c.errore(), "");
  EXPECT_EQ(valori(c.s.celle[220]), "14 80 0 0 0");
  EXPECT_EQ(c.s.tabella_stazioni[80].nome, "(Cippo )(  Km  )(11+000)");
  // The board at 20100 stands in cell 403, a marker of the span.
  EXPECT_EQ(valori(c.s.celle[403]), "14 78 0 0 0");
  EXPECT_EQ(c.s.celle[403].montagna, 2);
  EXPECT_EQ(c.s.tabella_stazioni[61].nome, "(Galleria)(n. 19)");
  EXPECT_EQ(c.s.tabella_stazioni[60].nome, "");
}

}  // namespace
}  // namespace valdoro

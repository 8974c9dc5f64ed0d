#include "compiler/stazioni.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "testing/prova_descrizione.h"
#include "testing/prova_treno.h"

namespace valdoro {
namespace {

std::string sorgente(const std::string& record) { return "intestazione\r\n[generale]\r\n" + record + "[fine]\r\n"; }

// Values 4 to 16 are 1, 1, campo6, 3, 1, 0, 2, 1, 1, 60 and 14:38:55.
std::string stazione(int32_t posizione, int tipo, int32_t lunghezza, int campo6 = 0, const std::string& nome = "X") {
  return "stazione,   " + std::to_string(posizione) + ",  " + std::to_string(tipo) + ",  " + std::to_string(lunghezza) +
         ",  1, 1, " + std::to_string(campo6) + ",  3,1,0,  2,1,1,   60,  14,38,55, " + nome + "\r\n";
}

// The station rows in use, in stored member order.
std::string righe(const scenario& s) {
  std::string out;
  for (int n = 1; n < kPrimaRigaCartelli; ++n) {
    const riga_stazione& r = s.tabella_stazioni[static_cast<size_t>(n)];
    if (r.tipo == 0 && r.progressiva == 0 && r.nome.empty()) continue;
    if (!out.empty()) out += " | ";
    out += std::to_string(n) + ":" + std::to_string(r.tipo) + "," + std::to_string(r.inizio) + "," +
           std::to_string(r.fine) + "," + std::to_string(r.progressiva) + "," + std::to_string(r.campo4) + "," +
           r.nome + "," + std::to_string(r.campo7) + "," + std::to_string(r.campo8) + "," + std::to_string(r.campo10) +
           "," + std::to_string(r.campo11) + "," + std::to_string(r.campo12) + "," + std::to_string(r.campo9) + "," +
           std::to_string(r.campo13) + "," + std::to_string(r.campo6) + "," + std::to_string(r.campo5) + "," +
           std::to_string(r.orario);
  }
  return out;
}

constexpr char kPrimaStazione[] =
    "5:0,0,0,0,0,0,84 6:0,0,0,0,0,0,83 7:0,0,0,0,0,0,82 8:0,0,0,0,0,0,81 9:10,1,0,0,0,0,0";

TEST(Stazioni, RowsAreasAndCells) {
  struct {
    const char* caso;
    std::string record;
    const char* righe;
    std::string oggetti;
    const char* errore;
  } casi[] = {
      {"first station: campo5 and campo6 cleared in row 1", stazione(0, 8, 500, 1, "Alfa"),
       "1:8,-500,500,0,1,Alfa,3,1,2,1,1,0,60,0,0,52735", kPrimaStazione, ""},
      {"kind 4 with campo6 1 ends 50 m further; below 600 m campo5 cleared",
       stazione(0, 8, 500) + stazione(4250, 4, 500, 1, "Beta"),
       "1:8,-500,500,0,1,X,3,1,2,1,1,0,60,0,0,52735 | 2:4,4000,4550,4250,1,Beta,3,1,2,1,1,0,60,1,0,52735",
       std::string(kPrimaStazione) +
           " 86:0,0,0,0,0,0,84 87:0,0,0,0,0,0,83 88:0,0,0,0,0,0,82 89:0,0,0,0,0,0,81 90:10,2,0,0,0,0,0",
       ""},
      {"kind 6: area ends 150 m past it, no marks, campo6 cleared, campo5 kept from 600 m",
       stazione(0, 8, 500) + stazione(4950, 6, 600, 1),
       "1:8,-500,500,0,1,X,3,1,2,1,1,0,60,0,0,52735 | 2:6,4350,5100,4950,1,X,3,1,2,1,1,0,60,0,1,52735",
       std::string(kPrimaStazione) + " 101:10,2,0,0,0,0,0", ""},
      {"kind 7 spans the length on both sides", stazione(0, 8, 500) + stazione(2000, 7, 600),
       "1:8,-500,500,0,1,X,3,1,2,1,1,0,60,0,0,52735 | 2:7,1400,2600,2000,1,X,3,1,2,1,1,0,60,0,1,52735",
       std::string(kPrimaStazione) +
           " 47:0,0,0,0,0,0,84 48:0,0,0,0,0,0,83 49:0,0,0,0,0,0,82 50:0,0,0,0,0,0,81 51:10,2,0,0,0,0,0",
       ""},
      {"kind 28 marks nothing but counts in the 350 m test",
       stazione(0, 8, 500) + stazione(1100, 28, 400) + stazione(1800, 4, 400),
       "1:8,-500,500,0,1,X,3,1,2,1,1,0,60,0,0,52735 | 2:28,900,1300,1100,1,X,3,1,2,1,1,0,60,0,0,52735 | "
       "3:4,1600,2000,1800,1,X,3,1,2,1,1,0,60,0,0,52735",
       std::string(kPrimaStazione) +
           " 35:0,0,0,0,0,0,84 36:0,0,0,0,0,0,83 37:0,0,0,0,0,0,82 38:0,0,0,0,0,0,81 39:10,3,0,0,0,0,0",
       "Valdoro_Dir 5802-.txt:5:1: error 22: station area starts at 1600 m, less than 350 m after the previous "
       "one ends, at 1300 m: it must start at 1650 m or later"},
      {"kind 2 ending at 150 m: station cell 2, no marks", stazione(0, 2, 300),
       "1:2,-150,150,0,1,X,3,1,2,1,1,0,60,0,0,52735", "2:10,1,0,0,0,0,0", ""},
      {"kind 2 ending at 100 m: 24", stazione(0, 2, 200), "1:2,-100,100,0,1,X,3,1,2,1,1,0,60,0,0,52735", "",
       "Valdoro_Dir 5802-.txt:3:1: error 24: station area ends at 100 m: its station cell would fall on cell 1 "
       "or before; the area must end beyond 100 m"},
      {"a name is cut at its comma; the rest dispatches nothing", stazione(0, 28, 500, 0, "San Rocco, bis"),
       "1:28,-250,250,0,1,San Rocco,3,1,2,1,1,0,60,0,0,52735", "", ""},
  };
  for (const auto& c : casi) {
    treno_compilato t = compila_di_prova(sorgente(c.record), binario_di_prova(200));
    EXPECT_EQ(righe(t.s), c.righe) << c.caso;
    EXPECT_EQ(oggetti(t.s), c.oggetti) << c.caso;
    EXPECT_EQ(t.errore(), c.errore) << c.caso;
  }
}

TEST(Stazioni, DistanceBetweenAreas) {
  // The area before ends at 4550.
  const std::string prima = stazione(0, 8, 500) + stazione(4250, 4, 500, 1);
  EXPECT_EQ(compila_di_prova(sorgente(prima + stazione(5150, 4, 500)), binario_di_prova(200)).errore(), "");
  treno_compilato t = compila_di_prova(sorgente(prima + stazione(5100, 4, 500)), binario_di_prova(200));
  EXPECT_EQ(t.d.codice_errore(), 22);
  EXPECT_EQ(t.s.tabella_stazioni[3].inizio, 4850);  // stored before the stop
  EXPECT_EQ(t.s.celle[106].tipo, 10);
}

TEST(Stazioni, RejectedRecords) {
  struct {
    const char* caso;
    std::string record;
    const char* righe;
    const char* errore;
  } casi[] = {
      {"position off the 50 m grid", stazione(1025, 4, 400), "1:0,0,0,1025,0,,0,0,0,0,0,0,0,0,0,0",
       "Valdoro_Dir 5802-.txt:3:1: error 8: station position 1025 m is not a multiple of 50 m"},
      {"length off the 100 m grid", stazione(1000, 4, 450), "1:4,0,0,1000,0,,0,0,0,0,0,0,0,0,0,0",
       "Valdoro_Dir 5802-.txt:3:1: error 9: station length 450 m is not a multiple of 100 m"},
      {"too near the end: only the position is kept", stazione(2250, 4, 400) + "numero vetture, 7\r\n",
       "1:0,0,0,2250,0,,0,0,0,0,0,0,0,0,0,0",
       "Valdoro_Dir 5802-.txt:3:1: error 15: position 2250 m is beyond the usable end of the track, 2150 m"},
      {"station cell beyond the last cell", stazione(1000, 8, 5000), "1:8,-4000,6000,1000,1,X,3,1,2,1,1,0,60,0,0,52735",
       "Valdoro_Dir 5802-.txt:3:1: error 230: station area ends at 6000 m: its station cell 119 is beyond the "
       "last cell of the track, 59"},
  };
  for (const auto& c : casi) {
    treno_compilato t = compila_di_prova(sorgente(c.record), binario_di_prova(60));
    EXPECT_EQ(righe(t.s), c.righe) << c.caso;
    EXPECT_EQ(oggetti(t.s), "") << c.caso;
    EXPECT_EQ(t.errore(), c.errore) << c.caso;
  }
  // After a 15 the tails still run: the records after it are not read.
  treno_compilato t =
      compila_di_prova(sorgente(stazione(2250, 4, 400) + "numero vetture, 7\r\n"), binario_di_prova(60));
  EXPECT_EQ(serie(t.s, &cella::velocita), "0-56:0 57-59:9");
  EXPECT_EQ(t.s.tabella_stazioni[kRigaParametri].progressiva, 0);
}

TEST(Stazioni, CellsReplaceWhatTheLineHalfLeft) {
  scenario s = binario_di_prova(200);
  s.celle[9].tipo = 14;
  s.celle[9].valore1 = 80;
  s.celle[7].annuncio = 55;
  treno_compilato t = compila_di_prova(sorgente(stazione(0, 8, 500)), s);
  EXPECT_EQ(oggetti(t.s), kPrimaStazione);
}

std::string stazioni_lontane(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += stazione(i * 1000, 28, 100);
  return out;
}

TEST(Stazioni, RowsStopShortOfTheSignBoardTexts) {
  scenario s = binario_di_prova(1200);
  const int32_t venti_cartelli = 60;
  treno_compilato t = compila_di_prova(sorgente(stazioni_lontane(58)), s, venti_cartelli);
  EXPECT_EQ(t.errore(), "");
  EXPECT_EQ(t.s.tabella_stazioni[58].progressiva, 57000);
  t = compila_di_prova(sorgente(stazioni_lontane(60)), s, venti_cartelli);
  EXPECT_EQ(t.errore(),
            "Valdoro_Dir 5802-.txt:61:1: error 10: station row 60 reaches the rows kept for the sign-board texts: "
            "with 20 sign boards at most 58 stations fit");
  EXPECT_EQ(t.s.tabella_stazioni[59].progressiva, 58000);
  EXPECT_EQ(t.s.tabella_stazioni[60].progressiva, 0);
  // With every row up to row 1 taken by texts, no station row is left.
  s.tabella_stazioni[1].nome = "board";
  t = compila_di_prova(sorgente(stazione(0, 8, 500)), s, 0);
  EXPECT_EQ(t.d.codice_errore(), 10);
  EXPECT_EQ(t.s.tabella_stazioni[1].nome, "board");
  EXPECT_EQ(oggetti(t.s), "");
}

TEST(Stazioni, ValuesThatDoNotFitGoToTheTrap) {
  EXPECT_THROW(compila_di_prova(sorgente(stazione(0, 300, 500)), binario_di_prova(200)), errore_lettura);
  EXPECT_THROW(compila_di_prova(sorgente("stazione, 0, 8, 500, 1, 1, 1, 40000, 1, 0, 2, 1, 1, 60, 14, 38, 55, X\r\n"),
                                binario_di_prova(200)),
               errore_lettura);
  EXPECT_THROW(compila_di_prova(sorgente("stazione, 0, 8, 500, 1, 1, 1, 3, 1, 0, 2, 1, 1, 60, 600000, 0, 0, X\r\n"),
                                binario_di_prova(200)),
               errore_lettura);
  EXPECT_THROW(compila_di_prova(sorgente(stazione(1000, 8, 2147483600)), binario_di_prova(200)), errore_lettura);
}

}  // namespace
}  // namespace valdoro

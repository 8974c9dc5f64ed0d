#include "compiler/treno.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "testing/prova_descrizione.h"
#include "compiler/lettore.h"
#include "testing/prova_linea.h"
#include "testing/prova_treno.h"
#include "util/file.h"

namespace valdoro {
namespace {

std::string sorgente(const std::string& record) { return "intestazione\r\n[generale]\r\n" + record + "[fine]\r\n"; }

TEST(Treno, SpeedFillsAndTail) {
  // 60 cells: the tail reaches cell 56, cells 57 to 59 keep the 9 left there.
  struct {
    const char* caso;
    const char* record;
    const char* atteso;
  } casi[] = {
      {"first record at 0 fills nothing", "velocita,    0,   30\r\nvelocita,    1100,   110\r\n",
       "0-21:6 22-56:22 57-59:9"},
      {"160 and 135 km/h", "velocita, 0, 160\r\nvelocita, 500, 135\r\n", "0-9:32 10-56:27 57-59:9"},
      {"25 m or less only changes the speed in force", "velocita, 25, 30\r\n", "0-56:6 57-59:9"},
      {"26 m fills cell 0 with the speed in force before the first record", "velocita, 26, 30\r\n",
       "0-0:0 1-56:6 57-59:9"},
      {"out of order: one cell, fill point moves on by one",
       "velocita,0,30\r\nvelocita,1000,60\r\nvelocita,500,90\r\nvelocita,2000,120\r\n",
       "0-19:6 20-20:12 21-39:18 40-56:24 57-59:9"},
      {"last position accepted: the tail still stores once", "velocita,0,30\r\nvelocita,2850,60\r\n",
       "0-56:6 57-57:12 58-59:9"},
      {"position beyond the track: 15, the tail still runs", "velocita,0,30\r\nvelocita,2851,60\r\nvelocita,0,90\r\n",
       "0-56:6 57-59:9"},
  };
  for (const auto& c : casi) {
    treno_compilato t = compila_di_prova(sorgente(c.record), binario_di_prova(60));
    EXPECT_EQ(serie(t.s, &cella::velocita), c.atteso) << c.caso;
  }
}

TEST(Treno, AdhesionFillsKeepTheLowBits) {
  treno_compilato t = compila_di_prova(sorgente("aderenza, 0, 83\r\naderenza, 500, 300\r\n"), binario_di_prova(60));
  EXPECT_EQ(serie(t.s, &cella::aderenza), "0-9:83 10-56:44 57-59:9");
  EXPECT_EQ(serie(t.s, &cella::velocita), "0-56:0 57-59:9");
  EXPECT_EQ(t.errore(), "");
}

TEST(Treno, OutOfOrderRecordsNeverPushTheFillPastTheTrack) {
  std::string record = "aderenza, 0, 50\r\nvelocita, 0, 50\r\n";
  for (int i = 0; i < 30; ++i) record += "aderenza, 100, 60\r\nvelocita, 100, 60\r\n";
  treno_compilato t = compila_di_prova(sorgente(record), binario_di_prova(20));
  EXPECT_EQ(serie(t.s, &cella::aderenza), "0-1:50 2-19:60");
  EXPECT_EQ(serie(t.s, &cella::velocita), "0-1:10 2-19:12");
}

TEST(Treno, NoGeneralSectionReadsNoRecordButTheTailsRun) {
  for (const char* testo : {"velocita, 0, 30\r\n[fine]\r\n", "velocita, 0, 30\r\n[generale]"}) {
    treno_compilato t = compila_di_prova(testo, binario_di_prova(60));
    EXPECT_EQ(serie(t.s, &cella::velocita), "0-56:0 57-59:9") << testo;
    EXPECT_EQ(t.errore(), "") << testo;
  }
}

std::string riga(const riga_stazione& r) {
  return std::to_string(r.inizio) + "," + std::to_string(r.fine) + "," + std::to_string(r.progressiva) + "," +
         std::to_string(r.campo7) + "," + std::to_string(r.campo10) + "," + std::to_string(r.campo11) + "," +
         std::to_string(r.campo12);
}

TEST(Treno, GeneralRecordsAndTheDispatch) {
  struct {
    const char* caso;
    const char* record;
    const char* riga84;
    const char* riga86;
  } casi[] = {
      {"as the scenario writes them",
       "numero vetture,    7\r\npercentuale massa frenata,    125\r\nsabbia,    100\r\n"
       "orologio,    14              16            30 \r\n",
       "125,0,7,0,0,0,0", "0,0,0,100,14,16,30"},
      {"case ignored, keys anywhere in the item", "XNUMERO VETTUREX, 9\r\nMassa Frenata, 80\r\n", "80,0,9,0,0,0,0",
       "0,0,0,0,0,0,0"},
      {"frenata without massa is no key", "frenata, 80\r\n", "0,0,0,0,0,0,0", "0,0,0,0,0,0,0"},
      {"every key tried on the same item, in order", "sabbia e vetture, 7, 100\r\n", "0,0,7,0,0,0,0",
       "0,0,0,100,0,0,0"},
      {"items with a dash are passed over, twice at most", "- a, - b, numero vetture, 3\r\n", "0,0,3,0,0,0,0",
       "0,0,0,0,0,0,0"},
      {"a third dash item is looked at", "- a, - b, - numero vetture, 4\r\n", "0,0,4,0,0,0,0", "0,0,0,0,0,0,0"},
      {"headers dispatch nothing", "[aderenze]\r\n[vel_limite]\r\n[codici]\r\n", "0,0,0,0,0,0,0", "0,0,0,0,0,0,0"},
  };
  for (const auto& c : casi) {
    treno_compilato t = compila_di_prova(sorgente(c.record), binario_di_prova(60));
    EXPECT_EQ(riga(t.s.tabella_stazioni[kRigaParametri]), c.riga84) << c.caso;
    EXPECT_EQ(riga(t.s.tabella_stazioni[kRigaTreno]), c.riga86) << c.caso;
    EXPECT_EQ(t.errore(), "") << c.caso;
  }
}

TEST(Treno, TheLastItemIsNeverDispatched) {
  treno_compilato t = compila_di_prova("[generale]\r\nnumero vetture, 7\r\nnumero vetture", binario_di_prova(60));
  EXPECT_EQ(t.s.tabella_stazioni[kRigaParametri].progressiva, 7);
  EXPECT_EQ(t.errore(), "");
  // a source may end right after a record's last value
  t = compila_di_prova("[generale]\r\nnumero vetture, 7", binario_di_prova(60));
  EXPECT_EQ(t.s.tabella_stazioni[kRigaParametri].progressiva, 7);
}

TEST(Treno, ReadingFaultsGoToTheTrap) {
  scenario s;
  struct {
    const char* testo;
  } casi[] = {
      {""},                                                   // an empty source ends at its first read
      {"[generale]\r\nsegnale, 1050, 2, 4\r\n"},              // ends inside a record
      {"[generale]\r\nsabbia, 40000\r\n[fine]\r\n"},          // does not fit 16 bits
      {"[generale]\r\nnumero vetture, sette\r\n[fine]\r\n"},  // not a number
  };
  for (const auto& c : casi) {
    s = binario_di_prova(60);
    EXPECT_THROW(compila_di_prova(c.testo, s), errore_lettura) << c.testo;
  }
  // A speed that does not fit the cells is found when the cells are filled,
  // and told at the value that was in force.
  struct {
    const char* testo;
    const char* messaggio;
  } velocita[] = {
      {"velocita, 0, 1300\r\n",
       "speed 1300 km/h does not fit its cell, which holds km/h / 5 in 8 bits: 0 to "
       "1277 km/h"},
      {"velocita, 0, -10\r\nvelocita, 500, 100\r\n",
       "speed -10 km/h does not fit its cell, which holds km/h / 5 in 8 bits: 0 to 1277 km/h"},
  };
  for (const auto& c : velocita) {
    s = binario_di_prova(60);
    try {
      compila_di_prova(sorgente(c.testo), s);
      ADD_FAILURE() << "no fault for " << c.testo;
    } catch (const errore_lettura& e) {
      EXPECT_EQ(e.what(), std::string(c.messaggio));
      EXPECT_EQ(e.dove().riga, 3) << c.testo;
      EXPECT_EQ(e.dove().colonna, 14) << c.testo;
    }
  }
}

scenario con_progressive(int32_t fine_riga_82) {
  scenario s = binario_di_prova(60);
  s.tabella_stazioni[81] = riga_stazione{};
  s.tabella_stazioni[81].inizio = 8000;
  s.tabella_stazioni[82].inizio = 4000;
  s.tabella_stazioni[82].fine = fine_riga_82;
  return s;
}

TEST(Treno, ProgressiveCheckAtTheEnd) {
  EXPECT_EQ(compila_di_prova(sorgente(""), con_progressive(-100)).errore(), "");
  EXPECT_EQ(compila_di_prova(sorgente(""), con_progressive(75)).errore(),
            "error 2: kilometre progressive of row 82: start 4000 m and offset 75 m (as stored, with its flag) "
            "must both be multiples of 50 m");
  // after a 15 too, which it replaces
  treno_compilato t = compila_di_prova(sorgente("velocita, 2900, 60\r\n"), con_progressive(75));
  EXPECT_EQ(t.d.codice_errore(), 2);
  t = compila_di_prova(sorgente("velocita, 2900, 60\r\n"), con_progressive(50));
  EXPECT_EQ(t.errore(),
            "Valdoro_Dir 5802-.txt:3:1: error 15: position 2900 m is beyond the usable end of the track, 2850 m");
}

TEST(Treno, SignalsSlowdownsAndRestrictionPoints) {
  treno_compilato t = compila_di_prova(sorgente("segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 50\r\n"
                                                "rallentamento,    1550,   100,  200, 1,  1,  0\r\n"
                                                "abbattimento, 2000, 0\r\nabbattimento, 2100, 90\r\n"),
                                       binario_di_prova(60));
  EXPECT_EQ(oggetti(t.s),
            "4:5,4,0,0,0,0,0 5:5,3,0,0,0,0,0 6:5,2,0,0,0,0,0 7:5,1,0,0,0,0,0 8:4,100,0,0,0,0,0 "
            "14:0,0,0,0,0,0,84 16:0,0,0,0,0,0,83 18:0,0,0,0,0,0,82 20:0,0,0,0,0,0,81 22:1,42,11,11,8,101,0 "
            "32:3,100,0,1,0,0,0 36:2,100,0,1,0,0,0 40:13,0,0,0,0,0,0 42:12,90,0,0,0,0,0");
  EXPECT_EQ(t.errore(), "");
}

TEST(Treno, StopsOfTheObjectRecords) {
  // A stop at once skips the tails (speed stays 9) and the progressive check.
  struct {
    const char* caso;
    const char* record;
    const char* errore;
    const char* velocita;
  } casi[] = {
      {"signal on a signal", "segnale, 1050, 2,0,0,0,0,0,0,0,0,0\r\nsegnale, 1060, 2,0,0,0,0,0,0,0,0,0\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 16: signal at 1060 m: cell 22 at 1100 m already holds a signal (kind 1), "
       "stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"signal too near the line start", "segnale, 300, 2,0,0,0,0,0,0,0,0,0\r\n",
       "Valdoro_Dir 5802-.txt:3:1: error 231: signal at 300 m is closer than 350 m to the line start", "0-59:9"},
      {"slowdown start taken", "segnale, 1050, 2,0,0,0,0,0,0,0,0,0\r\nrallentamento, 1050, 60, 300, 0, 0, 0\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 18: slowdown at 1050 m: start, cell 22 at 1100 m already holds a signal "
       "(kind 1), stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"slowdown warning taken", "abbattimento, 450, 0\r\nrallentamento, 1600, 60, 300, 0, 0, 0\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 17: slowdown at 1600 m: warning board at 400 m, cell 9 at 450 m already "
       "holds a restriction point (kind 13), stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"slowdown end taken", "abbattimento, 1350, 0\r\nrallentamento, 1000, 60, 300, 0, 0, 0\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 19: slowdown at 1000 m: end at 1300 m, cell 27 at 1350 m already holds "
       "a restriction point (kind 13), stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"pre-warning taken", "abbattimento, 300, 0\r\nrallentamento, 1600, 60, 300, 0, 1, 0\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 20: slowdown at 1600 m: pre-warning, cell 6 at 300 m already holds a "
       "restriction point (kind 13), stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"slowdown ending beyond the track", "rallentamento, 2000, 60, 9000, 0, 0, 0\r\n",
       "Valdoro_Dir 5802-.txt:3:1: error 232: slowdown from 2000 m over 9000 m: its end cell 221 is outside the "
       "track, cells 0 to 59",
       "0-59:9"},
      {"restriction point on a taken cell", "abbattimento, 500, 0\r\nabbattimento, 510, 90\r\n",
       "Valdoro_Dir 5802-.txt:4:1: error 7: restriction point at 510 m: cell 10 at 500 m already holds a "
       "restriction point (kind 13), stored by Valdoro_Dir 5802-.txt:3",
       "0-59:9"},
      {"restriction point at a negative position", "abbattimento, -10, 90\r\n",
       "Valdoro_Dir 5802-.txt:3:1: error 233: restriction point at -10 m: a position below 0 m", "0-59:9"},
  };
  for (const auto& c : casi) {
    treno_compilato t = compila_di_prova(sorgente(c.record), con_progressive(75));
    EXPECT_EQ(t.errore(), c.errore) << c.caso;
    EXPECT_EQ(serie(t.s, &cella::velocita), c.velocita) << c.caso;
  }
}

TEST(Treno, ACodeLeftByTheLineHalfStopsAtTheFirstSignalOnceStored) {
  diagnostiche d;
  d.errore(numero_errore::oltre_il_binario, {"Valdoro_linea.txt", 40, 1});
  treno_compilato t = compila_di_prova(sorgente("numero vetture, 7\r\nabbattimento, 500, 90\r\n"
                                                "segnale, 1050, 2,0,0,0,0,0,0,0,0,0\r\nnumero vetture, 8\r\n"),
                                       binario_di_prova(60), kPrimaRigaCartelli, d);
  EXPECT_EQ(t.errore(), "Valdoro_linea.txt:40:1: error 15: position beyond the usable end of the track");
  EXPECT_EQ(t.s.celle[22].tipo, 1);
  EXPECT_EQ(t.s.celle[10].tipo, 12);
  EXPECT_EQ(t.s.tabella_stazioni[kRigaParametri].progressiva, 7);
  EXPECT_EQ(serie(t.s, &cella::velocita), "0-59:9");
}

TEST(Treno, NoTrackNoCellTouched) {
  scenario s;
  treno_compilato t = compila_di_prova(sorgente("velocita, -1000, 50\r\naderenza, -1000, 50\r\n"), s);
  EXPECT_TRUE(t.s.celle.empty());
  EXPECT_EQ(t.errore(), "");
  for (const char* record :
       {"segnale, -1000, 2,0,0,0,0,0,0,0,0,0\r\n", "rallentamento, -1000, 60, 300, 0, 0, 0\r\n",
        "abbattimento, -1000, 0\r\n", "stazione, -2000, 8, 5000, 1,1,1, 1,1,1, 1,1,1, 0, 0,0,0, X\r\n"}) {
    t = compila_di_prova(sorgente(record), s);
    EXPECT_TRUE(t.s.celle.empty()) << record;
    EXPECT_NE(t.d.codice_errore(), 0) << record;
  }
}

TEST(Treno, ReachedFromTheLineHalf) {
  const std::string linea = sorgente_linea("cartello_indicatore, 500, \"Km 1\"\r\n", "6000");
  const std::string treno =
      "[generale]\r\nvelocita, 0, 100\r\n"
      "stazione, 0, 8, 500, 1, 0, 0, 3,1,0, 2,1,1, 60, 14,38,55, Alfa\r\n"
      "segnale, 1050, 2, 4, 1, 1, 0, 2, 2,1,1, 0\r\n[fine]\r\n";
  compilato c = compila(&linea, 0, treno);
  EXPECT_EQ(c.errore(), "");
  EXPECT_FALSE(c.treno_rimasto);
  EXPECT_EQ(c.s.tabella_stazioni[1].nome, "Alfa");
  EXPECT_EQ(c.s.tabella_stazioni[80].nome, "Km 1");
  EXPECT_EQ(c.s.celle[22].tipo, 1);
  EXPECT_EQ(serie(c.s, &cella::velocita), "0-257:20 258-260:0");
}

}  // namespace
}  // namespace valdoro

// What the compiler forgives but tells: warnings collected on the side.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/prova_linea.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {
namespace {

std::string unisci(const std::vector<std::string>& righe) {
  std::string testo;
  for (const std::string& r : righe) testo += r + "\r\n";
  return testo;
}

// A small pair that compiles without an error or a warning; the cases below
// spoil one line of it.
const std::vector<std::string> kLinea = {
    "[generale]",                                                 // 1
    "lunghezza percorso,    20000",                               // 2
    "[pendenze]",                                                 // 3
    "pendenza,  0,   0",                                          // 4
    "pendenza,  2000,   12",                                      // 5
    "[montagne]",                                                 // 6
    "montagna,   6500,  8200,  11",                               // 7
    "[cartelli]",                                                 // 8
    "indicatori_vmax,  1100,  100,  110,  120,  0,  ,  ,  ,  0",  // 9
    "[fine]",                                                     // 10
};
const std::vector<std::string> kTreno = {
    "[generale]",                                                                     // 1
    "numero vetture,    5",                                                           // 2
    "[aderenze]",                                                                     // 3
    "aderenza,       0,    80",                                                       // 4
    "aderenza,    5000,    70",                                                       // 5
    "[vel_limite]",                                                                   // 6
    "velocita,   0,    30",                                                           // 7
    "velocita,     800,   100",                                                       // 8
    "[stazioni]",                                                                     // 9
    "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   8,30, 0, Piano",  // 10
    "[rallentamenti]",                                                                // 11
    "rallentamento,   14500,    50,  600, 0,  1,  0",                                 // 12
    "[segnali]",                                                                      // 13
    "segnale,    5050,   2, 4, 0,  0, 0,    0,  0,0,0, 0",                            // 14
    "abbattimento,  12000,  90",                                                      // 15
    "[fine]",                                                                         // 16
};

// What the compile finds without a number, as "FILE:LINE:COL: text".
std::vector<std::string> avvisi(const compilato& c) {
  std::vector<std::string> testi;
  for (const diagnostica& a : c.d.elenco()) {
    if (a.numero) continue;
    testi.push_back(a.dove.file + ":" + std::to_string(a.dove.riga) + ":" + std::to_string(a.dove.colonna) + ": " +
                    a.messaggio);
  }
  return testi;
}

compilato compila_coppia(const std::string& linea, const std::string& treno) { return compila(&linea, 1, treno); }

// Line n (1-based) of `righe` replaced; an empty `nuova` cuts the source
// just before that line.
std::string con_riga(std::vector<std::string> righe, size_t n, const std::string& nuova) {
  if (nuova.empty()) {
    righe.resize(n - 1);
  } else {
    righe[n - 1] = nuova;
  }
  return unisci(righe);
}

constexpr char L[] = "Valdoro_linea.txt:";
constexpr char T[] = "Valdoro_Dir 5802-.txt:";

TEST(Avvisi, EachForgivenFaultIsToldAtItsPlace) {
  const std::string fuori_16 = ", which does not fit 16 bits (-32768 to 32767): stored as ";
  const std::string fuori_8 = ", which does not fit 8 bits (0 to 255): stored as ";
  struct caso {
    bool in_linea;
    size_t riga;
    std::string nuova;  // empty: the source is cut before the line
    std::string atteso;
  } casi[] = {
      // Cut short at a line end.
      {true, 10, "",
       std::string(L) + "9:1: the source does not end with the line \"[fine]\": it may have been cut short here"},
      {true, 3, "",
       std::string(L) + "2:1: the source does not end with the line \"[fine]\": it may have been cut short here"},
      {false, 16, "",
       std::string(T) + "15:1: the source does not end with the line \"[fine]\": it may have been cut short here"},
      // Values kept to their low bits.
      {false, 4, "aderenza,       0,   339", std::string(T) + "4:22: adhesion is 339" + fuori_8 + "83"},
      {false, 5, "aderenza,    5000,    -1", std::string(T) + "5:23: adhesion is -1" + fuori_8 + "255"},
      {false, 14, "segnale,    5050,   2, 4, 0,  0, 0,    0,  0,0,0, 300",
       std::string(T) + "14:1: signal time is 300" + fuori_8 + "44"},
      {false, 14, "segnale,    5050,   2, 4000, 0,  0, 0,    0,  0,0,0, 0",
       std::string(T) + "14:1: signal value s1 * 10 + d1 is 40000" + fuori_16 + "-25536"},
      {false, 14, "segnale,    5050,   2, 4, 0,  0, 0,    30,  0,0,0, 0",
       std::string(T) + "14:1: signal announcement marks (sx * 3 + dx) * 10 + 1 to 4 are 361 to 364, which do not "
                        "all fit 8 bits (0 to 255): stored as 105, 106, 107, 108"},
      {false, 12, "rallentamento,   14500,    70000,  600, 0,  1,  0",
       std::string(T) + "12:1: slowdown speed is 70000" + fuori_16 + "4464"},
      {false, 15, "abbattimento,  12000,  70000",
       std::string(T) + "15:1: restriction value is 70000" + fuori_16 + "4464"},
      {true, 7, "montagna,   6500,  8200,  300",
       std::string(L) + "7:1: mountain kind (less 10 where it asks for markers) is 290" + fuori_8 + "34"},
      {true, 9, "indicatori_vmax,  1100,  100,  110,  120,  4000,  ,  ,  ,  0",
       std::string(L) + "9:1: board stripes strisces * 10 + strisced is 40000" + fuori_16 + "-25536"},
      // Lists that must rise in position.
      {true, 5, "pendenza,  0,   12",
       std::string(L) + "5:12: gradient record at 0 m does not come after the one before it (at 0 m): gradient "
                        "records must rise in position"},
      {false, 8, "velocita,     0,   100",
       std::string(T) + "8:15: speed record at 0 m does not come after the one before it (at 0 m): speed records "
                        "must rise in position"},
      {false, 4, "aderenza,    6000,    80",
       std::string(T) + "5:14: adhesion record at 5000 m does not come after the one before it (at 6000 m): "
                        "adhesion records must rise in position"},
  };
  for (const caso& c : casi) {
    const std::string linea = c.in_linea ? con_riga(kLinea, c.riga, c.nuova) : unisci(kLinea);
    const std::string treno = c.in_linea ? unisci(kTreno) : con_riga(kTreno, c.riga, c.nuova);
    const compilato k = compila_coppia(linea, treno);
    EXPECT_EQ(avvisi(k), std::vector<std::string>{c.atteso}) << c.nuova;
    EXPECT_EQ(k.errore(), "") << c.nuova;
  }
}

TEST(Avvisi, ATrainSourceOfWhichNothingWasCompiled) {
  struct caso {
    std::string treno;
    std::string atteso;
  } casi[] = {
      {"x\r\n", std::string(T) + "1:1: no \"[generale]\" in the train source: nothing of it was compiled"},
      {"\x01\x7f\xff zz,\r\n,,\r\nqq",
       std::string(T) + "1:1: no \"[generale]\" in the train source: nothing of it was compiled"},
      {"x\r\n[generale]\r\n\r\n  \r\n",
       std::string(T) + "2:1: \"[generale]\" is the last item of the train source: nothing follows it, so nothing of "
                        "it was compiled"},
      {unisci(kLinea), std::string(T) + "1:1: no train record follows \"[generale]\", but \"lunghezza percorso\", "
                                        "a key of the line source, does: the line source was given as the train "
                                        "source, and nothing of it was compiled"},
      {"[generale]\r\nx, 1\r\n[fine]\r\n", std::string(T) + "1:1: no train record follows \"[generale]\" (is "
                                                            "this a line source?): nothing of it was compiled"},
  };
  for (const caso& c : casi) {
    const compilato k = compila_coppia(unisci(kLinea), c.treno);
    EXPECT_EQ(avvisi(k), std::vector<std::string>{c.atteso}) << c.treno;
    EXPECT_EQ(k.errore(), "");
  }
}

TEST(Avvisi, CleanSourcesGiveNone) {
  EXPECT_EQ(avvisi(compila_coppia(unisci(kLinea), unisci(kTreno))), std::vector<std::string>{});

  // The embedded scenario, as the packager builds it.
  cartella_temporanea dir;
  dati_linea("Valdoro", dir.percorso());
  dati_treno("Valdoro", "Dir 5802", dir.percorso());
  scenario s;
  diagnostiche d;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  memorizza_percorso(s, d, 1, dir.percorso());
  EXPECT_TRUE(d.elenco().empty()) << descrivi(d.elenco().front());
}

// A warning tells; it never changes what is stored.
TEST(Avvisi, TheStoredValueIsTheOneThePartsGive) {
  const compilato k = compila_coppia(unisci(kLinea), con_riga(kTreno, 4, "aderenza,       0,   339"));
  ASSERT_EQ(avvisi(k).size(), 1u);
  EXPECT_EQ(k.s.celle[0].aderenza, 83);
  EXPECT_EQ(k.s.celle[99].aderenza, 83);
  EXPECT_EQ(k.s.celle[100].aderenza, 70);
}

TEST(Avvisi, AnEmptyGeneralSectionIsNotAMissingOne) {
  struct caso {
    std::string linea;
    std::string testo;
    int riga;
  } casi[] = {
      {"[generale]\r\n\r\n\r\n", kGeneraleVuota, 1},
      {"x\r\n  [generale]  \r\n", kGeneraleVuota, 2},
      {"x\r\ny\r\n", "", 2},
  };
  for (const caso& c : casi) {
    const compilato k = compila(c.linea);
    ASSERT_EQ(k.d.codice_errore(), 102);
    EXPECT_EQ(k.d.ultimo_errore()->messaggio, c.testo.empty() ? "line source has no [generale] section" : c.testo)
        << c.linea;
    EXPECT_EQ(k.d.ultimo_errore()->dove.riga, c.riga) << c.linea;
  }
}

// The record that puts something into cell 1, where the identity codes go.
TEST(Avvisi, TheRecordThatTookCellOneIsNoted) {
  struct caso {
    bool in_linea;
    size_t riga;
    std::string nuova;
    int riga_attesa;  // 0: nobody took it
  } casi[] = {
      {false, 12, "rallentamento,   -1,    50,  600, 0,  1,  0", 12},
      {false, 15, "abbattimento,  50,  90", 15},
      {false, 15, "abbattimento,  50,  0", 0},  // kind 13 leaves valore1 alone
      {true, 9, "indicatori_vmax,  0,  100,  110,  120,  0,  ,  ,  ,  0", 9},
      {true, 9, "cartello_indicatore,  10,   (Km 0)", 9},
      {false, 12, "rallentamento,   14500,    50,  600, 0,  1,  0", 0},
  };
  for (const caso& c : casi) {
    const std::string linea = c.in_linea ? con_riga(kLinea, c.riga, c.nuova) : unisci(kLinea);
    const std::string treno = c.in_linea ? unisci(kTreno) : con_riga(kTreno, c.riga, c.nuova);
    const compilato k = compila_coppia(linea, treno);
    EXPECT_EQ(k.luoghi.cella_riservata.riga, c.riga_attesa) << c.nuova;
    if (c.riga_attesa != 0) {
      EXPECT_EQ(k.luoghi.cella_riservata.file, c.in_linea ? "Valdoro_linea.txt" : "Valdoro_Dir 5802-.txt");
      EXPECT_EQ(k.luoghi.cella_riservata.colonna, 1);
    }
  }
}

}  // namespace
}  // namespace valdoro

#include "compiler/compilatore.h"

#include <gtest/gtest.h>

#include "compiler/formato.h"
#include "testing/prova_linea.h"

namespace valdoro {
namespace {

// n records, 1000 m apart.
std::string montagne(int n) {
  std::string testo;
  for (int i = 1; i <= n; ++i) {
    testo += "montagna,   " + std::to_string(1000 * i) + ",  " + std::to_string(1000 * i + 100) + ",  1\r\n";
  }
  return testo;
}

std::string cartelli(int n) {
  std::string testo;
  for (int i = 1; i <= n; ++i) testo += "cartello_indicatore,  " + std::to_string(1000 * i) + ",   (K)\r\n";
  return testo;
}

TEST(MemorizzaDati, EachLineErrorWithItsPlace) {
  const std::string cinque_pendenze_finali =
      "pendenza,  6900,   0\r\npendenza,  6900,   0\r\npendenza,  6900,   0\r\n"
      "pendenza,  6900,   0\r\npendenza,  6900,   0\r\n";
  struct {
    std::string linea;
    int32_t con_profilo;
    const char* atteso;
  } casi[] = {
      {"x\r\n[generale]\r\n", 0,
       "Valdoro_linea.txt:2:1: error 102: line source's [generale] section is empty: "
       "nothing follows it"},
      {sorgente_linea("", "1000001"), 0,
       "Valdoro_linea.txt:2:1: error 1: route length 1000001 m is above the "
       "limit, 1000000 m"},
      {sorgente_linea("", "-1"), 0, "Valdoro_linea.txt:2:1: error 218: route length -1 m is below 0 m"},
      {"[generale]\r\nlunghezza percorso, 1000\r\n  ripetizione segnali 4 codici, 2101, 0\r\n[curve]\r\n", 0,
       "Valdoro_linea.txt:3:3: error 3: signal repetition start 2101 m is not a multiple of 50 m"},
      {"[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 4 codici, 2100, 2101\r\n[curve]\r\n", 0,
       "Valdoro_linea.txt:3:1: error 4: signal repetition end 2101 m is not a multiple of 50 m"},
      {"[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali, 2100, 0\r\n[curve]\r\n", 0,
       "Valdoro_linea.txt:3:1: error 5: signal repetition key \"ripetizione segnali\" names neither 4 nor 9 "
       "codes (no digit 4 or 9 in it)"},
      {"[generale]\r\nsfondo uno, 1\r\n[curve]\r\npendenza,  0,   0\r\n[fine]\r\n", 0,
       "Valdoro_linea.txt:3:1: error 210: line source gives no route length: the track does not exist (no item of "
       "the general section, which ends here, holds \"lunghezza\" and \"percorso\")"},
      {sorgente_linea("curvas,  1350,  150\r\n"), 1,
       "Valdoro_linea.txt:4:1: error 103: curve key \"curvas\" names no radius class: no digit 1 to 6 in it"},
      {sorgente_linea("curvad1,  999000,  2000\r\n", "1000000"), 1,
       "Valdoro_linea.txt:4:1: error 103: curve from 999000 m to 1001000 m would take the line profile past "
       "metre 1000000"},
      {sorgente_linea("curvad1,  224000,  1001\r\n"), 1,
       "Valdoro_linea.txt:4:1: error 216: curve ends at 225001 m, beyond the last metre of the line profile, 225000 m"},
      {sorgente_linea("pendenza,  0,   0\r\npendenza,  224901,   0\r\n"), 0,
       "Valdoro_linea.txt:5:1: error 15: position 224901 m is beyond the usable end of the track, 224900 m"},
      {sorgente_linea("pendenza,  0,   -101\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 217: gradient -101 per mille "
       "is outside -100 to 155"},
      {sorgente_linea("pendenza,  0,   156\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 217: gradient 156 per mille "
       "is outside -100 to 155"},
      {sorgente_linea(cinque_pendenze_finali, "0"), 0,
       "Valdoro_linea.txt:8:1: error 215: gradient fill has reached cell 141, past the last cell of the track, "
       "140: each record at or before the one before it pushes the fill on by a cell"},
      {sorgente_linea(montagne(81)), 0,
       "Valdoro_linea.txt:84:1: error 211: mountain span from 81000 m to 81100 "
       "m: more than 80 mountain spans"},
      {sorgente_linea("montagna,   -100,  50,  1\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 212: mountain span from -100 m to 50 m: a position below 0 m"},
      {sorgente_linea("indicatori_vmax,  -50,  1,  1,  1,  0,  ,  ,  ,  0\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 212: maximum-speed board at -50 m: a position below 0 m"},
      {sorgente_linea("cartello_indicatore,  -1,   (X)\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 212: sign board at -1 m: a position below 0 m"},
      {sorgente_linea("montagna,   1000,  300000,  1\r\n"), 0,
       "Valdoro_linea.txt:4:1: error 213: mountain span from 1000 m to 300000 m ends in cell 5999, beyond the "
       "last cell of the track, 4500"},
      {sorgente_linea(cartelli(81)), 0,
       "Valdoro_linea.txt:84:1: error 214: sign board 81: the station table has rows for 80 sign-board texts"},
      {sorgente_linea("indicatori_vmax,  1100,  1,  1,  1,  0,  ,  ,  ,  0\r\ncartello_indicatore,  1100,   (X)\r\n"),
       0,
       "Valdoro_linea.txt:5:1: error 6: sign board at 1100 m: cell 23 at 1150 m already holds a maximum-speed "
       "board (kind 6), stored by Valdoro_linea.txt:4"},
      {sorgente_linea("indicatori_vmax,  1100,  1,  1,  1,  0,  ,  ,  ,  0\r\n"
                      "indicatori_vmax,  1100,  1,  1,  1,  0,  ,  ,  ,  0\r\n"),
       0,
       "Valdoro_linea.txt:5:1: error 21: maximum-speed board at 1100 m: cell 23 at 1150 m already holds a "
       "maximum-speed board (kind 6), stored by Valdoro_linea.txt:4"},
      // Found by the train half after the ordering, told at the line record.
      {"[generale]\r\nlunghezza percorso, 1000\r\nprogressiva chilometrica uno, 300, 0, 0\r\n"
       "progressiva chilometrica due, 100, 25, 1\r\n[curve]\r\n[fine]\r\n",
       0,
       "Valdoro_linea.txt:4:1: error 2: kilometre progressive of row 82: start 100 m and offset 125 m (as "
       "stored, with its flag) must both be multiples of 50 m"},
      {"[generale]\r\nlunghezza percorso, 1000\r\nprogressiva chilometrica due, 100, 25, 0\r\n"
       "progressiva chilometrica due, 100, 50, 0\r\n[curve]\r\n[fine]\r\n",
       0, ""},
      {sorgente_linea("pendenza, abc, 1\r\n"), 0,
       "Valdoro_linea.txt:4:11: error 25: record \"pendenza\", field position: \"abc\" is not a whole number"},
      // a board speed too wide for 16 bits: the last item read stands for the place
      {sorgente_linea("indicatori_vmax,  1100,  1639,  0,  0,  0,  ,  ,  ,  9\r\n"), 0,
       "Valdoro_linea.txt:4:54: error 25: record \"indicatori_vmax\", board speeds 1639 (left) and 0 (right) are "
       "stored as left * 20 + right / 5 = 32780, which does not fit 16 bits (-32768 to 32767)"},
  };
  for (const auto& c : casi) EXPECT_EQ(compila(c.linea, c.con_profilo).errore(), c.atteso) << c.linea;
}

// A value that cannot be read is told by the name the format description
// gives its field, in every record of both sources.
TEST(MemorizzaDati, AnUnreadableValueIsToldByItsFieldsName) {
  for (const formato::sorgente* sorgente : {&formato::linea(), &formato::treno()}) {
    for (const formato::sezione& z : sorgente->sezioni) {
      for (const formato::record& r : z.records) {
        const std::string parola = formato::forme(r).front();
        for (size_t i = 0; i < r.campi.size(); ++i) {
          if (r.campi[i].letto == formato::lettura::testo) continue;
          std::string riga = parola;
          for (size_t j = 0; j < r.campi.size(); ++j) riga += j == i ? ", x" : ", 0";
          riga += "\r\n";
          const bool in_linea = sorgente->tipo == formato::quale::linea;
          const bool generale = r.letto_in == formato::fase::generale;
          const std::string linea = !in_linea  ? sorgente_linea("")
                                    : generale ? "[generale]\r\n" + riga + "[curve]\r\n[fine]\r\n"
                                               : sorgente_linea(riga);
          const std::string treno = in_linea ? kTrenoVuoto : "[generale]\r\n" + riga + "[fine]\r\n";
          const compilato c = compila(&linea, 1, treno);
          EXPECT_EQ(c.d.codice_errore(), 25) << riga;
          EXPECT_EQ(c.d.ultimo_errore()->messaggio,
                    "record \"" + parola + "\", field " + r.campi[i].nome + ": \"x\" is not a whole number")
              << riga;
        }
      }
    }
  }
}

TEST(MemorizzaDati, WhichSourcesAreLeftOnDisk) {
  struct {
    const char* nome;
    std::string linea;
    int32_t codice;
    bool linea_rimasta, treno_rimasto;
  } casi[] = {
      {"normal end", sorgente_linea("pendenza,  0,   0\r\n"), 0, false, false},
      {"no [generale]", "x\r\n[generale]\r\n", 102, false, true},
      {"stop at once", sorgente_linea("montagna,   -1,  0,  1\r\n"), 212, false, true},
      {"stop this source", sorgente_linea("pendenza,  224901,   0\r\n"), 15, false, false},
      {"trap", sorgente_linea("pendenza,  100"), 25, false, false},
      {"empty source", "", 25, false, false},
  };
  for (const auto& c : casi) {
    compilato r = compila(c.linea);
    EXPECT_EQ(r.d.codice_errore(), c.codice) << c.nome;
    EXPECT_EQ(r.linea_rimasta, c.linea_rimasta) << c.nome;
    EXPECT_EQ(r.treno_rimasto, c.treno_rimasto) << c.nome;
  }
  compilato mancante = compila(nullptr);
  EXPECT_EQ(mancante.d.codice_errore(), 101);
  EXPECT_TRUE(mancante.treno_rimasto);
  EXPECT_EQ(mancante.s.tabella_stazioni[kRigaLinea].nome, "Valdoro");
}

TEST(MemorizzaDati, TablesKeepWhatWasStoredBeforeAStop) {
  compilato c =
      compila(sorgente_linea("montagna,   1000,  1100,  1\r\n"
                             "indicatori_vmax,  1100,  1,  1,  1,  0,  ,  ,  ,  0\r\n"
                             "indicatori_vmax,  1100,  1,  1,  1,  0,  ,  ,  ,  0\r\n"
                             "montagna,   3000,  3100,  1\r\n"));
  EXPECT_EQ(c.d.codice_errore(), 21);
  EXPECT_EQ(c.s.celle[20].montagna, 1);
  EXPECT_EQ(c.s.celle[23].tipo, 6);
  EXPECT_EQ(c.s.celle[60].montagna, 0);
  EXPECT_EQ(c.s.celle[0].pendenza, 0);  // no closing fill after a stop at once
}

// Gradient bytes of cells 10 to 13 after compiling `record`.
std::string pendenze(const std::string& testo) {
  compilato c = compila(testo);
  std::string uscita = c.errore();
  for (int k = 10; k <= 13; ++k) uscita += std::to_string(c.s.celle[static_cast<size_t>(k)].pendenza) + " ";
  return uscita;
}

TEST(MemorizzaDati, RecordPhaseReadsKeywordsWhereverTheyStand) {
  struct {
    std::string testo;
    const char* atteso;
  } casi[] = {
      {sorgente_linea("pendenza,  600,   5\r\n"), "100 100 105 105 "},
      // over several lines, two on one line, any case, inside other letters
      {sorgente_linea("pendenza\r\n  600\r\n  5\r\n"), "100 100 105 105 "},
      {sorgente_linea("pendenza,  550,   1,  PENDENZA,  600,   5\r\n"), "100 101 105 105 "},
      {sorgente_linea("[x]laPendenzaNuova,  600,   5\r\n"), "100 100 105 105 "},
      // an item with "-" gives way to the next one, at most twice in a row
      {sorgente_linea("pendenza-vecchia,  600,   5\r\n"), "100 100 100 100 "},
      {sorgente_linea("a-,  b-,  pendenza,  600,   5\r\n"), "100 100 105 105 "},
      // the last item is never acted on; a final record needs no [fine]
      {"[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza,  600,   5\r\npendenza", "100 100 105 105 "},
      {"[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza,  600,   5", "100 100 105 105 "},
      // general keys are not records
      {sorgente_linea("sfondo uno,  600\r\npendenza,  600,   5\r\n"), "100 100 105 105 "},
      // the general phase ends at its first header, even one that is no section of ours
      {"[generale]\r\nlunghezza percorso, 1000\r\n[altro]\r\npendenza,  600,   5\r\n", "100 100 105 105 "},
  };
  for (const auto& c : casi) EXPECT_EQ(pendenze(c.testo), c.atteso) << c.testo;

  compilato generale = compila(sorgente_linea("sfondo uno,  7\r\n"));
  EXPECT_EQ(generale.s.tabella_stazioni[kRigaLinea].inizio, 0);
}

}  // namespace
}  // namespace valdoro

// Source pairs that once broke the compiler or came close to a table's
// edge, replayed exactly as the fuzzer runs them (fuzz/coppia.h): each must
// end in its recorded error, or none, and never crash, hang or leave a
// table.  New findings of the fuzzer go here.
#include <gtest/gtest.h>

#include <string>

#include "fuzz/coppia.h"

namespace valdoro {
namespace {

struct caso {
  const char* nome;
  std::string linea;
  std::string treno;
  std::string atteso;  // descrivi_errore, or "" for a compile without error
};

std::string linea_con(const std::string& record, const std::string& lunghezza = "1000") {
  return "[generale]\r\nlunghezza percorso, " + lunghezza + "\r\n[curve]\r\n" + record + "[fine]\r\n";
}

std::string treno_con(const std::string& record) { return "[generale]\r\n" + record + "[fine]\r\n"; }

const std::string kLineaBreve = linea_con("");

std::string compila(const caso& c) {
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  esito_coppia e = compila_coppia(s, c.linea, c.treno);
  EXPECT_EQ(e.fatale, "");
  EXPECT_TRUE(verifica_coppia(c.linea, c.treno)) << c.nome;
  return e.ultimo_errore;
}

TEST(FuzzRegression, ReplaysEndInTheirRecordedError) {
  const caso casi[] = {
      {"curve running past the last int32 metre", linea_con("curvad1, 100, 2147483647\r\n"), treno_con(""),
       "Valdoro_linea.txt:4:1: error 216: curve ends at 2147483747 m, beyond the last metre of the line profile, "
       "8000 m"},
      {"signal whose last mark is cell 0", kLineaBreve, treno_con("segnale, 350, 2,1,1,1,0, 2,1,1,1, 0\r\n"), ""},
      {"signal one metre short of that", kLineaBreve, treno_con("segnale, 349, 2,1,1,1,0, 2,1,1,1, 0\r\n"),
       "Valdoro_Dir 5802-.txt:2:1: error 231: signal at 349 m is closer than 350 m to the line start"},
      {"slowdown ending past the last cell", kLineaBreve, treno_con("rallentamento, 7000, 30, 2000, 0, 1, 0\r\n"),
       "Valdoro_Dir 5802-.txt:2:1: error 232: slowdown from 7000 m over 2000 m: its end cell 181 is outside the "
       "track, cells 0 to 160"},
      {"slowdown ending on the last cell, walked by the finishing pass", kLineaBreve,
       treno_con("rallentamento, 7500, 30, 450, 0, 0, 0\r\n"),
       "Valdoro_Dir 5802-.txt:2:1: error 250: the look for a signal after the slowdown ending in cell 160 would "
       "reach cell 172, past the last cell of the track, 160"},
      {"station area ending on cell 1", kLineaBreve,
       treno_con("stazione, 0, 1, 100, 0,0,0,0,0,0,0,0,0,0, 0,0,0, \"A\"\r\n"),
       "Valdoro_Dir 5802-.txt:2:1: error 24: station area ends at 50 m: its station cell would fall on cell 1 or "
       "before; the area must end beyond 100 m"},
      {"clock time past 32 bits", kLineaBreve,
       treno_con("stazione, 1000, 1, 100, 0,0,0,0,0,0,0,0,0,0, 2147483647,0,0, \"A\"\r\n"),
       "Valdoro_Dir 5802-.txt:2:59: error 25: record \"stazione\", time 2147483647 h 0 min 0 s is "
       "7730941129200 s, which does not fit its field's 32 bits"},
  };
  for (const caso& c : casi) EXPECT_EQ(compila(c), c.atteso) << c.nome;
}

// 64 KiB of route lengths, alternating, took a minute under the sanitizers:
// each key laid out a plan of a million metres anew.  Only the last one may
// count, and the plan must be as fresh as if it had been the only one.
TEST(FuzzRegression, RepeatedRouteLengthsLeaveOnlyTheLastOne) {
  std::string generale;
  for (int i = 0; i < 1150; ++i) generale += "lunghezza percorso,1000000\r\nlunghezza percorso,999999\r\n";
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  const std::string linea = "[generale]\r\n" + generale + "[curve]\r\npendenza, 0, 3\r\n[fine]\r\n";
  esito_coppia e = compila_coppia(s, linea, treno_con(""));
  EXPECT_EQ(e.codice_errore, 0) << e.ultimo_errore;
  EXPECT_EQ(s.tabella_stazioni[kRigaParametri].fine, 999999);
  EXPECT_EQ(s.celle.size(), 20141u);
  ASSERT_EQ(s.profilo_linea.ultimo_metro(), 1006999);
  EXPECT_EQ(s.profilo_linea.leggi(1, 1).tipo, tipo_valore::intero);
  EXPECT_EQ(s.profilo_linea.leggi(1006997, 1).valore, 1006997);
  EXPECT_EQ(s.profilo_linea.leggi(1006998, 1).tipo, tipo_valore::vuoto);
  EXPECT_EQ(s.celle[20137].pendenza, 103);
}

}  // namespace
}  // namespace valdoro

// Source pairs that once broke the compiler or came close to a table's
// edge, replayed exactly as the fuzzer runs them (fuzz/coppia.h): each must
// end in its recorded error, or none, and never crash, hang or leave a
// table.  New findings of the fuzzer go here.
#include <gtest/gtest.h>

#include <string>

#include "fuzz/coppia.h"
#include "testing/cartella_temporanea.h"

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
  cartella_temporanea dir;
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  esito_coppia e = compila_coppia(s, c.linea, c.treno, dir.percorso());
  EXPECT_EQ(e.fatale, "");
  return s.codice_errore == 0 ? "" : descrivi_errore(s);
}

TEST(FuzzRegression, ReplaysEndInTheirRecordedError) {
  const caso casi[] = {
      {"curve running past the last int32 metre", linea_con("curvad1, 100, 2147483647\r\n"), treno_con(""),
       "Valdoro_linea.txt:4:1: error 216: curve reaches beyond the last metre of the line profile"},
  };
  for (const caso& c : casi) EXPECT_EQ(compila(c), c.atteso) << c.nome;
}

// 64 KiB of route lengths, alternating, took a minute under the sanitizers:
// each key laid out a plan of a million metres anew.  Only the last one may
// count, and the plan must be as fresh as if it had been the only one.
TEST(FuzzRegression, RepeatedRouteLengthsLeaveOnlyTheLastOne) {
  std::string generale;
  for (int i = 0; i < 1150; ++i) generale += "lunghezza percorso,1000000\r\nlunghezza percorso,999999\r\n";
  cartella_temporanea dir;
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  const std::string linea = "[generale]\r\n" + generale + "[curve]\r\npendenza, 0, 3\r\n[fine]\r\n";
  esito_coppia e = compila_coppia(s, linea, treno_con(""), dir.percorso());
  EXPECT_EQ(e.codice_errore, 0) << descrivi_errore(s);
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

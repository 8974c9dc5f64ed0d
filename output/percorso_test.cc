#include "output/percorso.h"

#include <gtest/gtest.h>

#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

scenario nominato() {
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  return s;
}

// The smallest pair of sources: a track with nothing on it.
void scrivi_sorgenti(const cartella_temporanea& dir) {
  dir.scrivi("Valdoro_linea.txt", "[generale]\r\nlunghezza percorso, 1000\r\n[fine]\r\n");
  dir.scrivi("Valdoro_Dir 5802-.txt", "[generale]\r\n[fine]\r\n");
}

TEST(MemorizzaPercorso, WithoutProfileAnEarlierProfileFileStaysUntouched) {
  cartella_temporanea dir;
  dir.scrivi("Valdoro_linea.dat", "earlier profile");
  scenario s = nominato();
  diagnostiche d;
  scrivi_sorgenti(dir);
  memorizza_percorso(s, d, 0, dir.percorso());
  EXPECT_EQ(dir.leggi("Valdoro_linea.dat"), "earlier profile");
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdoro_Dir 5802.sim"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdoro_Dir 5802.dat"));
}

TEST(MemorizzaPercorso, ClearsTheStationTableFirst) {
  cartella_temporanea dir;
  scenario s = nominato();
  diagnostiche d;
  s.tabella_stazioni[3].nome = "left over";
  s.tabella_stazioni[85].campo7 = 610;  // would clash with the stamp if kept
  scrivi_sorgenti(dir);
  memorizza_percorso(s, d, 1, dir.percorso());
  EXPECT_EQ(s.tabella_stazioni[3].nome, "");
  EXPECT_EQ(s.tabella_stazioni[85].campo7, 610);
}

TEST(MemorizzaPercorso, TwoRunsWriteTheSameBytes) {
  cartella_temporanea a, b;
  scenario s1 = nominato(), s2 = nominato();
  diagnostiche d1, d2;
  scrivi_sorgenti(a);
  scrivi_sorgenti(b);
  memorizza_percorso(s1, d1, 1, a.percorso());
  memorizza_percorso(s2, d2, 1, b.percorso());
  for (const char* f : {"Valdoro_linea.dat", "Valdoro_Dir 5802.sim", "Valdoro_Dir 5802.dat"}) {
    EXPECT_EQ(a.leggi(f), b.leggi(f)) << f;
  }
}

}  // namespace
}  // namespace valdoro

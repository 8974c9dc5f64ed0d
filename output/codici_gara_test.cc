#include "output/codici_gara.h"

#include <gtest/gtest.h>

#include "model/errori.h"

namespace valdoro {
namespace {

tabella_stazioni_t nomi(const std::string& treno, const std::string& linea) {
  tabella_stazioni_t t{};
  t[kRigaTreno].nome = treno;
  t[kRigaLinea].nome = linea;
  return t;
}

TEST(IdentityCodes, WorkedOutByHandForTheScenario) {
  // "dir 5802" + "valdoro" + "mmnnbbvvcc": 558 + 759 + 1068.
  const tabella_stazioni_t t = nomi("Dir 5802", "Valdoro");
  EXPECT_EQ(stringa_identita(t), "dir 5802valdorommnnbbvvcc");
  EXPECT_EQ(codice_gara_og(t), 2385);
  EXPECT_EQ(codice_gara_st(t), 33087);
}

TEST(IdentityCodes, CaseDoesNotMatter) {
  EXPECT_EQ(codice_gara_og(nomi("DIR 5802", "VALDORO")), 2385);
  EXPECT_EQ(codice_gara_st(nomi("dir 5802", "valdoro")), 33087);
}

TEST(IdentityCodes, LongNamesDoNotReachTheFiller) {
  const tabella_stazioni_t t = nomi("Treno straordinario", "Montagnola");
  EXPECT_EQ(stringa_identita(t), "treno straordinariomontag");
}

TEST(IdentityCodes, EmptyNamesUseTheFillerOnly) {
  EXPECT_EQ(stringa_identita(nomi("", "")), "mmnnbbvvccxxzzllkkjjhhggf");
}

scenario con_celle(int n) {
  scenario s;
  s.tabella_stazioni = nomi("Dir 5802", "Valdoro");
  s.celle.resize(static_cast<size_t>(n));
  return s;
}

TEST(Stamping, FillsTheFourSlots) {
  scenario s = con_celle(10);
  diagnostiche d;
  timbra_codici(s, d);
  EXPECT_EQ(s.tabella_stazioni[85].campo7, 610);
  EXPECT_EQ(s.tabella_stazioni[85].orario, 33087);
  EXPECT_EQ(s.celle[1].valore1, 5121);
  EXPECT_EQ(s.celle[1].valore2, 2385);
  EXPECT_TRUE(d.elenco().empty());
}

TEST(Stamping, ClashesEndTheRun) {
  struct caso {
    void (*prepara)(scenario&);
    const char* numero;
  } casi[] = {
      {[](scenario& s) { s.tabella_stazioni[85].campo7 = 1; }, "1250"},
      {[](scenario& s) { s.celle[1].valore1 = 42; }, "1250"},
      {[](scenario& s) { s.tabella_stazioni[85].orario = 1; }, "1251"},
      {[](scenario& s) { s.celle[1].valore2 = 3; }, "1251"},
  };
  diagnostiche d;
  for (const caso& c : casi) {
    scenario s = con_celle(10);
    c.prepara(s);
    try {
      timbra_codici(s, d);
      ADD_FAILURE() << "no clash for " << c.numero;
    } catch (const errore_fatale& e) {
      EXPECT_EQ(std::to_string(numero_di(e.numero())), c.numero);
      EXPECT_STREQ(e.what(), (std::string(" Errore n. ") + c.numero).c_str());
    }
  }
}

TEST(Stamping, TrackWithoutCellOneRecordsAnErrorAndTouchesNoCell) {
  for (int n : {0, 1}) {
    scenario s = con_celle(n);
    diagnostiche d;
    timbra_codici(s, d);
    EXPECT_EQ(d.codice_errore(), 201);
    EXPECT_EQ(s.celle.size(), static_cast<size_t>(n));
    EXPECT_EQ(s.tabella_stazioni[85].campo7, 610);
    EXPECT_EQ(s.tabella_stazioni[85].orario, 33087);
  }
}

}  // namespace
}  // namespace valdoro

// The one catalogue of diagnostics, against the enumeration, the docs and
// the authors' guide that are made from it.
#include "compiler/diagnostica.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "util/file.h"

namespace valdoro {
namespace {

std::string leggi_doc(const char* nome) { return leggi_file(std::filesystem::path(VALDORO_SOURCE_DIR) / nome); }

TEST(Catalogo, IdsAreUniqueAndEveryEntryHasItsTexts) {
  std::set<std::string> ids;
  int32_t numero_prima = 0;
  for (const regola& r : regole()) {
    EXPECT_TRUE(ids.insert(r.id).second) << r.id;
    EXPECT_NE(std::string(r.descrizione), "") << r.id;
    EXPECT_NE(std::string(r.aiuto), "") << r.id;
    if (r.chi != famiglia::errore_numerato) continue;
    EXPECT_GT(r.numero, numero_prima) << r.id;
    numero_prima = r.numero;
    EXPECT_EQ(r.id, "error-" + std::to_string(r.numero));
    EXPECT_EQ(r.livello, gravita::errore) << r.id;
  }
}

// Every number the compiler, the finishing pass and the stamping can record
// has its entry, and 14 and 23 are not used.
TEST(Catalogo, EveryErrorNumberHasItsEntry) {
  const int32_t numeri[] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,   13,  15,  16,
                            17,  18,  19,  20,  21,  22,  24,  25,  101, 102, 103, 201,  210, 211, 212,
                            213, 214, 215, 216, 217, 218, 230, 231, 232, 233, 250, 1250, 1251};
  size_t quanti = 0;
  for (const regola& r : regole()) quanti += r.chi == famiglia::errore_numerato ? 1 : 0;
  EXPECT_EQ(quanti, std::size(numeri));
  for (int32_t n : numeri) {
    ASSERT_NE(regola_di(n), nullptr) << n;
    EXPECT_EQ(&regola_di(static_cast<numero_errore>(n)), regola_di(n));
  }
  EXPECT_EQ(regola_di(14), nullptr);
  EXPECT_EQ(regola_di(23), nullptr);
}

TEST(Diagnostiche, TheLastNumberedErrorIsThePackagersAndWarningsDoNotCount) {
  diagnostiche d;
  EXPECT_EQ(d.ultimo_errore(), nullptr);
  EXPECT_EQ(d.codice_errore(), 0);
  d.errore(numero_errore::oltre_il_binario, {"Valdoro_linea.txt", 12, 1});
  d.segnala(kAvvisoFine, {"Valdoro_linea.txt", 30, 1}, "the source does not end with the line \"[fine]\"");
  d.errore(numero_errore::senza_linea, {"Valdoro_linea.txt", 0, 0});
  d.segnala(kAvvisoOrdine, {"Valdoro_linea.txt", 31, 1}, "out of order");
  EXPECT_EQ(d.codice_errore(), 101);
  EXPECT_EQ(d.errori(), 2u);
  ASSERT_EQ(d.elenco().size(), 4u);
  EXPECT_EQ(descrivi(d.elenco()[0]), "Valdoro_linea.txt:12:1: error 15: position beyond the usable end of the track");
  EXPECT_EQ(descrivi(d.elenco()[1]),
            "Valdoro_linea.txt:30:1: warning: the source does not end with the line \"[fine]\"");
  EXPECT_EQ(descrivi(*d.ultimo_errore()), "Valdoro_linea.txt: error 101: line source missing");
  d.errore(numero_errore::marca_dopo_avviso, {}, "no free cell for the speed mark before the signal in cell 30");
  EXPECT_EQ(descrivi(*d.ultimo_errore()), "error 11: no free cell for the speed mark before the signal in cell 30");
  EXPECT_EQ(d.elenco()[0].regola, "error-15");
  EXPECT_EQ(d.elenco()[1].regola, "missing-end");
}

TEST(Diagnostiche, AFindingAndAnErrorAreOneFaultOnlyWhereTheTableSaysSo) {
  EXPECT_TRUE(stesso_guasto("beyond-track", "error-15"));
  EXPECT_TRUE(stesso_guasto("off-grid", "error-8"));
  EXPECT_TRUE(stesso_guasto("bad-number", "error-25"));
  EXPECT_TRUE(stesso_guasto("out-of-order", "list-out-of-order"));
  EXPECT_FALSE(stesso_guasto("out-of-order", "error-16"));
  EXPECT_FALSE(stesso_guasto("beyond-track", "error-8"));
  EXPECT_FALSE(stesso_guasto("error-15", "beyond-track"));
  // Every id in the table is in the catalogue.
  for (const regola& a : regole()) {
    for (const regola& b : regole()) {
      if (!stesso_guasto(a.id, b.id)) continue;
      EXPECT_EQ(a.chi, famiglia::regola_controllo) << a.id;
      EXPECT_NE(b.chi, famiglia::regola_controllo) << b.id;
    }
  }
}

// docs/diagnostics.md is printed from the catalogue (scenario
// diagnostics-doc); the authors' guide's error table is its numbered part.
TEST(Catalogo, DocsAndReadmeAreMadeFromIt) {
  EXPECT_EQ(leggi_doc("docs/diagnostics.md"), documento_diagnostiche())
      << "docs/diagnostics.md is out of date: run scenario diagnostics-doc > docs/diagnostics.md";
  EXPECT_NE(leggi_doc("docs/authors.md").find(tabella_errori_markdown()), std::string::npos)
      << "docs/authors.md's error table is out of date: paste the table of scenario diagnostics-doc --errors";
  EXPECT_NE(leggi_doc("docs/authors.md").find(std::string("\"") + kGeneraleVuota + "\""), std::string::npos);
  // A row worked out by hand, so that the generator itself is held too.
  EXPECT_NE(tabella_errori_markdown().find("| 217 | gradient outside -100 to 155 |\n"), std::string::npos);
  EXPECT_NE(documento_diagnostiche().find("| `error-217` | error | gradient outside -100 to 155 | Give a gradient "
                                          "from -100 to 155 per mille. |\n"),
            std::string::npos);
}

}  // namespace
}  // namespace valdoro

// The description of the formats against the compiler that reads them.
#include "compiler/formato.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "output/carte_autore.h"
#include "testing/prova_linea.h"
#include "util/file.h"

namespace valdoro {
namespace {

std::string parola_di(const std::string& esempio) { return esempio.substr(0, esempio.find(',')); }

// Every example line, alone in a source, compiles without an error or a
// warning, and its keyword is the record it stands for.
TEST(Formato, EveryExampleCompilesAndNamesItsRecord) {
  for (formato::quale q : {formato::quale::linea, formato::quale::treno}) {
    const formato::sorgente& f = formato::di(q);
    for (const formato::sezione& z : f.sezioni) {
      for (const formato::record& r : z.records) {
        const std::string riga = std::string(r.esempio) + "\r\n";
        std::string linea = "[generale]\r\nlunghezza percorso,    218000\r\n";
        const std::string fine = "[fine]\r\n";
        std::string treno = "[generale]\r\nnumero vetture,    7\r\n";
        if (q == formato::quale::treno) {
          treno += riga;
        } else if (r.letto_in == formato::fase::generale) {
          linea += riga;
        } else {
          linea += "[curve]\r\n" + riga;
        }
        linea += fine;
        const compilato k = compila(&linea, 1, treno + fine);
        EXPECT_EQ(k.errore(), "") << r.esempio;
        EXPECT_TRUE(k.d.elenco().empty()) << r.esempio << ": " << descrivi(k.d.elenco().front());
        EXPECT_EQ(formato::trova_record(f, parola_di(r.esempio)), &r) << r.esempio;
        for (const std::string& forma : formato::forme(r)) {
          EXPECT_EQ(formato::trova_record(f, forma), &r) << forma;
        }
        EXPECT_EQ(&formato::sezione_di(f, r), &z);
      }
    }
  }
}

// Names are what the checker, the reference and dump call fields by: one
// name once per record, no two sections alike.
TEST(Formato, NamesAreUniqueWhereTheyAreLookedUp) {
  for (formato::quale q : {formato::quale::linea, formato::quale::treno}) {
    std::set<std::string> intestazioni;
    for (const formato::sezione& z : formato::di(q).sezioni) {
      EXPECT_TRUE(intestazioni.insert(z.intestazione).second) << z.intestazione;
      EXPECT_EQ(formato::trova_sezione(formato::di(q), std::string("  ") + z.intestazione + " "), &z);
      for (const formato::record& r : z.records) {
        std::set<std::string> nomi;
        for (const formato::campo& c : r.campi) {
          EXPECT_TRUE(nomi.insert(c.nome).second) << r.parola << " " << c.nome;
          EXPECT_LE(c.minimo, c.massimo) << r.parola << " " << c.nome;
        }
      }
    }
  }
  EXPECT_EQ(formato::trova_sezione(formato::linea(), "[pendenz]"), nullptr);
}

TEST(Formato, KeywordsAreFoundAsTheCompilerFindsThem) {
  const formato::sorgente& l = formato::linea();
  const formato::sorgente& t = formato::treno();
  struct caso {
    const formato::sorgente& f;
    const char* voce;
    const char* parola;  // nullptr: none
  } casi[] = {
      {l, "Montagna", "montagna"},
      {l, "curvaz4", "curva"},
      {l, "pendnza", nullptr},
      {l, "Progressiva chilometrica uno", nullptr},  // the general keys match case exactly
      {l, "LUNGHEZZA percorso", "lunghezza percorso"},
      {t, "velocità", "velocita"},
      {t, "stazinoe", nullptr},
      {t, "massa frenata", "percentuale massa frenata"},
      {t, "frenata", nullptr},
  };
  for (const caso& c : casi) {
    const formato::record* r = formato::trova_record(c.f, c.voce);
    if (c.parola == nullptr) {
      EXPECT_EQ(r, nullptr) << c.voce;
    } else {
      ASSERT_NE(r, nullptr) << c.voce;
      EXPECT_STREQ(r->parola, c.parola);
    }
  }
}

// docs/source-format.md is printed from the tables (scenario format-doc);
// a table changed without the reference fails here.
TEST(Formato, TheReferenceInDocsIsWhatTheTablesPrint) {
  const std::string scritto = leggi_file(std::filesystem::path(VALDORO_SOURCE_DIR) / "docs" / "source-format.md");
  EXPECT_TRUE(scritto == documento_formati())
      << "docs/source-format.md is out of date: run scenario format-doc > docs/source-format.md";
}

}  // namespace
}  // namespace valdoro

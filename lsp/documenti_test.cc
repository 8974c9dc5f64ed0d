#include "lsp/documenti.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace valdoro {
namespace lsp {
namespace {

TEST(DocumentiLsp, FileUris) {
  struct caso {
    std::string uri, cartella, nome;
    std::optional<std::string> percorso;
  };
  const std::vector<caso> casi = {
      {"file:///home/a/Valdoro_Dir%205802-.txt", "file:///home/a", "Valdoro_Dir 5802-.txt",
       "/home/a/Valdoro_Dir 5802-.txt"},
      {"file:///c%3A/Scenari/Colle_linea.txt", "file:///c%3A/Scenari", "Colle_linea.txt", "c:/Scenari/Colle_linea.txt"},
      {"file:///C:/x/Citt%C3%A0_linea.txt", "file:///C:/x", "Citt\xC3\xA0_linea.txt", "C:/x/Citt\xC3\xA0_linea.txt"},
      {"untitled:Untitled-1", "", "untitled:Untitled-1", std::nullopt},
      {"file:///a/100%_linea.txt", "file:///a", "100%_linea.txt", "/a/100%_linea.txt"},
  };
  for (const caso& c : casi) {
    EXPECT_EQ(cartella_uri(c.uri), c.cartella) << c.uri;
    EXPECT_EQ(nome_uri(c.uri), c.nome) << c.uri;
    EXPECT_EQ(percorso_uri(c.uri), c.percorso) << c.uri;
  }
}

TEST(DocumentiLsp, PairsByInitsNamesInOneFolderOnly) {
  documenti d(1000);
  d.apri("file:///a/Colle_linea.txt", "[generale]", 1);
  d.apri("file:///b/Colle_R%20101-.txt", "[generale]", 1);
  // Another folder's train source is no partner: the line source is alone.
  EXPECT_EQ(d.coppia_di("file:///a/Colle_linea.txt"), (coppia{"file:///a/Colle_linea.txt", "", "Colle", "Dir 5802"}));
  EXPECT_EQ(d.coppia_di("file:///b/Colle_R%20101-.txt"),
            (coppia{"", "file:///b/Colle_R%20101-.txt", "Colle", "R 101"}));
  d.apri("file:///a/Colle_R%20101-.txt", "[generale]", 1);
  const coppia c{"file:///a/Colle_linea.txt", "file:///a/Colle_R%20101-.txt", "Colle", "R 101"};
  EXPECT_EQ(d.coppia_di("file:///a/Colle_linea.txt"), c);
  EXPECT_EQ(d.coppia_di("file:///a/Colle_R%20101-.txt"), c);
  d.chiudi("file:///a/Colle_linea.txt");
  EXPECT_EQ(d.coppia_di("file:///a/Colle_R%20101-.txt"),
            (coppia{"", "file:///a/Colle_R%20101-.txt", "Colle", "R 101"}));
}

TEST(DocumentiLsp, TheSettingsFile) {
  std::string errore;
  const std::vector<coppia_nominata> n = leggi_impostazioni(
      R"({"pairs": [{"line": "l.txt", "train": "t.txt"}, {"line": "Monte_linea.txt", "train": "Monte_E 3-.txt"},
                    {"line": "x.txt"}, 7, {"line": "a.txt", "train": "b.txt", "title": "T", "train_designation": "D"}]})",
      &errore);
  EXPECT_EQ(errore, "");
  ASSERT_EQ(n.size(), 3u);
  EXPECT_EQ(n[0].titolo, "Valdoro");
  EXPECT_EQ(n[0].nome_treno, "Dir 5802");
  EXPECT_EQ(n[1].titolo, "Monte");
  EXPECT_EQ(n[1].nome_treno, "E 3");
  EXPECT_EQ(n[2].titolo, "T");
  EXPECT_EQ(n[2].nome_treno, "D");
  for (const char* sbagliato : {"", "[]", "{\"pairs\": 3}", "{\"pair\": []}"}) {
    errore.clear();
    EXPECT_TRUE(leggi_impostazioni(sbagliato, &errore).empty()) << sbagliato;
    EXPECT_EQ(errore, "scenario-lsp.json is not an object with a \"pairs\" array") << sbagliato;
  }
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro

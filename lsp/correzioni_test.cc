#include "lsp/correzioni.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/sessione_prova.h"

namespace valdoro {
namespace lsp {
namespace {

json posizione_j(int riga, int carattere) { return {{"line", riga}, {"character", carattere}}; }
json intervallo_j(int riga, int da, int a) { return {{"start", posizione_j(riga, da)}, {"end", posizione_j(riga, a)}}; }
json intervallo_j(int riga, int da, int riga_fine, int a) {
  return {{"start", posizione_j(riga, da)}, {"end", posizione_j(riga_fine, a)}};
}

// The text's offset of a protocol place, for texts of ASCII only, worked
// out here on its own.
size_t scostamento(const std::string& t, const json& p) {
  size_t o = 0;
  for (int riga = p["line"]; riga > 0; --riga) o = t.find('\n', o) + 1;
  return o + p["character"].get<size_t>();
}

// The edits of one action applied, the last in the text first.
std::string applica(std::string t, const json& modifiche) {
  std::vector<json> m(modifiche.begin(), modifiche.end());
  std::sort(m.begin(), m.end(), [&](const json& a, const json& b) {
    return scostamento(t, a["range"]["start"]) > scostamento(t, b["range"]["start"]);
  });
  for (const json& x : m) {
    const size_t da = scostamento(t, x["range"]["start"]), a = scostamento(t, x["range"]["end"]);
    t.replace(da, a - da, x["newText"].get<std::string>());
  }
  return t;
}

struct caso {
  const char* nome;
  bool linea;  // in the line source, else in the train source
  std::string da, a;
  json intervallo;  // asked for
  const char* codice;
  const char* titolo;
  json modifiche;
};

// Each problem the checker knows how to mend, its action, and the sources
// with the action applied: the problem is gone.
TEST(CorrezioniLsp, TheCheckersMendingsAreQuickFixesThatMendIt) {
  const std::string riga_segnale = "segnale,    4400,   2, 3, 1,  0, 0,    1,  1,1,0, 0\n";
  const std::vector<caso> casi = {
      {"did you mean", true, "pendenza,  2000,", "pendanza,  2000,", intervallo_j(17, 3, 3), "unknown-keyword",
       "Replace with \"pendenza\"", json::array({{{"range", intervallo_j(17, 0, 8)}, {"newText", "pendenza"}}})},
      {"a section header", true, "[montagne]", "[montagnne]", intervallo_j(22, 0, 22, 11), "unknown-section",
       "Replace with \"[montagne]\"", json::array({{{"range", intervallo_j(22, 0, 11)}, {"newText", "[montagne]"}}})},
      {"a decimal comma", true, "pendenza,  9000,   -6", "pendenza,  9000,   -6,5", intervallo_j(19, 20, 20),
       "decimal-comma", "Write the whole number -6",
       json::array({{{"range", intervallo_j(19, 21, 23)}, {"newText", ""}}})},
      {"a record out of order", false, "segnale,    9400,", "segnale,    4400,", intervallo_j(22, 0, 22, 52),
       "out-of-order", "Move the line before line 22",
       json::array({{{"range", intervallo_j(21, 0, 0)}, {"newText", riga_segnale}},
                    {{"range", intervallo_j(22, 0, 23, 0)}, {"newText", ""}}})},
  };
  for (const caso& c : casi) {
    sessione x;
    x.inizia();
    const std::string linea = c.linea ? sostituisci(colle("linea"), c.da, c.a) : colle("linea");
    const std::string treno = c.linea ? colle("treno") : sostituisci(colle("treno"), c.da, c.a);
    x.apri(kUriLinea, linea);
    x.apri(kUriTreno, treno);
    const std::string uri = c.linea ? kUriLinea : kUriTreno;
    const json r = x.chiedi(5, "textDocument/codeAction",
                            {{"textDocument", {{"uri", uri}}},
                             {"range", c.intervallo},
                             {"context", {{"diagnostics", json::array()}}}})["result"];
    ASSERT_EQ(r.size(), 1u) << c.nome << r.dump();
    EXPECT_EQ(r[0]["title"], c.titolo) << c.nome;
    EXPECT_EQ(r[0]["kind"], "quickfix") << c.nome;
    EXPECT_EQ(r[0]["diagnostics"][0]["code"], c.codice) << c.nome;
    EXPECT_EQ(r[0]["edit"]["changes"][uri], c.modifiche) << c.nome;

    const std::string mendato = applica(c.linea ? linea : treno, r[0]["edit"]["changes"][uri]);
    const json dopo = diagnostiche_per(x.cambia(uri, mendato, 2), uri);
    for (const json& d : dopo) EXPECT_NE(d["code"], c.codice) << c.nome << ": " << d.dump();
  }
}

TEST(CorrezioniLsp, NoActionAwayFromAProblemOrForASourceNotOpen) {
  sessione x;
  x.inizia();
  x.apri(kUriLinea, sostituisci(colle("linea"), "pendenza,  2000,", "pendanza,  2000,"));
  auto chiedi = [&](const std::string& uri, const json& intervallo) {
    return x.chiedi(5, "textDocument/codeAction",
                    {{"textDocument", {{"uri", uri}}}, {"range", intervallo}, {"context", json::object()}})["result"];
  };
  EXPECT_EQ(chiedi(kUriLinea, intervallo_j(16, 0, 16, 21)), json::array());
  EXPECT_EQ(chiedi(kUriLinea, intervallo_j(18, 0, 18, 3)), json::array());
  EXPECT_EQ(chiedi("file:///altro.txt", intervallo_j(17, 0, 17, 3)), json::array());
  EXPECT_EQ(chiedi(kUriLinea, intervallo_j(17, 8, 17, 8)).size(), 1u);
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro

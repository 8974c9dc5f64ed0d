// Hover and formatting, scripted as an editor asks for them.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "compiler/verifica.h"
#include "lsp/sessione_prova.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {
namespace lsp {
namespace {

json posizione_j(int riga, int carattere) { return {{"line", riga}, {"character", carattere}}; }
json intervallo_j(int riga, int da, int a) { return {{"start", posizione_j(riga, da)}, {"end", posizione_j(riga, a)}}; }

json hover(sessione& x, const std::string& uri, int riga, int carattere) {
  return x.chiedi(20, "textDocument/hover",
                  {{"textDocument", {{"uri", uri}}}, {"position", posizione_j(riga, carattere)}})["result"];
}

// A station's position on colle: 10000 m, with no kilometre offset, falls in
// cell 200, after the gradient of -6 from 9000 m and the limit of 80 km/h
// from 5000 m.
TEST(HoverLsp, APositionTellsItsFieldAndWhereItFallsOnTheLine) {
  sessione x;
  x.inizia();
  x.apri_colle();
  const json h = hover(x, kUriTreno, 15, 14);
  EXPECT_EQ(h["contents"]["kind"], "markdown");
  EXPECT_EQ(h["contents"]["value"],
            "**position**: field 1 of `stazione`\n\n"
            "where the station stands; a multiple of 50\n\n"
            "- unit: m\n"
            "- range: 0 m to 1000000 m\n"
            "- stored: `progressiva`, 32 bits\n"
            "- km 10.000 of the line's numbering\n"
            "- in force here (cell 200): gradient -6 per mille, speed limit 80 km/h\n");
  EXPECT_EQ(h["range"], intervallo_j(15, 12, 17));
}

// The kilometre counts by the line source's own numbering: from 5000 m on,
// 1200 m are added.
TEST(HoverLsp, TheKilometreFollowsTheLinesNumbering) {
  sessione x;
  x.inizia();
  x.apri(kUriLinea, sostituisci(colle("linea"), "progressiva chilometrica due,    0,    0,",
                                "progressiva chilometrica due,    5000,    1200,"));
  x.apri(kUriTreno, colle("treno"));
  const std::string v = hover(x, kUriTreno, 15, 14)["contents"]["value"];
  EXPECT_NE(v.find("- km 11.200 of the line's numbering\n"), std::string::npos) << v;
}

TEST(HoverLsp, OtherFieldsTheKeywordAndBlanks) {
  sessione x;
  x.inizia();
  x.apri_colle();
  // The route length: its range is one the compile refuses past.
  EXPECT_EQ(hover(x, kUriLinea, 1, 25)["contents"]["value"],
            "**route_length**: field 1 of `lunghezza percorso`\n\n"
            "the length of the route\n\n"
            "- unit: m\n"
            "- range: 0 m to 1000000 m (the compile refuses a value outside it)\n"
            "- stored: row 84 `fine`, 32 bits; the track has one 50 m cell up to 7000 m beyond it\n");
  // A station's name: a text has no range.
  EXPECT_EQ(hover(x, kUriTreno, 16, 75)["contents"]["value"],
            "**name**: field 17 of `stazione`\n\n"
            "the station's name, up to the next comma or the end of the line\n\n"
            "- stored: `nome`, unchanged\n");
  const std::string parola = hover(x, kUriLinea, 17, 2)["contents"]["value"];
  EXPECT_EQ(parola.substr(0, 40), "**pendenza**: a record of `[pendenze]`\n\n");
  EXPECT_NE(parola.find("\n\nFields: position, gradient\n"), std::string::npos) << parola;
  // Between the items, on a header, past the end: nothing.
  EXPECT_EQ(hover(x, kUriLinea, 17, 17), nullptr);
  EXPECT_EQ(hover(x, kUriLinea, 15, 3), nullptr);
  EXPECT_EQ(hover(x, kUriLinea, 900, 3), nullptr);
  EXPECT_EQ(hover(x, "file:///altro.txt", 1, 3), nullptr);
}

std::string applica_righe(std::string t, const json& modifiche) {
  std::vector<std::string> righe;
  for (size_t da = 0; da <= t.size();) {
    const size_t a = t.find('\n', da);
    righe.push_back(t.substr(da, a == std::string::npos ? std::string::npos : a - da));
    if (a == std::string::npos) break;
    da = a + 1;
  }
  for (const json& m : modifiche) {
    EXPECT_EQ(m["range"]["start"]["character"], 0);
    const size_t n = m["range"]["start"]["line"];
    EXPECT_EQ(m["range"]["end"], posizione_j(static_cast<int>(n), static_cast<int>(righe[n].size())));
    righe[n] = m["newText"];
  }
  std::string r;
  for (size_t i = 0; i < righe.size(); ++i) r += (i ? "\n" : "") + righe[i];
  return r;
}

// What the checker reads from a source: every record's values.
std::vector<std::string> valori(const std::string& linea, const std::string& treno) {
  const esito_verifica v = verifica(in_cp1252(linea), "l", in_cp1252(treno), "t");
  std::vector<std::string> out;
  for (const record_letto& r : v.records) {
    std::string x = r.tipo->parola;
    for (size_t i = 0; i < r.valori; ++i) x += "|" + std::to_string(v.valore(r, i)) + std::string(v.testo(r, i));
    out.push_back(x);
  }
  return out;
}

json formatta(sessione& x, const std::string& uri) {
  return x.chiedi(21, "textDocument/formatting",
                  {{"textDocument", {{"uri", uri}}}, {"options", {{"tabSize", 4}, {"insertSpaces", true}}}})["result"];
}

TEST(FormattazioneLsp, OurScenarioIsAlreadyAsInitWritesItButForTheOneNarrowedLine) {
  sessione x;
  x.inizia();
  x.apri("file:///s/Valdoro_linea.txt", da_cp1252(testo_file(righe_linea())));
  x.apri("file:///s/Valdoro_Dir%205802-.txt", da_cp1252(testo_file(righe_treno())));
  EXPECT_EQ(formatta(x, "file:///s/Valdoro_linea.txt"), json::array());
  // The writer narrows the first speed limit's position to 4 places; the
  // layout of the list is 8.
  EXPECT_EQ(formatta(x, "file:///s/Valdoro_Dir%205802-.txt"),
            json::array({{{"range", intervallo_j(21, 0, 20)}, {"newText", "velocita,       0,    30"}}}));
}

// Colle with its blanks taken out and strewn about: formatting gives back
// colle's own layout, and the checker reads every value as before.
TEST(FormattazioneLsp, BlanksMoveAndNoValueChanges) {
  const std::string linea = colle("linea"), treno = colle("treno");
  auto scompiglia = [](const std::string& t) {
    std::string r = std::regex_replace(t, std::regex(", +([0-9-])"), ",$1");
    r = std::regex_replace(r, std::regex("(curva[sd][0-9]),"), "  $1 ,");
    return std::regex_replace(r, std::regex("(stazione,[^\\n]*), (Colle)\\n"), "$1,      $2   \n");
  };
  const std::string l = scompiglia(linea), t = scompiglia(treno);
  ASSERT_NE(l, linea);
  ASSERT_NE(t, treno);
  sessione x;
  x.inizia();
  x.apri(kUriLinea, l);
  x.apri(kUriTreno, t);
  const std::string l2 = applica_righe(l, formatta(x, kUriLinea)), t2 = applica_righe(t, formatta(x, kUriTreno));
  EXPECT_EQ(l2, linea);
  // The clock's numbers stand apart by blanks, not commas: that line is
  // not the layout's to change, and the first speed limit is laid out as
  // the list is.
  EXPECT_EQ(t2,
            sostituisci(sostituisci(treno, "orologio,    8", "orologio,8"), "velocita,   0,", "velocita,       0,"));
  EXPECT_EQ(valori(l2, t2), valori(linea, treno));
  EXPECT_EQ(valori(l, t), valori(linea, treno));
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro

namespace valdoro {
namespace lsp {
namespace {

json simboli(sessione& x, const std::string& uri) {
  return x.chiedi(22, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}})["result"];
}

// Colle's outline: its sections, the three stations by name in theirs, and
// the two tunnels in [montagne].
TEST(SimboliLsp, SectionsStationsAndTunnels) {
  sessione x;
  x.inizia();
  x.apri_colle();
  const json t = simboli(x, kUriTreno);
  std::vector<std::string> sezioni;
  for (const json& s : t) sezioni.push_back(s["name"]);
  EXPECT_EQ(sezioni, std::vector<std::string>({"[generale]", "[aderenze]", "[vel_limite]", "[stazioni]",
                                               "[rallentamenti]", "[segnali]", "[codici]", "[fine]"}));
  const json& stazioni = t[3];
  EXPECT_EQ(stazioni["kind"], 3);
  // From its header to the line before the next one.
  EXPECT_EQ(stazioni["range"], json({{"start", posizione_j(13, 0)}, {"end", posizione_j(16, 77)}}));
  EXPECT_EQ(stazioni["selectionRange"], intervallo_j(13, 0, 10));
  ASSERT_EQ(stazioni["children"].size(), 3u);
  EXPECT_EQ(stazioni["children"][1], json({{"name", "Colle"},
                                           {"detail", "10000 m, km 10.000"},
                                           {"kind", 19},
                                           {"range", intervallo_j(15, 0, 77)},
                                           {"selectionRange", intervallo_j(15, 0, 8)}}));
  EXPECT_EQ(stazioni["children"][2]["name"], "Valle");
  EXPECT_EQ(t[2]["children"], json::array());

  const json l = simboli(x, kUriLinea);
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[3]["name"], "[montagne]");
  ASSERT_EQ(l[3]["children"].size(), 2u);
  EXPECT_EQ(l[3]["children"][0]["name"], "tunnel 6500 m to 8200 m");
  EXPECT_EQ(l[3]["children"][0]["detail"], "km 6.500 to km 8.200");
  EXPECT_EQ(l[3]["children"][0]["range"], intervallo_j(23, 0, 28));
  EXPECT_EQ(l[3]["children"][1]["name"], "tunnel 14000 m to 14300 m");
}

json completa(sessione& x, const std::string& uri, int riga, int carattere) {
  return x.chiedi(23, "textDocument/completion",
                  {{"textDocument", {{"uri", uri}}}, {"position", posizione_j(riga, carattere)}})["result"];
}

std::vector<std::string> etichette(const json& lista) {
  std::vector<std::string> r;
  for (const json& v : lista["items"]) r.push_back(v["label"]);
  return r;
}

TEST(CompletamentoLsp, HeadersAndKeywordsWithTheirFields) {
  sessione x;
  x.inizia();
  x.apri(kUriLinea, sostituisci(colle("linea"), "[montagne]\n", "[montagne]\n  mon\n"));
  x.apri(kUriTreno, sostituisci(colle("treno"), "[codici]\n", "[codici]\n[s\n"));
  // After blanks and "mon": every header and keyword of the line source,
  // replacing "mon".
  const json l = completa(x, kUriLinea, 23, 5);
  EXPECT_EQ(l["isIncomplete"], false);
  const std::vector<std::string> e = etichette(l);
  ASSERT_EQ(e.size(), 32u);
  EXPECT_EQ(std::vector<std::string>(e.begin(), e.begin() + 7),
            std::vector<std::string>(
                {"[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", "[fine]"}));
  json montagna;
  for (const json& v : l["items"]) {
    if (v["label"] == "montagna") montagna = v;
  }
  EXPECT_EQ(montagna["kind"], 14);
  EXPECT_EQ(montagna["detail"], "record of [montagne]");
  EXPECT_EQ(montagna["insertTextFormat"], 2);
  EXPECT_EQ(montagna["textEdit"],
            json({{"range", intervallo_j(23, 2, 5)}, {"newText", "montagna, ${1:position}, ${2:end}, ${3:kind}"}}));
  // After "[": the train source's headers alone.
  const json t = completa(x, kUriTreno, 26, 2);
  EXPECT_EQ(etichette(t), std::vector<std::string>({"[generale]", "[aderenze]", "[vel_limite]", "[stazioni]",
                                                    "[rallentamenti]", "[segnali]", "[codici]", "[fine]"}));
  EXPECT_EQ(t["items"][5]["textEdit"], json({{"range", intervallo_j(26, 0, 2)}, {"newText", "[segnali]"}}));
  // Among a record's fields: nothing.
  EXPECT_EQ(completa(x, kUriLinea, 24, 12)["items"], json::array());
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro

#include "lsp/server.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/comandi.h"
#include "lsp/sessione_prova.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace lsp {
namespace {

json posizione_j(int riga, int carattere) { return {{"line", riga}, {"character", carattere}}; }
json intervallo_j(int riga, int da, int a) { return {{"start", posizione_j(riga, da)}, {"end", posizione_j(riga, a)}}; }

// The note colle's timetable earns with the category's figures, as check
// words it.
const char kNotaColle[] =
    "Colle: 8 min 30 s scheduled from Piano; at least 8 min 47 s for this train with the default figures, within "
    "their uncertainty";

TEST(ServerLsp, InitializeAnswersTheCapabilities) {
  sessione x;
  const json r = x.chiedi(1, "initialize", {{"processId", 12}, {"capabilities", json::object()}});
  EXPECT_EQ(r["jsonrpc"], "2.0");
  EXPECT_EQ(r["id"], 1);
  // Full text at every change; places in UTF-16 units, the protocol's own.
  EXPECT_EQ(r["result"]["capabilities"], json::parse(R"({
    "positionEncoding": "utf-16",
    "textDocumentSync": {"openClose": true, "change": 1},
    "hoverProvider": true,
    "completionProvider": {"triggerCharacters": ["["], "resolveProvider": false},
    "documentSymbolProvider": true,
    "documentFormattingProvider": true,
    "codeActionProvider": {"codeActionKinds": ["quickfix"]}
  })"));
  EXPECT_EQ(r["result"]["serverInfo"]["name"], "scenario");
}

TEST(ServerLsp, RequestsBeforeInitializeAreRefusedAndNotificationsDropped) {
  sessione x;
  const json r = x.chiedi(7, "textDocument/hover", {{"textDocument", {{"uri", kUriLinea}}}});
  EXPECT_EQ(r["id"], 7);
  EXPECT_EQ(r["error"]["code"], kNonInizializzato);
  EXPECT_TRUE(x.apri(kUriLinea, colle("linea")).empty());
}

TEST(ServerLsp, OpeningThePairPublishesWhatCheckFindsForEach) {
  sessione x;
  x.inizia();
  const std::vector<json> da_sola = x.apri(kUriLinea, colle("linea"));
  // The line source alone: checked alone, and clean.
  ASSERT_EQ(da_sola.size(), 1u);
  EXPECT_EQ(diagnostiche_per(da_sola, kUriLinea), json::array());
  EXPECT_EQ(da_sola[0]["params"]["version"], 1);
  const std::vector<json> coppia = x.apri(kUriTreno, colle("treno"));
  EXPECT_EQ(diagnostiche_per(coppia, kUriLinea), json::array());
  const json treno = diagnostiche_per(coppia, kUriTreno);
  ASSERT_EQ(treno.size(), 1u);
  EXPECT_EQ(treno[0], json({{"range", intervallo_j(15, 0, 8)},
                            {"severity", 3},
                            {"code", "timetable-thin-margin"},
                            {"source", "scenario"},
                            {"message", kNotaColle}}));
}

TEST(ServerLsp, AChangeIsCheckedAndBothSourcesOfThePairAreTold) {
  sessione x;
  x.inizia();
  x.apri_colle();
  const std::vector<json> r =
      x.cambia(kUriLinea, sostituisci(colle("linea"), "pendenza,  2000,", "pendanza,  2000,"), 2);
  const json linea = diagnostiche_per(r, kUriLinea);
  ASSERT_EQ(linea.size(), 1u);
  EXPECT_EQ(linea[0]["message"],
            "unknown keyword \"pendanza\" in [pendenze]: the record is lost; did you mean "
            "\"pendenza\"?");
  EXPECT_EQ(linea[0]["code"], "unknown-keyword");
  EXPECT_EQ(linea[0]["severity"], 1);
  EXPECT_EQ(linea[0]["range"], intervallo_j(17, 0, 8));
  // With an error the timetable is not compared: the train's note goes.
  EXPECT_EQ(diagnostiche_per(r, kUriTreno), json::array());
  for (const json& m : r) {
    if (m["params"]["uri"] == kUriLinea) {
      EXPECT_EQ(m["params"]["version"], 2);
    }
  }
}

TEST(ServerLsp, ColumnsCountUtf16UnitsOfTheEditorsText) {
  sessione x;
  x.inizia();
  x.apri(kUriLinea, colle("linea"));
  // "à" is one byte of the code page and one UTF-16 unit; U+1F600 is no
  // character of the code page, one '?' to the compiler and two units to
  // the editor.  The first station's name starts at character 72.
  const std::string treno = sostituisci(colle("treno"), "0, Piano", "0, Pià\xF0\x9F\x98\x80no");
  const json d = diagnostiche_per(x.apri(kUriTreno, treno), kUriTreno);
  ASSERT_GE(d.size(), 1u);
  EXPECT_EQ(d[0]["code"], "not-windows-1252");
  EXPECT_EQ(d[0]["message"],
            "character U+1F600 is not in Windows-1252, the code page the scenario's files are "
            "stored in");
  // From the character after "Pià" to the end of the name: "Pià" is 3
  // units, the face 2 and "no" 2.
  EXPECT_EQ(d[0]["range"], intervallo_j(14, 75, 79));
}

// A diagnostic as check's text line says it, for a source whose columns
// are all of one UTF-16 unit.
std::string come_check(const std::string& file, const json& d) {
  const std::string codice = d["code"];
  static const char* const kGravita[] = {"", "error", "warning", "note"};
  const std::string tipo =
      codice.rfind("error-", 0) == 0 ? "error " + codice.substr(6) : kGravita[d["severity"].get<int>()];
  return file + ":" + std::to_string(d["range"]["start"]["line"].get<int>() + 1) + ":" +
         std::to_string(d["range"]["start"]["character"].get<int>() + 1) + ": " + tipo + ": " +
         d["message"].get<std::string>();
}

// Our scenario with a few more mistakes in both sources: what the editor
// is told is what check prints, line for line, in its order.
TEST(ServerLsp, TheDiagnosticsAreCheckTextLineForLine) {
  const std::string linea = sostituisci(sostituisci(testo_file(righe_linea()), "curvad4,  1900", "curvaa4,  1900"),
                                        "\npendenza,  ", "\npendanza,  ");
  const std::string treno = sostituisci(
      sostituisci(testo_file(righe_treno()), "stazione,   33500,", "stazione,   33510,"), "[segnali]", "[segnalli]");
  cartella_temporanea c;
  c.scrivi("Valdoro_linea.txt", linea);
  c.scrivi("Valdoro_Dir 5802-.txt", treno);
  const std::string fl = (c / "Valdoro_linea.txt").string(), ft = (c / "Valdoro_Dir 5802-.txt").string();
  const char* argv[] = {"scenario", "check", fl.c_str(), ft.c_str()};
  std::ostringstream out, err;
  esegui_scenario(4, argv, out, err);
  std::vector<std::string> attese;
  std::istringstream righe(err.str());
  for (std::string r; std::getline(righe, r);) {
    if (r.rfind("scenario:", 0) != 0) attese.push_back(r);
  }
  ASSERT_GE(attese.size(), 6u) << err.str();

  sessione x;
  x.inizia();
  x.apri("file:///s/Valdoro_linea.txt", da_cp1252(linea));
  const std::vector<json> r = x.apri("file:///s/Valdoro_Dir%205802-.txt", da_cp1252(treno));
  std::vector<std::string> dette;
  for (const json& d : diagnostiche_per(r, "file:///s/Valdoro_linea.txt")) dette.push_back(come_check(fl, d));
  for (const json& d : diagnostiche_per(r, "file:///s/Valdoro_Dir%205802-.txt")) dette.push_back(come_check(ft, d));
  EXPECT_EQ(dette, attese);
}

TEST(ServerLsp, ASourceOpenedAloneIsCheckedAlone) {
  sessione x;
  x.inizia();
  const std::vector<json> r =
      x.apri("file:///altrove/mio.txt", sostituisci(colle("linea"), "pendenza,  2000,", "pendanza,  2000,"));
  const json d = diagnostiche_per(r, "file:///altrove/mio.txt");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0]["code"], "unknown-keyword");
}

TEST(ServerLsp, ASettingsFileBesideTheSourcesPairsThem) {
  std::map<std::string, std::string> file = {
      {"/mie/scenario-lsp.json",
       R"({"pairs": [{"line": "l.txt", "train": "t.txt", "title": "Colle", "train_designation": "R 101"}]})"}};
  std::vector<std::string> letti;
  sessione x([&](const std::string& p) -> std::optional<std::string> {
    letti.push_back(p);
    const auto it = file.find(p);
    if (it == file.end()) return std::nullopt;
    return it->second;
  });
  x.inizia();
  x.apri("file:///mie/l.txt", colle("linea"));
  const json d = diagnostiche_per(x.apri("file:///mie/t.txt", colle("treno")), "file:///mie/t.txt");
  // Paired: the train's timetable is compared, on the line the pair gives.
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0]["message"], kNotaColle);
  EXPECT_EQ(letti, std::vector<std::string>({"/mie/scenario-lsp.json", "/mie/scenario-lsp.json"}));
}

TEST(ServerLsp, ClosingASourceClearsItAndChecksItsPartnerAlone) {
  sessione x;
  x.inizia();
  x.apri(kUriLinea, colle("linea"));
  x.apri(kUriTreno, sostituisci(colle("treno"), "velocita,     800,", "velocita,     20,"));
  const std::vector<json> r = x.notifica("textDocument/didClose", {{"textDocument", {{"uri", kUriLinea}}}});
  EXPECT_EQ(diagnostiche_per(r, kUriLinea), json::array());
  EXPECT_NE(diagnostiche_per(r, kUriTreno), json());
}

TEST(ServerLsp, ShutdownThenExit) {
  sessione x;
  x.inizia();
  const json r = x.chiedi(9, "shutdown", nullptr);
  EXPECT_EQ(r, json({{"jsonrpc", "2.0"}, {"id", 9}, {"result", nullptr}}));
  EXPECT_EQ(x.chiedi(10, "textDocument/hover", json::object())["error"]["code"], kRichiestaNonValida);
  EXPECT_FALSE(x.s.finito());
  EXPECT_TRUE(x.notifica("exit", nullptr).empty());
  EXPECT_TRUE(x.s.finito());
  EXPECT_EQ(x.s.esito(), 0);
}

TEST(ServerLsp, ExitWithoutShutdownEndsWithStatusOne) {
  sessione x;
  x.inizia();
  x.notifica("exit", nullptr);
  EXPECT_TRUE(x.s.finito());
  EXPECT_EQ(x.s.esito(), 1);
}

// Each message the server cannot take, and what it answers; it goes on
// serving after every one.
TEST(ServerLsp, MalformedMessagesAreAnsweredAndTheServerGoesOn) {
  struct caso {
    std::string corpo;
    json id;
    int codice;
  };
  const std::vector<caso> casi = {
      {"{\"jsonrpc\": \"2.0\", \"id\": 3, \"method\": ", nullptr, kErroreAnalisi},
      {"not json at all", nullptr, kErroreAnalisi},
      {"[1, 2]", nullptr, kRichiestaNonValida},
      {"{\"jsonrpc\": \"2.0\", \"id\": 4}", 4, kRichiestaNonValida},
      {"{\"jsonrpc\": \"2.0\", \"id\": 5, \"method\": 12}", 5, kRichiestaNonValida},
      {"{\"jsonrpc\": \"2.0\", \"id\": [5], \"method\": \"shutdown\"}", nullptr, kRichiestaNonValida},
      {"{\"jsonrpc\": \"2.0\", \"id\": 6, \"method\": \"workspace/symbol\", \"params\": {}}", 6, kMetodoIgnoto},
      {std::string(kMassimaProfondita + 1, '[') + std::string(kMassimaProfondita + 1, ']'), nullptr,
       kRichiestaNonValida},
  };
  sessione x;
  x.inizia();
  for (const caso& c : casi) {
    const std::vector<json> r = x.testo(c.corpo);
    ASSERT_EQ(r.size(), 1u) << c.corpo.substr(0, 60);
    EXPECT_EQ(r[0]["id"], c.id) << c.corpo.substr(0, 60);
    EXPECT_EQ(r[0]["error"]["code"], c.codice) << c.corpo.substr(0, 60);
  }
  // Notifications of no interest, and an answer to a request never made,
  // are passed over in silence.
  EXPECT_TRUE(x.notifica("$/cancelRequest", {{"id", 3}}).empty());
  EXPECT_TRUE(x.notifica("workspace/didChangeConfiguration", {{"settings", nullptr}}).empty());
  EXPECT_TRUE(x.testo(R"({"jsonrpc": "2.0", "id": 99, "result": null})").empty());
  EXPECT_EQ(x.chiedi(11, "shutdown", nullptr)["result"], nullptr);
}

// Fields of the wrong type: a request is answered InvalidParams, a
// notification leaves a line in the client's log; nothing is opened.
TEST(ServerLsp, WrongTypesAreInvalidParams) {
  sessione x;
  x.inizia();
  const std::vector<json> r =
      x.notifica("textDocument/didOpen", {{"textDocument", {{"uri", kUriLinea}, {"version", 1}, {"text", 42}}}});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0]["method"], "window/logMessage");
  EXPECT_EQ(r[0]["params"]["message"], "textDocument/didOpen: \"text\" must be a string");
  const std::vector<json> c = x.notifica(
      "textDocument/didChange",
      {{"textDocument", {{"uri", kUriLinea}, {"version", 2}}}, {"contentChanges", json::array({{{"text", "x"}}})}});
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0]["params"]["message"], "textDocument/didChange: file:///progetto/Colle_linea.txt is not open");
  EXPECT_EQ(x.chiedi(3, "initialize", "no")["error"]["code"], kParametriNonValidi);
}

// Every cut of a real session's messages, and every message with one byte
// changed: each is answered or passed over, and the server still answers
// a request after them all.
TEST(ServerLsp, CutAndAlteredMessagesNeverStopTheServer) {
  const std::vector<std::string> messaggi = {
      json({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params",
             {{"textDocument",
               {{"uri", kUriLinea},
                {"languageId", "scenario"},
                {"version", 1},
                {"text", "[generale]\nlunghezza percorso, 20000\n"}}}}}})
          .dump(),
      json({{"jsonrpc", "2.0"},
            {"id", 4},
            {"method", "textDocument/hover"},
            {"params", {{"textDocument", {{"uri", kUriLinea}}}, {"position", {{"line", 1}, {"character", 22}}}}}})
          .dump(),
      json({{"jsonrpc", "2.0"},
            {"id", 5},
            {"method", "textDocument/codeAction"},
            {"params",
             {{"textDocument", {{"uri", kUriLinea}}},
              {"range", intervallo_j(0, 0, 1)},
              {"context", {{"diagnostics", json::array()}}}}}})
          .dump(),
  };
  sessione x;
  x.inizia();
  for (const std::string& m : messaggi) {
    for (size_t n = 0; n < m.size(); ++n) {
      x.testo(m.substr(0, n));
      std::string altro = m;
      for (const char c : {'"', '{', '1', '-', '\\', ' '}) {
        altro[n] = c;
        x.testo(altro);
      }
    }
  }
  EXPECT_EQ(x.chiedi(99, "shutdown", nullptr)["result"], nullptr);
}

TEST(ServerLsp, ASourceLargerThanTheBoundIsNotKept) {
  sessione x({}, 1000);
  x.inizia();
  const std::vector<json> r = x.apri(kUriLinea, std::string(1001, 'x'));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0]["method"], "window/showMessage");
  EXPECT_EQ(r[0]["params"]["message"],
            "Colle_linea.txt is larger than a source may be (1000 bytes): it is not checked");
  EXPECT_EQ(diagnostiche_per(r, kUriLinea), json::array());
  // Brought back under the bound, it is an open source again.
  EXPECT_EQ(x.apri(kUriLinea, std::string(10, 'x')).size(), 1u);
}

TEST(ServerLsp, IncrementalChangesAreAppliedToo) {
  sessione x;
  x.inizia();
  x.apri_colle();
  // "pendenza" of line 18 becomes "pendanza": one character replaced.
  const std::vector<json> r =
      x.notifica("textDocument/didChange",
                 {{"textDocument", {{"uri", kUriLinea}, {"version", 2}}},
                  {"contentChanges", json::array({{{"range", intervallo_j(17, 4, 5)}, {"text", "a"}}})}});
  const json d = diagnostiche_per(r, kUriLinea);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0]["range"], intervallo_j(17, 0, 8));
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro

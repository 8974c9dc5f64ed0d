#include "view/vista.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "output/carte_autore.h"
#include "testing/cartella_temporanea.h"
#include "sources/carte_valdoro.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "cli/comandi.h"
#include "view/vista_dati.h"
#include "util/file.h"

namespace valdoro {
namespace {

using json = nlohmann::json;

// The page is written as files and embedded at build time: what the server
// sends is those files, byte for byte, and the page names the other two.
TEST(VistaPagina, TheServedPageIsItsFilesWhole) {
  const std::filesystem::path pagina = std::filesystem::path(VALDORO_SOURCE_DIR) / "view" / "pagina";
  EXPECT_EQ(std::string(kPaginaVista), leggi_file(pagina / "vista.html"));
  EXPECT_EQ(std::string(kScriptVista), leggi_file(pagina / "vista.js"));
  EXPECT_EQ(std::string(kStileVista), leggi_file(pagina / "vista.css"));
  EXPECT_NE(std::string(kPaginaVista).find("<script src=\"/vista.js\" defer></script>"), std::string::npos);
  EXPECT_NE(std::string(kPaginaVista).find("<link rel=\"stylesheet\" href=\"/vista.css\">"), std::string::npos);
  EXPECT_EQ(std::string(kScriptVista).rfind("'use strict';\n", 0), 0u);
}

TEST(VistaHost, OnlyTheLoopbackNamesWithThePort) {
  const struct {
    const char* host;
    bool ammesso;
  } casi[] = {
      {"127.0.0.1:8080", true},
      {"localhost:8080", true},
      {"LOCALHOST:8080", true},
      {"[::1]:8080", true},
      {"127.0.0.1", false},  // the port is part of the name a page uses
      {"localhost", false},
      {"127.0.0.1:80", false},
      {"127.0.0.1:18080", false},
      {"127.0.0.1:8080 ", false},
      {"evil.example:8080", false},  // a name rebound to 127.0.0.1
      {"localhost.evil.example:8080", false},
      {"127.0.0.1.evil.example:8080", false},
      {"127.0.0.2:8080", false},
      {"0.0.0.0:8080", false},
      {"[::ffff:127.0.0.1]:8080", false},
      {":8080", false},
      {"", false},
  };
  for (const auto& c : casi) EXPECT_EQ(host_ammesso(c.host, 8080), c.ammesso) << c.host;
}

TEST(VistaGettone, OnlyTheWholeTokenInTheServersCookieOrTheQueryLetsIn) {
  const std::string g = "0123456789abcdef0123456789abcdef";
  const struct {
    std::string cookie, target;
    bool ammesso;
  } casi[] = {
      {"scenario_view_8080=" + g, "/state", true},
      {"a=1; scenario_view_8080=" + g + "; b=2", "/events", true},
      {"", "/?token=" + g, true},
      {"", "/state?x=1&token=" + g, true},
      {"scenario_view_8080=wrong; scenario_view_8080=" + g, "/", true},  // a stale one beside it
      {"", "/", false},
      {"", "/state", false},
      {"scenario_view_8081=" + g, "/state", false},  // another server's
      {"scenario_view_808=" + g, "/state", false},
      {"scenario_view_8080=" + g.substr(0, 31), "/state", false},
      {"scenario_view_8080=" + g + "0", "/state", false},
      {"scenario_view_8080=" + g.substr(0, 31) + "A", "/state", false},  // hexadecimal digits are lower case
      {"scenario_view_8080=", "/state", false},
      {"token=" + g, "/state", false},  // the query's name is not the cookie's
      {"", "/state?scenario_view_8080=" + g, false},
      {"", "/state?token=" + g.substr(1), false},
      {"", "/token=" + g, false},
      {"", "/state?xtoken=" + g, false},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(gettone_ammesso(c.cookie, c.target, nome_cookie(8080), g), c.ammesso) << c.cookie << " " << c.target;
  }
  EXPECT_FALSE(gettone_ammesso("scenario_view_8080=", "/?token=", nome_cookie(8080), ""));
}

TEST(VistaUso, AMissingSourceOrAPortOutOfRangeIsAUsageFault) {
  const std::string usage = "\nRun scenario --help for the usage.\n";
  const struct {
    std::vector<const char*> argv;
    std::string atteso;
  } casi[] = {
      {{"scenario", "view", "l.txt"}, "scenario: TRAIN_SOURCE is required" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0"},
       "scenario: --port: Value 0 not in range 1 to 65535" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "65536"},
       "scenario: --port: Value 65536 not in range 1 to 65535" + usage},
      // Decimal only: each of these would be read as port 80.
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0x50"},
       "scenario: --port: 0x50 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0X50"},
       "scenario: --port: 0X50 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0b1010000"},
       "scenario: --port: 0b1010000 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0o120"},
       "scenario: --port: 0o120 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "+80"},
       "scenario: --port: +80 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "8e1"},
       "scenario: --port: 8e1 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "80.0"},
       "scenario: --port: 80.0 is not a decimal number" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", ""}, "scenario: --port:  is not a decimal number" + usage},
  };
  for (const auto& c : casi) {
    std::ostringstream out, err;
    EXPECT_EQ(esegui_scenario(static_cast<int>(c.argv.size()), c.argv.data(), out, err), kEsitoUso);
    EXPECT_EQ(err.str(), c.atteso);
    EXPECT_EQ(out.str(), "");
  }
}

const char kLinea[] = "src/Valdoro_linea.txt";
const char kTreno[] = "src/Valdoro_Dir 5802-.txt";

std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
  const size_t p = testo.find(da);
  EXPECT_NE(p, std::string::npos) << da;
  if (p != std::string::npos) testo.replace(p, da.size(), a);
  return testo;
}

// Our scenario's two warnings and the timetable's four thin margins, in
// the order `scenario check` gives them.
std::vector<std::string> avvisi_nostri() {
  const std::string linea = kLinea, treno = kTreno;
  return {"warning decimal-comma " + linea + ":114",     "note timetable-thin-margin " + treno + ":49",
          "note timetable-thin-margin " + treno + ":54", "note timetable-thin-margin " + treno + ":56",
          "warning broken-name " + treno + ":60",        "note timetable-thin-margin " + treno + ":72"};
}

std::vector<std::string> regole(const compilazione_vista& c) {
  std::vector<std::string> out;
  for (const diagnostica_vista& d : c.diagnostiche) {
    out.push_back(d.livello + " " + d.regola + " " + d.file + ":" + std::to_string(d.riga));
  }
  return out;
}

TEST(VistaDati, OurScenarioBuildsUnderTheNamesItsFilesCarryWithTheCheckersWarnings) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  EXPECT_EQ(c.titolo, "Valdoro");
  EXPECT_EQ(c.treno, "Dir 5802");
  EXPECT_EQ(regole(c), avvisi_nostri());
  EXPECT_EQ(c.errori, 0u);
  EXPECT_EQ(c.avvisi, 2u);
  EXPECT_EQ(c.note, 4u);
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  EXPECT_EQ(j["riassunto"]["note"], 4);
  EXPECT_EQ(j["diagnostiche"][3]["messaggio"],
            "Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s for this train with the default "
            "figures, within their uncertainty");
  EXPECT_EQ(lunghezza_percorso(c.linea), 218000);
  EXPECT_EQ(c.linea.celle.size(), 4501u);
  EXPECT_TRUE(c.linea.pianta.esiste());
}

// The page's papers are those `scenario papers` makes with the facts'
// defaults: the card's title first, our order's first slowdown, the notes'
// default greeting last.
TEST(VistaDati, ThePapersOfTheSourcesAsTheyWillPrint) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  EXPECT_EQ(c.carte.substr(0, 46), std::string(32, ' ') + "SCHEDA ORARIO\n");
  EXPECT_NE(c.carte.find(" | 1 |Roccavalle - Fornaci        |   2.000    |    60    |   800   |            |\n"),
            std::string::npos);
  EXPECT_NE(c.carte.find("\n    Saluti.\n"), std::string::npos);
  const compilazione_vista guasta = compila_per_vista("[generale]\n", "", kLinea, kTreno);
  EXPECT_EQ(guasta.carte, "No papers while the sources have errors.");
}

const char kFatti[] = "src/Valdoro_Dir 5802_fatti.txt";

// The row of the card that names `localita`, "" when none does.
std::string riga_carta(const std::string& carte, const std::string& localita) {
  const size_t p = carte.find("|" + localita);
  if (p == std::string::npos) return "";
  const size_t inizio = carte.rfind('\n', p) + 1;
  return carte.substr(inizio, carte.find('\n', p) - inizio);
}

// With our facts file the page's card is the one `scenario papers --facts`
// prints: Prato Alto's times as the operator rounds them (14.38 and 14.39),
// not the record's 14.37½ and 14.38½; the notes signed as ours.
TEST(VistaDati, ThePapersAreMadeWithTheAuthorsFacts) {
  const fatti_in_vista fatti{kFatti, testo_fatti(fatti_valdoro())};
  const compilazione_vista c =
      compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno, "", "", &fatti);
  EXPECT_EQ(c.fatti, kFatti);
  EXPECT_EQ(c.errori, 0u);
  EXPECT_NE(riga_carta(c.carte, "PRATO ALTO").find("|14.38___|14.39___|"), std::string::npos)
      << riga_carta(c.carte, "PRATO ALTO");
  EXPECT_NE(c.carte.find("\n    Marco.\n"), std::string::npos);
  const compilazione_vista senza =
      compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  EXPECT_EQ(senza.fatti, "");
  EXPECT_NE(riga_carta(senza.carte, "PRATO ALTO").find("|14.37\xC2\xBD__|14.38\xC2\xBD__|"), std::string::npos)
      << riga_carta(senza.carte, "PRATO ALTO");
}

// The facts file's problems are listed after the sources', at their lines
// of the facts file, as `scenario papers` tells them; the papers wait for
// the fix, as papers writes none meanwhile.
TEST(VistaDati, TheFactsFilesProblemsAreListedAtTheirLines) {
  const fatti_in_vista fatti{kFatti, "treno = 5802\nrango = Z\nfermata = Nowhere; X\n"};
  const compilazione_vista c =
      compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno, "", "", &fatti);
  std::vector<std::string> attese = avvisi_nostri();
  attese.push_back("error facts-bad-value " + std::string(kFatti) + ":2");
  attese.push_back("error facts-unknown-station " + std::string(kFatti) + ":3");
  EXPECT_EQ(regole(c), attese);
  const size_t k = attese.size() - 2;
  EXPECT_EQ(c.diagnostiche[k].messaggio, "rango: the rank \"Z\" must be A, B, C or P");
  EXPECT_EQ(c.diagnostiche[k].colonna, 9);
  EXPECT_EQ(c.errori, 2u);
  EXPECT_EQ(c.carte, "No papers while the facts file has errors.");
  // The lines around each are the facts file's own.
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  EXPECT_EQ(j["fatti"], kFatti);
  const json& intorno = j["diagnostiche"][k]["intorno"];
  ASSERT_EQ(intorno.size(), 3u);
  EXPECT_EQ(intorno[1]["n"], 2);
  EXPECT_EQ(intorno[1]["testo"], "rango = Z");
  // With errors in the sources, the card rows are not held against them.
  const std::string treno = sostituisci(testo_file(righe_treno()), "stazione,   33500,", "stazione,   33510,");
  const compilazione_vista guasta = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno, "", "", &fatti);
  EXPECT_EQ(regole(guasta).back(), "error facts-bad-value " + std::string(kFatti) + ":2");
}

// Where no facts file is named the view looks beside the line source,
// under the name `init` gives it for the scenario's title and train.
TEST(VistaDati, TheFactsFileBesideTheSourcesIsNamedAsInitNamesIt) {
  const struct {
    const char* linea;
    const char* treno;
    const char* titolo;
    const char* nome_treno;
    const char* atteso;
  } casi[] = {
      {kLinea, kTreno, "", "", kFatti},
      {"a/b/Colle_linea.txt", "elsewhere/Colle_R 101-.txt", "", "", "a/b/Colle_R 101_fatti.txt"},
      {"Colle_linea.txt", "Colle_R 101-.txt", "Monte", "IC 7", "Monte_IC 7_fatti.txt"},
      {"line.txt", "train.txt", "", "", "Linea_Treno_fatti.txt"},
  };
  for (const auto& k : casi) {
    EXPECT_EQ(fatti_accanto(k.linea, k.treno, k.titolo, k.nome_treno), k.atteso) << k.linea;
  }
}

// A facts file that is not there or cannot be read is told, and the
// papers fall back on the defaults; none beside the sources is no fault.
TEST(VistaDati, AFactsFileMissingOrUnreadableIsToldAndTheDefaultsStandIn) {
  cartella_temporanea dir;
  dir.scrivi("f.txt", "treno = 5802\n");
  std::filesystem::create_directory(dir / "cartella");
  const std::string presente = (dir / "f.txt").u8string(), assente = (dir / "none.txt").u8string(),
                    cartella = (dir / "cartella").u8string();
  const struct {
    std::string file;
    bool nominato;
    bool letto;
    std::string guasto;  // the start of the message told; "" none
  } casi[] = {
      {presente, true, true, ""},
      {presente, false, true, ""},
      {assente, false, false, ""},
      {assente, true, false, "no facts file " + assente + ": the papers are made with the default facts meanwhile"},
      {cartella, false, false, "cannot read"},
      {cartella, true, false, "cannot read"},
  };
  for (const auto& k : casi) {
    std::vector<diagnostica_vista> guasti;
    const std::optional<fatti_in_vista> f = leggi_fatti_vista(k.file, k.nominato, guasti);
    EXPECT_EQ(f.has_value(), k.letto) << k.file;
    if (f) {
      EXPECT_EQ(f->testo, "treno = 5802\n");
    }
    if (k.guasto.empty()) {
      EXPECT_TRUE(guasti.empty()) << k.file;
      continue;
    }
    ASSERT_EQ(guasti.size(), 1u) << k.file;
    EXPECT_EQ(guasti[0].livello, "error");
    EXPECT_EQ(guasti[0].regola, "read");
    EXPECT_EQ(guasti[0].file, k.file);
    EXPECT_EQ(guasti[0].messaggio.rfind(k.guasto, 0), 0u) << guasti[0].messaggio;
  }
}

// view --title and --train name the scenario whatever the sources are called.
TEST(VistaDati, AGivenTitleAndTrainNameTheScenarioAndThePlacesKeepTheAuthorsNames) {
  const struct caso {
    const char* linea;
    const char* treno;
    const char* titolo;
    const char* nome_treno;
    const char* titolo_atteso;
    const char* treno_atteso;
  } casi[] = {
      {"line.txt", "train.txt", "Monte", "IC 7", "Monte", "IC 7"},
      {"Colle_linea.txt", "Colle_R 101-.txt", "", "", "Colle", "R 101"},
      {"Colle_linea.txt", "Colle_R 101-.txt", "Monte", "", "Monte", "R 101"},
  };
  for (const caso& k : casi) {
    const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), k.linea,
                                                   k.treno, k.titolo, k.nome_treno);
    EXPECT_EQ(c.titolo, k.titolo_atteso) << k.linea;
    EXPECT_EQ(c.treno, k.treno_atteso) << k.linea;
    // The line source's warning, then the train source's warning and the
    // timetable's notes, which the train's category decides.
    ASSERT_GE(c.diagnostiche.size(), 2u) << k.linea;
    EXPECT_EQ(c.diagnostiche[0].file, k.linea);
    for (size_t i = 1; i < c.diagnostiche.size(); ++i) EXPECT_EQ(c.diagnostiche[i].file, k.treno) << i;
  }
}

TEST(VistaDati, SourcesNamedOtherwiseBuildUnderNeutralNames) {
  const compilazione_vista c =
      compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), "line.txt", "train.txt");
  EXPECT_EQ(c.titolo, "Linea");
  EXPECT_EQ(c.treno, "Treno");
  ASSERT_GE(c.diagnostiche.size(), 2u);
  EXPECT_EQ(c.diagnostiche[0].file, "line.txt");
  for (size_t i = 1; i < c.diagnostiche.size(); ++i) EXPECT_EQ(c.diagnostiche[i].file, "train.txt") << i;
}

TEST(VistaDati, AMistakeIsPlacedInTheAuthorsFileWithItsLines) {
  const std::string treno = sostituisci(testo_file(righe_treno()), "stazione,   33500,", "stazione,   33510,");
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno);
  ASSERT_EQ(c.diagnostiche.size(), 3u);
  const diagnostica_vista& d = c.diagnostiche[1];
  EXPECT_EQ(d.livello, "error");
  EXPECT_EQ(d.regola, "error-8");
  EXPECT_EQ(d.file, kTreno);
  EXPECT_EQ(d.riga, 51);
  EXPECT_EQ(d.messaggio, "station position 33510 m is not a multiple of 50 m");

  const json j = json::parse(stato_json(c, testo_file(righe_linea()), treno, kLinea, kTreno, {}, 7));
  EXPECT_EQ(j["versione"], 7);
  const json& intorno = j["diagnostiche"][1]["intorno"];
  ASSERT_EQ(intorno.size(), 5u);
  EXPECT_EQ(intorno[0]["n"], 49);
  EXPECT_EQ(intorno[2]["n"], 51);
  EXPECT_EQ(intorno[2]["testo"], "stazione,   33510,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,38,55, Prato Alto");
}

// The page gets the source's own letters, as `check` prints them, in the
// message as in the lines around it.
TEST(VistaDati, WhatASourceQuotesReachesThePageInItsOwnLetters) {
  const std::string linea = sostituisci(testo_file(righe_linea()), "\npendenza,  ", "\nCitt\xE0\x80\x1B[2K\x81,  ");
  const compilazione_vista c = compila_per_vista(linea, testo_file(righe_treno()), kLinea, kTreno);
  const std::string messaggio =
      "unknown keyword \"Citt\xC3\xA0\xE2\x82\xAC\x1B[2K\xC2\x81\" in [pendenze]: the record is lost";
  ASSERT_GE(c.diagnostiche.size(), 1u);
  EXPECT_EQ(c.diagnostiche[0].regola, "unknown-keyword");
  EXPECT_EQ(c.diagnostiche[0].messaggio, messaggio);
  const json j = json::parse(stato_json(c, linea, testo_file(righe_treno()), kLinea, kTreno, {}, 1));
  EXPECT_EQ(j["diagnostiche"][0]["messaggio"], messaggio);
  const json& intorno = j["diagnostiche"][0]["intorno"];
  ASSERT_EQ(intorno.size(), 5u);
  EXPECT_EQ(intorno[2]["testo"].get<std::string>().substr(0, 16), "Citt\xC3\xA0\xE2\x82\xAC?[2K\xC2\x81,");
}

// Every object the pictures draw, keyed as their data attributes key it.
struct disegnato {
  std::string tipo;
  int32_t riga = 0, cella = -1;
  int64_t da = -1, a = -1;
};

std::vector<disegnato> disegnati(const std::string& svg) {
  static const std::regex attributi(
      R"re(data-kind="(\w+)"(?: data-row="(\d+)")?(?: data-cell="(\d+)")?(?: data-from="(\d+)" data-to="(\d+)")?)re");
  std::vector<disegnato> out;
  for (std::sregex_iterator m(svg.begin(), svg.end(), attributi), fine; m != fine; ++m) {
    disegnato d{(*m)[1]};
    if ((*m)[2].matched) d.riga = std::stoi((*m)[2]);
    if ((*m)[3].matched) d.cella = std::stoi((*m)[3]);
    if ((*m)[4].matched) d.da = std::stoll((*m)[4]), d.a = std::stoll((*m)[5]);
    out.push_back(d);
  }
  return out;
}

// The page's rule: a station by its row, a point object by its cell, a
// span by the metres it shares with the drawn one.
std::vector<const record_vista*> record_di(const compilazione_vista& c, const disegnato& d) {
  std::vector<const record_vista*> out;
  for (const record_vista& r : c.record) {
    if (r.tipo != d.tipo) continue;
    bool preso;
    if (d.tipo == "station") {
      preso = r.riga_tabella == d.riga;
    } else if (d.tipo == "signal" || d.tipo == "board" || d.tipo == "slowdown") {
      preso = r.cella == d.cella;
    } else {
      preso = r.da >= 0 && (r.da == d.da || (r.da < d.a && r.a > d.da));
    }
    if (preso) out.push_back(&r);
  }
  return out;
}

TEST(VistaRecord, EveryObjectDrawnOfOurScenarioFindsTheRecordThatMadeIt) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  std::map<std::string, int> visti;
  for (const std::string& svg : {svg_pianta(c.linea), svg_altimetria(c.linea)}) {
    for (const disegnato& d : disegnati(svg)) {
      const size_t n = record_di(c, d).size();
      ++visti[d.tipo];
      if (d.tipo == "tunnel" || d.tipo == "gradient" || d.tipo == "curve") {
        EXPECT_GE(n, 1u) << d.tipo << " metres " << d.da << " to " << d.a;
      } else {
        EXPECT_EQ(n, 1u) << d.tipo << " row " << d.riga << " cell " << d.cella;
      }
    }
  }
  // Not a vacuous pass: each kind is drawn, and all the signals are.
  for (const char* tipo : {"station", "signal", "board", "slowdown", "tunnel", "gradient", "curve"}) {
    EXPECT_GT(visti[tipo], 0) << tipo;
  }
  std::set<int32_t> celle_segnali;
  for (const disegnato& d : disegnati(svg_pianta(c.linea))) {
    if (d.tipo == "signal") celle_segnali.insert(d.cella);
  }
  EXPECT_EQ(celle_segnali.size(), 110u);
  // The plan finds its curves from the points alone: every curve record
  // lies in a drawn curve, and nothing straight is drawn as one.
  std::vector<disegnato> curve;
  for (const disegnato& d : disegnati(svg_pianta(c.linea))) {
    if (d.tipo == "curve") curve.push_back(d);
  }
  std::vector<const record_vista*> curvi;
  for (const record_vista& r : c.record) {
    if (r.tipo != "curve") continue;
    curvi.push_back(&r);
    bool dentro = false;
    for (const disegnato& d : curve) dentro = dentro || (d.da <= r.da && r.a <= d.a);
    EXPECT_TRUE(dentro) << r.file << ":" << r.riga << " metres " << r.da << " to " << r.a;
  }
  ASSERT_GT(curvi.size(), 10u);
  // A straight stretch is drawn straight, but for a chord (50 m) at each
  // end and gaps narrower than a pixel, which a curve drawn spans.
  std::smatch scala;
  const std::string pianta = svg_pianta(c.linea);
  ASSERT_TRUE(std::regex_search(pianta, scala, std::regex(R"(1 px = ([0-9.]+) m)")));
  const double pixel = std::stod(scala[1]);
  int diritti = 0;
  for (size_t i = 1; i < curvi.size(); ++i) {
    const int64_t da = curvi[i - 1]->a + 50, a = curvi[i]->da - 50;
    if (a - da < pixel + 1) continue;
    ++diritti;
    for (const disegnato& d : curve) {
      EXPECT_FALSE(d.da <= da && a <= d.a) << "straight metres " << da << " to " << a << " drawn as a curve";
    }
  }
  EXPECT_GT(diritti, 10);
}

TEST(VistaRecord, ARecordIsPlacedAndItsValuesAreInTheAuthorsUnits) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  const record_vista* prato = nullptr;
  const record_vista* segnale = nullptr;
  for (const record_vista& r : c.record) {
    if (r.tipo == "station" && r.riga_tabella == 5) prato = &r;
    if (r.tipo == "signal" && segnale == nullptr) segnale = &r;
  }
  ASSERT_NE(prato, nullptr);
  EXPECT_EQ(prato->file, kTreno);
  EXPECT_EQ(prato->riga, 51);
  EXPECT_EQ(prato->parola, "stazione");
  using campi = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(prato->valori, (campi{{"position", "33500 m"},
                                  {"kind", "2"},
                                  {"length", "400 m"},
                                  {"value_4", "1"},
                                  {"value_5", "0"},
                                  {"longer_area", "0"},
                                  {"value_7", "3"},
                                  {"value_8", "1"},
                                  {"value_9", "0"},
                                  {"value_10", "2"},
                                  {"value_11", "1"},
                                  {"value_12", "1"},
                                  {"stop_time", "60 s"},
                                  {"hours", "14 h"},
                                  {"minutes", "38 min"},
                                  {"seconds", "55 s"},
                                  {"name", "Prato Alto"}}));
  ASSERT_NE(segnale, nullptr);
  EXPECT_EQ(segnale->file, kTreno);
  EXPECT_EQ(segnale->riga, 79);
  EXPECT_EQ(segnale->valori.at(0), (std::pair<std::string, std::string>{"position", "1050 m"}));
  // A signal stands in the cell after the one holding it: 1050 / 50 + 1.
  EXPECT_EQ(segnale->cella, 22);
}

TEST(VistaRecord, AStationWhoseRecordStoppedTheCompileIsStillNamedInTheTable) {
  const std::string treno = sostituisci(testo_file(righe_treno()), "stazione,   33500,", "stazione,   33510,");
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno);
  const json j = json::parse(stato_json(c, testo_file(righe_linea()), treno, kLinea, kTreno, {}, 1));
  ASSERT_GE(j["stazioni"].size(), 5u);
  EXPECT_EQ(j["stazioni"][4]["nome"], "Prato Alto");
  EXPECT_EQ(j["riassunto"]["errori"], 1);
}

// One long line quoted: the lines around a diagnostic and its message are
// cut to their widths, and the cut is told.
TEST(VistaStato, AQuotedLineIsCutToItsWidthAndAMessageToItsOwn) {
  const std::string lunga(100000, 'Q');
  const std::string linea = sostituisci(testo_file(righe_linea()), "\npendenza,  ", "\n" + lunga + ",  ");
  const compilazione_vista c = compila_per_vista(linea, testo_file(righe_treno()), kLinea, kTreno);
  const json j = json::parse(stato_json(c, linea, testo_file(righe_treno()), kLinea, kTreno, {}, 1));
  ASSERT_GE(j["diagnostiche"].size(), 1u);
  const json& d = j["diagnostiche"][0];
  EXPECT_EQ(d["regola"], "unknown-keyword");
  // 1000 bytes: "unknown keyword \"" is 17 of them.
  EXPECT_EQ(d["messaggio"], "unknown keyword \"" + std::string(983, 'Q') + "\xE2\x80\xA6");
  ASSERT_EQ(d["intorno"].size(), 5u);
  EXPECT_EQ(d["intorno"][2]["testo"], std::string(240, 'Q') + "\xE2\x80\xA6");
  EXPECT_EQ(d["intorno"][1]["testo"].get<std::string>().find("\xE2\x80\xA6"), std::string::npos);
  EXPECT_EQ(j["omessi"], json::array());
}

// A message is cut where a character starts, never inside one.
TEST(VistaStato, AMessageIsCutBetweenCharacters) {
  compilazione_vista c;
  c.diagnostiche.push_back({"error", "x", "", 0, 0,
                            std::string(999, 'a') + "\xC3\xA0"
                                                    "b"});
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  EXPECT_EQ(j["diagnostiche"][0]["messaggio"], std::string(999, 'a') + "\xE2\x80\xA6");
}

// Past a bound a part is left out and the page says which: the records
// past 100000, then anything but the summary, the diagnostics and the
// stations when the state would pass 32 MiB.
TEST(VistaStato, APartPastItsBoundIsLeftOutAndNamed) {
  compilazione_vista c;
  c.record.resize(100001);
  const json molti = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  EXPECT_EQ(molti["record"], json::array());
  EXPECT_EQ(molti["omessi"], json::array({"the records (100001)"}));

  compilazione_vista grande;
  record_vista r;
  r.valori = {{"name", std::string(240, 'n')}};
  grande.record.assign(100000, r);
  const std::string stato = stato_json(grande, "", "", kLinea, kTreno, {}, 1);
  EXPECT_LE(stato.size(), 32u * 1024 * 1024);
  const json j = json::parse(stato);
  EXPECT_EQ(j["record"], json::array());
  EXPECT_EQ(j["pianta"], "");
  EXPECT_EQ(j["celle"]["tipo"], json::array());
  ASSERT_EQ(j["omessi"].size(), 1u);
  const std::string detto = j["omessi"][0];
  EXPECT_EQ(detto.substr(0, 63), "the pictures, the cells and the records: the state would take 3");
  EXPECT_EQ(detto.substr(detto.size() - 44), "bytes, more than the 33554432 a page is sent");
}

TEST(VistaStato, StationsWithTheirTimesAndTheSourcesWaitedFor) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {kLinea}, 1));
  EXPECT_EQ(j["attese"], json::array({kLinea}));
  EXPECT_EQ(j["riassunto"]["stazioni"], 25);
  EXPECT_EQ(j["riassunto"]["segnali"], 110);
  const json& s = j["stazioni"];
  ASSERT_EQ(s.size(), 25u);
  // The first station: the train starts there.  A stop: the time is the
  // departure, the arrival the stop time before it (Prato Alto, 14:38:55
  // with 60 s).  A pass: no time.  The last: arrival, with no stop.
  const struct {
    size_t k;
    const char* nome;
    int32_t metro;
    const char* arrivo;
    const char* partenza;
    bool ferma;
  } casi[] = {
      {0, "Roccavalle", 0, "", "14:16:30", true},
      {1, "Fornaci", 4250, "", "", false},
      {4, "Prato Alto", 33500, "14:37:55", "14:38:55", true},
      {24, "Lagomarino", 213950, "16:54:00", "", true},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(s[c.k]["nome"], c.nome) << c.k;
    EXPECT_EQ(s[c.k]["metro"], c.metro) << c.k;
    EXPECT_EQ(s[c.k]["arrivo"], c.arrivo) << c.k;
    EXPECT_EQ(s[c.k]["partenza"], c.partenza) << c.k;
    EXPECT_EQ(s[c.k]["ferma"], c.ferma) << c.k;
  }
}

// Each stop's minimum running time and margin as `scenario timetable`
// prints them (docs/timetable.md lists ours); a station the train starts
// from or passes has none.  The gradient picture shows the same run.
TEST(VistaStato, StationsWithTheTimetablesMinimumAndMargin) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  const json& s = j["stazioni"];
  const struct {
    const char* nome;
    const char* minimo;
    const char* margine;
    const char* giudizio;
  } casi[] = {
      {"Roccavalle", "", "", ""},
      {"Fornaci", "", "", ""},
      {"Ponte Rovera", "10 min 13 s", "17 s (thin)", "thin"},
      {"Prato Alto", "9 min 17 s", "38 s", ""},
      {"Valico", "14 min 34 s", "-34 s (thin)", "thin"},
      {"Lagomarino", "12 min 19 s", "11 s (thin)", "thin"},
  };
  for (const auto& k : casi) {
    const auto riga = std::find_if(s.begin(), s.end(), [&](const json& x) { return x["nome"] == k.nome; });
    ASSERT_NE(riga, s.end()) << k.nome;
    EXPECT_EQ((*riga)["minimo"], k.minimo) << k.nome;
    EXPECT_EQ((*riga)["margine"], k.margine) << k.nome;
    EXPECT_EQ((*riga)["giudizio"], k.giudizio) << k.nome;
  }
  int con_tempi = 0;
  for (const json& x : s) con_tempi += x["minimo"] != "" ? 1 : 0;
  EXPECT_EQ(con_tempi, 15);  // one for each leg
  const std::string altimetria = j["altimetria"];
  EXPECT_NE(altimetria.find("<g data-kind=\"run\""), std::string::npos);
}

// A timetable no train can keep is an error of the timetable, not of the
// sources: the stations keep their minimum and the run is drawn, so that
// the author sees what the stop asks for.
TEST(VistaStato, AnImpossibleTimetableStillShowsTheRunItCannotKeep) {
  std::string treno = testo_file(righe_treno());
  const std::string prima = "   60,  14,28, 0, Ponte Rovera";
  const size_t qui = treno.find(prima);
  ASSERT_NE(qui, std::string::npos);
  treno.replace(qui, prima.size(), "   60,  14,20, 0, Ponte Rovera");
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno);
  ASSERT_EQ(c.errori, 1u);
  const auto errore = std::find_if(c.diagnostiche.begin(), c.diagnostiche.end(),
                                   [](const diagnostica_vista& d) { return d.livello == "error"; });
  ASSERT_NE(errore, c.diagnostiche.end());
  EXPECT_EQ(errore->regola, "timetable-impossible");
  EXPECT_FALSE(c.corsa.empty());
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  const json& s = j["stazioni"];
  const auto riga = std::find_if(s.begin(), s.end(), [](const json& x) { return x["nome"] == "Ponte Rovera"; });
  ASSERT_NE(riga, s.end());
  EXPECT_EQ((*riga)["minimo"], "10 min 13 s");
  EXPECT_EQ((*riga)["giudizio"], "impossible");
  const std::string altimetria = j["altimetria"];
  EXPECT_NE(altimetria.find("<g data-kind=\"run\""), std::string::npos);
}

// Sources with an error have no timetable, as `scenario timetable` gives
// none: no minimum, no margin, no run drawn.
TEST(VistaStato, NoRunWhileTheSourcesHaveErrors) {
  std::string treno = testo_file(righe_treno());
  const size_t qui = treno.find("stazione,   33500,");
  ASSERT_NE(qui, std::string::npos);
  treno.replace(qui, 18, "stazione,   33510,");
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno);
  ASSERT_GT(c.errori, 0u);
  EXPECT_TRUE(c.corsa.empty());
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {}, 1));
  for (const json& x : j["stazioni"]) EXPECT_EQ(x["minimo"], "") << x["nome"];
  const std::string altimetria = j["altimetria"];
  EXPECT_EQ(altimetria.find("data-kind=\"run\""), std::string::npos);
}

}  // namespace
}  // namespace valdoro

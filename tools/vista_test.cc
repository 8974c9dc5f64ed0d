#include "tools/vista.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "tools/comandi.h"
#include "tools/vista_dati.h"

namespace valdoro {
namespace {

using json = nlohmann::json;

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

TEST(VistaUso, AMissingSourceOrAPortOutOfRangeIsAUsageFault) {
  const std::string usage = "\nRun scenario --help for the usage.\n";
  const struct {
    std::vector<const char*> argv;
    std::string atteso;
  } casi[] = {
      {{"scenario", "view", "l.txt"}, "scenario: TRAIN_SOURCE is required" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "0"}, "scenario: --port: Value 0 not in range 1 to 65535" + usage},
      {{"scenario", "view", "l.txt", "t.txt", "--port", "65536"},
       "scenario: --port: Value 65536 not in range 1 to 65535" + usage},
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

TEST(VistaDati, OurScenarioBuildsCleanUnderTheNamesItsFilesCarry) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  EXPECT_EQ(c.titolo, "Valdoro");
  EXPECT_EQ(c.treno, "Dir 5802");
  EXPECT_TRUE(c.diagnostiche.empty());
  EXPECT_EQ(lunghezza_percorso(c.linea), 218000);
  EXPECT_EQ(c.linea.celle.size(), 4501u);
  EXPECT_TRUE(c.linea.pianta.esiste());
}

TEST(VistaDati, SourcesNamedOtherwiseBuildUnderNeutralNames) {
  const compilazione_vista c =
      compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), "line.txt", "train.txt");
  EXPECT_EQ(c.titolo, "Linea");
  EXPECT_EQ(c.treno, "Treno");
  EXPECT_TRUE(c.diagnostiche.empty());
}

TEST(VistaDati, AMistakeIsPlacedInTheAuthorsFileWithItsLines) {
  const std::string treno = sostituisci(testo_file(righe_treno()), "stazione,   33500,", "stazione,   33510,");
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), treno, kLinea, kTreno);
  ASSERT_EQ(c.diagnostiche.size(), 1u);
  const diagnostica_vista& d = c.diagnostiche[0];
  EXPECT_EQ(d.livello, "error");
  EXPECT_EQ(d.regola, "E8");
  EXPECT_EQ(d.file, kTreno);
  EXPECT_EQ(d.riga, 51);
  EXPECT_EQ(d.messaggio, "station position 33510 m is not a multiple of 50 m");

  const json j = json::parse(stato_json(c, testo_file(righe_linea()), treno, kLinea, kTreno, {}, 7));
  EXPECT_EQ(j["versione"], 7);
  const json& intorno = j["diagnostiche"][0]["intorno"];
  ASSERT_EQ(intorno.size(), 5u);
  EXPECT_EQ(intorno[0]["n"], 49);
  EXPECT_EQ(intorno[2]["n"], 51);
  EXPECT_EQ(intorno[2]["testo"],
            "stazione,   33510,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,38,55, Prato Alto");
}

TEST(VistaStato, StationsWithTheirTimesAndTheSourcesWaitedFor) {
  const compilazione_vista c = compila_per_vista(testo_file(righe_linea()), testo_file(righe_treno()), kLinea, kTreno);
  const json j = json::parse(stato_json(c, "", "", kLinea, kTreno, {kLinea}, 1));
  EXPECT_EQ(j["attese"], json::array({kLinea}));
  EXPECT_EQ(j["riassunto"]["stazioni"], 25);
  EXPECT_EQ(j["riassunto"]["segnali"], 110);
  const json& s = j["stazioni"];
  ASSERT_EQ(s.size(), 25u);
  // The first station: the train starts there.  A stop: arrival, then
  // departure after the stop time.  A pass: no time.  The last: arrival.
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
      {4, "Prato Alto", 33500, "14:38:55", "14:39:55", true},
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

}  // namespace
}  // namespace valdoro

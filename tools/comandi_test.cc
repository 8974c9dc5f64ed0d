#include "tools/comandi.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "output/binari.h"
#include "output/decodifica.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"
#include "util/cp1252.h"
#include "util/file.h"

namespace valdoro {
namespace {

namespace fs = std::filesystem;

struct esito {
  int stato;
  std::string out, err;
};

esito scenario_cli(std::vector<std::string> argomenti) {
  argomenti.insert(argomenti.begin(), "scenario");
  std::vector<const char*> argv;
  for (const std::string& a : argomenti) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int stato = esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, err);
  return {stato, out.str(), err.str()};
}

// The small hand-written scenario of tools/testdata: 20 km, three stations,
// five signals, a tunnel with markers and a slowdown.
std::string colle(const std::string& parte) {
  return leggi_file(fs::path(VALDORO_SOURCE_DIR) / "tools" / "testdata" / ("colle_" + parte + ".txt"));
}

std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
  const size_t p = testo.find(da);
  EXPECT_NE(p, std::string::npos) << da;
  if (p != std::string::npos) testo.replace(p, da.size(), a);
  return testo;
}

class ScenarioTool : public ::testing::Test {
 protected:
  // Writes a source under a name of the author's choosing; returns its path.
  std::string sorgente(const std::string& nome, const std::string& testo) {
    fs::create_directories(dir / "src");
    scrivi_file(dir / "src" / nome, testo);
    return (dir / "src" / nome).string();
  }
  esito compila_colle(const std::string& uscita, std::vector<std::string> altre = {}) {
    std::vector<std::string> args = {"compile", sorgente("line.txt", colle("linea")),
                                     sorgente("train.txt", colle("treno")), "--title", "Colle", "--train", "R 101",
                                     "--out", uscita};
    args.insert(args.end(), altre.begin(), altre.end());
    return scenario_cli(args);
  }
  std::string uscita(const std::string& nome) { return (dir / nome).string(); }

  cartella_temporanea dir;
};

TEST_F(ScenarioTool, CompilesOurScenarioFromAnyNamesIntoThePackagersBytes) {
  const std::string linea = sorgente("our line.source", testo_file(righe_linea()));
  const std::string treno = sorgente("train", testo_file(righe_treno()));

  cartella_temporanea pacchetto;  // the packager's own way, for comparison
  dati_linea("Valdoro", pacchetto.percorso());
  dati_treno("Valdoro", "Dir 5802", pacchetto.percorso());
  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  memorizza_percorso(s, 1, pacchetto.percorso());

  esito e = scenario_cli({"compile", linea, treno, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin")});
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, "Valdoro / Dir 5802: 4501 cells, 25 stations, 110 signals, route length 218000 m; files in " +
                       uscita("bin") + "\n");
  EXPECT_EQ(e.stato, 0);
  for (const std::string& nome : {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"),
                                  file_celle("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), pacchetto.leggi(nome)) << nome;
  }
  EXPECT_EQ(leggi_file(linea), testo_file(righe_linea()));
  EXPECT_EQ(leggi_file(treno), testo_file(righe_treno()));
}

TEST_F(ScenarioTool, NoProfileLeavesTheProfileFileOut) {
  esito e = compila_colle(uscita("bin"), {"--no-profile"});
  EXPECT_EQ(e.out, "Colle / R 101: 541 cells, 3 stations, 5 signals, route length 20000 m; files in " +
                       uscita("bin") + "\n");
  EXPECT_FALSE(fs::exists(dir / "bin" / "Colle_linea.dat"));
  EXPECT_TRUE(fs::exists(dir / "bin" / "Colle_R 101.sim"));
  EXPECT_EQ(fs::file_size(dir / "bin" / "Colle_R 101.dat"), 541u * 15);
}

TEST_F(ScenarioTool, ErrorsNameTheAuthorsFileLineAndColumnAndComeFirstToLast) {
  struct caso {
    bool in_linea;  // which source is spoilt
    std::string da, a;
    std::string atteso;  // with L and T for the two paths
  } casi[] = {
      {false, "stazione,   10000,", "stazione,   10010,", "T:16:1: error 8: station position is not a multiple of 50\n"},
      {false, "segnale,    9400,", "segnale,   12000,", "T:24:1: error 16: signal on a cell already taken\n"},
      {true, "pendenza,  9000,   -6", "pendenza,  9000,   x6",
       "L:20:20: error 25: the sources could not be read (bad number, value too wide, or source ended inside a "
       "record)\n"},
      // The track never comes to be, so stamping fails later: both are told,
      // the cause first.
      {true, "percorso,    20000", "percorso,    2000000",
       "L:2:1: error 1: route length above 1000000 m\n"
       "error 201: track has fewer than two cells: identity codes not stamped into the track\n"},

  };
  for (const caso& c : casi) {
    const std::string l = sorgente("my line.txt", c.in_linea ? sostituisci(colle("linea"), c.da, c.a) : colle("linea"));
    const std::string t = sorgente("my train.txt", c.in_linea ? colle("treno") : sostituisci(colle("treno"), c.da, c.a));
    esito e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")});
    std::string atteso = c.atteso;
    if (atteso[0] == 'L' || atteso[0] == 'T') atteso.replace(0, 1, atteso[0] == 'L' ? l : t);
    EXPECT_EQ(e.err, atteso);
    EXPECT_EQ(e.stato, 1) << c.atteso;
    EXPECT_EQ(e.out, "");
    // As the packager does, the files are written from what was built.
    EXPECT_TRUE(fs::exists(dir / "bin" / "Colle_R 101.sim"));
  }

  // A general section that is there but empty is not a missing one.
  const std::string t = sorgente("my train.txt", colle("treno"));
  const std::string ultima = "error 201: track has fewer than two cells: identity codes not stamped into the track\n";
  for (const auto& [testo, atteso] : std::vector<std::pair<std::string, std::string>>{
           {"\n[generale]\n\n\n", ":2:1: error 102: line source's [generale] section is empty: nothing follows it\n"},
           {"[generali]\nx\n", ":2:1: error 102: line source has no [generale] section\n"}}) {
    const std::string l = sorgente("my line.txt", testo);
    esito e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")});
    EXPECT_EQ(e.err, l + atteso + ultima);
    EXPECT_EQ(e.stato, 1);
  }
}

TEST_F(ScenarioTool, WarningsAreToldWithTheAuthorsPathsAndStrictFailsOnThem) {
  const std::string l = sorgente("my line.txt", colle("linea"));
  const std::string t = sorgente("my train.txt", sostituisci(colle("treno"), "aderenza,       0,    80",
                                                              "aderenza,       0,   339"));
  const std::string cut = sorgente("cut line.txt", colle("linea").substr(0, colle("linea").find("[indicazioni]")));
  const std::string avviso_339 =
      t + ":7:22: warning: adhesion is 339, which does not fit 8 bits (0 to 255): stored as 83\n";
  const std::string avviso_cut = cut + ":28:1: warning: the source does not end with the line \"[fine]\": it may "
                                       "have been cut short here\n";
  const std::string riassunto = "Colle / R 101: 541 cells, 3 stations, 5 signals, route length 20000 m; files in ";
  struct caso {
    std::vector<std::string> args;
    std::string err;
    int stato;
  } casi[] = {
      {{l, t}, avviso_339, 0},
      {{l, t, "--strict"}, avviso_339 + "scenario: 1 warning with --strict\n", 1},
      {{cut, t, "--strict"}, avviso_cut + avviso_339 + "scenario: 2 warnings with --strict\n", 1},
  };
  for (const caso& c : casi) {
    fs::remove_all(dir / "bin");
    std::vector<std::string> args = {"compile"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    for (const char* a : {"--title", "Colle", "--train", "R 101", "--out"}) args.push_back(a);
    args.push_back(uscita("bin"));
    esito e = scenario_cli(args);
    EXPECT_EQ(e.err, c.err);
    EXPECT_EQ(e.out, riassunto + uscita("bin") + "\n");
    EXPECT_EQ(e.stato, c.stato);
    EXPECT_TRUE(fs::exists(dir / "bin" / "Colle_R 101.dat"));
  }
  // A warning changes no byte: 339 builds what 83, its low 8 bits, builds.
  const std::string t83 = sorgente("t83.txt", sostituisci(colle("treno"), "aderenza,       0,    80",
                                                          "aderenza,       0,    83"));
  for (const auto& [treno, cartella] : {std::pair{t, "b339"}, std::pair{t83, "b83"}}) {
    ASSERT_EQ(scenario_cli({"compile", l, treno, "--title", "Colle", "--train", "R 101", "--out", uscita(cartella)})
                  .stato,
              0);
  }
  for (const char* nome : {"Colle_R 101.sim", "Colle_R 101.dat", "Colle_linea.dat"}) {
    EXPECT_TRUE(leggi_file(dir / "b339" / nome) == leggi_file(dir / "b83" / nome)) << nome;
  }
}

TEST_F(ScenarioTool, AClashInTheIdentitySlotsNamesTheRecordAndWritesNoFile) {
  const std::string clash = "error 1250: reserved slots are not empty before stamping: ";
  struct caso {
    std::string linea, treno;
    std::string atteso;  // T for the train source's path
  } casi[] = {
      {colle("linea"), sostituisci(colle("treno"), "rallentamento,   14500,", "rallentamento,   -1,"),
       "T:19:1: " + clash + "this record put a value into cell 1, where the identity codes go\n"},
      {sostituisci(colle("linea"), "[cartelli]\n",
                   "[cartelli]\nindicatori_vmax,  50,  100,  110,  120,  0,  ,  ,  ,  0\n"
                   "indicatori_vmax,  100,  100,  110,  120,  0,  ,  ,  ,  0\n"),
       sostituisci(colle("treno"), "rallentamento,   14500,", "rallentamento,   350,"),
       "T:19:1: " + clash + "the finishing pass put a speed mark for this slowdown into cell 1, where the identity "
                            "codes go\n"},
  };
  for (const caso& c : casi) {
    const std::string l = sorgente("l.txt", c.linea);
    const std::string t = sorgente("t.txt", c.treno);
    esito e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")});
    std::string atteso = c.atteso;
    if (atteso[0] == 'T') atteso.replace(0, 1, t);
    EXPECT_EQ(e.err, atteso);
    EXPECT_EQ(e.out, "");
    EXPECT_EQ(e.stato, 2);
    EXPECT_FALSE(fs::exists(dir / "bin" / "Colle_R 101.sim"));
  }
}

TEST_F(ScenarioTool, InitWritesThePackagersFilesAndTheyCompileToItsBytes) {
  esito e = scenario_cli({"init", uscita("start")});
  const std::string linea = uscita("start") + "/Valdoro_linea.txt";
  const std::string treno = uscita("start") + "/Valdoro_Dir 5802-.txt";
  EXPECT_EQ(e.out, "wrote 5 files into " + uscita("start") + "; compile the sources with\n  scenario compile \"" +
                       linea + "\" \"" + treno + "\" --title Valdoro --train \"Dir 5802\" --out OUT_DIR\n");
  EXPECT_EQ(e.err, "");
  ASSERT_EQ(e.stato, 0);

  cartella_temporanea pacchetto;  // what the packager writes and builds
  dati_linea("Valdoro", pacchetto.percorso());
  dati_treno("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_note("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_rallentamenti("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_scheda("Valdoro", "Dir 5802", pacchetto.percorso());
  for (const std::string& nome : {file_sorgente_linea("Valdoro"), file_sorgente_treno("Valdoro", "Dir 5802"),
                                  file_note("Valdoro", "Dir 5802"), file_rallentamenti("Valdoro", "Dir 5802"),
                                  file_scheda("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "start" / nome), pacchetto.leggi(nome)) << nome;
  }
  EXPECT_EQ(leggi_file(linea).substr(0, 12), "[generale]\r\n");

  scenario s;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  memorizza_percorso(s, 1, pacchetto.percorso());
  e = scenario_cli({"compile", linea, treno, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin")});
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.stato, 0);
  for (const std::string& nome : {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"),
                                  file_celle("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), pacchetto.leggi(nome)) << nome;
  }
}

TEST_F(ScenarioTool, InitReplacesNothingWithoutForce) {
  fs::create_directories(dir / "start");
  scrivi_file(dir / "start" / "Valdoro_Dir 5802_note.txt", "mine");
  esito e = scenario_cli({"init", uscita("start")});
  EXPECT_EQ(e.err, "scenario: init would replace " + uscita("start") +
                       "/Valdoro_Dir 5802_note.txt: give --force to overwrite\n");
  EXPECT_EQ(e.stato, 2);
  // All five names are looked at before any is written.
  EXPECT_FALSE(fs::exists(dir / "start" / "Valdoro_linea.txt"));
  EXPECT_EQ(leggi_file(dir / "start" / "Valdoro_Dir 5802_note.txt"), "mine");

  e = scenario_cli({"init", uscita("start"), "--force"});
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(leggi_file(dir / "start" / "Valdoro_Dir 5802_note.txt"), testo_file(righe_note()));
  EXPECT_TRUE(fs::exists(dir / "start" / "Valdoro_linea.txt"));
}

TEST_F(ScenarioTool, UsageFaultsExitTwoWithAClearMessage) {
  const std::string l = sorgente("l.txt", colle("linea"));
  const std::string t = sorgente("t.txt", colle("treno"));
  const std::string manca = (dir / "src" / "missing.txt").string();
  const std::string src = (dir / "src").string();
  const std::string usage = "\nRun scenario --help for the usage.\n";
  struct caso {
    std::vector<std::string> args;
    std::string atteso;
  } casi[] = {
      {{}, "scenario: A subcommand is required" + usage},
      {{"compil", l, t}, "scenario: unknown subcommand compil" + usage},
      {{"frobnicate", "--out", "x"}, "scenario: unknown subcommand frobnicate" + usage},
      {{"compile", l, t, "--title", "C", "--train", "T", "--out", "o", "--bogus"},
       "scenario: The following argument was not expected: --bogus" + usage},
      {{"compile", l, t, "--title", "C", "--train", "T"}, "scenario: --out is required" + usage},
      {{"compile", manca, t, "--title", "C", "--train", "T", "--out", uscita("o")},
       "scenario: cannot read " + manca + ": No such file or directory\n"},
      {{"compile", l, src, "--title", "C", "--train", "T", "--out", uscita("o")},
       "scenario: cannot read " + src + ": it is a directory\n"},
      {{"compile", l, t, "--title", "C/x", "--train", "T", "--out", uscita("o")},
       "scenario: --title \"C/x\" may hold only printable ASCII without / \\ : * ? \" < > |\n"},
      {{"compile", l, t, "--title", "C", "--train", "", "--out", uscita("o")},
       "scenario: --train must not be empty\n"},
      {{"dump", l}, "scenario: cannot tell the kind of " + l + " from its name: give --kind stations, track or profile\n"},
      {{"dump", l, "--kind", "rows"}, "scenario: --kind must be stations, track or profile, not \"rows\"\n"},
      {{"dump", l, "--kind", ""}, "scenario: --kind must be stations, track or profile, not \"\"\n"},
      {{"dump", manca, "--kind", "track"}, "scenario: cannot read " + manca + ": No such file or directory\n"},
      {{"draw", src, "--out", uscita("svg")}, "scenario: " + src + " holds 0 station tables (.sim); draw needs exactly one\n"},
  };
  for (const caso& c : casi) {
    esito e = scenario_cli(c.args);
    EXPECT_EQ(e.err, c.atteso);
    EXPECT_EQ(e.stato, 2) << c.atteso;
  }
  EXPECT_FALSE(fs::exists(dir / "o"));
}

TEST_F(ScenarioTool, HelpNamesTheSubcommands) {
  esito e = scenario_cli({"--help"});
  EXPECT_EQ(e.stato, 0);
  for (const char* parola : {"compile", "dump", "draw", "init"}) {
    EXPECT_NE(e.out.find(parola), std::string::npos) << parola;
  }
  e = scenario_cli({"dump", "--help"});
  EXPECT_NE(e.out.find("--nonzero"), std::string::npos);
}

TEST_F(ScenarioTool, VersionIsAnOptionOfTheHelp) {
  esito e = scenario_cli({"--version"});
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.out, std::string("scenario ") + VALDORO_VERSIONE + "\n");
  EXPECT_EQ(e.err, "");
  EXPECT_NE(scenario_cli({"--help"}).out.find("--version"), std::string::npos);
}

// --output holds exactly what standard output would, and only a whole dump
// replaces the file.
TEST_F(ScenarioTool, DumpOutputWritesTheBytesOfStandardOutput) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const std::string dump = uscita("dump.txt");
  for (const char* file : {"Colle_R 101.sim", "Colle_R 101.dat", "Colle_linea.dat"}) {
    const std::string binario = (dir / "bin" / file).string();
    for (const char* scelta : {"--nonzero", "--json"}) {
      esito e = scenario_cli({"dump", binario, scelta, "--output", dump});
      ASSERT_EQ(e.stato, 0) << e.err;
      EXPECT_EQ(e.out, "");
      EXPECT_EQ(e.err, "");
      EXPECT_EQ(leggi_file(dump), scenario_cli({"dump", binario, scelta}).out) << file << " " << scelta;
    }
  }
  const std::string cut = sorgente("cut.dat", leggi_file(dir / "bin" / "Colle_R 101.dat").substr(0, 100));
  scrivi_file(dump, "earlier");
  esito e = scenario_cli({"dump", cut, "--output", dump});
  EXPECT_EQ(e.stato, 1);
  EXPECT_EQ(e.err, "scenario: " + cut + ": byte 90: cell 6 has only 10 of its 15 bytes\n");
  EXPECT_EQ(leggi_file(dump), "earlier");
  for (const auto& voce : fs::directory_iterator(dir.percorso())) {
    EXPECT_FALSE(nome_temporaneo(voce.path().filename().string())) << voce.path();
  }

  const std::string cartella = uscita("a folder");
  fs::create_directories(cartella);
  e = scenario_cli({"dump", (dir / "bin" / "Colle_R 101.sim").string(), "--output", cartella});
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.err, "scenario: cannot write " + cartella + ": Is a directory\n");
  e = scenario_cli({"dump", (dir / "bin" / "Colle_R 101.sim").string(), "--output", ""});
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.err, "scenario: --output must not be empty\n");
}

TEST_F(ScenarioTool, DumpOfACutFileGivesTheOffsetAndPrintsNothing) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const std::string celle = leggi_file(dir / "bin" / "Colle_R 101.dat");
  const std::string cut = sorgente("cut.dat", celle.substr(0, 100));
  esito e = scenario_cli({"dump", cut});
  EXPECT_EQ(e.err, "scenario: " + cut + ": byte 90: cell 6 has only 10 of its 15 bytes\n");
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.stato, 1);
}

// The JSON dump read back into tables, for the round trip.
tabella_stazioni_t stazioni_da_json(const nlohmann::json& j) {
  tabella_stazioni_t t;
  for (const auto& r : j["rows"]) {
    riga_stazione& x = t.at(r["row"].get<size_t>());
    x.tipo = r["tipo"], x.inizio = r["inizio"], x.fine = r["fine"], x.progressiva = r["progressiva"];
    x.campo4 = r["campo4"], x.nome = in_cp1252(r["nome"].get<std::string>());
    x.campo7 = r["campo7"], x.campo8 = r["campo8"], x.campo10 = r["campo10"], x.campo11 = r["campo11"];
    x.campo12 = r["campo12"], x.campo9 = r["campo9"], x.campo13 = r["campo13"], x.campo6 = r["campo6"];
    x.campo5 = r["campo5"], x.orario = r["orario"];
  }
  return t;
}

std::vector<cella> celle_da_json(const nlohmann::json& j) {
  std::vector<cella> celle(j["cell_count"].get<size_t>());
  for (const auto& c : j["cells"]) {
    cella& x = celle.at(c["cell"].get<size_t>());
    x.tipo = c["tipo"], x.valore1 = c["valore1"], x.valore2 = c["valore2"], x.valore3 = c["valore3"];
    x.valore4 = c["valore4"], x.tempo = c["tempo"], x.annuncio = c["annuncio"], x.montagna = c["montagna"];
    x.velocita = c["velocita"], x.pendenza = c["pendenza"], x.aderenza = c["aderenza"];
  }
  return celle;
}

profilo profilo_da_json(const nlohmann::json& j) {
  profilo p;
  p.crea(j["metre_count"].get<int32_t>() - 1);
  for (const auto& m : j["metres"]) {
    for (int k = 0; k < 2; ++k) {
      const auto& v = m[k == 0 ? "x" : "y"];
      if (v.is_number_integer()) p.imposta_intero(m["metre"], k, v.get<int16_t>());
      if (v.is_number_float()) p.imposta_doppio(m["metre"], k, v.get<double>());
    }
  }
  return p;
}

TEST_F(ScenarioTool, DumpingWhatCompileWroteAndBuildingItAgainRoundTrips) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  struct caso {
    std::string file;
    std::string (*ricodifica)(const nlohmann::json&);
  } casi[] = {
      {"Colle_R 101.sim", [](const nlohmann::json& j) { return codifica_stazioni(stazioni_da_json(j)); }},
      {"Colle_R 101.dat", [](const nlohmann::json& j) { return codifica_celle(celle_da_json(j)); }},
      {"Colle_linea.dat", [](const nlohmann::json& j) { return codifica_profilo(profilo_da_json(j)); }},
  };
  for (const caso& c : casi) {
    const std::string file = (dir / "bin" / c.file).string();
    for (const char* scelta : {"--json", "--nonzero"}) {
      esito e = scenario_cli({"dump", file, "--json", scelta});
      ASSERT_EQ(e.stato, 0) << e.err;
      EXPECT_EQ(c.ricodifica(nlohmann::json::parse(e.out)), leggi_file(file)) << c.file << " " << scelta;
    }
  }
  // And the text dump of a second compile is the same text.
  ASSERT_EQ(compila_colle(uscita("bin2")).stato, 0);
  for (const caso& c : casi) {
    EXPECT_EQ(scenario_cli({"dump", (dir / "bin" / c.file).string()}).out,
              scenario_cli({"dump", (dir / "bin2" / c.file).string()}).out);
  }
}

TEST_F(ScenarioTool, DrawWritesBothPicturesOrSaysWhatIsMissing) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  esito e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.out, "wrote " + uscita("svg") + "/plan.svg and " + uscita("svg") + "/gradient.svg\n");
  EXPECT_EQ(e.stato, 0);
  EXPECT_NE(leggi_file(dir / "svg" / "plan.svg").find(">Colle</text>"), std::string::npos);

  fs::remove(dir / "bin" / "Colle_linea.dat");
  e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.err, "scenario: no line profile " + uscita("bin") +
                       "/Colle_linea.dat (compiled with --no-profile?): the plan shows no line\n");
  EXPECT_EQ(e.stato, 1);
  EXPECT_NE(leggi_file(dir / "svg" / "plan.svg").find("No line profile"), std::string::npos);

  const std::string celle = leggi_file(dir / "bin" / "Colle_R 101.dat");
  scrivi_file(dir / "bin" / "Colle_R 101.dat", celle.substr(0, celle.size() - 1));
  e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.err, "scenario: " + uscita("bin") + "/Colle_R 101.dat: byte 8100: cell 540 has only 14 of its 15 bytes\n");
  EXPECT_EQ(e.stato, 1);

  scrivi_file(dir / "bin" / "Other_T.sim", "");
  e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.err, "scenario: " + uscita("bin") + " holds 2 station tables (.sim); draw needs exactly one\n");
  EXPECT_EQ(e.stato, 2);
}

TEST_F(ScenarioTool, DrawReadsNoProfileOutsideItsDirectory) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  fs::rename(dir / "bin" / "Colle_linea.dat", dir / "Colle_linea.dat");  // one level up
  tabella_stazioni_t t = decodifica_stazioni(leggi_file(dir / "bin" / "Colle_R 101.sim"));
  t[kRigaLinea].nome = "../Colle";
  scrivi_file(dir / "bin" / "Colle_R 101.sim", codifica_stazioni(t));
  esito e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.stato, 1);
  EXPECT_NE(leggi_file(dir / "svg" / "plan.svg").find("No line profile"), std::string::npos);
}

// Every input that the author names, in every form a user could hand over
// that is not a regular file of a sane size, is refused at once by name,
// never read: a device that never ends, a FIFO that never opens, a file past
// the input limit (sparse, so it costs no disk), a folder.  Links to them
// too, since the tool follows a link to its target.
TEST_F(ScenarioTool, InputsThatAreNotRegularFilesOfASaneSizeAreRefusedByName) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path grande = dir / "big";
  {
    const int fd = ::open(grande.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kLimiteIngresso + 1)), 0);
    ::close(fd);
  }
  struct forma {
    fs::path percorso;
    std::string motivo;
  } forme[] = {
      {"/dev/zero", "it is a device, not a regular file"},
      {fifo, "it is a FIFO, not a regular file"},
      {grande, "larger than the 64 MiB an input may have"},
      {dir / "src", "it is a directory"},
  };
  const std::string l = sorgente("l.txt", colle("linea")), t = sorgente("t.txt", colle("treno"));
  for (const forma& f : forme) {
    for (const bool per_collegamento : {false, true}) {
      fs::path p = f.percorso;
      if (per_collegamento) {
        p = dir / "link";
        fs::remove(p);
        fs::create_symlink(f.percorso, p);
      }
      // draw meets the input as one of the three files in its folder.
      auto in_cartella = [&](const std::string& nome) {
        const fs::path d = dir / "draw";
        fs::remove_all(d);
        fs::copy(dir / "bin", d);
        fs::remove(d / nome);
        fs::create_symlink(p, d / nome);
        return std::make_pair(d.string(), (d / nome).string());
      };
      struct caso {
        std::vector<std::string> args;
        std::string chi;  // the path the message names
      };
      const caso casi[] = {
          {{"compile", p, t, "--title", "C", "--train", "T", "--out", uscita("o")}, p},
          {{"compile", l, p, "--title", "C", "--train", "T", "--out", uscita("o")}, p},
          {{"dump", p, "--kind", "track"}, p},
          {{"dump", p, "--kind", "profile", "--json"}, p},
          {{"dump", p, "--kind", "stations"}, p},
      };
      auto prova = [&](const caso& c) {
        esito e = scenario_cli(c.args);
        EXPECT_EQ(e.err, "scenario: cannot read " + c.chi + ": " + f.motivo + "\n") << c.args[0] << " " << c.chi;
        EXPECT_EQ(e.out, "");
        EXPECT_EQ(e.stato, 2);
      };
      for (const caso& c : casi) prova(c);
      for (const char* nome : {"Colle_R 101.sim", "Colle_R 101.dat", "Colle_linea.dat"}) {
        auto [cartella, file] = in_cartella(nome);
        prova({{"draw", cartella, "--out", uscita("svg")}, file});
      }
    }
  }
  EXPECT_FALSE(fs::exists(dir / "o"));
  EXPECT_FALSE(fs::exists(dir / "svg"));
}

TEST_F(ScenarioTool, AFailedWriteToStandardOutputEndsWithStatusTwo) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const int pieno = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(pieno, 0);
  uscita_controllata buffer(pieno);
  std::ostream out(&buffer);
  const std::string file = (dir / "bin" / "Colle_R 101.dat").string();
  for (const char* formato : {"--nonzero", "--json"}) {
    std::vector<const char*> argv = {"scenario", "dump", file.c_str(), formato};
    std::ostringstream err;
    EXPECT_EQ(esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, err), 2);
    EXPECT_EQ(err.str(), "scenario: cannot write standard output: No space left on device\n");
    out.clear();
  }
  // Output that fits the buffer fails at the flush at the end.
  std::vector<const char*> argv = {"scenario", "--help"};
  std::ostringstream err;
  EXPECT_EQ(esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, err), 2);
  EXPECT_EQ(err.str(), "scenario: cannot write standard output: No space left on device\n");
  ::close(pieno);
}

TEST_F(ScenarioTool, AnotherRunInTheOutputFolderIsWaitedForThenRefused) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const std::string prima = leggi_file(dir / "bin" / "Colle_R 101.sim");
  imposta_attesa_cartella(std::chrono::milliseconds(50));
  {
    blocco_cartella altra(dir / "bin");
    scrivi_file(dir / "bin" / "Colle_R 101.sim", "previous");
    esito e = compila_colle(uscita("bin"));
    EXPECT_EQ(e.err, "scenario: another run is writing in " + uscita("bin") + "\n");
    EXPECT_EQ(e.stato, 2);
    EXPECT_EQ(leggi_file(dir / "bin" / "Colle_R 101.sim"), "previous");
    scrivi_file(dir / "bin" / "Colle_R 101.sim", prima);

    fs::create_directories(dir / "svg");
    blocco_cartella altra_svg(dir / "svg");
    e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
    EXPECT_EQ(e.err, "scenario: another run is writing in " + uscita("svg") + "\n");
    EXPECT_EQ(e.stato, 2);
    EXPECT_FALSE(fs::exists(dir / "svg" / "plan.svg"));

    fs::create_directories(dir / "init");
    blocco_cartella altra_init(dir / "init");
    e = scenario_cli({"init", uscita("init")});
    EXPECT_EQ(e.err, "scenario: another run is writing in " + uscita("init") + "\n");
    EXPECT_EQ(e.stato, 2);
    EXPECT_TRUE(fs::is_empty(dir / "init"));
  }
  imposta_attesa_cartella(std::chrono::seconds(60));
  EXPECT_EQ(compila_colle(uscita("bin")).stato, 0);
}

TEST(CartellaPrivata, IsTheOwnersAloneAndGoesAwayWithItsFiles) {
  fs::path dove;
  {
    cartella_privata c;
    dove = c.percorso();
    EXPECT_EQ(fs::status(dove).permissions() & fs::perms::all, fs::perms::owner_all);
    scrivi_file(dove / "a.txt", "x");
  }
  EXPECT_FALSE(fs::exists(dove));
}

// A run stopped by Ctrl-C or a kill leaves no copy of the sources behind,
// and still ends by that signal.
TEST(CartellaPrivata, IsRemovedOnSigintAndSigtermToo) {
  for (int segnale : {SIGINT, SIGTERM}) {
    int tubo[2];
    ASSERT_EQ(::pipe(tubo), 0);
    const pid_t figlio = ::fork();
    ASSERT_GE(figlio, 0);
    if (figlio == 0) {
      ::close(tubo[0]);
      cartella_privata c;
      std::ofstream(c.percorso() / "Colle_linea.txt") << "copy";
      std::ofstream(c.percorso() / "Colle_linea.txt.0123456789abcdef.valdoro-tmp") << "half";
      const std::string p = c.percorso().string();
      if (::write(tubo[1], p.data(), p.size()) != static_cast<ssize_t>(p.size())) ::_exit(3);
      ::close(tubo[1]);
      ::raise(segnale);
      ::_exit(4);  // not reached: the signal ends the process
    }
    ::close(tubo[1]);
    std::string percorso;
    char buf[256];
    for (ssize_t n; (n = ::read(tubo[0], buf, sizeof buf)) > 0;) percorso.append(buf, static_cast<size_t>(n));
    ::close(tubo[0]);
    int stato = 0;
    ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
    EXPECT_TRUE(WIFSIGNALED(stato) && WTERMSIG(stato) == segnale) << stato;
    ASSERT_FALSE(percorso.empty());
    EXPECT_FALSE(fs::exists(percorso)) << percorso;
  }
}

}  // namespace
}  // namespace valdoro

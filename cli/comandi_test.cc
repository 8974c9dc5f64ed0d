#include "cli/comandi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/formato.h"
#include "model/nomi_file.h"
#include "output/binari.h"
#include "output/carte_autore.h"
#include "output/decodifica.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"
#include "cli/sarif.h"
#include "output/controllo.h"
#include "view/vista_dati.h"
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

// The small hand-written scenario of testing/testdata: 20 km, three stations,
// five signals, a tunnel with markers and a slowdown.
std::string colle(const std::string& parte) {
  return leggi_file(fs::path(VALDORO_SOURCE_DIR) / "testing" / "testdata" / ("colle_" + parte + ".txt"));
}

std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
  const size_t p = testo.find(da);
  EXPECT_NE(p, std::string::npos) << da;
  if (p != std::string::npos) testo.replace(p, da.size(), a);
  return testo;
}

// What our own sources deserve, under the names `linea` and `treno`.
std::string avvisi_propri(const std::string& linea, const std::string& treno) {
  return linea +
         ":114:20: warning: \"-4,5\" has a decimal comma: pendenza gradient is read as -4 and \"5\" is passed over; "
         "values are whole numbers\n" +
         treno +
         ":60:1: warning: \"-Terme\" on a line of its own is passed over: the name on line 59 stays \"Pontelungo\"; "
         "a name must stand whole on its record's line\n"
         "scenario: 0 errors and 2 warnings\n";
}

// What check says of our own sources: the two warnings, and a note at each
// stop that the train's fastest run leaves little to spare, or that only
// the default figures' uncertainty admits.
std::string controllo_proprio(const std::string& linea, const std::string& treno) {
  std::string r = avvisi_propri(linea, treno);
  r.insert(r.find(treno + ":60:1:"),
           treno +
               ":49:1: note: Ponte Rovera: 10 min 30 s scheduled from Roccavalle; at least 10 min 13 s for this "
               "train, 17 s to spare\n" +
               treno +
               ":54:1: note: Pietrafonda: 14 min 0 s scheduled from Sorgenti; at least 13 min 46 s for this "
               "train, 14 s to spare\n" +
               treno +
               ":56:1: note: Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s for this "
               "train with the default figures, within their uncertainty\n");
  r.insert(r.find("scenario: 0 errors"), treno +
                                             ":72:1: note: Lagomarino: 12 min 30 s scheduled from Rivalta; at "
                                             "least 12 min 19 s for this train, 11 s to spare\n");
  return r;
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
    std::vector<std::string> args = {"compile",
                                     sorgente("line.txt", colle("linea")),
                                     sorgente("train.txt", colle("treno")),
                                     "--title",
                                     "Colle",
                                     "--train",
                                     "R 101",
                                     "--out",
                                     uscita};
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
  diagnostiche d;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  memorizza_percorso(s, d, 1, pacchetto.percorso());

  esito e =
      scenario_cli({"compile", linea, treno, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin")});
  EXPECT_EQ(e.err, avvisi_propri(linea, treno));
  EXPECT_EQ(e.out, "Valdoro / Dir 5802: 4501 cells, 25 stations, 110 signals, route length 218000 m; files in " +
                       uscita("bin") + "\n");
  EXPECT_EQ(e.stato, 0);
  for (const std::string& nome :
       {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"), file_celle("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), pacchetto.leggi(nome)) << nome;
  }
  EXPECT_EQ(leggi_file(linea), testo_file(righe_linea()));
  EXPECT_EQ(leggi_file(treno), testo_file(righe_treno()));
}

// "Città Alta" saved as UTF-8 (with the mark an editor puts first) and
// compiled with --encoding utf-8 is the same scenario as the Windows-1252
// source: byte E0 for the "à" in the station table.  Without the option
// the checker says what would be stored; a character the code page lacks
// is an error at its place, and nothing is written.
TEST_F(ScenarioTool, AUtf8SourceWithEncodingUtf8CompilesToTheBytesOfItsWindows1252Twin) {
  const std::string linea = sorgente("line.txt", testo_file(righe_linea()));
  const std::string treno = testo_file(righe_treno());
  const std::string cp = sorgente("cp.txt", sostituisci(treno, ", Prato Alto", ", Citt\xE0 Alta"));
  const std::string u8 = sorgente("u8.txt", "\xEF\xBB\xBF" + sostituisci(treno, ", Prato Alto", ", Citt\xC3\xA0 Alta"));
  const std::vector<std::string> nomi = {"--title", "Valdoro", "--train", "Dir 5802", "--out"};
  auto compila = [&](const std::string& t, const std::string& out, std::vector<std::string> altre) {
    std::vector<std::string> args = {"compile", linea, t};
    args.insert(args.end(), nomi.begin(), nomi.end());
    args.push_back(uscita(out));
    args.insert(args.end(), altre.begin(), altre.end());
    return scenario_cli(args);
  };
  const esito a = compila(cp, "cp", {});
  const esito b = compila(u8, "u8", {"--encoding", "utf-8"});
  EXPECT_EQ(a.stato, 0);
  EXPECT_EQ(b.stato, 0);
  EXPECT_EQ(b.err, avvisi_propri(linea, u8));
  for (const std::string& nome :
       {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"), file_celle("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "cp" / nome), leggi_file(dir / "u8" / nome)) << nome;
  }
  EXPECT_NE(leggi_file(dir / "u8" / file_stazioni("Valdoro", "Dir 5802")).find("Citt\xE0 Alta"), std::string::npos);

  const esito c = scenario_cli({"check", linea, u8});
  EXPECT_EQ(c.stato, 0);
  // The line source's lines first, then the train source's.
  EXPECT_EQ(c.err, linea +
                       ":114:20: warning: \"-4,5\" has a decimal comma: pendenza gradient is read as -4 and \"5\" is "
                       "passed over; values are whole numbers\n" +
                       u8 +
                       ":1:1: warning: the source begins with the mark an editor puts before UTF-8 text; the sources "
                       "are read as Windows-1252: save the source as Windows-1252, or compile with --encoding utf-8\n" +
                       u8 +
                       ":49:1: note: Ponte Rovera: 10 min 30 s scheduled from Roccavalle; at least 10 min 13 s for "
                       "this train, 17 s to spare\n" +
                       u8 +
                       ":51:77: warning: \"Citt\xC3\xA0 Alta\" is written in UTF-8: the sources are read as "
                       "Windows-1252, so it is stored as \"Citt\xC3\x83\xC2\xA0 Alta\"; save the source as "
                       "Windows-1252, or compile with --encoding utf-8\n" +
                       u8 +
                       ":54:1: note: Pietrafonda: 14 min 0 s scheduled from Sorgenti; at least 13 min 46 s for this "
                       "train, 14 s to spare\n" +
                       u8 +
                       ":56:1: note: Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s for this "
                       "train with the default figures, within their uncertainty\n" +
                       u8 +
                       ":60:1: warning: \"-Terme\" on a line of its own is passed over: the name on line 59 stays "
                       "\"Pontelungo\"; a name must stand whole on its record's line\n" +
                       u8 +
                       ":72:1: note: Lagomarino: 12 min 30 s scheduled from Rivalta; at least 12 min 19 s for this "
                       "train, 11 s to spare\n"
                       "scenario: 0 errors and 4 warnings\n");

  // U+4E2D, three bytes E4 B8 AD, has no place in Windows-1252.
  const std::string cinese = sorgente("cn.txt", sostituisci(treno, ", Prato Alto", ", Citt\xE4\xB8\xAD"));
  const esito d = compila(cinese, "cn", {"--encoding", "utf-8"});
  EXPECT_EQ(d.stato, 1);
  // In its place: after the line source's warning, before the train source's.
  EXPECT_EQ(d.err.substr(0, d.err.find('\n', d.err.find('\n') + 1) + 1),
            linea +
                ":114:20: warning: \"-4,5\" has a decimal comma: pendenza gradient is read as -4 and \"5\" is "
                "passed over; values are whole numbers\n" +
                cinese +
                ":51:77: error: character U+4E2D is not in Windows-1252, the code page the scenario's files are "
                "stored in\n");
  EXPECT_FALSE(fs::exists(dir / "cn"));
}

// With --encoding utf-8, a character Windows-1252 lacks is an error at its
// place, in the one list by source and line, not ahead of the others.
TEST_F(ScenarioTool, ConversionErrorsStandInTheListByTheirPlace) {
  const std::string decimale =
      ":114:20: warning: \"-4,5\" has a decimal comma: pendenza gradient is read as -4 and \"5\" is passed over; "
      "values are whole numbers\n";
  const std::string terme =
      ":60:1: warning: \"-Terme\" on a line of its own is passed over: the name on line 59 stays \"Pontelungo\"; a "
      "name must stand whole on its record's line\n";
  // U+4E2D, bytes E4 B8 AD.
  const std::string cinese = "\xE4\xB8\xAD";
  const std::string fuori = "is not in Windows-1252, the code page the scenario's files are stored in\n";
  struct caso {
    const char* nome;
    std::string linea, treno;
    std::string atteso;  // L and T at the start of a line stand for the two paths
  } casi[] = {
      {"after an error of an earlier line of the same source", testo_file(righe_linea()),
       sostituisci(sostituisci(testo_file(righe_treno()), ", Prato Alto", ", Citt" + cinese), "13400,", "13410,"),
       "L" + decimale +
           "T:49:1: error 8: station position 13410 m is not a multiple of 50 m\nT:51:77: error: character "
           "U+4E2D " +
           fuori + "T" + terme + "scenario: 2 errors and 2 warnings\n"},
      {"in the line source, before the train source's lines",
       sostituisci(testo_file(righe_linea()), "(Galleria)(Sassoscuro)", "(Galleria)(Sasso" + cinese + ")"),
       sostituisci(testo_file(righe_treno()), "13400,", "13410,"),
       "L" + decimale + "L:331:48: error: character U+4E2D " + fuori +
           "T:49:1: error 8: station position 13410 m is not a multiple of 50 m\nT" + terme +
           "scenario: 2 errors and 2 warnings\n"},
  };
  for (const caso& c : casi) {
    const std::string l = sorgente("l.txt", c.linea), t = sorgente("t.txt", c.treno);
    const esito e = scenario_cli({"check", l, t, "--encoding", "utf-8"});
    std::string atteso = c.atteso;
    for (size_t i = 0; i < atteso.size(); i = atteso.find('\n', i) + 1) {
      if (atteso.compare(i, 2, "L:") == 0) atteso.replace(i, 1, l);
      if (atteso.compare(i, 2, "T:") == 0) atteso.replace(i, 1, t);
    }
    EXPECT_EQ(e.err, atteso) << c.nome;
    EXPECT_EQ(e.stato, 1) << c.nome;
  }
}

TEST_F(ScenarioTool, NoProfileLeavesTheProfileFileOut) {
  esito e = compila_colle(uscita("bin"), {"--no-profile"});
  EXPECT_EQ(e.out,
            "Colle / R 101: 541 cells, 3 stations, 5 signals, route length 20000 m; files in " + uscita("bin") + "\n");
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
      {false, "stazione,   10000,", "stazione,   10010,",
       "T:16:1: error 8: station position 10010 m is not a multiple of 50 m\nscenario: 1 error and 0 warnings\n"},
      {false, "segnale,    9400,", "segnale,   12000,",
       "T:24:1: error 16: signal at 12000 m: cell 241 at 12050 m already holds a signal (kind 1), stored by T:23\n"
       "T:24:1: warning: segnale at 12000 m does not come after the one on line 23 (at 12000 m): segnale records "
       "must rise in position\n"
       "scenario: 1 error and 1 warning\n"},
      {true, "pendenza,  9000,   -6", "pendenza,  9000,   x6",
       "L:20:20: error 25: record \"pendenza\", field gradient: \"x6\" is not a whole number\n"
       "scenario: 1 error and 0 warnings\n"},
      // The track never comes to be, so stamping fails later: both are told,
      // the cause first.
      {true, "percorso,    20000", "percorso,    2000000",
       "L:2:1: error 1: route length 2000000 m is above the limit, 1000000 m\n"
       "L: error 201: track has 0 cells, fewer than two: identity codes not stamped into the track\n"
       "scenario: 2 errors and 0 warnings\n"},

  };
  for (const caso& c : casi) {
    const std::string l = sorgente("my line.txt", c.in_linea ? sostituisci(colle("linea"), c.da, c.a) : colle("linea"));
    const std::string t =
        sorgente("my train.txt", c.in_linea ? colle("treno") : sostituisci(colle("treno"), c.da, c.a));
    esito e =
        scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin"), "--force"});
    std::string atteso = c.atteso;
    atteso.insert(atteso.rfind("scenario: "),
                  "scenario: files written in " + uscita("bin") + " all the same (--force)\n");
    for (const char* segnaposto : {"L:", "T:"}) {
      for (size_t i = atteso.find(segnaposto); i != std::string::npos; i = atteso.find(segnaposto, i + 1)) {
        const bool dopo_titolare = i >= 10 && atteso.compare(i - 10, 10, "stored by ") == 0;
        if (i == 0 || atteso[i - 1] == '\n' || dopo_titolare) atteso.replace(i, 1, segnaposto[0] == 'L' ? l : t);
      }
    }
    EXPECT_EQ(e.err, atteso);
    EXPECT_EQ(e.stato, 1) << c.atteso;
    EXPECT_EQ(e.out, "");
    // With --force, as the packager does, the files are written from what was built.
    EXPECT_TRUE(fs::exists(dir / "bin" / "Colle_R 101.sim"));
  }

  // A general section that is there but empty is not a missing one.
  const std::string t = sorgente("my train.txt", colle("treno"));
  const std::string ultima =
      ": error 201: track has 0 cells, fewer than two: identity codes not stamped into the track\n"
      "scenario: no file written: the files in " +
      uscita("bin") +
      " are as they were (--force writes them as the "
      "packager would)\n";
  for (const auto& [testo, atteso] : std::vector<std::pair<std::string, std::string>>{
           {"\n[generale]\n\n\n", ":2:1: error 102: line source's [generale] section is empty: nothing follows it\n"},
           {"[generali]\nx\n", ":2:1: error 102: line source has no [generale] section\n"}}) {
    const std::string l = sorgente("my line.txt", testo);
    esito e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")});
    EXPECT_EQ(e.err, l + atteso + l + ultima + "scenario: 2 errors and 0 warnings\n");
    EXPECT_EQ(e.stato, 1);
  }
}

// FNV-1a, 64 bits: enough to tell a file from the one written before.
uint64_t impronta(const std::string& byte) {
  uint64_t h = 0xcbf29ce484222325u;
  for (unsigned char c : byte) h = (h ^ c) * 0x100000001b3u;
  return h;
}

// Mistakes an author makes in our own scenario: the compile's error is told
// with its value and its limit, and the files are, byte for byte, those that
// the same sources gave before the messages said more (the fingerprints were
// taken then, and the compile must not have moved a byte since).
TEST_F(ScenarioTool, AuthorsMistakesAreToldWithValueAndLimitAndTheBytesStayAsTheyWere) {
  const std::string linea = testo_file(righe_linea());
  const std::string treno = testo_file(righe_treno());
  const std::string poche_celle =
      "L: error 201: track has 0 cells, fewer than two: identity codes not stamped into the track\n";
  struct caso {
    const char* nome;
    std::string linea, treno;
    std::string atteso;  // L and T stand for the two paths
    uint64_t profilo, stazioni, celle;
  } casi[] = {
      {"keyword typo (compiles)", sostituisci(linea, "pendenza,  600,   -11", "pendnza,  600,   -11"), treno, "",
       0x177c787312568b78u, 0x4cf809abdf2f10adu, 0x657fa62d9d54dd2bu},
      {"general key typo", sostituisci(linea, "lunghezza percorso", "lunghezza percoso"), treno,
       "L:10:1: error 210: line source gives no route length: the track does not exist (no item of the general "
       "section, which ends here, holds \"lunghezza\" and \"percorso\")\n" +
           poche_celle,
       0xcbf29ce484222325u, 0xba57393d03fdde65u, 0xcbf29ce484222325u},
      {"decimal point", sostituisci(linea, "pendenza,  1250,   -4,5", "pendenza,  1250,   -4.5"), treno,
       "L:114:20: error 25: record \"pendenza\", field gradient: \"-4.5\" is not a whole number\n", 0x07d4de6204fcbb50u,
       0x190756310ab010f7u, 0xc80858d13fbbbfd2u},
      {"line shortened", sostituisci(linea, "lunghezza percorso,    218000", "lunghezza percorso,    150000"), treno,
       "L:81:1: error 216: curve ends at 157750 m, beyond the last metre of the line profile, 157000 m\n",
       0x6aa8b9f775d8d323u, 0x6b33917716ce08c8u, 0x91743908763e5692u},
      {"speed too high for a cell", linea, sostituisci(treno, "velocita,    1100,   110", "velocita,    1100,   1300"),
       "T:23:22: error 25: speed 1300 km/h does not fit its cell, which holds km/h / 5 in 8 bits: 0 to 1277 km/h\n",
       0x177c787312568b78u, 0x95e9cf1b2666c6beu, 0xbc1708173690ede2u},
      {"station off the grid", linea, sostituisci(treno, "stazione,    4250,", "stazione,    4255,"),
       "T:48:1: error 8: station position 4255 m is not a multiple of 50 m\n", 0x177c787312568b78u, 0x17dd53a3d276e669u,
       0x14bdb8ea016e9ea8u},
      {"stop time past its byte", linea,
       sostituisci(treno, "60,  14,28, 0, Ponte Rovera", "300,  14,28, 0, Ponte Rovera"),
       "T:49:58: error 25: record \"stazione\", field stop_time: 300 does not fit its field's range, 0 to 255\n",
       0x177c787312568b78u, 0x7ade5adbd58113b7u, 0xb5c557735acfaf4cu},
      {"empty line source", "", treno, "L:1:1: error 25: the source is empty\n" + poche_celle, 0xcbf29ce484222325u,
       0x3b08a8c513e20dddu, 0xcbf29ce484222325u},
      {"empty train source", linea, "", "T:1:1: error 25: the source is empty\n", 0x177c787312568b78u,
       0x8b5cc8e24d68bc40u, 0x36003e296926e6d4u},
      {"sources swapped", treno, linea,
       "L:6:1: error 210: line source gives no route length: the track does not exist (no item of the general "
       "section, which ends here, holds \"lunghezza\" and \"percorso\"); its general section holds \"numero "
       "vetture\", a key of the train source: are the line source and the train source given the other way "
       "round?\n" +
           poche_celle,
       0xcbf29ce484222325u, 0x3b08a8c513e20dddu, 0xcbf29ce484222325u},
  };
  // The files of our own sources, which a failed compile must leave as they were.
  const std::vector<std::string> file = {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"),
                                         file_celle("Valdoro", "Dir 5802")};
  const std::string l0 = sorgente("l0.txt", linea), t0 = sorgente("t0.txt", treno);
  ASSERT_EQ(
      scenario_cli({"compile", l0, t0, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("buoni")}).stato,
      0);
  for (const caso& c : casi) {
    const std::string l = sorgente("l.txt", c.linea);
    const std::string t = sorgente("t.txt", c.treno);
    fs::remove_all(dir / "bin");
    esito e =
        scenario_cli({"compile", l, t, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin"), "--force"});
    // Each of the compile's lines, whole, among what the checker tells beside them.
    std::istringstream righe(c.atteso);
    for (std::string riga; std::getline(righe, riga);) {
      if (riga.rfind("L:", 0) == 0 || riga.rfind("T:", 0) == 0) riga.replace(0, 1, riga[0] == 'L' ? l : t);
      EXPECT_NE(("\n" + e.err).find("\n" + riga + "\n"), std::string::npos) << c.nome << "\n" << riga << "\n" << e.err;
    }
    if (!c.atteso.empty()) {
      EXPECT_EQ(e.stato, 1) << c.nome;
    }
    EXPECT_EQ(impronta(leggi_file(dir / "bin" / file_profilo("Valdoro"))), c.profilo) << c.nome;
    EXPECT_EQ(impronta(leggi_file(dir / "bin" / file_stazioni("Valdoro", "Dir 5802"))), c.stazioni) << c.nome;
    EXPECT_EQ(impronta(leggi_file(dir / "bin" / file_celle("Valdoro", "Dir 5802"))), c.celle) << c.nome;
    if (c.atteso.empty()) continue;
    // Without --force a failed compile writes nothing over the earlier files.
    fs::remove_all(dir / "bin");
    fs::copy(dir / "buoni", dir / "bin");
    e = scenario_cli({"compile", l, t, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin")});
    EXPECT_EQ(e.stato, 1) << c.nome;
    EXPECT_NE(e.err.find("scenario: no file written: the files in " + uscita("bin") + " are as they were"),
              std::string::npos)
        << c.nome;
    for (const std::string& f : file) {
      EXPECT_EQ(leggi_file(dir / "bin" / f), leggi_file(dir / "buoni" / f)) << c.nome << " " << f;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "bin"), fs::directory_iterator{}), 3) << c.nome;
  }
}

TEST_F(ScenarioTool, WarningsAreToldWithTheAuthorsPathsAndStrictFailsOnThem) {
  const std::string l = sorgente("my line.txt", colle("linea"));
  const std::string t =
      sorgente("my train.txt", sostituisci(colle("treno"), "aderenza,       0,    80", "aderenza,       0,   339"));
  const std::string cut = sorgente("cut line.txt", colle("linea").substr(0, colle("linea").find("[indicazioni]")));
  const std::string avviso_339 =
      t + ":7:22: warning: adhesion is 339, which does not fit 8 bits (0 to 255): stored as 83\n";
  const std::string avviso_cut = cut +
                                 ":28:1: warning: the source does not end with the line \"[fine]\": it may "
                                 "have been cut short here\n";
  const std::string riassunto = "Colle / R 101: 541 cells, 3 stations, 5 signals, route length 20000 m; files in ";
  struct caso {
    std::vector<std::string> args;
    std::string err;
    int stato;
  } casi[] = {
      {{l, t}, avviso_339 + "scenario: 0 errors and 1 warning\n", 0},
      {{l, t, "--strict"}, avviso_339 + "scenario: 1 warning with --strict\nscenario: 0 errors and 1 warning\n", 1},
      {{cut, t, "--strict"},
       avviso_cut + avviso_339 + "scenario: 2 warnings with --strict\nscenario: 0 errors and 2 warnings\n",
       1},
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
  const std::string t83 =
      sorgente("t83.txt", sostituisci(colle("treno"), "aderenza,       0,    80", "aderenza,       0,    83"));
  for (const auto& [treno, cartella] : {std::pair{t, "b339"}, std::pair{t83, "b83"}}) {
    ASSERT_EQ(
        scenario_cli({"compile", l, treno, "--title", "Colle", "--train", "R 101", "--out", uscita(cartella)}).stato,
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
       "T:19:1: warning: rallentamento position -1 m is before the start of the line\nT:19:1: " + clash +
           "this record put a value into cell 1, where the identity codes go\nscenario: 1 error and 1 warning\n"},
      {sostituisci(colle("linea"), "[cartelli]\n",
                   "[cartelli]\nindicatori_vmax,  50,  100,  110,  120,  0,  ,  ,  ,  0\n"
                   "indicatori_vmax,  100,  100,  110,  120,  0,  ,  ,  ,  0\n"),
       sostituisci(colle("treno"), "rallentamento,   14500,", "rallentamento,   350,"),
       "T:19:1: " + clash +
           "the finishing pass put a speed mark for this slowdown into cell 1, where the identity "
           "codes go\nscenario: 1 error and 0 warnings\n"},
      // No speed but a second one: cell 1's second value, an identity-code slot.
      {colle("linea"),
       sostituisci(colle("treno"), "rallentamento,   14500,    50,  600, 0,  1,  0",
                   "rallentamento,   -1,    0,  600, 0,  0,  7"),
       "T:19:1: warning: rallentamento position -1 m is before the start of the line\n"
       "T:19:1: error 1251: identity-code slots are not empty before stamping: this record put a value into cell 1, "
       "where the identity codes go\nscenario: 1 error and 1 warning\n"},
  };
  for (const caso& c : casi) {
    const std::string l = sorgente("l.txt", c.linea);
    const std::string t = sorgente("t.txt", c.treno);
    esito e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")});
    std::string atteso = c.atteso;
    for (size_t p = atteso.find("T:19:"); p != std::string::npos; p = atteso.find("T:19:", p + t.size())) {
      atteso.replace(p, 1, t);
    }
    EXPECT_EQ(e.err, atteso);
    EXPECT_EQ(e.out, "");
    EXPECT_EQ(e.stato, 2);
    EXPECT_FALSE(fs::exists(dir / "bin" / "Colle_R 101.sim"));
  }
}

TEST_F(ScenarioTool, CheckTellsWhatCompileTellsAndWritesNothing) {
  const std::string linea = sorgente("our line.txt", testo_file(righe_linea()));
  const std::string treno = sorgente("our train.txt", testo_file(righe_treno()));
  esito e = scenario_cli({"check", linea, treno});
  EXPECT_EQ(e.err, controllo_proprio(linea, treno));
  EXPECT_EQ(e.out, "Valdoro / Dir 5802: 4501 cells, 25 stations, 110 signals, route length 218000 m\n");
  EXPECT_EQ(e.stato, 0);
  // Notes are not warnings: --strict passes over them.
  e = scenario_cli({"check", linea, treno, "--strict"});
  std::string atteso = controllo_proprio(linea, treno);
  atteso.insert(atteso.rfind("scenario:"), "scenario: 2 warnings with --strict\n");
  EXPECT_EQ(e.err, atteso);
  EXPECT_EQ(e.stato, 1);

  // Several mistakes in both sources, one run; the status of compile.
  const std::string l = sorgente("l.txt", sostituisci(sostituisci(colle("linea"), "pendenza,  2000", "pendnza,  2000"),
                                                      "[montagne]", "[montagn]"));
  const std::string t =
      sorgente("t.txt", sostituisci(colle("treno"), "stazione,   10000,  2,  400,", "stazione,   10000,  2,  -400,"));
  e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101"});
  EXPECT_EQ(e.err, l +
                       ":18:1: error: unknown keyword \"pendnza\" in [pendenze]: the record is lost; did you mean "
                       "\"pendenza\"?\n" +
                       l +
                       ":23:1: warning: unknown section \"[montagn]\" in the line source; did you mean "
                       "\"[montagne]\"?\n" +
                       t +
                       ":16:1: warning: stazione length -400 m is negative\n"
                       "scenario: 1 error and 2 warnings\n");
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.stato, 1);
  std::string da_compile = e.err;
  da_compile.insert(da_compile.rfind("scenario: "), "scenario: no file written: the files in " + uscita("bin") +
                                                        " are as they were (--force writes them as the packager "
                                                        "would)\n");
  EXPECT_EQ(scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin")}).err,
            da_compile);
  // Nothing but the sources in their folder, and no output folder.
  std::vector<std::string> nomi;
  for (const auto& f : fs::directory_iterator(dir / "src")) nomi.push_back(f.path().filename().string());
  std::sort(nomi.begin(), nomi.end());
  EXPECT_EQ(nomi, (std::vector<std::string>{"l.txt", "our line.txt", "our train.txt", "t.txt"}));
}

// Without --title and --train, check takes them from sources named as init
// names them, and falls back to ours for sources named otherwise.
TEST_F(ScenarioTool, CheckTakesTitleAndTrainFromSourcesNamedAsInitNamesThem) {
  const struct caso {
    const char* linea;
    const char* treno;
    std::vector<std::string> altre;
    const char* riassunto;
  } casi[] = {
      {"Colle_linea.txt", "Colle_R 101-.txt", {}, "Colle / R 101"},
      {"Colle_linea.txt", "train.txt", {}, "Colle / Dir 5802"},
      {"line.txt", "train.txt", {}, "Valdoro / Dir 5802"},
      {"Colle_linea.txt", "Colle_R 101-.txt", {"--title", "Monte"}, "Monte / Dir 5802"},
      {"Colle_linea.txt", "Colle_R 101-.txt", {"--train", "IC 7"}, "Colle / IC 7"},
  };
  for (const caso& c : casi) {
    std::vector<std::string> args = {"check", sorgente(c.linea, colle("linea")), sorgente(c.treno, colle("treno"))};
    args.insert(args.end(), c.altre.begin(), c.altre.end());
    const esito e = scenario_cli(args);
    EXPECT_EQ(e.out, std::string(c.riassunto) + ": 541 cells, 3 stations, 5 signals, route length 20000 m\n")
        << c.linea << " " << c.treno;
    EXPECT_EQ(e.stato, 0) << e.err;
  }
}

// A title for view that cannot name a file is refused before any port is taken.
TEST_F(ScenarioTool, ViewRefusesATitleOrTrainThatCannotNameAFile) {
  const std::string l = sorgente("l.txt", colle("linea")), t = sorgente("t.txt", colle("treno"));
  const esito e = scenario_cli({"view", l, t, "--title", "a/b"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.err, "scenario: --title \"a/b\" may hold only printable ASCII without / \\ : * ? \" < > |\n");
  EXPECT_EQ(e.out, "");
  const esito f = scenario_cli({"view", l, t, "--train", "R:1"});
  EXPECT_EQ(f.stato, 2);
  EXPECT_EQ(f.err, "scenario: --train \"R:1\" may hold only printable ASCII without / \\ : * ? \" < > |\n");
}

// The whole list as one SARIF 2.1.0 log on standard output.
TEST_F(ScenarioTool, SarifCarriesEveryProblemWithRuleLevelMessageAndPlace) {
  const std::string l = sorgente("my line.txt", sostituisci(colle("linea"), "pendenza,  2000", "pendnza,  2000"));
  const std::string t =
      sorgente("my train.txt", sostituisci(colle("treno"), "aderenza,       0,    80", "aderenza,       0,   339"));
  auto uri = [](std::string p) {
    for (size_t i = p.find(' '); i != std::string::npos; i = p.find(' ', i)) p.replace(i, 1, "%20");
    return "file://" + p;
  };
  const nlohmann::json attesi = nlohmann::json::parse(R"([
    {"ruleId": "unknown-keyword", "level": "error",
     "message": {"text": "unknown keyword \"pendnza\" in [pendenze]: the record is lost; did you mean \"pendenza\"?"},
     "locations": [{"physicalLocation": {"artifactLocation": {"uri": "L"}, "region": {"startLine": 18, "startColumn": 1}}}]},
    {"ruleId": "value-cut", "level": "warning",
     "message": {"text": "adhesion is 339, which does not fit 8 bits (0 to 255): stored as 83"},
     "locations": [{"physicalLocation": {"artifactLocation": {"uri": "T"}, "region": {"startLine": 7, "startColumn": 22}}}]}
  ])");
  nlohmann::json risultati = attesi;
  risultati[0]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] = uri(l);
  risultati[1]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] = uri(t);
  // The checker's mending of the keyword, as a fix of its own source.
  risultati[0]["fixes"] = nlohmann::json::parse(R"([{"description": {"text": "Replace with \"pendenza\""},
    "artifactChanges": [{"artifactLocation": {"uri": "L"}, "replacements": [
      {"deletedRegion": {"startLine": 18, "startColumn": 1, "endLine": 18, "endColumn": 8},
       "insertedContent": {"text": "pendenza"}}]}]}])");
  risultati[0]["fixes"][0]["artifactChanges"][0]["artifactLocation"]["uri"] = uri(l);
  for (const char* comando : {"check", "compile"}) {
    std::vector<std::string> args = {comando, l,         t,       "--title",
                                     "Colle", "--train", "R 101", "--diagnostics-format=sarif"};
    if (std::string(comando) == "compile") args.insert(args.end(), {"--out", uscita("bin")});
    const esito e = scenario_cli(args);
    EXPECT_EQ(e.err, "") << comando;
    EXPECT_EQ(e.stato, 1) << comando;
    const nlohmann::json log = nlohmann::json::parse(e.out);
    EXPECT_EQ(log["version"], "2.1.0");
    EXPECT_EQ(log["$schema"], "https://json.schemastore.org/sarif-2.1.0.json");
    ASSERT_EQ(log["runs"].size(), 1u);
    EXPECT_EQ(log["runs"][0]["tool"]["driver"]["name"], "scenario");
    EXPECT_EQ(log["runs"][0]["results"], risultati) << comando;
    const nlohmann::json& regole = log["runs"][0]["tool"]["driver"]["rules"];
    for (const nlohmann::json& attesa :
         {nlohmann::json::parse(R"({"id": "unknown-keyword", "shortDescription": {"text": "an item where a record )"
                                R"(should start matches no keyword: the record is lost"}, "help": {"text": )"
                                R"("Correct the keyword; the message suggests the nearest one."}, )"
                                R"("defaultConfiguration": {"level": "error"}})"),
          nlohmann::json::parse(R"({"id": "error-15", "shortDescription": {"text": "position beyond the usable )"
                                R"(end of the track"}, "help": {"text": "Give a position before the last 100 m )"
                                R"(of the route, or lengthen the route."}, "defaultConfiguration": {"level": )"
                                R"("error"}})"),
          nlohmann::json::parse(R"({"id": "value-cut", "shortDescription": {"text": "a value that does not fit )"
                                R"(its member: only its low bits are stored"}, "help": {"text": "Give a value )"
                                R"(within the member's range."}, "defaultConfiguration": {"level": "warning"}})")}) {
      EXPECT_NE(std::find(regole.begin(), regole.end(), attesa), regole.end()) << attesa.dump();
    }
  }
}

// An unknown keyword as a source from elsewhere may hold it: Windows-1252
// letters (à E0, € 80, ‰ 89, œ 9C, Ÿ 9F, ß DF, ÿ FF), a terminal's escape
// sequence that erases the line, BEL and DEL, and two of the code page's
// holes (81, 8D).
constexpr char kParolaOstile[] = "Citt\xE0\x1B[2K\x07\x7F\x80\x89\x9C\x9F\xDF\xFF\x81\x8D";

TEST_F(ScenarioTool, WhatASourceQuotesIsShownInItsOwnLettersAndNoControlReachesTheTerminal) {
  const std::string l =
      sorgente("l.txt", sostituisci(colle("linea"), "pendenza,  2000", kParolaOstile + std::string(",  2000")));
  const std::string t = sorgente("t.txt", colle("treno"));
  const std::vector<std::string> args = {"check", l, t, "--title", "Colle", "--train", "R 101"};
  const esito testo = scenario_cli(args);
  EXPECT_EQ(testo.err, l + ":18:1: error: unknown keyword \"Citt\xC3\xA0\\x1B[2K\\x07\\x7F\xE2\x82\xAC\xE2\x80\xB0"
                           "\xC5\x93\xC5\xB8\xC3\x9F\xC3\xBF\\x81\\x8D\" in [pendenze]: the record is lost\n"
                           "scenario: 1 error and 0 warnings\n");
  EXPECT_EQ(testo.stato, 1);
  std::vector<std::string> sarif_args = args;
  sarif_args.push_back("--diagnostics-format=sarif");
  const esito sarif = scenario_cli(sarif_args);
  EXPECT_EQ(sarif.err, "");
  EXPECT_EQ(sarif.stato, 1);
  // Parsing refuses a log that is not valid UTF-8.
  const nlohmann::json log = nlohmann::json::parse(sarif.out);
  ASSERT_EQ(log["runs"][0]["results"].size(), 1u);
  EXPECT_EQ(log["runs"][0]["results"][0]["message"]["text"],
            "unknown keyword \"Citt\xC3\xA0\x1B[2K\x07\x7F\xE2\x82\xAC\xE2\x80\xB0\xC5\x93\xC5\xB8\xC3\x9F\xC3\xBF"
            "\xC2\x81\xC2\x8D\" in [pendenze]: the record is lost");
}

// A file name may hold any byte but '/' and NUL on Linux: each is told in
// the URI as it is, '/' alone parts names.
TEST(UriFile, EveryByteOfTheNameIsKeptAndOnlyTheUnreservedGoUnescaped) {
  const struct {
    std::string percorso, uri;
  } casi[] = {
      {"/home/a/l.txt", "file:///home/a/l.txt"},
      {"/home/a\\b.txt", "file:///home/a%5Cb.txt"},  // a backslash is a letter of the name
      {"/tmp/my line.txt", "file:///tmp/my%20line.txt"},
      {"/tmp/100%#?.txt", "file:///tmp/100%25%23%3F.txt"},
      {"/tmp/Citt\xC3\xA0.txt", "file:///tmp/Citt%C3%A0.txt"},
      {"/tmp/Citt\xE0.txt", "file:///tmp/Citt%E0.txt"},  // a name that is no UTF-8
      {"/tmp/a~b_c-d.e", "file:///tmp/a~b_c-d.e"},
      {"C:/Users/a b/l.txt", "file:///C:/Users/a%20b/l.txt"},  // a Windows path in its generic form
  };
  for (const auto& c : casi) EXPECT_EQ(uri_file(c.percorso), c.uri) << c.percorso;
}

TEST_F(ScenarioTool, SarifNamesASourceWithABackslashInItsNameExactly) {
  const std::string l = sorgente("a\\b.txt", sostituisci(colle("linea"), "pendenza,  2000", "pendnza,  2000"));
  const std::string t = sorgente("t.txt", colle("treno"));
  const esito e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101", "--diagnostics-format=sarif"});
  const nlohmann::json log = nlohmann::json::parse(e.out);
  // The test's folder has a space in its name, and nothing else to escape.
  std::string cartella = (dir / "src").string();
  ASSERT_EQ(cartella.find_first_of("%#?\\"), std::string::npos) << cartella;
  for (size_t i = cartella.find(' '); i != std::string::npos; i = cartella.find(' ', i)) cartella.replace(i, 1, "%20");
  EXPECT_EQ(log["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"],
            "file://" + cartella + "/a%5Cb.txt");
}

TEST_F(ScenarioTool, FormatDocPrintsTheReferenceAndIsNotListed) {
  const esito e = scenario_cli({"format-doc"});
  EXPECT_EQ(e.out, documento_formati());
  EXPECT_EQ(e.out.find(formato::documento()), 0u);
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(scenario_cli({"--help"}).out.find("format-doc"), std::string::npos);
}

TEST_F(ScenarioTool, InitWritesThePackagersFilesAndTheyCompileToItsBytes) {
  esito e = scenario_cli({"init", uscita("start")});
  const std::string linea = uscita("start") + "/Valdoro_linea.txt";
  const std::string treno = uscita("start") + "/Valdoro_Dir 5802-.txt";
  EXPECT_EQ(e.out, "wrote 6 files into " + uscita("start") + "; compile the sources with\n  scenario compile \"" +
                       linea + "\" \"" + treno + "\" --title Valdoro --train \"Dir 5802\" --out OUT_DIR\n");
  EXPECT_EQ(e.err, "");
  ASSERT_EQ(e.stato, 0);

  cartella_temporanea pacchetto;  // what the packager writes and builds
  dati_linea("Valdoro", pacchetto.percorso());
  dati_treno("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_note("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_rallentamenti("Valdoro", "Dir 5802", pacchetto.percorso());
  dati_scheda("Valdoro", "Dir 5802", pacchetto.percorso());
  for (const std::string& nome :
       {file_sorgente_linea("Valdoro"), file_sorgente_treno("Valdoro", "Dir 5802"), file_note("Valdoro", "Dir 5802"),
        file_rallentamenti("Valdoro", "Dir 5802"), file_scheda("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "start" / nome), pacchetto.leggi(nome)) << nome;
  }
  EXPECT_EQ(leggi_file(linea).substr(0, 12), "[generale]\r\n");

  scenario s;
  diagnostiche d;
  s.nome_linea = "Valdoro";
  s.nome_treno = "Dir 5802";
  memorizza_percorso(s, d, 1, pacchetto.percorso());
  e = scenario_cli({"compile", linea, treno, "--title", "Valdoro", "--train", "Dir 5802", "--out", uscita("bin")});
  EXPECT_EQ(e.err, avvisi_propri(linea, treno));
  EXPECT_EQ(e.stato, 0);
  for (const std::string& nome :
       {file_profilo("Valdoro"), file_stazioni("Valdoro", "Dir 5802"), file_celle("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), pacchetto.leggi(nome)) << nome;
  }
}

// The view's list as check's text lines put it.
std::string righe_vista(const compilazione_vista& v) {
  std::string righe;
  for (const diagnostica_vista& d : v.diagnostiche) {
    righe += d.file + ":" + std::to_string(d.riga) + ":" + std::to_string(d.colonna) + ": " + d.livello + ": " +
             d.messaggio + "\n";
  }
  return righe;
}

// The page's diagnostics are check's own on init's files, the timetable's
// notes among them: the same lines at the same places, the same counts.
TEST_F(ScenarioTool, TheViewListsWhatCheckSaysOfOurScenario) {
  ASSERT_EQ(scenario_cli({"init", uscita("start")}).stato, 0);
  const std::string l = uscita("start") + "/Valdoro_linea.txt", t = uscita("start") + "/Valdoro_Dir 5802-.txt";
  const esito e = scenario_cli({"check", l, t});
  ASSERT_EQ(e.stato, 0);
  const compilazione_vista v = compila_per_vista(leggi_file(l), leggi_file(t), l, t);
  EXPECT_EQ(righe_vista(v) + "scenario: 0 errors and 2 warnings\n", e.err);
  EXPECT_EQ(v.errori, 0u);
  EXPECT_EQ(v.avvisi, 2u);
  EXPECT_EQ(v.note, 4u);
}

// With a facts file, both time the train by its figures and tell its
// problems after the sources'.  More power leaves Valico within reach (a
// note of its thin margin at most); a bad figure is told at its line.
TEST_F(ScenarioTool, CheckAndTheViewTakeTheFactsFilesFigures) {
  ASSERT_EQ(scenario_cli({"init", uscita("start")}).stato, 0);
  const std::string l = uscita("start") + "/Valdoro_linea.txt", t = uscita("start") + "/Valdoro_Dir 5802-.txt";
  const struct {
    const char* testo;
    int stato;
    size_t errori, avvisi;
  } casi[] = {
      {"potenza = 8000\nsforzo = 300\n", 0, 0, 2},
      {"psi = 0\n", 1, 1, 2},
  };
  for (const auto& c : casi) {
    scrivi_file(dir / "fatti.txt", c.testo);
    const esito e = scenario_cli({"check", l, t, "--facts", uscita("fatti.txt")});
    EXPECT_EQ(e.stato, c.stato) << c.testo;
    const fatti_in_vista fatti{uscita("fatti.txt"), c.testo};
    const compilazione_vista v = compila_per_vista(leggi_file(l), leggi_file(t), l, t, "", "", &fatti);
    EXPECT_EQ(righe_vista(v) + "scenario: " + std::to_string(c.errori) + (c.errori == 1 ? " error" : " errors") +
                  " and 2 warnings\n",
              e.err)
        << c.testo;
    EXPECT_EQ(v.errori, c.errori) << c.testo;
    EXPECT_EQ(v.avvisi, c.avvisi) << c.testo;
    // The bad figure left out, the category's stand, and so does Valico's
    // shortfall.
    EXPECT_EQ(e.err.find("Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s") == std::string::npos,
              c.stato == 0)
        << c.testo;
  }
  EXPECT_NE(scenario_cli({"check", l, t, "--facts", uscita("fatti.txt")})
                .err.find(uscita("fatti.txt") + ":1:7: error: psi: \"0\" must be a number above 0\n"),
            std::string::npos);
}

// In SARIF a facts file's problem has its place in the facts file, and
// the message keeps the author's UTF-8 as it is.
TEST_F(ScenarioTool, SarifPlacesAFactsFilesProblemInTheFactsFile) {
  ASSERT_EQ(scenario_cli({"init", uscita("start")}).stato, 0);
  const std::string l = uscita("start") + "/Valdoro_linea.txt", t = uscita("start") + "/Valdoro_Dir 5802-.txt";
  scrivi_file(dir / "fatti.txt", "potenza = 8000\nrango cartelli = \xC3\x88\n");
  const esito e = scenario_cli({"check", l, t, "--facts", uscita("fatti.txt"), "--diagnostics-format=sarif"});
  const nlohmann::json risultati = nlohmann::json::parse(e.out)["runs"][0]["results"];
  const nlohmann::json* fatti = nullptr;
  for (const nlohmann::json& r : risultati) {
    if (r["ruleId"] == "facts-bad-value") fatti = &r;
  }
  ASSERT_NE(fatti, nullptr) << e.out;
  const nlohmann::json& luogo = (*fatti)["locations"][0]["physicalLocation"];
  const std::string uri = luogo["artifactLocation"]["uri"];
  EXPECT_EQ(uri.substr(uri.size() - 10), "/fatti.txt");
  EXPECT_EQ(luogo["region"]["startLine"], 2);
  EXPECT_NE((*fatti)["message"]["text"].get<std::string>().find("\"\xC3\x88\""), std::string::npos) << fatti->dump();
}

// init's sources and facts file through `papers`: the three papers are the
// packager's, the card with its 26 stops included.
TEST_F(ScenarioTool, PapersOfInitsFilesGiveOurThreePapers) {
  ASSERT_EQ(scenario_cli({"init", uscita("start")}).stato, 0);
  const std::string base = uscita("start") + "/";
  esito e = scenario_cli({"papers", base + "Valdoro_linea.txt", base + "Valdoro_Dir 5802-.txt", "--facts",
                          base + "Valdoro_Dir 5802_fatti.txt", "--out", uscita("carte")});
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, "papers: 26 stops, 4 slowdowns; files in " + uscita("carte") + "\n");
  ASSERT_EQ(e.stato, 0);
  for (const std::string& nome : {file_note("Valdoro", "Dir 5802"), file_rallentamenti("Valdoro", "Dir 5802"),
                                  file_scheda("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "carte" / nome), leggi_file(dir / "start" / nome)) << nome;
  }

  // compile --papers: the binary files, then the same papers.
  e = scenario_cli({"compile", base + "Valdoro_linea.txt", base + "Valdoro_Dir 5802-.txt", "--title", "Valdoro",
                    "--train", "Dir 5802", "--out", uscita("bin"), "--papers", "--facts",
                    base + "Valdoro_Dir 5802_fatti.txt"});
  EXPECT_EQ(e.stato, 0);
  EXPECT_NE(e.out.find("papers: 26 stops, 4 slowdowns; files in " + uscita("bin") + "\n"), std::string::npos);
  for (const std::string& nome : {file_note("Valdoro", "Dir 5802"), file_rallentamenti("Valdoro", "Dir 5802"),
                                  file_scheda("Valdoro", "Dir 5802")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), leggi_file(dir / "carte" / nome)) << nome;
  }
  EXPECT_TRUE(fs::exists(dir / "bin" / file_celle("Valdoro", "Dir 5802")));

  // A fault in the facts file is named at its place, and no paper is written.
  scrivi_file(dir / "fatti.txt", "treno = 5802\nrango = Z\n");
  e = scenario_cli({"papers", base + "Valdoro_linea.txt", base + "Valdoro_Dir 5802-.txt", "--facts",
                    uscita("fatti.txt"), "--out", uscita("nessuna")});
  EXPECT_EQ(e.err, uscita("fatti.txt") +
                       ":2:9: error: rango: the rank \"Z\" must be A, B, C or P\n"
                       "scenario: 1 error; no paper written\n");
  EXPECT_EQ(e.stato, 1);
  EXPECT_FALSE(fs::exists(dir / "nessuna"));
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
      {{"compile", l, t, "--title", "C", "--train", "", "--out", uscita("o")}, "scenario: --train must not be empty\n"},
      {{"dump", l},
       "scenario: cannot tell the kind of " + l + " from its name: give --kind stations, track or profile\n"},
      {{"dump", l, "--kind", "rows"}, "scenario: --kind must be stations, track or profile, not \"rows\"\n"},
      {{"dump", l, "--kind", ""}, "scenario: --kind must be stations, track or profile, not \"\"\n"},
      {{"dump", manca, "--kind", "track"}, "scenario: cannot read " + manca + ": No such file or directory\n"},
      {{"draw", src, "--out", uscita("svg")},
       "scenario: " + src + " holds 0 station tables (.sim); draw needs exactly one\n"},
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

// A track numbers its kilometres by the station table beside it; alone, it
// can only count them from the start, and says so.
TEST_F(ScenarioTool, TrackDumpWithUnitsNumbersByTheStationTableBesideIt) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  const std::string accanto = (dir / "bin" / "Colle_R 101.dat").string();
  const std::string sola = sorgente("Colle_R 101.dat", leggi_file(accanto));
  esito e = scenario_cli({"dump", accanto, "--units"});
  ASSERT_EQ(e.stato, 0) << e.err;
  EXPECT_EQ(e.out.substr(0, e.out.find(':')), "cell 0 (0.000 km)");
  e = scenario_cli({"dump", sola, "--units"});
  ASSERT_EQ(e.stato, 0) << e.err;
  EXPECT_EQ(e.out.substr(0, e.out.find(':')), "cell 0 (0.000 km from the start)");
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

// The JSON dump read back into tables, for the round trip.  Station rows
// name their members as the "stazione" record names its fields; rows 81 to
// 86, in "general", name the members that hold general data after it.
tabella_stazioni_t stazioni_da_json(const nlohmann::json& j) {
  const std::map<int, std::map<std::string, std::string>> kGenerali = {
      {81, {{"area_start", "start"}, {"area_end", "offset"}, {"position", "flag"}}},
      {82, {{"area_start", "start"}, {"area_end", "offset"}, {"position", "flag"}}},
      {83, {{"area_start", "start"}, {"area_end", "offset"}, {"position", "flag"}}},
      {84, {{"area_start", "braked_weight"}, {"area_end", "route_length"}, {"position", "coaches"}}},
      {85,
       {{"area_start", "background_1"},
        {"position", "background_2"},
        {"area_end", "background_3"},
        {"name", "title"},
        {"value_7", "reserved"},
        {"time", "identity_code"}}},
      {86,
       {{"area_start", "signal_repetition_start"},
        {"area_end", "signal_repetition_end"},
        {"position", "signal_repetition_codes"},
        {"name", "train"},
        {"value_7", "sand"},
        {"value_10", "clock_hours"},
        {"value_11", "clock_minutes"},
        {"value_12", "clock_seconds"}}},
  };
  tabella_stazioni_t t;
  for (const char* lista : {"rows", "general"}) {
    for (const auto& r : j[lista]) {
      const int n = r["row"].get<int>();
      const auto g = kGenerali.find(n);
      EXPECT_EQ(g != kGenerali.end(), std::string(lista) == "general") << n;
      auto v = [&](const std::string& nome) -> const nlohmann::json& {
        if (g != kGenerali.end() && g->second.count(nome) != 0) return r[g->second.at(nome)];
        return r[nome];
      };
      riga_stazione& x = t.at(static_cast<size_t>(n));
      x.tipo = v("kind"), x.inizio = v("area_start"), x.fine = v("area_end"), x.progressiva = v("position");
      x.campo4 = v("value_4"), x.nome = in_cp1252(v("name").get<std::string>());
      x.campo7 = v("value_7"), x.campo8 = v("value_8"), x.campo10 = v("value_10"), x.campo11 = v("value_11");
      x.campo12 = v("value_12"), x.campo9 = v("value_9"), x.campo13 = v("stop_time"), x.campo6 = v("longer_area");
      x.campo5 = v("value_5"), x.orario = v("time");
    }
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
    for (const char* scelta : {"--json", "--nonzero", "--units"}) {
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

// The fastest run drawn is timed by the facts file's figures: a weaker
// locomotive makes another run; a bad figure draws nothing.
TEST_F(ScenarioTool, DrawTimesTheRunByTheFactsFilesFigures) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  ASSERT_EQ(scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")}).stato, 0);
  const std::string senza = leggi_file(dir / "svg" / "gradient.svg");
  scrivi_file(dir / "fatti.txt", "potenza = 500\nsforzo = 40\n");
  esito e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg"), "--facts", uscita("fatti.txt")});
  EXPECT_EQ(e.stato, 0) << e.err;
  const std::string con = leggi_file(dir / "svg" / "gradient.svg");
  EXPECT_NE(con, senza);
  EXPECT_NE(con.find("data-kind=\"run\""), std::string::npos);

  scrivi_file(dir / "fatti.txt", "sforzo = 0\n");
  fs::remove_all(dir / "svg");
  e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg"), "--facts", uscita("fatti.txt")});
  EXPECT_EQ(e.err, uscita("fatti.txt") +
                       ":1:10: error: sforzo: \"0\" must be a number above 0\nscenario: nothing drawn: 1 error in the "
                       "facts file\n");
  EXPECT_EQ(e.stato, 1);
  EXPECT_FALSE(fs::exists(dir / "svg"));
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
  EXPECT_EQ(e.err,
            "scenario: " + uscita("bin") + "/Colle_R 101.dat: byte 8100: cell 540 has only 14 of its 15 bytes\n");
  EXPECT_EQ(e.stato, 1);

  scrivi_file(dir / "bin" / "Other_T.sim", "");
  e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
  EXPECT_EQ(e.err, "scenario: " + uscita("bin") + " holds 2 station tables (.sim); draw needs exactly one\n");
  EXPECT_EQ(e.stato, 2);
}

// A title or train designation in the station table that could name
// another file, or cut or garble a message, is refused by its row before
// anything else is read: the profile one level up stays unread, the station
// table is never read again as the profile, nothing is drawn.
TEST_F(ScenarioTool, DrawRefusesATitleOrTrainThatIsNoName) {
  ASSERT_EQ(compila_colle(uscita("bin")).stato, 0);
  fs::copy_file(dir / "bin" / "Colle_linea.dat", dir / "Colle_linea.dat");  // one level up
  const std::string buona = leggi_file(dir / "bin" / "Colle_R 101.sim");
  const std::string sim = uscita("bin") + "/Colle_R 101.sim";
  const struct {
    int riga;
    std::string nome, atteso;
  } casi[] = {
      {kRigaLinea, "../Colle", sim + ": row 85: the title holds a path separator"},
      {kRigaLinea, "..\\Colle", sim + ": row 85: the title holds a path separator"},
      {kRigaLinea, std::string("Colle_R 101.sim\0", 16), sim + ": row 85: the title holds a NUL byte"},
      {kRigaLinea, "Colle\x1b[2J", sim + ": row 85: the title holds a control character"},
      {kRigaLinea, "Colle\x7f", sim + ": row 85: the title holds a control character"},
      {kRigaLinea, "Colle\x81", sim + ": row 85: the title holds a control character"},
      {kRigaTreno, "R\n101", sim + ": row 86: the train designation holds a control character"},
      {kRigaTreno, std::string("R\0 101", 6), sim + ": row 86: the train designation holds a NUL byte"},
      {kRigaTreno, "R/101", sim + ": row 86: the train designation holds a path separator"},
  };
  for (const auto& caso : casi) {
    tabella_stazioni_t t = decodifica_stazioni(buona);
    t[caso.riga].nome = caso.nome;
    scrivi_file(dir / "bin" / "Colle_R 101.sim", codifica_stazioni(t));
    const esito e = scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")});
    EXPECT_EQ(e.err, "scenario: " + caso.atteso + "\n");
    EXPECT_EQ(e.stato, 1);
    EXPECT_FALSE(fs::exists(dir / "svg")) << caso.atteso;
  }
  // Letters outside ASCII are names like any other.
  tabella_stazioni_t t = decodifica_stazioni(buona);
  t[kRigaTreno].nome = "R\xe0 101";
  scrivi_file(dir / "bin" / "Colle_R 101.sim", codifica_stazioni(t));
  EXPECT_EQ(scenario_cli({"draw", uscita("bin"), "--out", uscita("svg")}).stato, 0);
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

// Independent mistakes in both sources at once: several numbered errors of
// each source, which the packager's reading would stop at one by one, and
// findings of the checker.  One run of check names every one at its line;
// SARIF and the view's page carry the same list; the packager reports the
// last error it meets and writes the files of its own exact compile.
TEST_F(ScenarioTool, OneCheckNamesEveryMistakeOfBothSources) {
  struct modifica {
    bool in_linea;
    std::string da, a;
  };
  const modifica modifiche[] = {
      {true, "ripetizione segnali 4 codici,    1000,", "ripetizione segnali 4 codici,    1010,"},
      {true, "pendenza,  2000,", "pendnza,  2000,"},
      {true, "pendenza,  6000,   18", "pendenza,  6000,   180"},
      {true, "indicatori_vmax,  9800,  80,  90,  100,", "indicatori_vmax,  9800,  80,  90,  1x0,"},
      {false, "orologio,    8 ", "orologio,    25 "},
      {false, "stazione,   10000,", "stazione,   10010,"},
      {false, "segnale,    1050,", "segnale,    300,"},
      {false, "segnale,   12000,", "segnale,    9400,"},
  };
  std::string testo_linea = colle("linea"), testo_treno = colle("treno");
  for (const modifica& m : modifiche) {
    std::string& testo = m.in_linea ? testo_linea : testo_treno;
    testo = sostituisci(testo, m.da, m.a);
  }
  const std::string l = sorgente("Colle_linea.txt", testo_linea);
  const std::string t = sorgente("Colle_R 101-.txt", testo_treno);
  const std::vector<std::string> attese = {
      l + ":9:1: error 3: signal repetition start 1010 m is not a multiple of 50 m",
      l + ":18:1: error: unknown keyword \"pendnza\" in [pendenze]: the record is lost; did you mean \"pendenza\"?",
      l + ":19:1: error 217: gradient 180 per mille is outside -100 to 155",
      l + ":28:36: error 25: record \"indicatori_vmax\", field left_speed_c: \"1x0\" is not a whole number",
      t + ":5:14: warning: orologio hours 25 h is outside its range, 0 to 23",
      t + ":16:1: error 8: station position 10010 m is not a multiple of 50 m",
      t + ":21:1: error 231: signal at 300 m is closer than 350 m to the line start",
      t + ":24:1: error 16: signal at 9400 m: cell 189 at 9450 m already holds a signal (kind 1), stored by " + t +
          ":23",
      t + ":24:1: warning: segnale at 9400 m does not come after the one on line 23 (at 9400 m): segnale records "
          "must rise in position",
  };
  esito e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101"});
  std::string atteso;
  for (const std::string& a : attese) atteso += a + "\n";
  EXPECT_EQ(e.err, atteso + "scenario: 7 errors and 2 warnings\n");
  EXPECT_EQ(e.stato, 1);

  // SARIF: the same problems, in the same order, at the same places.
  e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101", "--diagnostics-format=sarif"});
  const nlohmann::json risultati = nlohmann::json::parse(e.out)["runs"][0]["results"];
  ASSERT_EQ(risultati.size(), attese.size());
  for (size_t i = 0; i < attese.size(); ++i) {
    const nlohmann::json& r = risultati[i];
    const std::string riga = std::to_string(r["locations"][0]["physicalLocation"]["region"]["startLine"].get<int>());
    EXPECT_NE(attese[i].find(":" + riga + ":"), std::string::npos) << r.dump();
    EXPECT_NE(attese[i].find(r["message"]["text"].get<std::string>()), std::string::npos) << r.dump();
    // Only the refused signal names a holder: the signal of line 23.
    EXPECT_EQ(r.contains("relatedLocations"), i == 7) << r.dump();
  }
  const nlohmann::json titolare = risultati[7]["relatedLocations"][0]["physicalLocation"];
  EXPECT_EQ(titolare["artifactLocation"]["uri"],
            risultati[7]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]);
  EXPECT_EQ(titolare["region"]["startLine"], 23);

  // The view's page: the same list.
  const compilazione_vista v = compila_per_vista(testo_linea, testo_treno, l, t);
  ASSERT_EQ(v.diagnostiche.size(), attese.size());
  for (size_t i = 0; i < attese.size(); ++i) {
    const diagnostica_vista& d = v.diagnostiche[i];
    EXPECT_EQ(
        d.file + ":" + std::to_string(d.riga) + ":" + std::to_string(d.colonna) + ": ",
        attese[i].substr(0, d.file.size() + 2 + std::to_string(d.riga).size() + std::to_string(d.colonna).size() + 2))
        << i;
    EXPECT_NE(attese[i].find(d.messaggio), std::string::npos) << i;
  }
  EXPECT_EQ(v.errori, 7u);
  EXPECT_EQ(v.avvisi, 2u);

  // The packager stops the line source at its first error, in the general
  // section: the last error it records is that one, and compile writes the
  // files of that same exact compile.
  cartella_temporanea pacchetto;
  pacchetto.scrivi("Colle_linea.txt", testo_linea);
  pacchetto.scrivi("Colle_R 101-.txt", testo_treno);
  scenario s;
  diagnostiche d;
  s.nome_linea = "Colle";
  s.nome_treno = "R 101";
  memorizza_percorso(s, d, 1, pacchetto.percorso());
  ASSERT_NE(d.ultimo_errore(), nullptr);
  EXPECT_EQ(descrivi(*d.ultimo_errore()),
            "Colle_linea.txt:9:1: error 3: signal repetition start 1010 m is not a multiple of 50 m");
  EXPECT_EQ(d.errori(), 1u);
  e = scenario_cli({"compile", l, t, "--title", "Colle", "--train", "R 101", "--out", uscita("bin"), "--force"});
  EXPECT_EQ(e.stato, 1);
  for (const std::string& nome :
       {file_profilo("Colle"), file_stazioni("Colle", "R 101"), file_celle("Colle", "R 101")}) {
    EXPECT_EQ(leggi_file(dir / "bin" / nome), pacchetto.leggi(nome)) << nome;
  }
}

// Read on past every fault, a source of many faulty records lists the first
// 200 of each kind and counts the rest, as the checker does for its rules.
TEST_F(ScenarioTool, ErrorsPastTheBoundAreCounted) {
  std::string segnali;
  for (int i = 0; i < 250; ++i) segnali += "segnale,    5050,   2, 4, 0,  0, 0,    0,  0,0,0, 0\r\n";
  const std::string l = sorgente("l.txt", colle("linea"));
  const std::string t = sorgente("t.txt", sostituisci(colle("treno"), "[codici]", segnali + "[codici]"));
  const esito e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101"});
  EXPECT_EQ(e.stato, 1);
  size_t cella_presa = 0;
  std::istringstream righe(e.err);
  for (std::string riga; std::getline(righe, riga);) {
    cella_presa +=
        riga.find(": error 16: signal at 5050 m: cell 102 at 5100 m already holds a signal") != std::string::npos;
  }
  EXPECT_EQ(cella_presa, 200u);
  EXPECT_NE(e.err.find("\nerror: 50 more errors of rule error-16 not shown (signal on a cell already taken)\n"),
            std::string::npos)
      << e.err;
  EXPECT_NE(e.err.find("scenario: 250 errors and "), std::string::npos) << e.err;
}

// The SARIF log says how columns count, which tool and version wrote it,
// how the run ended, and counts a rule's problems past its bound as a
// property of the run: every result has a place.
TEST_F(ScenarioTool, SarifSaysItsColumnsToolVersionAndExitCodeAndCountsTheRestApart) {
  std::string segnali;
  for (int i = 0; i < 250; ++i) segnali += "segnale,    5050,   2, 4, 0,  0, 0,    0,  0,0,0, 0\r\n";
  const std::string l = sorgente("l.txt", colle("linea"));
  const std::string t = sorgente("t.txt", sostituisci(colle("treno"), "[codici]", segnali + "[codici]"));
  const esito e = scenario_cli({"check", l, t, "--title", "Colle", "--train", "R 101", "--diagnostics-format=sarif"});
  EXPECT_EQ(e.stato, 1);
  const nlohmann::json run = nlohmann::json::parse(e.out)["runs"][0];
  EXPECT_EQ(run["columnKind"], "unicodeCodePoints");
  const std::string versione = scenario_cli({"--version"}).out;
  EXPECT_EQ("scenario " + run["tool"]["driver"]["version"].get<std::string>() + "\n", versione);
  EXPECT_EQ(run["invocations"], nlohmann::json::parse(R"([{"executionSuccessful": true, "exitCode": 1}])"));
  // Each of the 250 signals at 5050 m finds its cell taken and does not come
  // after the signal before it: 200 of each rule shown, 50 of each counted.
  EXPECT_EQ(run["properties"]["notShown"],
            nlohmann::json::parse(R"([{"ruleId": "error-16", "count": 50}, {"ruleId": "out-of-order", "count": 50}])"));
  ASSERT_EQ(run["results"].size(), 400u);
  for (const auto& r : run["results"]) EXPECT_TRUE(r.contains("locations")) << r.dump();
  // A clean check ends with 0, and nothing is left unshown.
  const std::string linea = sorgente("our line.txt", testo_file(righe_linea()));
  const std::string treno = sorgente("our train.txt", testo_file(righe_treno()));
  const nlohmann::json pulito =
      nlohmann::json::parse(scenario_cli({"check", linea, treno, "--diagnostics-format=sarif"}).out)["runs"][0];
  EXPECT_EQ(pulito["invocations"][0]["exitCode"], 0);
  EXPECT_FALSE(pulito.contains("properties"));
}

// Every entry below a folder, with its size, so that a file made and
// removed again in between still shows as one that is not the same.
std::map<std::string, uintmax_t> elenco(const fs::path& cartella) {
  std::map<std::string, uintmax_t> voci;
  for (const auto& v : fs::recursive_directory_iterator(cartella)) {
    voci[v.path().string()] = v.is_regular_file() ? v.file_size() : 0;
  }
  return voci;
}

// check reads the author's sources and compiles them in memory: no file is
// created, in the temporary folder or anywhere else, even for sources with
// errors in both halves.
TEST_F(ScenarioTool, CheckCreatesNoFileAnywhere) {
  const std::string linea = sorgente("l.txt", sostituisci(colle("linea"), "pendenza,  2000", "pendenza,  2000x"));
  const std::string treno = sorgente("t.txt", colle("treno"));
  const fs::path tmp = dir / "tmp";
  fs::create_directories(tmp);
  const char* prima = std::getenv("TMPDIR");
  const std::string tmp_prima = prima == nullptr ? "" : prima;
  ::setenv("TMPDIR", tmp.c_str(), 1);
  const auto voci_prima = elenco(dir.percorso());
  std::vector<fs::path> scritti;
  imposta_guasto_scrittura([&](const fs::path& p) { scritti.push_back(p); });
  for (const char* formato : {"text", "sarif"}) {
    const esito e =
        scenario_cli({"check", linea, treno, "--title", "Colle", "--train", "R 101", "--diagnostics-format", formato});
    EXPECT_EQ(e.stato, 1) << formato;
  }
  imposta_guasto_scrittura(nullptr);
  if (prima == nullptr) {
    ::unsetenv("TMPDIR");
  } else {
    ::setenv("TMPDIR", tmp_prima.c_str(), 1);
  }
  EXPECT_TRUE(scritti.empty()) << scritti.front();
  EXPECT_EQ(elenco(dir.percorso()), voci_prima);
  EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
}  // namespace valdoro

#include "app/argomenti.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace valdoro {
namespace {

struct caso {
  std::vector<const char*> argomenti;  // after the program's name
  std::optional<int> esito;
  std::string uscita;  // the start of standard output
  std::string errore;  // all of standard error
};

TEST(Argomenti, HelpAndVersionPrintOthersAreRefused) {
  const std::string uso = "usage: valdoro [--help | --version]\n";
  const caso casi[] = {
      {{}, std::nullopt, "", ""},
      {{"--version"}, 0, "valdoro 1.0.0\n", ""},
      {{"--help"}, 0, uso + "Writes the Valdoro scenario", ""},
      {{"-h"}, 2, "", "valdoro: unknown argument \"-h\"\n" + uso},
      {{"--Version"}, 2, "", "valdoro: unknown argument \"--Version\"\n" + uso},
      {{""}, 2, "", "valdoro: unknown argument \"\"\n" + uso},
      {{"run", "--help"}, 2, "", "valdoro: unknown argument \"run\"\n" + uso},
      {{"--help", "now"}, 2, "", "valdoro: unknown argument \"now\"\n" + uso},
      {{"--version", "--version"}, 2, "", "valdoro: unknown argument \"--version\"\n" + uso},
  };
  for (const caso& c : casi) {
    std::vector<const char*> argv = {"valdoro"};
    argv.insert(argv.end(), c.argomenti.begin(), c.argomenti.end());
    std::ostringstream out, err;
    const std::optional<int> esito = rispondi_argomenti(static_cast<int>(argv.size()), argv.data(), out, err);
    const std::string nome = c.argomenti.empty() ? "(none)" : c.argomenti[0];
    EXPECT_EQ(esito, c.esito) << nome;
    EXPECT_EQ(out.str().substr(0, c.uscita.size()), c.uscita) << nome;
    if (c.uscita.empty()) {
      EXPECT_EQ(out.str(), "") << nome;
    }
    EXPECT_EQ(err.str(), c.errore) << nome;
  }
}

// In a box the help is one paragraph and one line per option, and "/?"
// asks for it as --help does; the rest answers as on the console.
TEST(Argomenti, InABoxSlashQuestionMarkIsHelpLaidOutForABox) {
  const std::string aiuto =
      "usage: valdoro [--help | --version]\n"
      "\n"
      "Writes the Valdoro scenario (line \"Valdoro\", train \"Dir 5802\") into the directory that holds this "
      "program: three binary files for the simulator and three documents for the driver. Without arguments it "
      "runs; it reads no other input.\n"
      "\n"
      "--help: print this text and exit\n"
      "--version: print the version and exit";
  const struct {
    std::vector<const char*> argomenti;
    int esito;
    std::string testo;
  } casi[] = {
      {{"--help"}, 0, aiuto},
      {{"/?"}, 0, aiuto},
      {{"--version"}, 0, "valdoro 1.0.0"},
      {{"/?", "x"}, 2, "unknown argument \"/?\"\nusage: valdoro [--help | --version]"},
      {{"/h"}, 2, "unknown argument \"/h\"\nusage: valdoro [--help | --version]"},
  };
  for (const auto& c : casi) {
    std::vector<const char*> argv = {"Valdoro.exe"};
    argv.insert(argv.end(), c.argomenti.begin(), c.argomenti.end());
    const std::optional<risposta> r = risposta_finestra(static_cast<int>(argv.size()), argv.data());
    ASSERT_TRUE(r.has_value()) << c.argomenti[0];
    EXPECT_EQ(r->esito, c.esito) << c.argomenti[0];
    EXPECT_EQ(r->testo, c.testo) << c.argomenti[0];
  }
  const char* nessuno[] = {"Valdoro.exe"};
  EXPECT_FALSE(risposta_finestra(1, nessuno).has_value());
}

}  // namespace
}  // namespace valdoro

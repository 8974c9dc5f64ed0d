#include "app/argomenti.h"

#include <string>

namespace valdoro {

namespace {

constexpr char kUso[] = "usage: valdoro [--help | --version]\n";

}  // namespace

std::optional<int> rispondi_argomenti(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc <= 1) return std::nullopt;
  const std::string primo = argv[1];
  if (argc == 2 && primo == "--version") {
    out << "valdoro " << kVersione << "\n";
    return 0;
  }
  if (argc == 2 && primo == "--help") {
    out << kUso
        << "Writes the Valdoro scenario (line \"Valdoro\", train \"Dir 5802\") into the directory that\n"
           "holds this program: three binary files for the simulator and three documents for the\n"
           "driver.  Without arguments it runs; it reads no other input.\n"
           "  --help     print this text and exit\n"
           "  --version  print the version and exit\n";
    return 0;
  }
  // "--help x": the flag is known, what follows it is not.
  const bool primo_noto = primo == "--help" || primo == "--version";
  err << "valdoro: unknown argument \"" << argv[primo_noto ? 2 : 1] << "\"\n" << kUso;
  return kUscitaUso;
}

}  // namespace valdoro

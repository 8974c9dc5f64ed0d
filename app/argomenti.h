// The command line: none runs the program, --help and --version only
// answer, anything else is refused before a file is touched.
#ifndef VALDORO_APP_ARGOMENTI_H_
#define VALDORO_APP_ARGOMENTI_H_

#include <optional>
#include <ostream>
#include <string>

namespace valdoro {

// The release, one number for every program and archive.
inline constexpr char kVersione[] = VALDORO_VERSIONE;

// Status of a command line that is refused.
constexpr int kUscitaUso = 2;

// The answer to a command line that is not a run: the exit status and the
// text, the usage or version when the status is 0, the refusal otherwise.
struct risposta {
  int esito;
  std::string testo;
};

// Empty when the program is to run.
std::optional<risposta> risposta_argomenti(int argc, const char* const* argv);

// The same for a message box (Windows): "/?", which Windows users try
// first, is --help too, and the help is laid out for a box, whose lines
// the box wraps itself: the description one paragraph, the options one
// line each, blank lines between.  A refusal keeps its console form.
std::optional<risposta> risposta_finestra(int argc, const char* const* argv);

// The same on the console: the text on out, or on err after "valdoro: ".
// Empty when the program is to run; otherwise the value is the exit status.
std::optional<int> rispondi_argomenti(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace valdoro

#endif  // VALDORO_APP_ARGOMENTI_H_

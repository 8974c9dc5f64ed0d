#include "app/argomenti.h"

#include <string>

#include "app/messaggi.h"

namespace valdoro {

namespace {

// The first line of the help.
std::string riga_uso() {
  const std::string uso = componi(messaggio::uso);
  return uso.substr(0, uso.find('\n'));
}

}  // namespace

std::optional<risposta> risposta_argomenti(int argc, const char* const* argv) {
  if (argc <= 1) return std::nullopt;
  const std::string primo = argv[1];
  if (argc == 2 && primo == "--version") return risposta{0, componi(messaggio::versione, {{"version", kVersione}})};
  if (argc == 2 && primo == "--help") return risposta{0, componi(messaggio::uso)};
  // "--help x": the flag is known, what follows it is not.
  const bool primo_noto = primo == "--help" || primo == "--version";
  return risposta{kUscitaUso, componi(messaggio::argomento_ignoto, {{"argument", argv[primo_noto ? 2 : 1]}}) +
                                  "\n" + riga_uso()};
}

std::optional<int> rispondi_argomenti(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const std::optional<risposta> r = risposta_argomenti(argc, argv);
  if (!r) return std::nullopt;
  if (r->esito == 0) {
    out << r->testo << "\n";
  } else {
    err << "valdoro: " << r->testo << "\n";
  }
  return r->esito;
}

}  // namespace valdoro

#include "app/argomenti.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/messaggi.h"

namespace valdoro {

namespace {

// The first line of the help.
std::string riga_uso() {
  const std::string uso = componi(messaggio::uso);
  return uso.substr(0, uso.find('\n'));
}

// "  --help     print this text and exit" as "--help: print this text and
// exit": a box's face is proportional, so columns of blanks do not align.
std::string opzione_per_finestra(const std::string& riga) {
  const size_t inizio = riga.find_first_not_of(' ');
  const size_t fine_nome = riga.find(' ', inizio);
  if (fine_nome == std::string::npos) return riga.substr(inizio);
  return riga.substr(inizio, fine_nome - inizio) + ": " + riga.substr(riga.find_first_not_of(' ', fine_nome));
}

// The console's help, whose lines are cut for an 80-column terminal, laid
// out for a box.
std::string uso_per_finestra(const std::string& uso) {
  std::vector<std::string> righe;
  for (size_t i = 0; i <= uso.size();) {
    const size_t fine = std::min(uso.find('\n', i), uso.size());
    righe.push_back(uso.substr(i, fine - i));
    i = fine + 1;
  }
  std::string paragrafo;
  std::string opzioni;
  for (size_t i = 1; i < righe.size(); ++i) {
    if (righe[i].rfind("  ", 0) == 0) {
      opzioni += "\n" + opzione_per_finestra(righe[i]);
    } else {
      paragrafo += (paragrafo.empty() ? "" : " ") + righe[i];
    }
  }
  for (size_t doppio = paragrafo.find("  "); doppio != std::string::npos; doppio = paragrafo.find("  ")) {
    paragrafo.erase(doppio, 1);
  }
  return righe[0] + "\n\n" + paragrafo + "\n" + opzioni;
}

}  // namespace

std::optional<risposta> risposta_finestra(int argc, const char* const* argv) {
  const bool aiuto = argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "/?");
  if (aiuto) return risposta{0, uso_per_finestra(componi(messaggio::uso))};
  return risposta_argomenti(argc, argv);
}

std::optional<risposta> risposta_argomenti(int argc, const char* const* argv) {
  if (argc <= 1) return std::nullopt;
  const std::string primo = argv[1];
  if (argc == 2 && primo == "--version") return risposta{0, componi(messaggio::versione, {{"version", kVersione}})};
  if (argc == 2 && primo == "--help") return risposta{0, componi(messaggio::uso)};
  // "--help x": the flag is known, what follows it is not.
  const bool primo_noto = primo == "--help" || primo == "--version";
  return risposta{kUscitaUso,
                  componi(messaggio::argomento_ignoto, {{"argument", argv[primo_noto ? 2 : 1]}}) + "\n" + riga_uso()};
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

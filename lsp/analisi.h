// One pair of open sources compiled and checked as `scenario check` does,
// and what the editor is told of it: the diagnostics of each source, in
// the protocol's places.
#ifndef VALDORO_LSP_ANALISI_H_
#define VALDORO_LSP_ANALISI_H_

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "compiler/diagnostica.h"
#include "lsp/documenti.h"
#include "lsp/posizioni.h"
#include "output/controllo.h"

namespace valdoro {
namespace lsp {

struct analisi {
  coppia c;
  std::string nome_linea, nome_treno;    // the compiler's names of the two sources
  std::string testo_linea, testo_treno;  // Windows-1252, as compiled
  sorgenti_controllate r;
  // What the compile found, with the characters that have no place in the
  // code page first, as check --encoding utf-8 tells them.
  std::vector<diagnostica> diagnostiche;

  // The URI a place of the compile stands in, "" for a source not open.
  std::string uri_di(const luogo& l) const;
  // The compiler's name of the source `uri` stands for.
  std::string nome_di(const std::string& uri) const;
  // The text of the source `uri` as compiled, in the code page.
  const std::string& testo_di(const std::string& uri) const;
  // Whether a diagnostic is shown on `uri`.
  bool su(const diagnostica& d, const std::string& uri) const;
};

// Compiles and checks the pair from the texts the editor holds.
analisi analizza(const coppia& c, const documenti& d);

// The protocol's range of a place of the compiler in the lines of the text
// the editor holds: from the place to the end of the item there.
nlohmann::json intervallo(const righe_testo& righe, const luogo& l);

// The protocol's diagnostic of `d`, in the source whose lines are `righe`.
nlohmann::json diagnostica_lsp(const righe_testo& righe, const diagnostica& d);

// The protocol's diagnostics of the source `uri` (its text `testo`).
nlohmann::json diagnostiche_di(const analisi& a, const std::string& uri, const std::string& testo);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_ANALISI_H_

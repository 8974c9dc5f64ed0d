// The diagnostics as one SARIF 2.1.0 log, the form editors and
// code-scanning services read.
#ifndef VALDORO_CLI_SARIF_H_
#define VALDORO_CLI_SARIF_H_

#include <string>
#include <vector>

#include "compiler/diagnostica.h"

namespace valdoro {

// A file the places name: `nome` as in the places, its file URI, and
// whether what its messages quote is Windows-1252 (the sources) or UTF-8
// already (the facts file).
struct sorgente_sarif {
  std::string nome;
  std::string uri;
  bool in_cp1252 = true;
};

// The SARIF 2.1.0 log of `d`, every rule listed; a place in none of
// `sorgenti` is left out, its message kept.
// The run's exit status is its invocation's exit code.
std::string sarif(const std::vector<diagnostica>& d, const std::vector<sorgente_sarif>& sorgenti, int stato);

// A file URI for a path in its generic form ('/' between names on every
// system), every byte but the unreserved ones and '/' and ':'
// percent-encoded: a backslash, a '%' or a byte that is no UTF-8 in a file
// name on Linux stays what it was.
std::string uri_file(const std::string& percorso_generico);

}  // namespace valdoro

#endif  // VALDORO_CLI_SARIF_H_

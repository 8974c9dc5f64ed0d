// The diagnostics as one SARIF 2.1.0 log, the form editors and
// code-scanning services read.
#ifndef VALDORO_CLI_SARIF_H_
#define VALDORO_CLI_SARIF_H_

#include <string>
#include <vector>

#include "compiler/diagnostica.h"

namespace valdoro {

// The SARIF 2.1.0 log of `d`, every rule listed; `uri_linea` and
// `uri_treno` are the file URIs of the sources that `nome_linea` and
// `nome_treno` name in the places.
// The run's exit status is its invocation's exit code.
std::string sarif(const std::vector<diagnostica>& d, const std::string& nome_linea, const std::string& uri_linea,
                  const std::string& nome_treno, const std::string& uri_treno, int stato);

// A file URI for a path in its generic form ('/' between names on every
// system), every byte but the unreserved ones and '/' and ':'
// percent-encoded: a backslash, a '%' or a byte that is no UTF-8 in a file
// name on Linux stays what it was.
std::string uri_file(const std::string& percorso_generico);

}  // namespace valdoro

#endif  // VALDORO_CLI_SARIF_H_

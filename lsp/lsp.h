// `scenario lsp`: the language server on a pair of streams, until the
// client says exit or goes away.
#ifndef VALDORO_LSP_LSP_H_
#define VALDORO_LSP_LSP_H_

#include <istream>
#include <ostream>

#include "lsp/server.h"

namespace valdoro {
namespace lsp {

// Serves the messages of `in`, answering on `out`.  Returns the process's
// status: 0 after shutdown and exit, 1 when the client ended otherwise.
int esegui(std::istream& in, std::ostream& out, server::lettore_file leggi);

// The settings file's reader for the real server: a small regular file.
server::lettore_file lettore_disco();

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_LSP_H_

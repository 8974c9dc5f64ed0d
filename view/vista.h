// `scenario view`: a page on the loopback interface that shows a pair of
// sources built, their diagnostics and pictures, and follows every save.
#ifndef VALDORO_VIEW_VISTA_H_
#define VALDORO_VIEW_VISTA_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "view/vista_dati.h"

namespace valdoro {

struct opzioni_vista {
  std::string linea, treno;
  uint16_t porta = 0;              // 0: the system picks one
  bool apri = false;               // start the user's browser on the page
  std::string titolo, nome_treno;  // empty: those the sources' names carry
  std::string fatti;               // --facts; empty: the one beside the sources (fatti_accanto), if there
};

// Serves until SIGINT, SIGTERM or SIGHUP (on Windows Ctrl+C or the console
// closing); the page's address goes to `out` once it answers.  Returns the
// exit status.  Throws when the port cannot be taken.
int servi_vista(const opzioni_vista& o, std::ostream& out, std::ostream& err);

// Whether a request's Host header names this server: the loopback address
// or localhost with the server's port.  Any other name, however it resolves,
// may be a page elsewhere reading ours through a name rebound to 127.0.0.1.
bool host_ammesso(std::string_view host, uint16_t porta);

// Whether a request carries the server's token, in the cookie named `nome`
// (its `Cookie` header) or as `token=` in the query of its target: only
// the author, who was given the address, has it.
bool gettone_ammesso(std::string_view cookie, std::string_view target, std::string_view nome, std::string_view gettone);

// The cookie that keeps the token.  Browsers keep cookies by host, not by
// port: each server's is named for its port, so that two views open at
// once do not take each other's place.
std::string nome_cookie(uint16_t porta);

// The numbering of a line as the page's "go to" box needs it, and what the
// page shows of one compile: JSON, UTF-8.  `attese` names the sources being
// waited for; `testo_linea`/`testo_treno` give the lines around each
// diagnostic.
std::string stato_json(const compilazione_vista& c, const std::string& testo_linea, const std::string& testo_treno,
                       const std::string& file_linea, const std::string& file_treno,
                       const std::vector<std::string>& attese, uint64_t versione);

// The page, its script and its style, served as they are.
extern const char kPaginaVista[];
extern const char kScriptVista[];
extern const char kStileVista[];

}  // namespace valdoro

#endif  // VALDORO_VIEW_VISTA_H_

// From a request to what the view's server answers, in one function that
// needs no socket: the token, the Host, the method, then the page's own
// paths.  The server only carries the answer out.
#ifndef VALDORO_VIEW_INSTRADA_H_
#define VALDORO_VIEW_INSTRADA_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace valdoro {

// What a request says that the answer depends on.
struct richiesta_vista {
  bool get = true;
  std::string_view target;  // path and query
  std::string_view cookie;
  std::string_view host;
};

// Who the server is: its port and its token.
struct identita_vista {
  uint16_t porta = 0;
  std::string gettone;
};

enum class cosa_risposta : uint8_t {
  testo,   // `corpo`, as it is
  stato,   // the state of the last compile, shared by every client
  flusso,  // the event stream
};

struct risposta_vista {
  int codice = 200;
  cosa_risposta cosa = cosa_risposta::testo;
  const char* tipo = "text/plain; charset=utf-8";
  std::string_view corpo;   // for `testo`: lives for ever
  bool con_cookie = false;  // the page sets the token's cookie
};

risposta_vista instrada(const richiesta_vista& r, const identita_vista& chi);

}  // namespace valdoro

#endif  // VALDORO_VIEW_INSTRADA_H_

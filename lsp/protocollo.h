// JSON-RPC messages over a byte stream, each behind a header block that
// gives its Content-Length, as an editor's language client speaks them.
// The reader never holds more than one message, and never more than its
// bound: a client that sends garbage, a wrong length or a huge message
// costs an error answer, not the server.
#ifndef VALDORO_LSP_PROTOCOLLO_H_
#define VALDORO_LSP_PROTOCOLLO_H_

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "util/file.h"

namespace valdoro {
namespace lsp {

// A message may carry a whole source, as large as the tools read, and its
// JSON escapes around it.
inline constexpr size_t kMassimoMessaggio = static_cast<size_t>(kLimiteIngresso) + (size_t{1} << 20);
// No header line of a well-behaved client comes near this.
inline constexpr size_t kMassimaRigaIntestazione = 4096;

struct messaggio_letto {
  enum class tipo {
    corpo,   // `testo` is the message's body
    guasto,  // the framing was wrong; `testo` says how, and the reader has moved past it
    fine,    // the stream has ended
  };
  tipo t = tipo::fine;
  std::string testo;
};

class lettore_messaggi {
 public:
  explicit lettore_messaggi(std::istream& in, size_t massimo = kMassimoMessaggio) : in_(in), massimo_(massimo) {}
  messaggio_letto prossimo();

 private:
  enum class riga_letta { piena, vuota, troppo_lunga, fine };
  riga_letta leggi_riga(std::string& riga);
  // Past a header block the reader could not make sense of, what follows
  // is read only from the next "Content-Length:" on.
  bool cerca_intestazione();
  bool salta(uint64_t n);

  std::istream& in_;
  size_t massimo_;
  bool sfasato_ = false;
  std::string riporto_;  // what a search for the next header has already read of it
};

// The message `corpo` with its header block, as it goes on the stream.
std::string incornicia(const std::string& corpo);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_PROTOCOLLO_H_

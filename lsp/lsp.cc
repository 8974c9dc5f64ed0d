#include "lsp/lsp.h"

#include <filesystem>

#include "lsp/protocollo.h"
#include "util/file.h"

namespace valdoro {
namespace lsp {

namespace {

// A settings file names a few pairs: anything larger is no settings file.
constexpr std::uintmax_t kMassimoImpostazioni = 64 * 1024;

}  // namespace

int esegui(std::istream& in, std::ostream& out, server::lettore_file leggi) {
  server s(std::move(leggi));
  lettore_messaggi lettore(in);
  while (!s.finito()) {
    const messaggio_letto m = lettore.prossimo();
    if (m.t == messaggio_letto::tipo::fine) break;
    const std::vector<std::string> uscite = m.t == messaggio_letto::tipo::corpo ? s.ricevi(m.testo) : s.guasto(m.testo);
    try {
      for (const std::string& u : uscite) out << incornicia(u);
      out.flush();
    } catch (const std::exception&) {
      // The client has gone: what could not be written is dropped, and
      // the stream is left usable for whoever flushes it next.
      out.clear();
      break;
    }
    if (!out) break;
  }
  return s.esito();
}

server::lettore_file lettore_disco() {
  return [](const std::string& percorso) -> std::optional<std::string> {
    const std::filesystem::path p = std::filesystem::u8path(percorso);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) return std::nullopt;
    try {
      return leggi_file(p, collegamento::segui, kMassimoImpostazioni);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  };
}

}  // namespace lsp
}  // namespace valdoro

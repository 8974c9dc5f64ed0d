// A scripted exchange with the language server, for the tests: messages in
// as JSON, what the server sends back parsed, and the colle scenario of
// testing/testdata open under the names `init` gives its sources.
#ifndef VALDORO_LSP_SESSIONE_PROVA_H_
#define VALDORO_LSP_SESSIONE_PROVA_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/server.h"
#include "util/cp1252.h"
#include "util/file.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

// The hand-written small scenario (20 km, three stations), as UTF-8 the
// editor holds.
inline std::string colle(const std::string& parte) {
  return da_cp1252(
      leggi_file(std::filesystem::path(VALDORO_SOURCE_DIR) / "testing" / "testdata" / ("colle_" + parte + ".txt")));
}

inline std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
  const size_t p = testo.find(da);
  EXPECT_NE(p, std::string::npos) << da;
  if (p != std::string::npos) testo.replace(p, da.size(), a);
  return testo;
}

inline constexpr char kUriLinea[] = "file:///progetto/Colle_linea.txt";
inline constexpr char kUriTreno[] = "file:///progetto/Colle_R%20101-.txt";

class sessione {
 public:
  explicit sessione(server::lettore_file leggi = {}, size_t limite = static_cast<size_t>(kLimiteIngresso))
      : s(std::move(leggi), limite) {}

  std::vector<json> manda(const json& m) { return testo(m.dump()); }
  std::vector<json> testo(const std::string& corpo) {
    std::vector<json> r;
    for (const std::string& x : s.ricevi(corpo)) r.push_back(json::parse(x));
    return r;
  }
  // The one answer to request `id`.
  json chiedi(int id, const std::string& metodo, const json& parametri) {
    const std::vector<json> r = manda({{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", parametri}});
    EXPECT_EQ(r.size(), 1u) << metodo;
    return r.empty() ? json() : r.front();
  }
  std::vector<json> notifica(const std::string& metodo, const json& parametri) {
    return manda({{"jsonrpc", "2.0"}, {"method", metodo}, {"params", parametri}});
  }
  void inizia() {
    chiedi(1, "initialize", {{"processId", nullptr}, {"capabilities", json::object()}});
    notifica("initialized", json::object());
  }
  std::vector<json> apri(const std::string& uri, const std::string& testo, int versione = 1) {
    return notifica(
        "textDocument/didOpen",
        {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", versione}, {"text", testo}}}});
  }
  std::vector<json> cambia(const std::string& uri, const std::string& testo, int versione) {
    return notifica("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", versione}}},
                                               {"contentChanges", json::array({{{"text", testo}}})}});
  }
  // Both colle sources, as init names them.
  void apri_colle() {
    apri(kUriLinea, colle("linea"));
    apri(kUriTreno, colle("treno"));
  }

  server s;
};

// The diagnostics published for `uri` among `messaggi`; a null json when
// none were.
inline json diagnostiche_per(const std::vector<json>& messaggi, const std::string& uri) {
  json r;
  for (const json& m : messaggi) {
    if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
      r = m["params"]["diagnostics"];
  }
  return r;
}

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_SESSIONE_PROVA_H_

// The language server's answers, one message at a time: what comes in is
// the body of one JSON-RPC message, what goes out is the list of messages
// to send back (answers, diagnostics, log lines), each a JSON text.  No
// input or output of its own: the stream is protocollo.h's, so every
// exchange can be scripted in a test.
#ifndef VALDORO_LSP_SERVER_H_
#define VALDORO_LSP_SERVER_H_

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "lsp/analisi.h"
#include "lsp/documenti.h"
#include "util/file.h"

namespace valdoro {
namespace lsp {

// JSON-RPC's and the protocol's error codes.
inline constexpr int kErroreAnalisi = -32700;  // ParseError
inline constexpr int kRichiestaNonValida = -32600;
inline constexpr int kMetodoIgnoto = -32601;
inline constexpr int kParametriNonValidi = -32602;
inline constexpr int kErroreInterno = -32603;
inline constexpr int kNonInizializzato = -32002;

// Nesting past this is refused before parsing: no editor's message nests
// a tenth as deep, and a parser must not be walked into the stack's end.
inline constexpr int kMassimaProfondita = 128;

class server {
 public:
  // Reads a small file by path, nullopt when there is none: how the
  // settings beside the sources are found.  Without it, none are.
  using lettore_file = std::function<std::optional<std::string>(const std::string& percorso)>;
  // `limite`: the largest source kept, in bytes.
  explicit server(lettore_file leggi = {}, size_t limite = static_cast<size_t>(kLimiteIngresso));

  // The messages to send for the body of one message received.
  std::vector<std::string> ricevi(const std::string& corpo);
  // What is sent for a message the stream could not deliver whole.
  std::vector<std::string> guasto(const std::string& motivo);

  // "exit" has come: the loop ends, with esito() as the process's status
  // (0 after a shutdown, 1 without one).
  bool finito() const { return finito_; }
  int esito() const { return arrestato_ ? 0 : 1; }

  // The capabilities answered to initialize.
  static nlohmann::json capacita();

 private:
  using json = nlohmann::json;

  struct funzione {
    json (*f)(const analisi& a, const documento& d, const json& parametri);
    json vuoto;  // the answer for a source that is not open
  };
  static const std::map<std::string, funzione>& funzioni();

  void richiesta(const json& id, const std::string& metodo, const json& parametri);
  void notifica(const std::string& metodo, const json& parametri);
  json rispondi(const std::string& metodo, const json& parametri);

  void apri(const json& p);
  void cambia(const json& p);
  void chiudi(const json& p);
  // Compiles again what `uri` pairs with, and whatever else its folder
  // pairs differently now; tells the editor.
  void ricontrolla(const std::string& uri);
  void pubblica(const std::string& uri);

  // The analysis and the text of an open source, for the features.
  const analisi* analisi_di(const std::string& uri) const;

  void invia(const json& messaggio);
  void errore(const json& id, int codice, const std::string& testo);
  // A line of the client's log; a message the author sees.
  void registra(int tipo, const std::string& testo);
  void avvisa(int tipo, const std::string& testo);

  lettore_file leggi_;
  size_t limite_;
  documenti documenti_;
  // Each open source's last analysis, shared by the two of a pair: one per
  // open pair, replaced at every change, so memory stays that of the texts.
  std::map<std::string, std::shared_ptr<const analisi>> analisi_;
  std::vector<std::string> uscita_;
  bool iniziato_ = false, arrestato_ = false, finito_ = false;
};

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_SERVER_H_

#include "lsp/server.h"

#include <set>
#include <stdexcept>
#include <utility>

#include "lsp/completamento.h"
#include "lsp/correzioni.h"
#include "lsp/simboli.h"
#include "lsp/formattazione.h"
#include "lsp/hover.h"
#include "util/cp1252.h"
#include "util/file.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

// A fault of one message, answered with its code; the server goes on.
struct errore_rpc : std::runtime_error {
  errore_rpc(int codice, const std::string& testo) : std::runtime_error(testo), codice(codice) {}
  int codice;
};

// How deep the body nests, counted outside strings, up to just past `tetto`.
int profondita(const std::string& corpo, int tetto) {
  int livello = 0, massimo = 0;
  bool in_testo = false, escape = false;
  for (char c : corpo) {
    if (in_testo) {
      if (escape) {
        escape = false;
      } else if (c == '\\') {
        escape = true;
      } else if (c == '"') {
        in_testo = false;
      }
      continue;
    }
    if (c == '"') {
      in_testo = true;
    } else if (c == '[' || c == '{') {
      massimo = std::max(massimo, ++livello);
      if (massimo > tetto) return massimo;
    } else if (c == ']' || c == '}') {
      --livello;
    }
  }
  return massimo;
}

const json& campo(const json& j, const char* nome) {
  if (!j.is_object()) throw errore_rpc(kParametriNonValidi, "params must be an object");
  const auto it = j.find(nome);
  if (it == j.end()) throw errore_rpc(kParametriNonValidi, std::string("\"") + nome + "\" is missing");
  return *it;
}

std::string testo(const json& j, const char* nome) {
  const json& v = campo(j, nome);
  if (!v.is_string()) throw errore_rpc(kParametriNonValidi, std::string("\"") + nome + "\" must be a string");
  return v.get<std::string>();
}

int64_t intero(const json& j, const char* nome) {
  const json& v = campo(j, nome);
  if (!v.is_number_integer()) throw errore_rpc(kParametriNonValidi, std::string("\"") + nome + "\" must be an integer");
  return v.get<int64_t>();
}

std::string uri_di(const json& p) { return testo(campo(p, "textDocument"), "uri"); }

// A protocol place; out-of-range numbers are clamped, as the place then
// falls at the line's end or the text's.
posizione posizione_di(const json& p) {
  const json& x = campo(p, "position");
  const int64_t riga = intero(x, "line"), carattere = intero(x, "character");
  auto taglia = [](int64_t v) { return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(v, INT32_MAX))); };
  return {taglia(riga), taglia(carattere)};
}

// Applies one content change: the whole text, or a range of it replaced.
void applica(std::string& testo_doc, const json& modifica) {
  const std::string nuovo = testo(modifica, "text");
  const auto r = modifica.find("range");
  if (r == modifica.end() || r->is_null()) {
    testo_doc = nuovo;
    return;
  }
  const righe_testo righe(testo_doc);
  const size_t da = righe.scostamento(posizione_di({{"position", campo(*r, "start")}}));
  const size_t a = std::max(da, righe.scostamento(posizione_di({{"position", campo(*r, "end")}})));
  testo_doc.replace(da, a - da, nuovo);
}

json richiesta_azioni(const analisi& a, const documento& d, const json& p) {
  const json& r = campo(p, "range");
  const posizione da = posizione_di({{"position", campo(r, "start")}});
  const posizione fino = posizione_di({{"position", campo(r, "end")}});
  return azioni(a, d.uri, d.testo, da, fino);
}

json richiesta_hover(const analisi& a, const documento& d, const json& p) {
  return hover(a, d.uri, d.testo, posizione_di(p));
}

json richiesta_formattazione(const analisi& a, const documento& d, const json&) { return formatta(a, d.uri, d.testo); }

json richiesta_simboli(const analisi& a, const documento& d, const json&) { return simboli(a, d.uri, d.testo); }

json richiesta_completamento(const analisi& a, const documento& d, const json& p) {
  const formato::quale q = d.uri == a.c.uri_linea ? formato::quale::linea : formato::quale::treno;
  return completa(q, d.testo, posizione_di(p));
}

}  // namespace

// What each feature answers, from the analysis of an open source.
const std::map<std::string, server::funzione>& server::funzioni() {
  static const std::map<std::string, funzione> f = {
      {"textDocument/codeAction", {richiesta_azioni, json::array()}},
      {"textDocument/hover", {richiesta_hover, nullptr}},
      {"textDocument/documentSymbol", {richiesta_simboli, json::array()}},
      {"textDocument/completion", {richiesta_completamento, json::array()}},
      {"textDocument/formatting", {richiesta_formattazione, json::array()}},
  };
  return f;
}

server::server(lettore_file leggi, size_t limite) : leggi_(std::move(leggi)), limite_(limite), documenti_(limite) {}

json server::capacita() {
  // The whole text at every change: a source is small, and the compile
  // reads it whole anyway.
  return {{"positionEncoding", "utf-16"},
          {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
          {"hoverProvider", true},
          {"completionProvider", {{"triggerCharacters", {"["}}, {"resolveProvider", false}}},
          {"documentSymbolProvider", true},
          {"documentFormattingProvider", true},
          {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}};
}

void server::invia(const json& messaggio) {
  // Every text sent is UTF-8 already; a stray byte must not end the server.
  uscita_.push_back(messaggio.dump(-1, ' ', false, json::error_handler_t::replace));
}

void server::errore(const json& id, int codice, const std::string& testo) {
  invia({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", codice}, {"message", testo}}}});
}

void server::registra(int tipo, const std::string& testo) {
  invia({{"jsonrpc", "2.0"}, {"method", "window/logMessage"}, {"params", {{"type", tipo}, {"message", testo}}}});
}

void server::avvisa(int tipo, const std::string& testo) {
  invia({{"jsonrpc", "2.0"}, {"method", "window/showMessage"}, {"params", {{"type", tipo}, {"message", testo}}}});
}

std::vector<std::string> server::guasto(const std::string& motivo) {
  uscita_.clear();
  errore(nullptr, kRichiestaNonValida, motivo);
  return std::move(uscita_);
}

std::vector<std::string> server::ricevi(const std::string& corpo) {
  uscita_.clear();
  if (profondita(corpo, kMassimaProfondita) > kMassimaProfondita) {
    errore(nullptr, kRichiestaNonValida, "a message nested deeper than " + std::to_string(kMassimaProfondita));
    return std::move(uscita_);
  }
  const json m = json::parse(corpo, nullptr, false);
  if (m.is_discarded()) {
    errore(nullptr, kErroreAnalisi, "the message is not JSON");
    return std::move(uscita_);
  }
  const bool ha_id = m.is_object() && m.contains("id") && (m["id"].is_number_integer() || m["id"].is_string());
  const json id = ha_id ? m["id"] : json(nullptr);
  if (!m.is_object() || !m.contains("method") || !m["method"].is_string()) {
    // A client's answer to a request of ours: there are none.
    if (m.is_object() && !m.contains("method") && (m.contains("result") || m.contains("error"))) return {};
    errore(id, kRichiestaNonValida, "a message must be an object with a \"method\" string");
    return std::move(uscita_);
  }
  const std::string metodo = m["method"].get<std::string>();
  const json parametri = m.contains("params") ? m["params"] : json::object();
  if (m.contains("id") && !ha_id) {
    errore(nullptr, kRichiestaNonValida, "an id must be a number or a string");
  } else if (ha_id) {
    richiesta(id, metodo, parametri);
  } else {
    notifica(metodo, parametri);
  }
  return std::move(uscita_);
}

void server::richiesta(const json& id, const std::string& metodo, const json& parametri) {
  if (!iniziato_ && metodo != "initialize") return errore(id, kNonInizializzato, "the server is not initialized");
  if (arrestato_) return errore(id, kRichiestaNonValida, "the server has been shut down");
  try {
    const json risultato = rispondi(metodo, parametri);
    invia({{"jsonrpc", "2.0"}, {"id", id}, {"result", risultato}});
  } catch (const errore_rpc& e) {
    errore(id, e.codice, e.what());
  } catch (const json::exception& e) {
    errore(id, kParametriNonValidi, e.what());
  } catch (const std::exception& e) {
    errore(id, kErroreInterno, e.what());
  }
}

json server::rispondi(const std::string& metodo, const json& parametri) {
  if (metodo == "initialize") {
    if (!parametri.is_object()) throw errore_rpc(kParametriNonValidi, "params must be an object");
    iniziato_ = true;
    return {{"capabilities", capacita()}, {"serverInfo", {{"name", "scenario"}, {"version", VALDORO_VERSIONE}}}};
  }
  if (metodo == "shutdown") {
    arrestato_ = true;
    return nullptr;
  }
  const auto funzione = funzioni().find(metodo);
  if (funzione != funzioni().end()) {
    const std::string uri = uri_di(parametri);
    const documento* d = documenti_.trova(uri);
    const analisi* a = analisi_di(uri);
    // A source not open (or refused as too large) has nothing to show.
    if (d == nullptr || a == nullptr) return funzione->second.vuoto;
    return funzione->second.f(*a, *d, parametri);
  }
  throw errore_rpc(kMetodoIgnoto, "unknown method " + metodo);
}

void server::notifica(const std::string& metodo, const json& parametri) {
  if (metodo == "exit") {
    finito_ = true;
    return;
  }
  if (!iniziato_ || arrestato_) return;
  try {
    if (metodo == "textDocument/didOpen") return apri(parametri);
    if (metodo == "textDocument/didChange") return cambia(parametri);
    if (metodo == "textDocument/didClose") return chiudi(parametri);
    // Anything else ("initialized", "$/cancelRequest", saves...) needs
    // nothing from this server.
  } catch (const errore_rpc& e) {
    registra(1, metodo + ": " + e.what());
  } catch (const json::exception& e) {
    registra(1, metodo + ": " + e.what());
  } catch (const std::exception& e) {
    registra(1, metodo + ": " + e.what());
  }
}

void server::apri(const json& p) {
  const json& d = campo(p, "textDocument");
  const std::string uri = testo(d, "uri");
  // The settings beside the source are read as it opens, so an edit to
  // them counts from the next source opened.
  if (leggi_) {
    if (const std::optional<std::string> percorso = percorso_uri(cartella_uri(uri) + "/" + kFileImpostazioni)) {
      if (const std::optional<std::string> t = leggi_(*percorso)) {
        std::string sbaglio;
        documenti_.imposta_coppie(cartella_uri(uri), leggi_impostazioni(*t, &sbaglio));
        if (!sbaglio.empty()) registra(1, sbaglio);
      }
    }
  }
  if (!documenti_.apri(uri, testo(d, "text"), intero(d, "version"))) {
    avvisa(1, nome_uri(uri) + " is larger than a source may be (" + std::to_string(limite_) +
                  " bytes): it is not checked");
  }
  ricontrolla(uri);
}

void server::cambia(const json& p) {
  const json& d = campo(p, "textDocument");
  const std::string uri = testo(d, "uri");
  const documento* x = documenti_.trova(uri);
  if (x == nullptr) throw errore_rpc(kParametriNonValidi, uri + " is not open");
  const json& modifiche = campo(p, "contentChanges");
  if (!modifiche.is_array()) throw errore_rpc(kParametriNonValidi, "\"contentChanges\" must be an array");
  std::string t = x->testo;
  for (const json& m : modifiche) applica(t, m);
  if (!documenti_.cambia(uri, std::move(t), intero(d, "version"))) {
    avvisa(1, nome_uri(uri) + " has grown larger than a source may be (" + std::to_string(limite_) +
                  " bytes): it is no longer checked");
  }
  ricontrolla(uri);
}

void server::chiudi(const json& p) {
  const std::string uri = uri_di(p);
  documenti_.chiudi(uri);
  ricontrolla(uri);
}

void server::ricontrolla(const std::string& uri) {
  std::set<std::string> fatti;
  auto controlla = [&](const std::string& u) {
    if (fatti.count(u) != 0 || documenti_.trova(u) == nullptr) return;
    const coppia c = documenti_.coppia_di(u);
    auto a = std::make_shared<const analisi>(analizza(c, documenti_));
    for (const std::string& x : {c.uri_linea, c.uri_treno}) {
      if (x.empty()) continue;
      analisi_[x] = a;
      fatti.insert(x);
    }
  };
  if (documenti_.trova(uri) == nullptr) {
    // A source closed or refused: its problems go with it.
    analisi_.erase(uri);
    invia({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
  }
  controlla(uri);
  // What else of the folder pairs otherwise now (its partner closed, a
  // second train opened) is compiled again too.
  const std::string cartella = cartella_uri(uri);
  for (const auto& [u, a] : analisi_) {
    if (cartella_uri(u) != cartella || fatti.count(u) != 0) continue;
    if (!(a->c == documenti_.coppia_di(u))) controlla(u);
  }
  for (const std::string& u : fatti) pubblica(u);
}

void server::pubblica(const std::string& uri) {
  const documento* d = documenti_.trova(uri);
  const analisi* a = analisi_di(uri);
  if (d == nullptr || a == nullptr) return;
  invia({{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params", {{"uri", uri}, {"version", d->versione}, {"diagnostics", diagnostiche_di(*a, uri, d->testo)}}}});
}

const analisi* server::analisi_di(const std::string& uri) const {
  const auto it = analisi_.find(uri);
  return it == analisi_.end() ? nullptr : it->second.get();
}

}  // namespace lsp
}  // namespace valdoro

// The server of `scenario view`: one thread, one io_context.  The sources
// are looked at every 25 ms; a change that has settled is compiled at once
// and announced to every open page through its event stream, and the page
// fetches the new state.
#include "tools/vista.h"

#include <algorithm>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/vista_sistema.h"
#include "util/file.h"

namespace valdoro {

namespace {

namespace fs = std::filesystem;
namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using namespace std::chrono_literals;

constexpr auto kIntervallo = 25ms;          // between looks at the sources
constexpr auto kScritturaLunga = 200ms;     // a source changing this long is shown as being written
constexpr auto kAttesaRichiesta = 30s;      // for a request's header, and for any write
constexpr auto kBattito = 15s;              // a comment down every event stream: a vanished client shows
constexpr size_t kFlussiMassimi = 32;       // open event streams
constexpr size_t kConnessioniMassime = 256; // open connections of every kind
constexpr size_t kCodaMassima = 16;         // events queued for one stream that does not read them
constexpr uint32_t kIntestazioneMassima = 16 * 1024;

class server;

// Every open connection, so that the end of the server can close them all.
class connessione {
 public:
  virtual ~connessione() = default;
  virtual void chiudi() = 0;
};

// ---- the sources -----------------------------------------------------------

struct sorgente {
  std::string nome;  // as the author gave it
  fs::path percorso;
  firma_file firma;
  bool da_compilare = true;
  std::chrono::steady_clock::time_point cambiata{};
};

class server {
 public:
  server(net::io_context& io, const opzioni_vista& o)
      : io_(io), acceptor_(io), controllo_(io), battito_(io), segnali_(io) {
    sorgenti_[0].nome = o.linea;
    sorgenti_[0].percorso = fs::u8path(o.linea);
    sorgenti_[1].nome = o.treno;
    sorgenti_[1].percorso = fs::u8path(o.treno);
    const tcp::endpoint dove(net::ip::address_v4::loopback(), o.porta);
    acceptor_.open(dove.protocol());
#ifndef _WIN32
    // A port given again after a stop is free though connections of the
    // last run linger; on Windows the same option would let another
    // program take the port from under the server.
    acceptor_.set_option(tcp::acceptor::reuse_address(true));
#endif
    acceptor_.bind(dove);
    acceptor_.listen();
    porta_ = acceptor_.local_endpoint().port();
  }

  uint16_t porta() const { return porta_; }

  void avvia() {
    segnali_.add(SIGINT);
    segnali_.add(SIGTERM);
#ifdef SIGHUP
    segnali_.add(SIGHUP);
#endif
    segnali_.async_wait([this](beast::error_code ec, int) {
      if (!ec) ferma();
    });
    for (sorgente& s : sorgenti_) s.firma = firma_di(s.percorso);
    aggiorna();
    accetta();
    guarda();
    batti();
  }

  // Closes everything; io_context::run returns once the last handler has.
  void ferma() {
    if (fermato_) return;
    fermato_ = true;
    beast::error_code ec;
    acceptor_.close(ec);
    controllo_.cancel();
    battito_.cancel();
    segnali_.cancel(ec);
    const std::set<connessione*> aperte = connessioni_;
    for (connessione* c : aperte) c->chiudi();
  }

  bool host_ammesso(std::string_view host) const { return valdoro::host_ammesso(host, porta_); }
  bool gettone_ammesso(std::string_view cookie, std::string_view target) const {
    return valdoro::gettone_ammesso(cookie, target, nome_cookie(porta_), gettone_);
  }
  // What the page's answer sets: the browser sends the token back on every
  // request of the page, and no script, nor any other site, can read it.
  std::string cookie() const {
    return nome_cookie(porta_) + "=" + gettone_ + "; Path=/; HttpOnly; SameSite=Strict";
  }
  const std::string& gettone() const { return gettone_; }
  const std::string& stato() const { return stato_; }
  uint64_t versione() const { return versione_; }

  void registra(connessione* c) { connessioni_.insert(c); }
  void togli(connessione* c) { connessioni_.erase(c); }
  size_t connessioni() const { return connessioni_.size(); }

  class flusso;
  bool posto_per_flusso() const { return !fermato_ && flussi_.size() < kFlussiMassimi; }
  void registra_flusso(flusso* f) { flussi_.insert(f); }
  void togli_flusso(flusso* f) { flussi_.erase(f); }

 private:
  void accetta();
  void guarda();
  void batti();
  void aggiorna();
  void annuncia(const std::shared_ptr<const std::string>& evento);

  net::io_context& io_;
  tcp::acceptor acceptor_;
  net::steady_timer controllo_, battito_;
  net::signal_set segnali_;
  uint16_t porta_ = 0;
  const std::string gettone_ = gettone_casuale();
  bool fermato_ = false;
  sorgente sorgenti_[2];
  bool in_attesa_annunciata_ = false;
  std::optional<compilazione_vista> ultima_;  // the last compile: its picture stays while a source is away
  std::string testi_[2];
  std::string stato_;
  uint64_t versione_ = 0;
  std::set<connessione*> connessioni_;
  std::set<flusso*> flussi_;
};

// ---- an event stream ---------------------------------------------------------

class server::flusso : public connessione, public std::enable_shared_from_this<server::flusso> {
 public:
  flusso(server& srv, beast::tcp_stream stream) : srv_(srv), stream_(std::move(stream)) { srv_.registra(this); }
  ~flusso() override {
    srv_.togli_flusso(this);
    srv_.togli(this);
  }

  void avvia(unsigned versione_http) {
    risposta_.version(versione_http);
    risposta_.result(http::status::ok);
    risposta_.set(http::field::content_type, "text/event-stream");
    risposta_.set(http::field::cache_control, "no-store");
    risposta_.keep_alive(false);
    serializzatore_.emplace(risposta_);
    stream_.expires_after(kAttesaRichiesta);
    http::async_write_header(stream_, *serializzatore_,
                             [self = shared_from_this()](beast::error_code ec, size_t) { self->scritta_testa(ec); });
  }

  void manda(std::shared_ptr<const std::string> evento) {
    if (chiuso_) return;
    // A client that reads nothing is let go rather than queued for.
    if (coda_.size() >= kCodaMassima) return chiudi();
    coda_.push_back(std::move(evento));
    if (coda_.size() == 1 && testa_scritta_) scrivi();
  }

  void chiudi() override {
    if (chiuso_) return;
    chiuso_ = true;
    srv_.togli_flusso(this);
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
    stream_.socket().close(ec);
  }

 private:
  void scritta_testa(beast::error_code ec) {
    if (ec) return chiudi();
    testa_scritta_ = true;
    // Anything the client sends, or its going away, ends the stream.
    stream_.expires_never();
    stream_.socket().async_read_some(net::buffer(scarto_), [self = shared_from_this()](beast::error_code, size_t) {
      self->chiudi();
    });
    if (!coda_.empty()) scrivi();
  }

  void scrivi() {
    net::async_write(stream_.socket(), net::buffer(*coda_.front()),
                     [self = shared_from_this()](beast::error_code ec, size_t) {
                       if (ec) return self->chiudi();
                       self->coda_.pop_front();
                       if (!self->coda_.empty()) self->scrivi();
                     });
  }

  server& srv_;
  beast::tcp_stream stream_;
  http::response<http::empty_body> risposta_;
  std::optional<http::response_serializer<http::empty_body>> serializzatore_;
  std::deque<std::shared_ptr<const std::string>> coda_;
  char scarto_[512];
  bool testa_scritta_ = false;
  bool chiuso_ = false;
};

// ---- one HTTP connection -------------------------------------------------------

class sessione : public connessione, public std::enable_shared_from_this<sessione> {
 public:
  sessione(server& srv, tcp::socket socket) : srv_(srv), stream_(std::move(socket)) { srv_.registra(this); }
  ~sessione() override { srv_.togli(this); }

  void leggi() {
    parser_.emplace();
    parser_->header_limit(kIntestazioneMassima);
    parser_->body_limit(0);
    stream_.expires_after(kAttesaRichiesta);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, size_t) { self->letta(ec); });
  }

  void chiudi() override {
    chiuso_ = true;
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
    stream_.socket().close(ec);
  }

 private:
  void letta(beast::error_code ec) {
    if (ec || chiuso_) return chiudi();
    const http::request<http::empty_body>& r = parser_->get();
    // Nothing, not even why, for a request without the token: another user
    // of the machine learns nothing of the server.
    const beast::string_view cookie = r[http::field::cookie];
    if (!srv_.gettone_ammesso(std::string_view(cookie.data(), cookie.size()),
                              std::string_view(r.target().data(), r.target().size()))) {
      return rispondi(http::status::forbidden, "text/plain; charset=utf-8", "");
    }
    const beast::string_view host = r[http::field::host];
    if (!srv_.host_ammesso(std::string_view(host.data(), host.size()))) {
      return rispondi(http::status::forbidden, "text/plain; charset=utf-8", "this server answers only to its own address\n");
    }
    if (r.method() != http::verb::get) {
      return rispondi(http::status::method_not_allowed, "text/plain; charset=utf-8", "only GET\n");
    }
    // The paths are names of the page's own parts, never of files.
    std::string_view percorso(r.target().data(), r.target().size());
    percorso = percorso.substr(0, percorso.find('?'));
    if (percorso == "/") return rispondi(http::status::ok, "text/html; charset=utf-8", kPaginaVista, true);
    if (percorso == "/vista.js") return rispondi(http::status::ok, "text/javascript; charset=utf-8", kScriptVista);
    if (percorso == "/vista.css") return rispondi(http::status::ok, "text/css; charset=utf-8", kStileVista);
    if (percorso == "/state") return rispondi(http::status::ok, "application/json", srv_.stato());
    if (percorso == "/events") return apri_flusso(r.version());
    rispondi(http::status::not_found, "text/plain; charset=utf-8", "not found\n");
  }

  void apri_flusso(unsigned versione_http) {
    if (!srv_.posto_per_flusso()) {
      return rispondi(http::status::service_unavailable, "text/plain; charset=utf-8", "too many open pages\n");
    }
    auto f = std::make_shared<server::flusso>(srv_, std::move(stream_));
    srv_.registra_flusso(f.get());
    f->avvia(versione_http);
    f->manda(std::make_shared<const std::string>("retry: 500\nevent: state\ndata: " + std::to_string(srv_.versione()) +
                                                 "\n\n"));
  }

  void rispondi(http::status stato, const char* tipo, std::string corpo, bool con_cookie = false) {
    auto risposta = std::make_shared<http::response<http::string_body>>(stato, parser_->get().version());
    risposta->set(http::field::content_type, tipo);
    risposta->set(http::field::cache_control, "no-store");
    risposta->set("X-Content-Type-Options", "nosniff");
    risposta->set("Referrer-Policy", "no-referrer");
    risposta->set("Content-Security-Policy",
                  "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
                  "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
    if (stato == http::status::method_not_allowed) risposta->set(http::field::allow, "GET");
    if (con_cookie) risposta->set(http::field::set_cookie, srv_.cookie());
    risposta->keep_alive(parser_->get().keep_alive() && stato == http::status::ok);
    risposta->body() = std::move(corpo);
    risposta->prepare_payload();
    stream_.expires_after(kAttesaRichiesta);
    http::async_write(stream_, *risposta, [self = shared_from_this(), risposta](beast::error_code ec, size_t) {
      if (ec || !risposta->keep_alive()) return self->chiudi();
      self->leggi();
    });
  }

  server& srv_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  bool chiuso_ = false;
};

// ---- the server's own work -----------------------------------------------------

void server::accetta() {
  acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (fermato_) return;
    if (!ec) {
      if (connessioni_.size() >= kConnessioniMassime) {
        socket.close(ec);
      } else {
        std::make_shared<sessione>(*this, std::move(socket))->leggi();
      }
    }
    accetta();
  });
}

void server::batti() {
  battito_.expires_after(kBattito);
  battito_.async_wait([this](beast::error_code ec) {
    if (ec || fermato_) return;
    annuncia(std::make_shared<const std::string>(": still here\n\n"));
    batti();
  });
}

void server::annuncia(const std::shared_ptr<const std::string>& evento) {
  const std::set<flusso*> aperti = flussi_;
  for (flusso* f : aperti) f->manda(evento);
}

// A change is compiled once the file has stood still for one look: an
// editor that writes in pieces is not caught halfway.
void server::guarda() {
  controllo_.expires_after(kIntervallo);
  controllo_.async_wait([this](beast::error_code ec) {
    if (ec || fermato_) return;
    const auto adesso = std::chrono::steady_clock::now();
    bool in_moto = false, da_compilare = false, a_lungo = false;
    for (sorgente& s : sorgenti_) {
      const firma_file f = firma_di(s.percorso);
      if (f != s.firma) {
        if (!s.da_compilare) s.cambiata = adesso;
        s.firma = f;
        s.da_compilare = true;
        in_moto = true;
      }
      if (s.da_compilare) {
        da_compilare = true;
        a_lungo = a_lungo || adesso - s.cambiata >= kScritturaLunga;
      }
    }
    if (da_compilare && !in_moto) {
      aggiorna();
    } else if (in_moto && a_lungo && !in_attesa_annunciata_) {
      // Still being written after a while: the page says so meanwhile.
      std::vector<std::string> attese;
      for (const sorgente& s : sorgenti_) {
        if (s.da_compilare) attese.push_back(s.nome);
      }
      ++versione_;
      stato_ = stato_json(ultima_ ? *ultima_ : compilazione_vista{}, testi_[0], testi_[1], sorgenti_[0].nome,
                          sorgenti_[1].nome, attese, versione_);
      in_attesa_annunciata_ = true;
      annuncia(std::make_shared<const std::string>("event: state\ndata: " + std::to_string(versione_) + "\n\n"));
    }
    guarda();
  });
}

// Reads both sources and compiles them; a source that is missing or cannot
// be read is waited for, and the last good compile stays on the page.
void server::aggiorna() {
  std::vector<std::string> attese;
  std::vector<diagnostica_vista> illeggibili;
  std::string testi[2];
  for (int k = 0; k < 2; ++k) {
    sorgente& s = sorgenti_[k];
    s.da_compilare = false;
    if (!s.firma.esiste) {
      attese.push_back(s.nome);
      continue;
    }
    try {
      testi[k] = leggi_file(s.percorso, collegamento::segui);
    } catch (const std::exception& e) {
      // Gone between the look and the read: waited for.  Anything else (a
      // folder, a file too large) is the author's to mend.
      if (!firma_di(s.percorso).esiste) {
        attese.push_back(s.nome);
      } else {
        illeggibili.push_back({"error", "read", s.nome, 0, 0, e.what()});
      }
    }
  }
  in_attesa_annunciata_ = false;
  if (!illeggibili.empty() && attese.empty()) {
    compilazione_vista c = ultima_ ? *ultima_ : compilazione_vista{};
    c.errori = illeggibili.size();
    c.avvisi = 0;
    c.diagnostiche = std::move(illeggibili);
    ultima_ = std::move(c);
  } else if (attese.empty()) {
    try {
      // A signal that ends the program waits for the compile's private
      // folder to be gone.
      segnali_trattenuti trattenuti;
      ultima_ = compila_per_vista(testi[0], testi[1], sorgenti_[0].nome, sorgenti_[1].nome);
      testi_[0] = std::move(testi[0]);
      testi_[1] = std::move(testi[1]);
    } catch (const std::exception& e) {
      compilazione_vista fallita;
      fallita.diagnostiche.push_back({"error", "stop", "", 0, 0, std::string("the compile could not run: ") + e.what()});
      fallita.errori = 1;
      ultima_ = std::move(fallita);
    }
  }
  ++versione_;
  stato_ = stato_json(ultima_ ? *ultima_ : compilazione_vista{}, testi_[0], testi_[1], sorgenti_[0].nome,
                      sorgenti_[1].nome, attese, versione_);
  annuncia(std::make_shared<const std::string>("event: state\ndata: " + std::to_string(versione_) + "\n\n"));
}

server* in_servizio = nullptr;
net::io_context* contesto_in_servizio = nullptr;

// From the console's own thread on Windows: the rest happens on the
// server's thread.
void ferma_da_fuori() {
  if (contesto_in_servizio != nullptr) {
    net::post(*contesto_in_servizio, [] {
      if (in_servizio != nullptr) in_servizio->ferma();
    });
  }
}

bool uguale_senza_maiuscole(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Compared in a time that does not depend on where they differ, so that the
// token cannot be guessed a digit at a time.
bool segreti_uguali(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char diversi = 0;
  for (size_t i = 0; i < a.size(); ++i) diversi |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diversi == 0;
}

std::string_view senza_spazi(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Whether any of the `nome=valore` pairs that `separatore` parts in
// `coppie` gives `nome` the value `atteso`.
bool valore_uguale(std::string_view coppie, char separatore, std::string_view nome, std::string_view atteso) {
  while (!coppie.empty()) {
    const size_t fine = std::min(coppie.find(separatore), coppie.size());
    const std::string_view coppia = senza_spazi(coppie.substr(0, fine));
    coppie.remove_prefix(std::min(fine + 1, coppie.size()));
    const size_t uguale = coppia.find('=');
    if (uguale == std::string_view::npos || coppia.substr(0, uguale) != nome) continue;
    if (segreti_uguali(coppia.substr(uguale + 1), atteso)) return true;
  }
  return false;
}

}  // namespace

std::string nome_cookie(uint16_t porta) { return "scenario_view_" + std::to_string(porta); }

bool gettone_ammesso(std::string_view cookie, std::string_view target, std::string_view nome,
                     std::string_view gettone) {
  if (gettone.empty()) return false;
  const size_t domanda = target.find('?');
  const std::string_view query = domanda == std::string_view::npos ? "" : target.substr(domanda + 1);
  return valore_uguale(cookie, ';', nome, gettone) || valore_uguale(query, '&', "token", gettone);
}

bool host_ammesso(std::string_view host, uint16_t porta) {
  const std::string coda = ":" + std::to_string(porta);
  if (host.size() <= coda.size() || host.substr(host.size() - coda.size()) != coda) return false;
  const std::string_view nome = host.substr(0, host.size() - coda.size());
  return nome == "127.0.0.1" || nome == "[::1]" || uguale_senza_maiuscole(nome, "localhost");
}

int servi_vista(const opzioni_vista& o, std::ostream& out, std::ostream& err) {
  (void)err;
  net::io_context io(1);
  server srv(io, o);
  in_servizio = &srv;
  contesto_in_servizio = &io;
  alla_chiusura_console(ferma_da_fuori);
  srv.avvia();
  // The token goes to the author's terminal and browser only.
  const std::string url = "http://127.0.0.1:" + std::to_string(srv.porta()) + "/?token=" + srv.gettone();
  out << "serving " << url << " (Ctrl+C ends)\n" << std::flush;
  if (o.apri && !apri_nel_browser(url)) err << "scenario: could not start a browser; open " << url << "\n";
  io.run();
  in_servizio = nullptr;
  contesto_in_servizio = nullptr;
  out << "stopped\n" << std::flush;
  chiusura_console_finita();
  return 0;
}

}  // namespace valdoro

// The server of `scenario view`: one network thread, one io_context, and a
// thread that compiles.  The sources are looked at every 25 ms; a change
// that has settled is compiled off the network thread and announced to
// every open page through its event stream, and the page fetches the new
// state.  Every part of it is bounded, so that no client and no source can
// make it take gigabytes or keep the author's page out.
#include "view/vista.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "view/instrada.h"
#include "view/osservatore.h"
#include "view/vista_sistema.h"
#include "util/file.h"

namespace valdoro {

namespace {

namespace fs = std::filesystem;
namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using namespace std::chrono_literals;

constexpr auto kIntervallo = 25ms;           // between looks at the sources
constexpr auto kAttesaIntestazione = 5s;     // for a request's first line and headers: a trickle is let go
constexpr auto kAttesaScrittura = 30s;       // for an answer to be taken in whole
constexpr auto kAttesaEvento = 10s;          // for an event to be taken in by its stream
constexpr auto kPausaAccetta = 100ms;        // before accepting again after a failure (no descriptor left)
constexpr auto kBattito = 15s;               // a comment down every event stream: a vanished client shows
constexpr size_t kFlussiMassimi = 32;        // open event streams
constexpr size_t kConnessioniMassime = 256;  // open connections of every kind
constexpr size_t kCodaMassima = 16;          // events queued for one stream that does not read them
constexpr uint32_t kIntestazioneMassima = 16 * 1024;
// The system's send buffers.  Left to itself it grows one to megabytes for
// a client that does not read; a stream's is small, so that the bound on
// its queue is reached and the client let go.
constexpr int kBufferRisposta = 256 * 1024;
constexpr int kBufferFlusso = 8 * 1024;

// ---- the compiles, on a thread of their own ------------------------------------

struct sorgente {
  std::string nome;  // as the author gave it
  fs::path percorso;
};

// What the network thread asks for: a compile of both sources, or the last
// compile shown while `attese` are being written.
struct lavoro {
  uint64_t versione = 0;
  bool compila = true;
  std::vector<std::string> attese;
};

// A compile of a large source takes seconds: on the network thread it
// would hold every page and Ctrl+C.  Here it holds nothing but the next
// compile; a request that a newer one has followed is passed over, so a
// save that comes meanwhile replaces any that waited before it.  The state
// made is handed to `consegna`, on this thread.  Asio's own pool: the
// Windows build's thread model has no std::thread.
class officina {
 public:
  using consegna = std::function<void(uint64_t, std::shared_ptr<const std::string>)>;

  officina(const sorgente (&sorgenti)[kFileOsservati], const opzioni_vista& o, consegna c)
      : consegna_(std::move(c)), titolo_(o.titolo), treno_(o.nome_treno), fatti_nominati_(!o.fatti.empty()) {
    for (size_t k = 0; k < kFileOsservati; ++k) {
      nomi_[k] = sorgenti[k].nome;
      percorsi_[k] = sorgenti[k].percorso;
    }
    // The signals that end the program go to the network thread, which ends
    // it between compiles: the pool's thread is born holding them back.
    segnali_trattenuti trattenuti;
    filo_.emplace(1);
  }
  ~officina() { ferma(); }
  officina(const officina&) = delete;
  officina& operator=(const officina&) = delete;

  // `l.versione` rises with every request.
  void chiedi(lavoro l) {
    chiesta_.store(l.versione);
    net::post(*filo_, [this, l = std::move(l)] { esegui(l); });
  }

  // Waits for the compile under way to end; those waiting are passed over.
  void ferma() {
    fine_.store(true);
    if (filo_) filo_->join();
  }

 private:
  void esegui(const lavoro& l) {
    if (fine_.load() || l.versione < chiesta_.load()) return;
    std::vector<std::string> attese = l.compila ? compila() : l.attese;
    consegna_(l.versione,
              std::make_shared<const std::string>(stato_json(ultima_ ? *ultima_ : compilazione_vista{}, testi_[0],
                                                             testi_[1], nomi_[0], nomi_[1], attese, l.versione)));
  }

  std::vector<std::string> compila();

  consegna consegna_;
  std::string nomi_[kFileOsservati];
  std::string titolo_, treno_;  // as given; empty: from the sources' names
  bool fatti_nominati_;         // --facts was given: a facts file missing is the author's to mend
  fs::path percorsi_[kFileOsservati];
  std::atomic<uint64_t> chiesta_{0};
  std::atomic<bool> fine_{false};
  // The pool thread's own.
  std::optional<compilazione_vista> ultima_;  // the last compile: its picture stays while a source is away
  std::string testi_[2];
  std::optional<net::thread_pool> filo_;  // last: started once the rest stands
};

// Reads both sources and compiles them; a source that is missing or cannot
// be read is waited for, and the last good compile stays on the page.
// Returns the sources waited for.
std::vector<std::string> officina::compila() {
  std::vector<std::string> attese;
  std::vector<diagnostica_vista> illeggibili;
  std::string testi[2];
  for (int k = 0; k < 2; ++k) {
    if (!firma_di(percorsi_[k]).esiste) {
      attese.push_back(nomi_[k]);
      continue;
    }
    try {
      testi[k] = leggi_file(percorsi_[k], collegamento::segui);
    } catch (const std::exception& e) {
      // Gone between the look and the read: waited for.  Anything else (a
      // folder, a file too large) is the author's to mend.
      if (!firma_di(percorsi_[k]).esiste) {
        attese.push_back(nomi_[k]);
      } else {
        illeggibili.push_back({"error", "read", nomi_[k], 0, 0, e.what()});
      }
    }
  }
  if (!illeggibili.empty() && attese.empty()) {
    compilazione_vista c = ultima_ ? *ultima_ : compilazione_vista{};
    c.errori = illeggibili.size();
    c.avvisi = 0;
    c.note = 0;
    c.diagnostiche = std::move(illeggibili);
    ultima_ = std::move(c);
  } else if (attese.empty()) {
    std::vector<diagnostica_vista> guasti_fatti;
    const size_t k = kFileOsservati - 1;
    const std::optional<fatti_in_vista> fatti =
        percorsi_[k].empty() ? std::nullopt : leggi_fatti_vista(nomi_[k], fatti_nominati_, guasti_fatti);
    try {
      ultima_ = compila_per_vista(testi[0], testi[1], nomi_[0], nomi_[1], titolo_, treno_, fatti ? &*fatti : nullptr);
      if (!fatti) ultima_->fatti_cercati = nomi_[kFileOsservati - 1];
      ultima_->diagnostiche.insert(ultima_->diagnostiche.end(), guasti_fatti.begin(), guasti_fatti.end());
      ultima_->errori += guasti_fatti.size();
      testi_[0] = std::move(testi[0]);
      testi_[1] = std::move(testi[1]);
    } catch (const std::exception& e) {
      compilazione_vista fallita;
      fallita.diagnostiche.push_back(
          {"error", "stop", "", 0, 0, std::string("the compile could not run: ") + e.what()});
      fallita.errori = 1;
      ultima_ = std::move(fallita);
    }
  }
  return attese;
}

// ---- the server ------------------------------------------------------------------

// Every open connection, so that the end of the server can close them all.
class connessione {
 public:
  virtual ~connessione() = default;
  virtual void chiudi() = 0;
};

// The connections that have not yet sent a whole request, oldest first.
using in_attesa_t = std::list<connessione*>;

class server {
 public:
  server(net::io_context& io, const opzioni_vista& o)
      : io_(io), acceptor_(io), controllo_(io), battito_(io), pausa_(io), segnali_(io) {
    opzioni_ = o;
    sorgenti_[0].nome = o.linea;
    sorgenti_[0].percorso = fs::u8path(o.linea);
    sorgenti_[1].nome = o.treno;
    sorgenti_[1].percorso = fs::u8path(o.treno);
    sorgenti_[2].nome = o.fatti.empty() ? fatti_accanto(o.linea, o.treno, o.titolo, o.nome_treno) : o.fatti;
    sorgenti_[2].percorso = fs::u8path(sorgenti_[2].nome);
    stato_ = std::make_shared<const std::string>(
        stato_json(compilazione_vista{}, "", "", o.linea, o.treno, {}, versione_pubblicata_));
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
    officina_.emplace(sorgenti_, opzioni_, [this](uint64_t versione, std::shared_ptr<const std::string> stato) {
      net::post(io_, [this, versione, stato = std::move(stato)] { pubblica(versione, stato); });
    });
    osservatore_.emplace(
        std::array<std::string, kFileOsservati>{sorgenti_[0].nome, sorgenti_[1].nome, sorgenti_[2].nome}, firme());
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
    pausa_.cancel();
    segnali_.cancel(ec);
    const std::set<connessione*> aperte = connessioni_;
    for (connessione* c : aperte) c->chiudi();
  }

  // After io_context::run: the compile under way is let end.
  void aspetta_officina() {
    if (officina_) officina_->ferma();
  }

  identita_vista identita() const { return {porta_, gettone_}; }
  // What the page's answer sets: the browser sends the token back on every
  // request of the page, and no script, nor any other site, can read it.
  std::string cookie() const { return nome_cookie(porta_) + "=" + gettone_ + "; Path=/; HttpOnly; SameSite=Strict"; }
  const std::string& gettone() const { return gettone_; }
  // One state for every client: an answer holds it, never a copy.
  const std::shared_ptr<const std::string>& stato() const { return stato_; }
  uint64_t versione() const { return versione_pubblicata_; }

  void registra(connessione* c) { connessioni_.insert(c); }
  void togli(connessione* c) { connessioni_.erase(c); }

  in_attesa_t::iterator attende(connessione* c) { return in_attesa_.insert(in_attesa_.end(), c); }
  void non_attende(in_attesa_t::iterator i) { in_attesa_.erase(i); }

  class flusso;
  bool posto_per_flusso() const { return !fermato_ && flussi_.size() < kFlussiMassimi; }
  void registra_flusso(flusso* f) { flussi_.insert(f); }
  void togli_flusso(flusso* f) { flussi_.erase(f); }

 private:
  void accetta();
  void accettata(tcp::socket socket);
  bool fai_posto();
  void guarda();
  void batti();
  void aggiorna();
  osservatore::firme_t firme() const;
  void chiedi(lavoro l);
  void pubblica(uint64_t versione, std::shared_ptr<const std::string> stato);
  void annuncia(const std::shared_ptr<const std::string>& evento);

  net::io_context& io_;
  tcp::acceptor acceptor_;
  net::steady_timer controllo_, battito_, pausa_;
  net::signal_set segnali_;
  uint16_t porta_ = 0;
  const std::string gettone_ = gettone_casuale();
  bool fermato_ = false;
  sorgente sorgenti_[kFileOsservati];  // the line source, the train source, the facts file
  std::optional<osservatore> osservatore_;
  opzioni_vista opzioni_;
  uint64_t versione_chiesta_ = 0, versione_pubblicata_ = 0;
  std::shared_ptr<const std::string> stato_;
  std::set<connessione*> connessioni_;
  in_attesa_t in_attesa_;
  std::set<flusso*> flussi_;
  std::optional<officina> officina_;  // last: its thread stops before the rest goes
};

// ---- an event stream ---------------------------------------------------------

class server::flusso : public connessione, public std::enable_shared_from_this<server::flusso> {
 public:
  flusso(server& srv, beast::tcp_stream stream) : srv_(srv), stream_(std::move(stream)) {
    srv_.registra(this);
    beast::error_code ec;
    stream_.socket().set_option(net::socket_base::send_buffer_size(kBufferFlusso), ec);
  }
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
    stream_.expires_after(kAttesaScrittura);
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
    srv_.togli(this);
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
    stream_.socket().async_read_some(net::buffer(scarto_),
                                     [self = shared_from_this()](beast::error_code, size_t) { self->chiudi(); });
    if (!coda_.empty()) scrivi();
  }

  // An event not taken in within its time lets the client go: its buffer
  // is full, and it reads nothing.
  void scrivi() {
    stream_.expires_after(kAttesaEvento);
    net::async_write(stream_, net::buffer(*coda_.front()), [self = shared_from_this()](beast::error_code ec, size_t) {
      if (ec) return self->chiudi();
      self->stream_.expires_never();
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
  ~sessione() override {
    if (attesa_) srv_.non_attende(*attesa_);
    srv_.togli(this);
  }

  // The whole request line and headers within their time: a client that
  // trickles them, or sends nothing, holds a connection no longer.
  void leggi() {
    parser_.emplace();
    parser_->header_limit(kIntestazioneMassima);
    parser_->body_limit(0);
    attesa_ = srv_.attende(this);
    stream_.expires_after(kAttesaIntestazione);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, size_t) { self->letta(ec); });
  }

  void chiudi() override {
    if (chiuso_) return;
    chiuso_ = true;
    if (attesa_) srv_.non_attende(*attesa_);
    attesa_.reset();
    srv_.togli(this);
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
    stream_.socket().close(ec);
  }

 private:
  void letta(beast::error_code ec) {
    if (attesa_) srv_.non_attende(*attesa_);
    attesa_.reset();
    if (ec || chiuso_) return chiudi();
    const http::request<http::empty_body>& r = parser_->get();
    auto vista = [](beast::string_view s) { return std::string_view(s.data(), s.size()); };
    const risposta_vista e = instrada(
        {r.method() == http::verb::get, vista(r.target()), vista(r[http::field::cookie]), vista(r[http::field::host])},
        srv_.identita());
    switch (e.cosa) {
      case cosa_risposta::flusso:
        return apri_flusso(r.version());
      case cosa_risposta::stato:
        return rispondi(http::status::ok, e.tipo, *srv_.stato(), srv_.stato());
      case cosa_risposta::testo:
        return rispondi(static_cast<http::status>(e.codice), e.tipo, e.corpo, nullptr, e.con_cookie);
    }
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

  // `corpo` lives as long as `proprietario` does (null: for ever).
  void rispondi(http::status stato, const char* tipo, std::string_view corpo,
                std::shared_ptr<const void> proprietario = nullptr, bool con_cookie = false) {
    using risposta_t = http::response<http::span_body<const char>>;
    auto risposta = std::make_shared<risposta_t>(stato, parser_->get().version());
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
    risposta->body() = beast::span<const char>(corpo.data(), corpo.size());
    risposta->prepare_payload();
    stream_.expires_after(kAttesaScrittura);
    http::async_write(stream_, *risposta,
                      [self = shared_from_this(), risposta, proprietario](beast::error_code ec, size_t) {
                        if (ec || !risposta->keep_alive()) return self->chiudi();
                        self->leggi();
                      });
  }

  server& srv_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  std::optional<in_attesa_t::iterator> attesa_;  // while a request is awaited
  bool chiuso_ = false;
};

// ---- the server's own work -----------------------------------------------------

void server::accetta() {
  acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (fermato_) return;
    if (ec) {
      // Out of descriptors, the same error would come back at once: the
      // oldest connection that has asked nothing gives its descriptor, or,
      // with none to give, the loop waits a moment rather than spin.
      const bool senza_descrittori =
          ec == boost::system::errc::too_many_files_open || ec == boost::system::errc::too_many_files_open_in_system;
      if (senza_descrittori && fai_posto()) return accetta();
      pausa_.expires_after(kPausaAccetta);
      pausa_.async_wait([this](beast::error_code e) {
        if (!e && !fermato_) accetta();
      });
      return;
    }
    accettata(std::move(socket));
    accetta();
  });
}

// At the cap, the oldest connection that has not sent a whole request gives
// way: idle and trickling clients cannot keep the author's page out, whose
// requests come whole at once.
void server::accettata(tcp::socket socket) {
  if (connessioni_.size() >= kConnessioniMassime && !fai_posto()) {
    beast::error_code ec;
    socket.close(ec);
    return;
  }
  beast::error_code ec;
  socket.set_option(net::socket_base::send_buffer_size(kBufferRisposta), ec);
  std::make_shared<sessione>(*this, std::move(socket))->leggi();
}

bool server::fai_posto() {
  if (in_attesa_.empty()) return false;
  in_attesa_.front()->chiudi();
  return true;
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
    const osservatore::decisione d = osservatore_->guarda(firme(), std::chrono::steady_clock::now());
    if (d.compila) {
      chiedi(lavoro{});
    } else if (!d.attese.empty()) {
      lavoro l;
      l.compila = false;
      l.attese = d.attese;
      chiedi(std::move(l));
    }
    guarda();
  });
}

void server::aggiorna() {
  osservatore_->compilati();
  chiedi(lavoro{});
}

osservatore::firme_t server::firme() const {
  return {firma_di(sorgenti_[0].percorso), firma_di(sorgenti_[1].percorso), firma_di(sorgenti_[2].percorso)};
}

void server::chiedi(lavoro l) {
  l.versione = ++versione_chiesta_;
  officina_->chiedi(std::move(l));
}

// A state made while a newer one was asked for is still newer than the one
// shown; one made before the one shown (never, with one thread) is not.
void server::pubblica(uint64_t versione, std::shared_ptr<const std::string> stato) {
  if (fermato_ || versione <= versione_pubblicata_) return;
  versione_pubblicata_ = versione;
  stato_ = std::move(stato);
  annuncia(std::make_shared<const std::string>("event: state\ndata: " + std::to_string(versione) + "\n\n"));
}

// What --open starts the browser on.  A command line (the opener's, the
// browser's) can be read by every user of the machine: where the user has
// a folder closed to others, the token goes into a file there, a page that
// sends the browser on to the server, and the command line names the file.
// The file goes with the server.
class rinvio {
 public:
  rinvio(const std::string& url, uint16_t porta) : url_(url) {
    const std::optional<fs::path> cartella = cartella_segreta();
    if (!cartella) return;
    const fs::path file = *cartella / ("scenario-view-" + std::to_string(porta) + ".html");
    try {
      scrivi_file(file,
                  "<!DOCTYPE html>\n<meta charset=\"utf-8\">\n<meta http-equiv=\"refresh\" content=\"0;url=" + url +
                      "\">\n<title>scenario view</title>\n<a href=\"" + url + "\">scenario view</a>\n",
                  durata::transitoria);
      file_ = file;
    } catch (const errore_file&) {
      // Not written: the address itself, as where there is no such folder.
    }
  }
  ~rinvio() {
    try {
      if (!file_.empty()) cancella_file(file_);
    } catch (const std::exception&) {
      // A file in the user's own closed folder, left: nothing to tell.
    }
  }
  rinvio(const rinvio&) = delete;
  rinvio& operator=(const rinvio&) = delete;
  std::string da_aprire() const { return file_.empty() ? url_ : file_.u8string(); }

 private:
  std::string url_;
  fs::path file_;
};

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
  std::optional<rinvio> apertura;
  if (o.apri) {
    apertura.emplace(url, srv.porta());
    if (!apri_nel_browser(apertura->da_aprire())) err << "scenario: could not start a browser; open " << url << "\n";
  }
  io.run();
  srv.aspetta_officina();
  in_servizio = nullptr;
  contesto_in_servizio = nullptr;
  out << "stopped\n" << std::flush;
  chiusura_console_finita();
  return 0;
}

}  // namespace valdoro

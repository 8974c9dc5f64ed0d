#include "tools/comandi.h"

#include <CLI/CLI.hpp>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "model/errori.h"
#include "compiler/compilatore.h"
#include "model/nomi_file.h"
#include "output/codici_gara.h"
#include "output/decodifica.h"
#include "output/passata_finale.h"
#include "output/percorso.h"
#include "tools/draw.h"
#include "tools/dump.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

// A fault that ends a subcommand with its status; what() is the message.
struct uscita : std::runtime_error {
  uscita(int esito, const std::string& messaggio) : std::runtime_error(messaggio), esito(esito) {}
  int esito;
};

// A path that the author names may be a link; what it leads to must be a
// regular file within the input limit.
std::string leggi_sorgente(const fs::path& percorso) { return leggi_file(percorso, collegamento::segui); }

// Titles and train names become file names here and on the simulator's
// Windows machine, and identity codes in the files: printable ASCII only,
// without the characters either file system refuses.
void controlla_nome(const std::string& opzione, const std::string& nome) {
  if (nome.empty()) throw uscita(kEsitoUso, opzione + " must not be empty");
  for (char c : nome) {
    if (c < 0x20 || c > 0x7E || std::string("/\\:*?\"<>|").find(c) != std::string::npos) {
      throw uscita(kEsitoUso, opzione + " \"" + nome +
                                  "\" may hold only printable ASCII without / \\ : * ? \" < > |");
    }
  }
}

void crea_cartella(const fs::path& cartella) {
  std::error_code ec;
  fs::create_directories(cartella, ec);
  if (ec) throw errore_file("create directory", cartella, ec.message());
}

std::chrono::milliseconds attesa_cartella = std::chrono::seconds(60);

// ---- the private folder, also on a signal ----

constexpr int kSegnaliFine[] = {SIGINT, SIGTERM, SIGHUP};
char cartella_da_togliere[4096];
volatile sig_atomic_t cartella_armata = 0;

// Only calls that are safe in a signal handler: the folder holds the copies
// of the sources and perhaps a temporary file of the layer, no folders.
// Reading restarts after each removal, since removing entries while reading
// a directory may skip some.
void togli_cartella(const char* cartella) {
  const int fd = ::open(cartella, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char voci[4096];
    for (bool tolta = true; tolta;) {
      tolta = false;
      ::lseek(fd, 0, SEEK_SET);
      long n;
      while ((n = ::syscall(SYS_getdents64, fd, voci, sizeof voci)) > 0) {
        for (long at = 0; at < n;) {
          unsigned short lunghezza;
          std::memcpy(&lunghezza, voci + at + offsetof(struct dirent64, d_reclen), sizeof lunghezza);
          const char* nome = voci + at + offsetof(struct dirent64, d_name);
          at += lunghezza;
          if (std::strcmp(nome, ".") == 0 || std::strcmp(nome, "..") == 0) continue;
          tolta = ::unlinkat(fd, nome, 0) == 0 || tolta;
        }
      }
    }
    ::close(fd);
  }
  ::rmdir(cartella);
}

void al_segnale_di_fine(int segnale) {
  if (cartella_armata) togli_cartella(cartella_da_togliere);
  cartella_armata = 0;
  // Ends the process the way the signal would have without this handler.
  struct sigaction predefinita {};
  predefinita.sa_handler = SIG_DFL;
  ::sigaction(segnale, &predefinita, nullptr);
  ::raise(segnale);
}

sigset_t segnali_di_fine() {
  sigset_t insieme;
  sigemptyset(&insieme);
  for (int segnale : kSegnaliFine) sigaddset(&insieme, segnale);
  return insieme;
}

// ---- compile ----

struct opzioni_compile {
  std::string linea, treno, titolo, nome_treno, uscita;
  bool senza_profilo = false;
};

struct errore_registrato {
  int32_t numero;
  luogo dove;
};

// The compiler names its sources by title and train; the author knows them
// by the paths given on the command line.
std::string descrivi_per_autore(const errore_registrato& e, const opzioni_compile& o) {
  luogo l = e.dove;
  if (l.file == file_sorgente_linea(o.titolo)) l.file = o.linea;
  if (l.file == file_sorgente_treno(o.titolo, o.nome_treno)) l.file = o.treno;
  std::string riga = "error " + std::to_string(e.numero) + ": " + significato_errore(e.numero);
  if (l.file.empty()) return riga;
  if (l.riga <= 0) return l.file + ": " + riga;
  return l.file + ":" + std::to_string(l.riga) + ":" + std::to_string(l.colonna) + ": " + riga;
}

int conta_stazioni(const tabella_stazioni_t& t) {
  int n = 0;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = t[r];
    n += (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) ? 1 : 0;
  }
  return n;
}

std::string riassunto(const scenario& s, const fs::path& cartella) {
  int segnali = 0;
  for (const cella& c : s.celle) segnali += c.tipo == 1 ? 1 : 0;
  return s.nome_linea + " / " + s.nome_treno + ": " + std::to_string(s.celle.size()) + " cells, " +
         std::to_string(conta_stazioni(s.tabella_stazioni)) + " stations, " + std::to_string(segnali) +
         " signals, route length " + std::to_string(s.tabella_stazioni[kRigaParametri].fine) + " m; files in " +
         cartella.u8string() + "\n";
}

// memorizza_percorso step by step, so that an error of the sources is not
// lost when the finishing pass or the stamping records a later one: the
// first error is the one an author has to fix.  The files it leaves are
// those of memorizza_percorso, byte for byte (a test holds the two together).
std::vector<errore_registrato> costruisci(scenario& s, int32_t j, const fs::path& cartella) {
  std::vector<errore_registrato> errori;
  auto annota = [&] {
    if (s.codice_errore != 0 && (errori.empty() || errori.back().numero != s.codice_errore)) {
      errori.push_back({s.codice_errore, s.luogo_errore});
    }
  };
  s.con_profilo = j;
  s.codice_errore = 0;
  s.luogo_errore = {};
  svuota_tabella_stazioni(s.tabella_stazioni);
  memorizza_dati(s, cartella);
  annota();
  passata_finale(s);
  annota();
  timbra_codici(s);
  annota();
  return errori;
}

int compila(const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  controlla_nome("--title", o.titolo);
  controlla_nome("--train", o.nome_treno);
  const std::string testo_linea = leggi_sorgente(o.linea);
  const std::string testo_treno = leggi_sorgente(o.treno);
  crea_cartella(o.uscita);
  // Two runs into one folder would mix their files.
  blocco_cartella blocco(o.uscita, attesa_cartella);

  // The compiler deletes what it reads: it reads copies.
  cartella_privata privata;
  scrivi_file(privata.percorso() / file_sorgente_linea(o.titolo), testo_linea);
  scrivi_file(privata.percorso() / file_sorgente_treno(o.titolo, o.nome_treno), testo_treno);
  scenario s;
  s.nome_linea = o.titolo;
  s.nome_treno = o.nome_treno;
  const std::vector<errore_registrato> errori = costruisci(s, o.senza_profilo ? 0 : 1, privata.percorso());
  scrivi_binari(s, o.uscita);

  for (const errore_registrato& e : errori) err << descrivi_per_autore(e, o) << "\n";
  if (!errori.empty()) return kEsitoGuastoDati;
  out << riassunto(s, o.uscita);
  return kEsitoBuono;
}

// ---- dump ----

struct opzioni_dump {
  std::string file, tipo;
  bool json = false, solo_non_vuoti = false;
};

int scarica(const opzioni_dump& o, std::ostream& out, std::ostream& err) {
  std::optional<tipo_file> tipo =
      o.tipo.empty() ? tipo_dal_nome(fs::path(o.file).filename().u8string()) : tipo_dalla_parola(o.tipo);
  if (!tipo) {
    throw uscita(kEsitoUso, o.tipo.empty() ? "cannot tell the kind of " + o.file +
                                                 " from its name: give --kind stations, track or profile"
                                           : "--kind must be stations, track or profile, not \"" + o.tipo + "\"");
  }
  const apri_fonte apri = apri_file(o.file, collegamento::segui);
  try {
    if (o.json) {
      dump_json(*tipo, apri, o.solo_non_vuoti, out);
    } else {
      dump_testo(*tipo, apri, o.solo_non_vuoti, out);
    }
  } catch (const errore_decodifica& e) {
    err << "scenario: " << o.file << ": " << e.what() << "\n";
    return kEsitoGuastoDati;
  }
  return kEsitoBuono;
}

// ---- draw ----

struct opzioni_draw {
  std::string cartella, uscita;
};

// The one station table in the directory names the other two files.
fs::path trova_tabella(const fs::path& cartella) {
  std::error_code ec;
  if (!fs::is_directory(cartella, ec)) throw errore_file("read", cartella, "not a directory");
  std::vector<fs::path> trovate;
  for (const auto& voce : fs::directory_iterator(cartella)) {
    // Every entry counts, so that a .sim that is not a regular file is
    // refused by name rather than passed over.
    if (voce.path().extension() == ".sim") trovate.push_back(voce.path());
  }
  if (trovate.size() != 1) {
    throw uscita(kEsitoUso, cartella.u8string() + " holds " + std::to_string(trovate.size()) +
                                " station tables (.sim); draw needs exactly one");
  }
  return trovate[0];
}

template <typename F>
auto decodifica_file(const fs::path& percorso, F decodifica) {
  const apri_fonte apri = apri_file(percorso, collegamento::segui);
  try {
    return decodifica(apri);
  } catch (const errore_decodifica& e) {
    throw uscita(kEsitoGuastoDati, percorso.u8string() + ": " + e.what());
  }
}

int disegna(const opzioni_draw& o, std::ostream& out, std::ostream& err) {
  const fs::path sim = trova_tabella(o.cartella);
  linea_costruita l;
  l.stazioni = decodifica_file(sim, [](const apri_fonte& a) { return decodifica_stazioni(*a()); });
  fs::path celle = sim;
  celle.replace_extension(".dat");
  l.celle = decodifica_file(celle, [](const apri_fonte& a) { return decodifica_celle(*a()); });
  // The title in row 85 names the profile; a title that is a path would
  // reach outside DIR, so it names nothing.
  const std::string& titolo = l.stazioni[kRigaLinea].nome;
  const bool titolo_sano = !titolo.empty() && titolo.find_first_of("/\\") == std::string::npos;
  const fs::path pianta = fs::path(o.cartella) / file_profilo(titolo_sano ? titolo : "?");
  // A profile that is there in any form is read, and refused when it is
  // not a regular file: only a missing one means "no profile".
  std::error_code ec;
  const bool con_pianta = titolo_sano && fs::symlink_status(pianta, ec).type() != fs::file_type::not_found;
  if (con_pianta) {
    l.pianta = decodifica_file(pianta, [](const apri_fonte& a) { return decodifica_profilo(a); });
  }

  crea_cartella(o.uscita);
  blocco_cartella blocco(o.uscita, attesa_cartella);
  const fs::path svg1 = fs::path(o.uscita) / "plan.svg", svg2 = fs::path(o.uscita) / "gradient.svg";
  scrivi_file(svg1, svg_pianta(l));
  scrivi_file(svg2, svg_altimetria(l));
  sincronizza_cartella(o.uscita);
  out << "wrote " << svg1.u8string() << " and " << svg2.u8string() << "\n";
  if (!con_pianta) {
    err << "scenario: no line profile " << pianta.u8string()
        << " (compiled with --no-profile?): the plan shows no line\n";
    return kEsitoGuastoDati;
  }
  return kEsitoBuono;
}

// Runs one subcommand, turning its faults into a message and a status.
template <typename F>
int protetto(std::ostream& out, std::ostream& err, F corpo) {
  try {
    const int esito = corpo();
    // What is still buffered may be what fails.
    out.flush();
    if (!out) throw uscita(kEsitoUso, "cannot write standard output");
    return esito;
  } catch (const uscita& e) {
    err << "scenario: " << e.what() << "\n";
    return e.esito;
  } catch (const errore_fatale& e) {
    err << "scenario:" << e.what() << "\n";
    return kEsitoUso;
  } catch (const std::exception& e) {
    err << "scenario: " << e.what() << "\n";
    return kEsitoUso;
  }
}

}  // namespace

int esegui_scenario(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Tools for scenario authors: compile sources, dump binary files, draw the line."};
  app.name("scenario");
  app.require_subcommand(1);

  opzioni_compile oc;
  CLI::App* compile = app.add_subcommand("compile", "Compile a line source and a train source into the three binary files");
  compile->add_option("LINE_SOURCE", oc.linea, "line source")->required();
  compile->add_option("TRAIN_SOURCE", oc.treno, "train source")->required();
  compile->add_option("--title", oc.titolo, "scenario title (names the files)")->required();
  compile->add_option("--train", oc.nome_treno, "train designation (names the files)")->required();
  compile->add_option("--out", oc.uscita, "directory for the binary files")->required();
  compile->add_flag("--no-profile", oc.senza_profilo, "do not build the line profile nor write its file");

  opzioni_dump od;
  CLI::App* dump = app.add_subcommand("dump", "Print a station-table, track or line-profile file");
  dump->add_option("FILE", od.file, "binary file")->required();
  dump->add_option("--kind", od.tipo, "stations, track or profile (default: from the file name)");
  dump->add_flag("--json", od.json, "print JSON");
  dump->add_flag("--nonzero", od.solo_non_vuoti, "leave out empty rows, cells and metres");

  opzioni_draw ow;
  CLI::App* draw = app.add_subcommand("draw", "Draw the plan and the gradient profile of a built line as SVG");
  draw->add_option("DIR", ow.cartella, "directory with the binary files")->required();
  draw->add_option("--out", ow.uscita, "directory for plan.svg and gradient.svg")->required();

  // A failed write throws out of the stream instead of leaving it quietly bad.
  struct eccezioni_di {
    std::ostream& s;
    std::ios::iostate prima = s.exceptions();
    explicit eccezioni_di(std::ostream& s) : s(s) { s.exceptions(prima | std::ios::badbit); }
    ~eccezioni_di() {
      s.clear(s.rdstate() & ~std::ios::badbit);
      s.exceptions(prima);
    }
  } controllo(out);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    return protetto(out, err, [&] {
      out << app.help();
      return kEsitoBuono;
    });
  } catch (const CLI::ParseError& e) {
    err << "scenario: " << e.what() << "\nRun scenario --help for the usage.\n";
    return kEsitoUso;
  }
  if (compile->parsed()) return protetto(out, err, [&] { return compila(oc, out, err); });
  if (dump->parsed()) return protetto(out, err, [&] { return scarica(od, out, err); });
  return protetto(out, err, [&] { return disegna(ow, out, err); });
}

void imposta_attesa_cartella(std::chrono::milliseconds attesa) { attesa_cartella = attesa; }

void uscita_controllata::scarica() {
  const char* p = pbase();
  while (p < pptr()) {
    const ssize_t n = ::write(descrittore_, p, static_cast<size_t>(pptr() - p));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int numero = n < 0 ? errno : EIO;
      setp(buf_, buf_ + sizeof buf_);  // what could not be written is gone
      throw errore_file("write", "standard output", std::strerror(numero));
    }
    p += n;
  }
  setp(buf_, buf_ + sizeof buf_);
}

uscita_controllata::int_type uscita_controllata::overflow(int_type c) {
  scarica();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int uscita_controllata::sync() {
  scarica();
  return 0;
}

cartella_privata::cartella_privata() {
  const sigset_t fine = segnali_di_fine();
  sigset_t prima;
  ::sigprocmask(SIG_BLOCK, &fine, &prima);
  std::string modello = (fs::temp_directory_path() / "scenario-compile-XXXXXX").string();
  if (modello.size() >= sizeof cartella_da_togliere || ::mkdtemp(modello.data()) == nullptr) {
    const int numero = modello.size() >= sizeof cartella_da_togliere ? ENAMETOOLONG : errno;
    ::sigprocmask(SIG_SETMASK, &prima, nullptr);
    throw errore_file("create directory", modello, std::strerror(numero));
  }
  percorso_ = modello;
  std::memcpy(cartella_da_togliere, modello.c_str(), modello.size() + 1);
  cartella_armata = 1;
  struct sigaction azione {};
  azione.sa_handler = al_segnale_di_fine;
  azione.sa_mask = fine;
  for (size_t k = 0; k < std::size(kSegnaliFine); ++k) {
    ::sigaction(kSegnaliFine[k], nullptr, &precedenti_[k]);
    // A signal the caller chose to ignore stays ignored.
    if (precedenti_[k].sa_handler != SIG_IGN) ::sigaction(kSegnaliFine[k], &azione, nullptr);
  }
  ::sigprocmask(SIG_SETMASK, &prima, nullptr);
}

// With the signals held back, so that one arriving now still finds the
// folder gone when it is let through.
cartella_privata::~cartella_privata() {
  const sigset_t fine = segnali_di_fine();
  sigset_t prima;
  ::sigprocmask(SIG_BLOCK, &fine, &prima);
  std::error_code ec;
  fs::remove_all(percorso_, ec);
  cartella_armata = 0;
  for (size_t k = 0; k < std::size(kSegnaliFine); ++k) ::sigaction(kSegnaliFine[k], &precedenti_[k], nullptr);
  ::sigprocmask(SIG_SETMASK, &prima, nullptr);
}

}  // namespace valdoro

#include "tools/comandi.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "model/errori.h"
#include "compiler/compilatore.h"
#include "model/nomi_file.h"
#include "output/codici_gara.h"
#include "output/decodifica.h"
#include "output/passata_finale.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "tools/draw.h"
#include "tools/sistema.h"
#include "tools/dump.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

// Paths on the command line are UTF-8 on every system; on Windows a plain
// std::string would be read in the C locale and lose every name outside
// ASCII.
fs::path percorso(const std::string& utf8) { return fs::u8path(utf8); }

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

// ---- compile ----

struct opzioni_compile {
  std::string linea, treno, titolo, nome_treno, uscita;
  bool senza_profilo = false;
  bool severo = false;  // --strict: a warning fails the compile
};

struct errore_registrato {
  int32_t numero;
  luogo dove;
  std::string testo;  // the raising place's own wording; empty: the table's
};

// The compiler names its sources by title and train; the author knows them
// by the paths given on the command line.
std::string luogo_per_autore(luogo l, const opzioni_compile& o) {
  if (l.file == file_sorgente_linea(o.titolo)) l.file = o.linea;
  if (l.file == file_sorgente_treno(o.titolo, o.nome_treno)) l.file = o.treno;
  if (l.file.empty()) return "";
  if (l.riga <= 0) return l.file + ": ";
  return l.file + ":" + std::to_string(l.riga) + ":" + std::to_string(l.colonna) + ": ";
}

std::string descrivi_per_autore(const errore_registrato& e, const opzioni_compile& o) {
  return luogo_per_autore(e.dove, o) + "error " + std::to_string(e.numero) + ": " +
         (e.testo.empty() ? significato_errore(e.numero) : e.testo);
}

std::string avviso_per_autore(const avviso& a, const opzioni_compile& o) {
  return luogo_per_autore(a.dove, o) + "warning: " + a.testo;
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
struct costruzione {
  std::vector<errore_registrato> errori;
  std::optional<errore_registrato> fatale;  // the identity step ended the build: no file
};

// A clash in the identity slots, told at the record that took cell 1 or
// as the finishing pass's doing.
errore_registrato scontro_identita(const scenario& s, const errore_fatale& e, bool dal_passaggio_finale) {
  const int32_t numero = std::stoi(e.numero());
  const std::string significato = significato_errore(numero);
  if (!s.luogo_cella_riservata.file.empty()) {
    return {numero, s.luogo_cella_riservata,
            significato + (dal_passaggio_finale
                               ? ": the finishing pass put a speed mark for this slowdown into cell 1, where the "
                                 "identity codes go"
                               : ": this record put a value into cell 1, where the identity codes go")};
  }
  if (dal_passaggio_finale) {
    return {numero, {},
            significato + ": the finishing pass put a speed mark into cell 1, for a slowdown near the line start"};
  }
  return {numero, {}, ""};
}

costruzione costruisci(scenario& s, int32_t j, const fs::path& cartella) {
  costruzione c;
  auto annota = [&] {
    if (s.codice_errore != 0 && (c.errori.empty() || c.errori.back().numero != s.codice_errore)) {
      c.errori.push_back({s.codice_errore, s.luogo_errore, s.testo_errore != nullptr ? s.testo_errore : ""});
    }
  };
  s.con_profilo = j;
  s.codice_errore = 0;
  s.luogo_errore = {};
  s.testo_errore = nullptr;
  svuota_tabella_stazioni(s.tabella_stazioni);
  memorizza_dati(s, cartella);
  annota();
  const bool presa_prima = s.cella_riservata_presa();
  passata_finale(s);
  annota();
  try {
    timbra_codici(s);
  } catch (const errore_fatale& e) {
    c.fatale = scontro_identita(s, e, !presa_prima && s.cella_riservata_presa());
    return c;
  }
  annota();
  return c;
}

int compila(const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  controlla_nome("--title", o.titolo);
  controlla_nome("--train", o.nome_treno);
  const std::string testo_linea = leggi_sorgente(percorso(o.linea));
  const std::string testo_treno = leggi_sorgente(percorso(o.treno));
  crea_cartella(percorso(o.uscita));
  // Two runs into one folder would mix their files.
  blocco_cartella blocco(percorso(o.uscita), attesa_cartella);

  // The compiler deletes what it reads: it reads copies.
  cartella_privata privata;
  // Copies that the compiler deletes once read need no flush to the disk.
  scrivi_file(privata.percorso() / file_sorgente_linea(o.titolo), testo_linea, durata::transitoria);
  scrivi_file(privata.percorso() / file_sorgente_treno(o.titolo, o.nome_treno), testo_treno, durata::transitoria);
  scenario s;
  s.nome_linea = o.titolo;
  s.nome_treno = o.nome_treno;
  const costruzione c = costruisci(s, o.senza_profilo ? 0 : 1, privata.percorso());
  for (const avviso& a : s.avvisi) err << avviso_per_autore(a, o) << "\n";
  for (const errore_registrato& e : c.errori) err << descrivi_per_autore(e, o) << "\n";
  // As in the packager, a clash in the identity slots ends the build before
  // any file is written.
  if (c.fatale) {
    err << descrivi_per_autore(*c.fatale, o) << "\n";
    return kEsitoUso;
  }
  scrivi_binari(s, percorso(o.uscita));
  if (!c.errori.empty()) return kEsitoGuastoDati;
  out << riassunto(s, percorso(o.uscita));
  if (o.severo && !s.avvisi.empty()) {
    err << "scenario: " << s.avvisi.size() << (s.avvisi.size() == 1 ? " warning" : " warnings")
        << " with --strict\n";
    return kEsitoGuastoDati;
  }
  return kEsitoBuono;
}

// ---- init ----

struct opzioni_init {
  std::string cartella;
  bool forza = false;
};

// The five text files the packager writes, by its own writers: the author
// starts from exactly the sources it compiles.
int inizia(const opzioni_init& o, std::ostream& out) {
  const fs::path cartella = percorso(o.cartella);
  const std::vector<std::string> nomi = {
      file_sorgente_linea(kNomeLinea), file_sorgente_treno(kNomeLinea, kNomeTreno),
      file_note(kNomeLinea, kNomeTreno), file_rallentamenti(kNomeLinea, kNomeTreno),
      file_scheda(kNomeLinea, kNomeTreno)};
  crea_cartella(cartella);
  // Held from the look at the names to the last file, so that another run
  // cannot take a name in between.
  blocco_cartella blocco(cartella, attesa_cartella);
  // Every name is looked at before any file is written.
  if (!o.forza) {
    std::string presi;
    for (const std::string& nome : nomi) {
      std::error_code ec;
      if (!fs::exists(fs::symlink_status(cartella / nome, ec))) continue;
      presi += (presi.empty() ? "" : ", ") + (cartella / nome).u8string();
    }
    if (!presi.empty()) throw uscita(kEsitoUso, "init would replace " + presi + ": give --force to overwrite");
  }
  dati_linea(kNomeLinea, cartella);
  dati_treno(kNomeLinea, kNomeTreno, cartella);
  dati_note(kNomeLinea, kNomeTreno, cartella);
  dati_rallentamenti(kNomeLinea, kNomeTreno, cartella);
  dati_scheda(kNomeLinea, kNomeTreno, cartella);
  sincronizza_cartella(cartella);
  out << "wrote " << nomi.size() << " files into " << cartella.u8string() << "; compile the sources with\n"
      << "  scenario compile \"" << (cartella / nomi[0]).u8string() << "\" \"" << (cartella / nomi[1]).u8string()
      << "\" --title " << kNomeLinea << " --train \"" << kNomeTreno << "\" --out OUT_DIR\n";
  return kEsitoBuono;
}

// ---- dump ----

struct opzioni_dump {
  std::string file, tipo, uscita;
  bool con_tipo = false;  // --kind was given, even empty
  bool json = false, solo_non_vuoti = false;
};

// A stream into a file written through the file layer: the file is
// replaced by concludi() alone, so a dump cut short by a fault leaves the
// earlier file as it was.
class uscita_su_file : public std::streambuf {
 public:
  explicit uscita_su_file(const fs::path& percorso) : file_(percorso) { setp(buf_, buf_ + sizeof buf_); }
  void concludi() {
    scarica();
    file_.concludi();
  }

 protected:
  int_type overflow(int_type c) override {
    scarica();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    scarica();
    return 0;
  }

 private:
  void scarica() {
    const std::string_view pezzo(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(buf_, buf_ + sizeof buf_);
    file_.aggiungi(pezzo);
  }

  file_in_scrittura file_;
  char buf_[64 * 1024];
};

void scrivi_dump(const opzioni_dump& o, tipo_file tipo, const apri_fonte& apri, std::ostream& out) {
  if (o.json) {
    dump_json(tipo, apri, o.solo_non_vuoti, out);
  } else {
    dump_testo(tipo, apri, o.solo_non_vuoti, out);
  }
}

int scarica(const opzioni_dump& o, std::ostream& out, std::ostream& err) {
  std::optional<tipo_file> tipo =
      o.con_tipo ? tipo_dalla_parola(o.tipo) : tipo_dal_nome(percorso(o.file).filename().u8string());
  if (!tipo) {
    throw uscita(kEsitoUso, o.con_tipo ? "--kind must be stations, track or profile, not \"" + o.tipo + "\""
                                       : "cannot tell the kind of " + o.file +
                                             " from its name: give --kind stations, track or profile");
  }
  const apri_fonte apri = apri_file(percorso(o.file), collegamento::segui);
  try {
    if (o.uscita.empty()) {
      scrivi_dump(o, *tipo, apri, out);
    } else {
      // The same bytes as on standard output, whatever the shell would
      // have made of them (PowerShell 5.1 saves ">" as UTF-16).
      uscita_su_file file(percorso(o.uscita));
      std::ostream su_file(&file);
      su_file.exceptions(std::ios::badbit);
      scrivi_dump(o, *tipo, apri, su_file);
      file.concludi();
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

// A decoder run over a file of DIR; its refusal names the file.
template <typename F>
auto decodifica_file(const fs::path& percorso, F decodifica) {
  try {
    return decodifica();
  } catch (const errore_decodifica& e) {
    throw uscita(kEsitoGuastoDati, percorso.u8string() + ": " + e.what());
  }
}

int disegna(const opzioni_draw& o, std::ostream& out, std::ostream& err) {
  const fs::path sim = trova_tabella(percorso(o.cartella));
  linea_costruita l;
  l.stazioni = decodifica_file(sim, [&] { return decodifica_stazioni(*apri_file(sim, collegamento::segui)()); });
  fs::path celle = sim;
  celle.replace_extension(".dat");
  l.celle = decodifica_file(celle, [&] { return decodifica_celle(*apri_file(celle, collegamento::segui)()); });
  // The title in row 85 names the profile; a title that is a path would
  // reach outside DIR, so it names nothing.
  const std::string& titolo = l.stazioni[kRigaLinea].nome;
  const bool titolo_sano = !titolo.empty() && titolo.find_first_of("/\\") == std::string::npos;
  const fs::path pianta = percorso(o.cartella) / file_profilo(titolo_sano ? titolo : "?");
  // A profile that is there in any form is read, and refused when it is
  // not a regular file: only a missing one means "no profile".
  std::error_code ec;
  const bool con_pianta = titolo_sano && fs::symlink_status(pianta, ec).type() != fs::file_type::not_found;
  if (con_pianta) {
    l.pianta = decodifica_file(pianta, [&] { return decodifica_pianta(apri_file(pianta, collegamento::segui)); });
  }

  crea_cartella(percorso(o.uscita));
  blocco_cartella blocco(percorso(o.uscita), attesa_cartella);
  const fs::path svg1 = percorso(o.uscita) / "plan.svg", svg2 = percorso(o.uscita) / "gradient.svg";
  scrivi_file(svg1, svg_pianta(l));
  scrivi_file(svg2, svg_altimetria(l));
  sincronizza_cartella(percorso(o.uscita));
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

// Only options may come before the subcommand, so the first other word names
// one; nullptr when it does.
const char* sottocomando_ignoto(const CLI::App& app, int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' || argv[i][0] == '\0') continue;
    for (const CLI::App* sotto : app.get_subcommands([](const CLI::App*) { return true; })) {
      if (sotto->check_name(argv[i])) return nullptr;
    }
    return argv[i];
  }
  return nullptr;
}

}  // namespace

int esegui_scenario(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Tools for scenario authors: compile sources, dump binary files, draw the line."};
  app.name("scenario");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("scenario ") + VALDORO_VERSIONE, "Print the version and exit");

  opzioni_compile oc;
  CLI::App* compile = app.add_subcommand("compile", "Compile a line source and a train source into the three binary files");
  compile->add_option("LINE_SOURCE", oc.linea, "line source")->required();
  compile->add_option("TRAIN_SOURCE", oc.treno, "train source")->required();
  compile->add_option("--title", oc.titolo, "scenario title (names the files)")->required();
  compile->add_option("--train", oc.nome_treno, "train designation (names the files)")->required();
  compile->add_option("--out", oc.uscita, "directory for the binary files")->required();
  compile->add_flag("--no-profile", oc.senza_profilo, "do not build the line profile nor write its file");
  compile->add_flag("--strict", oc.severo, "end with status 1 when the compile gives a warning (files still written)");

  opzioni_dump od;
  CLI::App* dump = app.add_subcommand("dump", "Print a station-table, track or line-profile file");
  dump->add_option("FILE", od.file, "binary file")->required();
  CLI::Option* kind = dump->add_option("--kind", od.tipo, "stations, track or profile (default: from the file name)");
  dump->add_flag("--json", od.json, "print JSON");
  dump->add_flag("--nonzero", od.solo_non_vuoti, "leave out empty rows, cells and metres");
  CLI::Option* output = dump->add_option("--output", od.uscita, "write the dump into this file, not to standard output");

  opzioni_draw ow;
  CLI::App* draw = app.add_subcommand("draw", "Draw the plan and the gradient profile of a built line as SVG");
  draw->add_option("DIR", ow.cartella, "directory with the binary files")->required();
  draw->add_option("--out", ow.uscita, "directory for plan.svg and gradient.svg")->required();

  opzioni_init oi;
  CLI::App* init = app.add_subcommand("init", "Write our scenario's two sources and three papers, to start from");
  init->add_option("DIR", oi.cartella, "directory for the five files")->required();
  init->add_flag("--force", oi.forza, "replace files of the same names");

  if (const char* parola = sottocomando_ignoto(app, argc, argv)) {
    err << "scenario: unknown subcommand " << parola << "\nRun scenario --help for the usage.\n";
    return kEsitoUso;
  }
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
  } catch (const CLI::CallForVersion&) {
    return protetto(out, err, [&] {
      out << "scenario " << VALDORO_VERSIONE << "\n";
      return kEsitoBuono;
    });
  } catch (const CLI::ParseError& e) {
    err << "scenario: " << e.what() << "\nRun scenario --help for the usage.\n";
    return kEsitoUso;
  }
  od.con_tipo = kind->count() > 0;
  if (output->count() > 0 && od.uscita.empty()) {
    err << "scenario: --output must not be empty\n";
    return kEsitoUso;
  }
  if (compile->parsed()) return protetto(out, err, [&] { return compila(oc, out, err); });
  if (dump->parsed()) return protetto(out, err, [&] { return scarica(od, out, err); });
  if (init->parsed()) return protetto(out, err, [&] { return inizia(oi, out); });
  return protetto(out, err, [&] { return disegna(ow, out, err); });
}

void imposta_attesa_cartella(std::chrono::milliseconds attesa) { attesa_cartella = attesa; }

void uscita_controllata::scarica() {
  const char* p = pbase();
  while (p < pptr()) {
    const long n = scrivi_descrittore(descrittore_, p, static_cast<size_t>(pptr() - p));
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

}  // namespace valdoro

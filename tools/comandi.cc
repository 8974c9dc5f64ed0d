#include "tools/comandi.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <filesystem>
#include <random>
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

// Paths on the command line are UTF-8 on every system; on Windows a plain
// std::string would be read in the C locale and lose every name outside
// ASCII.
fs::path percorso(const std::string& utf8) { return fs::u8path(utf8); }

// A fault that ends a subcommand with its status; what() is the message.
struct uscita : std::runtime_error {
  uscita(int esito, const std::string& messaggio) : std::runtime_error(messaggio), esito(esito) {}
  int esito;
};

std::string leggi_sorgente(const fs::path& percorso) {
  std::error_code ec;
  if (fs::is_directory(percorso, ec)) throw errore_file("read", percorso, "it is a directory");
  if (!fs::exists(percorso, ec)) throw errore_file("read", percorso, "no such file");
  return leggi_file(percorso);
}

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

// A private directory that goes away with its contents.
class cartella_privata {
 public:
  cartella_privata() {
    std::random_device caso;
    for (int prova = 0; prova < 100; ++prova) {
      percorso_ = fs::temp_directory_path() / ("scenario-compile-" + std::to_string(caso()));
      if (fs::create_directory(percorso_)) return;
    }
    throw uscita(kEsitoUso, "cannot create a private directory under " + fs::temp_directory_path().u8string());
  }
  ~cartella_privata() {
    std::error_code ec;
    fs::remove_all(percorso_, ec);
  }
  cartella_privata(const cartella_privata&) = delete;
  cartella_privata& operator=(const cartella_privata&) = delete;
  const fs::path& percorso() const { return percorso_; }

 private:
  fs::path percorso_;
};

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
  const std::string testo_linea = leggi_sorgente(percorso(o.linea));
  const std::string testo_treno = leggi_sorgente(percorso(o.treno));
  crea_cartella(percorso(o.uscita));

  // The compiler deletes what it reads: it reads copies.
  cartella_privata privata;
  scrivi_file(privata.percorso() / file_sorgente_linea(o.titolo), testo_linea);
  scrivi_file(privata.percorso() / file_sorgente_treno(o.titolo, o.nome_treno), testo_treno);
  scenario s;
  s.nome_linea = o.titolo;
  s.nome_treno = o.nome_treno;
  const std::vector<errore_registrato> errori = costruisci(s, o.senza_profilo ? 0 : 1, privata.percorso());
  scrivi_binari(s, percorso(o.uscita));

  for (const errore_registrato& e : errori) err << descrivi_per_autore(e, o) << "\n";
  if (!errori.empty()) return kEsitoGuastoDati;
  out << riassunto(s, percorso(o.uscita));
  return kEsitoBuono;
}

// ---- dump ----

struct opzioni_dump {
  std::string file, tipo;
  bool json = false, solo_non_vuoti = false;
};

int scarica(const opzioni_dump& o, std::ostream& out, std::ostream& err) {
  std::optional<tipo_file> tipo =
      o.tipo.empty() ? tipo_dal_nome(percorso(o.file).filename().u8string()) : tipo_dalla_parola(o.tipo);
  if (!tipo) {
    throw uscita(kEsitoUso, o.tipo.empty() ? "cannot tell the kind of " + o.file +
                                                 " from its name: give --kind stations, track or profile"
                                           : "--kind must be stations, track or profile, not \"" + o.tipo + "\"");
  }
  const std::string dati = leggi_sorgente(percorso(o.file));
  try {
    out << (o.json ? dump_json(*tipo, dati, o.solo_non_vuoti) : dump_testo(*tipo, dati, o.solo_non_vuoti));
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
    if (voce.is_regular_file() && voce.path().extension() == ".sim") trovate.push_back(voce.path());
  }
  if (trovate.size() != 1) {
    throw uscita(kEsitoUso, cartella.u8string() + " holds " + std::to_string(trovate.size()) +
                                " station tables (.sim); draw needs exactly one");
  }
  return trovate[0];
}

template <typename T, typename F>
T decodifica_file(const fs::path& percorso, F decodifica) {
  const std::string dati = leggi_file(percorso);
  try {
    return decodifica(dati);
  } catch (const errore_decodifica& e) {
    throw uscita(kEsitoGuastoDati, percorso.u8string() + ": " + e.what());
  }
}

int disegna(const opzioni_draw& o, std::ostream& out, std::ostream& err) {
  const fs::path sim = trova_tabella(percorso(o.cartella));
  linea_costruita l;
  l.stazioni = decodifica_file<tabella_stazioni_t>(sim, decodifica_stazioni);
  fs::path celle = sim;
  celle.replace_extension(".dat");
  l.celle = decodifica_file<std::vector<cella>>(celle, decodifica_celle);
  // The title in row 85 names the profile; a title that is a path would
  // reach outside DIR, so it names nothing.
  const std::string& titolo = l.stazioni[kRigaLinea].nome;
  const bool titolo_sano = !titolo.empty() && titolo.find_first_of("/\\") == std::string::npos;
  const fs::path pianta = percorso(o.cartella) / file_profilo(titolo_sano ? titolo : "?");
  const bool con_pianta = titolo_sano && esiste_file(pianta);
  if (con_pianta) l.pianta = decodifica_file<profilo>(pianta, decodifica_profilo);

  crea_cartella(percorso(o.uscita));
  const fs::path svg1 = percorso(o.uscita) / "plan.svg", svg2 = percorso(o.uscita) / "gradient.svg";
  scrivi_file(svg1, svg_pianta(l));
  scrivi_file(svg2, svg_altimetria(l));
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
int protetto(std::ostream& err, F corpo) {
  try {
    return corpo();
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

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kEsitoBuono;
  } catch (const CLI::ParseError& e) {
    err << "scenario: " << e.what() << "\nRun scenario --help for the usage.\n";
    return kEsitoUso;
  }
  if (compile->parsed()) return protetto(err, [&] { return compila(oc, out, err); });
  if (dump->parsed()) return protetto(err, [&] { return scarica(od, out, err); });
  return protetto(err, [&] { return disegna(ow, out, err); });
}

}  // namespace valdoro

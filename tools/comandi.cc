#include "tools/comandi.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "compiler/codifica.h"
#include "compiler/diagnostica.h"
#include "compiler/formato.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "output/decodifica.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "tools/controllo.h"
#include "tools/draw.h"
#include "tools/dump.h"
#include "tools/sistema.h"
#include "tools/terminale.h"
#include "tools/vista.h"
#include "tools/vista_dati.h"
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

enum class formato_diagnostiche { testo, sarif };

struct opzioni_compile {
  std::string linea, treno, titolo, nome_treno, uscita;
  bool senza_profilo = false;
  bool severo = false;  // --strict: a warning fails the compile
  std::string formato_diagnostiche = "text";
  bool scrivi = true;  // false: check, nothing written
  bool forza = false;  // --force: the files are written despite errors, as the packager would
  std::string codifica = "windows-1252";  // --encoding: what the sources are saved in
};

// The compiler names its sources by title and train; the author knows them
// by the paths given on the command line.
std::string riga_per_autore(diagnostica d, const opzioni_compile& o) {
  if (d.dove.file == file_sorgente_linea(o.titolo)) d.dove.file = o.linea;
  if (d.dove.file == file_sorgente_treno(o.titolo, o.nome_treno)) d.dove.file = o.treno;
  // The message quotes the sources' own text, Windows-1252; the paths are
  // UTF-8 already.
  d.messaggio = da_cp1252(d.messaggio);
  return descrivi(d);
}

std::string conta(size_t n, const char* parola) {
  return std::to_string(n) + " " + parola + (n == 1 ? "" : "s");
}

int conta_stazioni(const tabella_stazioni_t& t) {
  int n = 0;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = t[r];
    n += (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) ? 1 : 0;
  }
  return n;
}

std::string riassunto(const scenario& s) {
  int segnali = 0;
  for (const cella& c : s.celle) segnali += c.tipo == 1 ? 1 : 0;
  return s.nome_linea + " / " + s.nome_treno + ": " + std::to_string(s.celle.size()) + " cells, " +
         std::to_string(conta_stazioni(s.tabella_stazioni)) + " stations, " + std::to_string(segnali) +
         " signals, route length " + std::to_string(s.lunghezza_percorso()) + " m";
}

// Line source, train source, then what has no source.
int rango_file(const luogo& l, const std::string& linea, const std::string& treno) {
  if (l.file == linea) return 0;
  if (l.file == treno) return 1;
  return 2;
}

// Whether the compile already told of the fault that the checker's `d`
// finds: the compile knows best what it did.
bool detto_dalla_compilazione(const diagnostica& d, const std::vector<diagnostica>& compilazione) {
  if (d.dove.riga <= 0) return false;
  for (const diagnostica& c : compilazione) {
    if (c.dove.riga == d.dove.riga && c.dove.file == d.dove.file && stesso_guasto(d.regola, c.regola)) return true;
  }
  return false;
}

// The compile's list and the checker's in one, each fault once, by source
// and place; an identity clash, which ends the build, last.
void unisci(sorgenti_controllate& r, const diagnostiche& d, const std::string& linea, const std::string& treno) {
  std::vector<diagnostica> compilazione = d.elenco();
  // What the compile finds without a place (a track too short, a clash in
  // cell 1 no record is known for) concerns the whole line.
  for (diagnostica& x : compilazione) {
    if (x.dove.file.empty()) x.dove.file = linea;
  }
  r.errori = d.errori() + r.verifica.errori;
  r.avvisi = d.avvisi() + r.verifica.avvisi;
  auto togli = [&](const diagnostica& x) { (x.livello == gravita::errore ? r.errori : r.avvisi) -= 1; };
  std::optional<diagnostica> scontro;
  if (r.fatale) {
    scontro = std::move(compilazione.back());
    compilazione.pop_back();
  }
  // A value in force that does not fit is met again at every later fill
  // when the reading goes on past it: told once.
  std::set<std::tuple<std::string, std::string, int, int, std::string>> visti;
  compilazione.erase(std::remove_if(compilazione.begin(), compilazione.end(),
                                    [&](const diagnostica& x) {
                                      const bool nuovo = visti.insert({x.regola, x.dove.file, x.dove.riga,
                                                                       x.dove.colonna, x.messaggio})
                                                             .second;
                                      if (!nuovo) togli(x);
                                      return !nuovo;
                                    }),
                     compilazione.end());
  std::vector<diagnostica> tutte = compilazione;
  for (diagnostica& x : d.riassunti_oltre()) tutte.push_back(std::move(x));
  for (const diagnostica& x : r.verifica.diagnostiche) {
    if (detto_dalla_compilazione(x, compilazione)) {
      togli(x);
      continue;
    }
    tutte.push_back(x);
  }
  std::stable_sort(tutte.begin(), tutte.end(), [&](const diagnostica& a, const diagnostica& b) {
    const int fa = rango_file(a.dove, linea, treno), fb = rango_file(b.dove, linea, treno);
    if (fa != fb) return fa < fb;
    // What concerns a whole source comes after its lines.
    const int ra = a.dove.riga > 0 ? a.dove.riga : INT_MAX, rb = b.dove.riga > 0 ? b.dove.riga : INT_MAX;
    if (ra != rb) return ra < rb;
    return a.dove.colonna < b.dove.colonna;
  });
  const raccolti via = raccogli_oltre_la_fine(tutte, r.verifica);
  r.errori -= via.errori;
  r.avvisi -= via.avvisi;
  if (scontro) tutte.push_back(std::move(*scontro));
  r.diagnostiche = std::move(tutte);
}

fs::path uri_assoluto(const std::string& p) {
  std::error_code ec;
  const fs::path a = fs::absolute(percorso(p), ec);
  return ec ? percorso(p) : a;
}

// The exit status: the SARIF log carries it too, so it is known first.
int stato_di(const sorgenti_controllate& r, const opzioni_compile& o) {
  if (r.fatale) return kEsitoUso;
  if (r.errori > 0 || (o.severo && r.avvisi > 0)) return kEsitoGuastoDati;
  return kEsitoBuono;
}

// The diagnostics, the summary and the status, as the author reads them.
int riporta(const sorgenti_controllate& r, const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  const bool testo = o.formato_diagnostiche != "sarif";
  if (testo) {
    for (const diagnostica& d : r.diagnostiche) err << per_terminale(riga_per_autore(d, o)) << "\n";
  } else {
    // Only Windows has '\\' between names: the generic form turns it to '/'
    // there, and leaves it a letter of the name elsewhere.
    const std::string uri_linea = uri_file(uri_assoluto(o.linea).generic_u8string());
    const std::string uri_treno = uri_file(uri_assoluto(o.treno).generic_u8string());
    out << sarif(r.diagnostiche, file_sorgente_linea(o.titolo), uri_linea, file_sorgente_treno(o.titolo, o.nome_treno),
                 uri_treno, stato_di(r, o));
  }
  const int stato = stato_di(r, o);
  if (r.fatale) {
    // A clash in the identity slots has said all there is: no file, no summary.
  } else if (r.errori > 0) {
    if (testo && o.scrivi) {
      err << (o.forza ? "scenario: files written in " + percorso(o.uscita).u8string() + " all the same (--force)\n"
                      : "scenario: no file written: the files in " + percorso(o.uscita).u8string() +
                            " are as they were (--force writes them as the packager would)\n");
    }
  } else {
    if (testo) out << riassunto(r.s) << (o.scrivi ? "; files in " + percorso(o.uscita).u8string() : "") << "\n";
    if (o.severo && r.avvisi > 0 && testo) err << "scenario: " << conta(r.avvisi, "warning") << " with --strict\n";
  }
  if (testo && r.errori + r.avvisi > 0) {
    err << "scenario: " << conta(r.errori, "error") << " and " << conta(r.avvisi, "warning") << "\n";
  }
  return stato;
}

// A source saved as UTF-8 is compiled as the Windows-1252 text it stands
// for; what cannot be converted is an error at its place, told first.
std::string leggi_in_cp1252(const std::string& file, const std::string& nome, const opzioni_compile& o,
                            std::vector<diagnostica>& guasti) {
  std::string testo = leggi_sorgente(percorso(file));
  if (o.codifica != "utf-8") return testo;
  sorgente_convertita c = da_utf8(testo, nome);
  guasti.insert(guasti.end(), c.guasti.begin(), c.guasti.end());
  return std::move(c.testo);
}

int compila(const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  controlla_nome("--title", o.titolo);
  controlla_nome("--train", o.nome_treno);
  std::vector<diagnostica> guasti;
  const std::string testo_linea = leggi_in_cp1252(o.linea, file_sorgente_linea(o.titolo), o, guasti);
  const std::string testo_treno = leggi_in_cp1252(o.treno, file_sorgente_treno(o.titolo, o.nome_treno), o, guasti);
  sorgenti_controllate r = controlla_sorgenti(testo_linea, testo_treno, o.titolo, o.nome_treno, !o.senza_profilo);
  r.diagnostiche.insert(r.diagnostiche.begin(), guasti.begin(), guasti.end());
  r.errori += guasti.size();
  // A compile with errors leaves the output folder as it was, which may be
  // the simulator's own: --force writes the packager's files all the same.
  // A clash in the identity slots ends the build before any file is
  // written, as in the packager, --force or not.
  if (o.scrivi && !r.fatale && (r.errori == 0 || o.forza)) {
    crea_cartella(percorso(o.uscita));
    // Two runs into one folder would mix their files.
    blocco_cartella blocco(percorso(o.uscita),
                           {file_profilo(o.titolo), file_stazioni(o.titolo, o.nome_treno),
                            file_celle(o.titolo, o.nome_treno)},
                           attesa_cartella);
    scrivi_binari(r.s, percorso(o.uscita));
  }
  return riporta(r, o, out, err);
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
  blocco_cartella blocco(cartella, nomi, attesa_cartella);
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
  bool con_unita = false;  // --units
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
    dump_json(tipo, apri, o.solo_non_vuoti, out, o.con_unita);
  } else {
    dump_testo(tipo, apri, o.solo_non_vuoti, out, o.con_unita);
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

// A title or train designation read from a station table names files
// (the title names the profile beside it) and is shown: a NUL would cut
// the name short, a path separator reach outside DIR, a control character
// garble the message.  The five bytes Windows-1252 leaves undefined are
// control characters once decoded.
void controlla_nome_letto(const fs::path& tabella, int riga, const std::string& cosa, const std::string& nome) {
  for (char c : nome) {
    const unsigned char b = static_cast<unsigned char>(c);
    const char* guasto = nullptr;
    if (b == 0) {
      guasto = "a NUL byte";
    } else if (c == '/' || c == '\\') {
      guasto = "a path separator";
    } else if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
      guasto = "a control character";
    }
    if (guasto != nullptr) {
      throw uscita(kEsitoGuastoDati,
                   tabella.u8string() + ": row " + std::to_string(riga) + ": the " + cosa + " holds " + guasto);
    }
  }
}

int disegna(const opzioni_draw& o, std::ostream& out, std::ostream& err) {
  const fs::path sim = trova_tabella(percorso(o.cartella));
  linea_costruita l;
  l.stazioni = decodifica_file(sim, [&] { return decodifica_stazioni(*apri_file(sim, collegamento::segui)()); });
  fs::path celle = sim;
  celle.replace_extension(".dat");
  l.celle = decodifica_file(celle, [&] { return decodifica_celle(*apri_file(celle, collegamento::segui)()); });
  controlla_nome_letto(sim, kRigaLinea, "title", l.stazioni[kRigaLinea].nome);
  controlla_nome_letto(sim, kRigaTreno, "train designation", l.stazioni[kRigaTreno].nome);
  // The title in row 85 names the profile.
  const std::string& titolo = l.stazioni[kRigaLinea].nome;
  const bool titolo_sano = !titolo.empty();
  const fs::path pianta = percorso(o.cartella) / file_profilo(titolo_sano ? titolo : "?");
  // A profile that is there in any form is read, and refused when it is
  // not a regular file: only a missing one means "no profile".
  std::error_code ec;
  const bool con_pianta = titolo_sano && fs::symlink_status(pianta, ec).type() != fs::file_type::not_found;
  if (con_pianta) {
    l.pianta = decodifica_file(pianta, [&] { return decodifica_pianta(apri_file(pianta, collegamento::segui)); });
  }

  crea_cartella(percorso(o.uscita));
  const std::string kPianta = "plan.svg", kAltimetria = "gradient.svg";
  blocco_cartella blocco(percorso(o.uscita), {kPianta, kAltimetria}, attesa_cartella);
  const fs::path svg1 = percorso(o.uscita) / kPianta, svg2 = percorso(o.uscita) / kAltimetria;
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

sorgenti_controllate controlla_sorgenti(const std::string& testo_linea, const std::string& testo_treno,
                                        const std::string& titolo, const std::string& treno, bool con_profilo) {
  const std::string nome_linea = file_sorgente_linea(titolo), nome_treno = file_sorgente_treno(titolo, treno);
  const std::map<std::string, const std::string*> testi = {{nome_linea, &testo_linea}, {nome_treno, &testo_treno}};
  fonte_memoria fonte(testi);
  esito_compilazione esatta = compila_scenario(fonte, titolo, treno, con_profilo);
  sorgenti_controllate r;
  r.fatale = esatta.fatale;
  diagnostiche elenco = esatta.d;
  if (esatta.d.errori() > (esatta.fatale ? 1 : 0)) {
    // The packager's reading stopped at the first fault of a source: read
    // again past every faulty record, for the list only.  The tables stay
    // the packager's.
    fonte_memoria di_nuovo(testi);
    esito_compilazione tutta = compila_scenario(di_nuovo, titolo, treno, con_profilo, lettura::recupera);
    elenco = std::move(tutta.d);
    // The build ends only where the packager's would; a clash that only the
    // records read past a fault make is one more error, in its place.
    if (esatta.fatale && !tutta.fatale) {
      const diagnostica& x = esatta.d.elenco().back();
      elenco.errore(*x.numero, x.dove, x.messaggio);
    }
  }
  r.s = std::move(esatta.s);
  r.luoghi = std::move(esatta.luoghi);
  r.verifica = verifica(testo_linea, nome_linea, testo_treno, nome_treno);
  unisci(r, elenco, nome_linea, nome_treno);
  return r;
}

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
  compile->add_flag("--force", oc.forza,
                    "write the files despite errors, exactly as the packager would (never after an identity clash)");
  const auto formati = CLI::IsMember({"text", "sarif"});
  const auto codifiche = CLI::IsMember({"windows-1252", "utf-8"});
  compile->add_option("--encoding", oc.codifica,
                      "what the sources are saved in: windows-1252 (default, as the packager writes them) or utf-8, "
                      "converted to Windows-1252")
      ->check(codifiche);
  compile->add_option("--diagnostics-format", oc.formato_diagnostiche,
                      "text (default): one line a problem on standard error; sarif: one SARIF 2.1.0 log on standard "
                      "output")
      ->check(formati);

  opzioni_compile ok;
  ok.scrivi = false;
  ok.titolo = kNomeLinea;
  ok.nome_treno = kNomeTreno;
  CLI::App* check = app.add_subcommand(
      "check", "Compile and check a line source and a train source, every problem in one run; nothing is written");
  check->add_option("LINE_SOURCE", ok.linea, "line source")->required();
  check->add_option("TRAIN_SOURCE", ok.treno, "train source")->required();
  CLI::Option* titolo_check = check->add_option(
      "--title", ok.titolo, "scenario title (default: from LINE_SOURCE named TITLE_linea.txt, else Valdoro)");
  CLI::Option* treno_check = check->add_option(
      "--train", ok.nome_treno,
      "train designation (default: from TRAIN_SOURCE named TITLE_TRAIN-.txt, else \"Dir 5802\")");
  check->add_flag("--no-profile", ok.senza_profilo, "do not build the line profile");
  check->add_flag("--strict", ok.severo, "end with status 1 when there is a warning");
  check->add_option("--encoding", ok.codifica, "windows-1252 (default) or utf-8, as for compile")->check(codifiche);
  check->add_option("--diagnostics-format", ok.formato_diagnostiche, "text (default) or sarif, as for compile")
      ->check(formati);

  opzioni_dump od;
  CLI::App* dump = app.add_subcommand("dump", "Print a station-table, track or line-profile file");
  dump->add_option("FILE", od.file, "binary file")->required();
  CLI::Option* kind = dump->add_option("--kind", od.tipo, "stations, track or profile (default: from the file name)");
  dump->add_flag("--json", od.json, "print JSON");
  dump->add_flag("--nonzero", od.solo_non_vuoti, "leave out empty rows, cells and metres");
  dump->add_flag("--units", od.con_unita,
                 "show beside each stored value what an author writes (km, hh:mm:ss, km/h, per mille)");
  CLI::Option* output = dump->add_option("--output", od.uscita, "write the dump into this file, not to standard output");

  opzioni_draw ow;
  CLI::App* draw = app.add_subcommand("draw", "Draw the plan and the gradient profile of a built line as SVG");
  draw->add_option("DIR", ow.cartella, "directory with the binary files")->required();
  draw->add_option("--out", ow.uscita, "directory for plan.svg and gradient.svg")->required();

  opzioni_init oi;
  CLI::App* init = app.add_subcommand("init", "Write our scenario's two sources and three papers, to start from");
  init->add_option("DIR", oi.cartella, "directory for the five files")->required();
  init->add_flag("--force", oi.forza, "replace files of the same names");

  opzioni_vista ov;
  CLI::App* view = app.add_subcommand("view", "Serve a page on this machine that shows the line built, its problems "
                                              "and its records, again at every save of either source");
  view->add_option("LINE_SOURCE", ov.linea, "line source")->required();
  view->add_option("TRAIN_SOURCE", ov.treno, "train source")->required();
  // Decimal digits only: the parser would also take 0x50 or 0b1010000 for
  // port 80, and the author would be served elsewhere than asked.
  const CLI::Validator decimale(
      [](std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos ? ""
                                                                                     : s + " is not a decimal number";
      },
      "DECIMAL");
  view->add_option("--port", ov.porta, "port on 127.0.0.1 (default: one the system picks)")
      ->check(decimale)
      ->check(CLI::Range(1, 65535));
  view->add_flag("--open", ov.apri, "open the page in the default browser");
  view->add_option("--title", ov.titolo, "scenario title (default: from LINE_SOURCE named TITLE_linea.txt)");
  view->add_option("--train", ov.nome_treno, "train designation (default: from TRAIN_SOURCE named TITLE_TRAIN-.txt)");

  // The format reference in docs/ is printed from the tables the checker
  // reads by; not an author's command.
  CLI::App* format_doc = app.add_subcommand("format-doc", "Print the reference of the source formats")->group("");
  // docs/diagnostics.md and the README's error table, printed from the
  // catalogue of diagnostics.
  bool solo_errori = false;
  CLI::App* diagnostics_doc =
      app.add_subcommand("diagnostics-doc", "Print the reference of every diagnostic")->group("");
  diagnostics_doc->add_flag("--errors", solo_errori, "only the table of error numbers, as the README holds it");

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
  if (check->parsed()) {
    // Sources named as init names them carry their title and train.
    if (titolo_check->count() == 0) ok.titolo = titolo_da_file(ok.linea).value_or(ok.titolo);
    if (treno_check->count() == 0) ok.nome_treno = treno_da_file(ok.treno, ok.titolo).value_or(ok.nome_treno);
    return protetto(out, err, [&] { return compila(ok, out, err); });
  }
  if (format_doc->parsed()) {
    return protetto(out, err, [&] {
      out << formato::documento();
      return kEsitoBuono;
    });
  }
  if (diagnostics_doc->parsed()) {
    return protetto(out, err, [&] {
      out << (solo_errori ? tabella_errori_markdown() : documento_diagnostiche());
      return kEsitoBuono;
    });
  }
  if (dump->parsed()) return protetto(out, err, [&] { return scarica(od, out, err); });
  if (init->parsed()) return protetto(out, err, [&] { return inizia(oi, out); });
  if (view->parsed()) {
    return protetto(out, err, [&] {
      if (!ov.titolo.empty()) controlla_nome("--title", ov.titolo);
      if (!ov.nome_treno.empty()) controlla_nome("--train", ov.nome_treno);
      return servi_vista(ov, out, err);
    });
  }
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

#include "cli/comandi.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <iostream>
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
#include "cli/sarif.h"
#include "output/controllo.h"
#include "output/carte_autore.h"
#include "sources/carte.h"
#include "sources/carte_valdoro.h"
#include "sources/scrittura.h"
#include "draw/draw.h"
#include "cli/dump.h"
#include "cli/orario.h"
#include "cli/sistema.h"
#include "cli/terminale.h"
#include "view/vista.h"
#include "view/vista_dati.h"
#include "lsp/lsp.h"
#include "util/file.h"
#include "util/cp1252.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

// Paths on the command line are UTF-8 on every system; on Windows a plain
// std::string would be read in the C locale and lose every name outside
// ASCII.
fs::path percorso(const std::string& utf8) { return fs::u8path(utf8); }

// A fault that ends a subcommand with its status; what() is the message.
struct fine_comando : std::runtime_error {
  fine_comando(int esito, const std::string& messaggio) : std::runtime_error(messaggio), esito(esito) {}
  int esito;
};

// A path that the author names may be a link; what it leads to must be a
// regular file within the input limit.
std::string leggi_sorgente(const fs::path& percorso) { return leggi_file(percorso, collegamento::segui); }

// Titles and train names become file names here and on the simulator's
// Windows machine, and identity codes in the files: printable ASCII only,
// without the characters either file system refuses.
void controlla_nome(const std::string& opzione, const std::string& nome) {
  if (nome.empty()) throw fine_comando(kEsitoUso, opzione + " must not be empty");
  for (char c : nome) {
    if (c < 0x20 || c > 0x7E || std::string("/\\:*?\"<>|").find(c) != std::string::npos) {
      throw fine_comando(kEsitoUso,
                         opzione + " \"" + nome + "\" may hold only printable ASCII without / \\ : * ? \" < > |");
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
  bool scrivi = true;                     // false: check, nothing written
  bool forza = false;                     // --force: the files are written despite errors, as the packager would
  std::string figure;                     // --train-figures, check only: "power=4300,..."
  bool carte = false;                     // --papers: the driver's papers too
  std::string fatti;                      // --facts: the author's facts file; empty: the defaults
  std::string codifica = "windows-1252";  // --encoding: what the sources are saved in
};

// What check and timetable compare the timetable with, by the rule every
// tool follows: the category's figures, the facts file's `f` in their
// place, the command line's in theirs.
opzioni_orario orario_per(const opzioni_compile& o, const fatti_carte& f) {
  try {
    return valdoro::orario_per(o.nome_treno, f.figure, o.figure);
  } catch (const std::invalid_argument& e) {
    throw fine_comando(kEsitoUso, std::string("--train-figures: ") + e.what());
  }
}

// The compiler names its sources by title and train; the author knows them
// by the paths given on the command line.
void per_autore(luogo& l, const opzioni_compile& o) {
  if (l.file == file_sorgente_linea(o.titolo)) l.file = o.linea;
  if (l.file == file_sorgente_treno(o.titolo, o.nome_treno)) l.file = o.treno;
}

std::string riga_per_autore(diagnostica d, const opzioni_compile& o) {
  // The message quotes the sources' own text, Windows-1252; the paths, and
  // the facts file with what its messages quote, are UTF-8 already.
  if (o.fatti.empty() || d.dove.file != o.fatti) d.messaggio = da_cp1252(d.messaggio);
  per_autore(d.dove, o);
  per_autore(d.titolare, o);
  return descrivi(d);
}

std::string conta(size_t n, const char* parola) { return std::to_string(n) + " " + parola + (n == 1 ? "" : "s"); }

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
    auto uri = [](const std::string& p) { return uri_file(uri_assoluto(p).generic_u8string()); };
    std::vector<sorgente_sarif> sorgenti = {{o.linea, uri(o.linea)}, {o.treno, uri(o.treno)}};
    if (!o.fatti.empty()) sorgenti.push_back({o.fatti, uri(o.fatti), false});
    // Places by the paths the author gave: the record a message refers to
    // is named in its text by that path too.
    std::vector<diagnostica> elenco = r.diagnostiche;
    for (diagnostica& d : elenco) {
      per_autore(d.dove, o);
      per_autore(d.titolare, o);
    }
    out << sarif(elenco, sorgenti, stato_di(r, o));
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

int scrivi_carte(const sorgenti_controllate& r, const opzioni_compile& o, std::ostream& out, std::ostream& err);

// The facts file, read and checked; no file: every default.
fatti_carte fatti_autore(const opzioni_compile& o, std::vector<diagnostica>& problemi) {
  if (o.fatti.empty()) return fatti_carte{};
  return leggi_fatti(leggi_sorgente(percorso(o.fatti)), o.fatti, problemi);
}

// The facts file's problems after the sources' (an identity clash, which
// ends the build, stays last), as the view lists them; its card rows are
// held against sources without error only.
void aggiungi_fatti(sorgenti_controllate& r, const fatti_carte& f, const std::string& file,
                    std::vector<diagnostica> problemi) {
  if (!file.empty() && r.errori == 0 && !r.fatale) controlla_fatti_sulle_sorgenti(f, file, r.verifica, problemi);
  const auto dove = r.fatale && !r.diagnostiche.empty() ? r.diagnostiche.end() - 1 : r.diagnostiche.end();
  r.diagnostiche.insert(dove, problemi.begin(), problemi.end());
  r.errori += problemi.size();  // every problem of the facts file is an error
}

// A source saved as UTF-8 is compiled as the Windows-1252 text it stands
// for; what cannot be converted is an error at its place, among the others.
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
  // The timetable is compared by check, which an author runs while writing
  // it, with the facts file's figures; its problems are told with the rest.
  std::vector<diagnostica> problemi_fatti;
  const fatti_carte fatti = o.scrivi ? fatti_carte{} : fatti_autore(o, problemi_fatti);
  const opzioni_orario orario = orario_per(o, fatti);
  sorgenti_controllate r = controlla_sorgenti(testo_linea, testo_treno, o.titolo, o.nome_treno, !o.senza_profilo,
                                              o.scrivi ? nullptr : &orario);
  aggiungi_in_ordine(r, guasti, o.titolo, o.nome_treno);
  if (!o.scrivi) aggiungi_fatti(r, fatti, o.fatti, problemi_fatti);
  // A compile with errors leaves the output folder as it was, which may be
  // the simulator's own: --force writes the packager's files all the same.
  // A clash in the identity slots ends the build before any file is
  // written, as in the packager, --force or not.
  if (o.scrivi && !r.fatale && (r.errori == 0 || o.forza)) {
    crea_cartella(percorso(o.uscita));
    // Two runs into one folder would mix their files.
    blocco_cartella blocco(
        percorso(o.uscita),
        {file_profilo(o.titolo), file_stazioni(o.titolo, o.nome_treno), file_celle(o.titolo, o.nome_treno)},
        attesa_cartella);
    scrivi_binari(r.s, percorso(o.uscita));
  }
  const int stato = riporta(r, o, out, err);
  if (!o.carte || stato != kEsitoBuono) return stato;
  return scrivi_carte(r, o, out, err);
}

// ---- papers ----

// The three papers of the checked sources, through the one generator the
// packager's papers come from.  Nothing is written while any problem
// stands: a paper is never printed with a text cut or a default the author
// did not choose.
int scrivi_carte(const sorgenti_controllate& r, const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  std::vector<diagnostica> problemi;
  const fatti_carte f = fatti_autore(o, problemi);
  const dati_carte d = dati_da_sorgenti(r.verifica, problemi);
  controlla_fermate_fatti(d, f, o.fatti, problemi);
  for (const diagnostica& p : problemi) err << per_terminale(riga_per_autore(p, o)) << "\n";
  if (!problemi.empty()) {
    err << "scenario: " << conta(problemi.size(), "error") << "; no paper written\n";
    return kEsitoGuastoDati;
  }
  std::vector<std::vector<std::string>> carte;
  try {
    carte = {carta_note(f), carta_rallentamenti(d, f), carta_orario(d, f)};
    for (const std::vector<std::string>& c : carte) {
      if (c.size() >= static_cast<size_t>(kVociElenco)) {
        throw fuori_modulo("a paper of " + std::to_string(c.size()) + " lines; a paper holds " +
                           std::to_string(kVociElenco - 1));
      }
    }
  } catch (const fuori_modulo& e) {
    err << "scenario: " << e.what() << "; no paper written\n";
    return kEsitoGuastoDati;
  }
  const std::vector<std::string> nomi = {file_note(o.titolo, o.nome_treno), file_rallentamenti(o.titolo, o.nome_treno),
                                         file_scheda(o.titolo, o.nome_treno)};
  crea_cartella(percorso(o.uscita));
  blocco_cartella blocco(percorso(o.uscita), nomi, attesa_cartella);
  for (size_t i = 0; i < nomi.size(); ++i) scrivi_righe(percorso(o.uscita), nomi[i], carte[i]);
  out << "papers: " << conta(fermate_stampate(d, f).size(), "stop") << ", " << conta(d.rallentamenti.size(), "slowdown")
      << "; files in " << percorso(o.uscita).u8string() << "\n";
  return kEsitoBuono;
}

int carte(const opzioni_compile& o, std::ostream& out, std::ostream& err) {
  controlla_nome("--title", o.titolo);
  controlla_nome("--train", o.nome_treno);
  const sorgenti_controllate r = controlla_sorgenti(leggi_sorgente(percorso(o.linea)),
                                                    leggi_sorgente(percorso(o.treno)), o.titolo, o.nome_treno, false);
  if (r.fatale || r.errori > 0) {
    opzioni_compile senza_file = o;
    senza_file.scrivi = false;
    riporta(r, senza_file, out, err);
    err << "scenario: no paper written: the sources have errors\n";
    return r.fatale ? kEsitoUso : kEsitoGuastoDati;
  }
  return scrivi_carte(r, o, out, err);
}

// ---- timetable ----

// The stops beside the fastest run.  Sources with an error would time
// another line than the author's: their errors are told instead.
int orario(const opzioni_compile& o, bool come_json, std::ostream& out, std::ostream& err) {
  controlla_nome("--title", o.titolo);
  controlla_nome("--train", o.nome_treno);
  std::vector<diagnostica> problemi_fatti;
  const opzioni_orario opzioni = orario_per(o, fatti_autore(o, problemi_fatti));
  if (!problemi_fatti.empty()) {
    for (const diagnostica& d : problemi_fatti) err << per_terminale(riga_per_autore(d, o)) << "\n";
    err << "scenario: no timetable: " << conta(problemi_fatti.size(), "error") << " in the facts file\n";
    return kEsitoGuastoDati;
  }
  const sorgenti_controllate r = controlla_sorgenti(
      leggi_sorgente(percorso(o.linea)), leggi_sorgente(percorso(o.treno)), o.titolo, o.nome_treno, !o.senza_profilo);
  if (r.errori > 0 || r.fatale) {
    for (const diagnostica& d : r.diagnostiche) {
      if (d.livello == gravita::errore) err << per_terminale(riga_per_autore(d, o)) << "\n";
    }
    err << "scenario: no timetable: " << conta(r.errori, "error") << " in the sources\n";
    return r.fatale ? kEsitoUso : kEsitoGuastoDati;
  }
  const std::vector<tratta_marcia> tratte = calcola_orario(r.s, opzioni.figure);
  const double incertezza = opzioni.figure_date ? 0 : kIncertezzaFigure;
  out << (come_json ? orario_json(r.s, tratte, incertezza) : orario_testo(r.s, tratte, incertezza));
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
      file_sorgente_linea(kNomeLinea),     file_sorgente_treno(kNomeLinea, kNomeTreno),
      file_note(kNomeLinea, kNomeTreno),   file_rallentamenti(kNomeLinea, kNomeTreno),
      file_scheda(kNomeLinea, kNomeTreno), file_fatti(kNomeLinea, kNomeTreno)};
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
    if (!presi.empty()) throw fine_comando(kEsitoUso, "init would replace " + presi + ": give --force to overwrite");
  }
  dati_linea(kNomeLinea, cartella);
  dati_treno(kNomeLinea, kNomeTreno, cartella);
  dati_note(kNomeLinea, kNomeTreno, cartella);
  dati_rallentamenti(kNomeLinea, kNomeTreno, cartella);
  dati_scheda(kNomeLinea, kNomeTreno, cartella);
  // Our papers' facts, as an author writes them: `scenario papers` with
  // this file makes the three papers above again.
  scrivi_file(cartella / file_fatti(kNomeLinea, kNomeTreno), testo_fatti(fatti_valdoro()));
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
    svuota();
    file_.concludi();
  }

 protected:
  int_type overflow(int_type c) override {
    svuota();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    svuota();
    return 0;
  }

 private:
  void svuota() {
    const std::string_view pezzo(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(buf_, buf_ + sizeof buf_);
    file_.aggiungi(pezzo);
  }

  file_in_scrittura file_;
  char buf_[64 * 1024];
};

// A track's kilometres are numbered by its station table, which the
// packager writes beside it under the same name with ".sim"; without one
// that decodes, they count from the start.
std::optional<tabella_stazioni_t> numerazione_accanto(const opzioni_dump& o, tipo_file tipo) {
  if (tipo != tipo_file::binario || !o.con_unita) return std::nullopt;
  fs::path sim = percorso(o.file);
  sim.replace_extension(".sim");
  std::error_code ec;
  if (!fs::is_regular_file(sim, ec)) return std::nullopt;
  try {
    return decodifica_stazioni(*apri_file(sim, collegamento::segui)());
  } catch (const errore_decodifica&) {
    return std::nullopt;
  } catch (const errore_file&) {
    return std::nullopt;
  }
}

void scrivi_dump(const opzioni_dump& o, tipo_file tipo, const apri_fonte& apri, std::ostream& out) {
  const std::optional<tabella_stazioni_t> numerazione = numerazione_accanto(o, tipo);
  const tabella_stazioni_t* n = numerazione ? &*numerazione : nullptr;
  if (o.json) {
    dump_json(tipo, apri, o.solo_non_vuoti, out, o.con_unita, n);
  } else {
    dump_testo(tipo, apri, o.solo_non_vuoti, out, o.con_unita, n);
  }
}

int esegui_dump(const opzioni_dump& o, std::ostream& out, std::ostream& err) {
  std::optional<tipo_file> tipo =
      o.con_tipo ? tipo_dalla_parola(o.tipo) : tipo_dal_nome(percorso(o.file).filename().u8string());
  if (!tipo) {
    throw fine_comando(kEsitoUso, o.con_tipo ? "--kind must be stations, track or profile, not \"" + o.tipo + "\""
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
  std::string fatti;  // --facts: the train's figures for the fastest run
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
    throw fine_comando(kEsitoUso, cartella.u8string() + " holds " + std::to_string(trovate.size()) +
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
    throw fine_comando(kEsitoGuastoDati, percorso.u8string() + ": " + e.what());
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
    } else if (b < 0x20 || b == 0x7F || !definito_in_cp1252(b)) {
      guasto = "a control character";
    }
    if (guasto != nullptr) {
      throw fine_comando(kEsitoGuastoDati,
                         tabella.u8string() + ": row " + std::to_string(riga) + ": the " + cosa + " holds " + guasto);
    }
  }
}

int disegna(const opzioni_draw& o, std::ostream& out, std::ostream& err) {
  // The facts file's figures time the run drawn; with a problem in it
  // nothing is drawn, as the run would not be the author's train's.
  std::vector<diagnostica> problemi;
  const fatti_carte fatti =
      o.fatti.empty() ? fatti_carte{} : leggi_fatti(leggi_sorgente(percorso(o.fatti)), o.fatti, problemi);
  if (!problemi.empty()) {
    for (const diagnostica& d : problemi) err << per_terminale(descrivi(d)) << "\n";
    err << "scenario: nothing drawn: " << conta(problemi.size(), "error") << " in the facts file\n";
    return kEsitoGuastoDati;
  }
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
  scrivi_file(svg2, svg_altimetria(l, corsa_della_linea(l, fatti.figure)));
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
    if (!out) throw fine_comando(kEsitoUso, "cannot write standard output");
    return esito;
  } catch (const fine_comando& e) {
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
  CLI::App* compile =
      app.add_subcommand("compile", "Compile a line source and a train source into the three binary files");
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
  compile
      ->add_option("--encoding", oc.codifica,
                   "what the sources are saved in: windows-1252 (default, as the packager writes them) or utf-8, "
                   "converted to Windows-1252")
      ->check(codifiche);
  compile
      ->add_option("--diagnostics-format", oc.formato_diagnostiche,
                   "text (default): one line a problem on standard error; sarif: one SARIF 2.1.0 log on standard "
                   "output")
      ->check(formati);

  compile->add_flag("--papers", oc.carte, "write the driver's papers too (see the papers subcommand)");
  compile->add_option("--facts", oc.fatti, "the facts file for --papers (docs/papers.md)");

  opzioni_compile op;
  op.titolo = kNomeLinea;
  op.nome_treno = kNomeTreno;
  CLI::App* papers = app.add_subcommand(
      "papers", "Write the driver's papers (timetable card and line booklet, slowdown order, notes) of two sources");
  papers->add_option("LINE_SOURCE", op.linea, "line source")->required();
  papers->add_option("TRAIN_SOURCE", op.treno, "train source")->required();
  papers->add_option("--facts", op.fatti, "the facts file: train number, validity, notes... (docs/papers.md)");
  papers->add_option("--out", op.uscita, "directory for the three papers")->required();
  papers->add_option("--title", op.titolo, "scenario title (names the files; default Valdoro)");
  papers->add_option("--train", op.nome_treno, "train designation (names the files; default \"Dir 5802\")");

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
  CLI::Option* treno_check =
      check->add_option("--train", ok.nome_treno,
                        "train designation (default: from TRAIN_SOURCE named TITLE_TRAIN-.txt, else \"Dir 5802\")");
  check->add_flag("--no-profile", ok.senza_profilo, "do not build the line profile");
  check->add_flag("--strict", ok.severo, "end with status 1 when there is a warning");
  check->add_option("--encoding", ok.codifica, "windows-1252 (default) or utf-8, as for compile")->check(codifiche);
  check->add_option("--diagnostics-format", ok.formato_diagnostiche, "text (default) or sarif, as for compile")
      ->check(formati);
  check->add_option("--facts", ok.fatti,
                    "the facts file (docs/papers.md): its problems are told, its train's figures time the train");
  check->add_option("--train-figures", ok.figure,
                    "the train's figures for the timetable check, \"power=4300,effort=200,...\", in place of the "
                    "facts file's (docs/timetable.md)");

  opzioni_compile oo;
  oo.scrivi = false;
  oo.titolo = kNomeLinea;
  oo.nome_treno = kNomeTreno;
  bool orario_json_chiesto = false;
  CLI::App* timetable = app.add_subcommand(
      "timetable", "Print every stop's scheduled times beside the train's fastest run (docs/timetable.md)");
  timetable->add_option("LINE_SOURCE", oo.linea, "line source")->required();
  timetable->add_option("TRAIN_SOURCE", oo.treno, "train source")->required();
  timetable->add_option("--title", oo.titolo, "scenario title (default Valdoro)");
  timetable->add_option("--train", oo.nome_treno, "train designation (default \"Dir 5802\")");
  timetable->add_option("--facts", oo.fatti, "the facts file whose train's figures time the train (docs/papers.md)");
  timetable->add_option("--train-figures", oo.figure,
                        "the train's figures, \"power=4300,effort=200,...\", in place of the facts file's");
  timetable->add_flag("--json", orario_json_chiesto, "print JSON");

  opzioni_dump od;
  CLI::App* dump = app.add_subcommand("dump", "Print a station-table, track or line-profile file");
  dump->add_option("FILE", od.file, "binary file")->required();
  CLI::Option* kind = dump->add_option("--kind", od.tipo, "stations, track or profile (default: from the file name)");
  dump->add_flag("--json", od.json, "print JSON");
  dump->add_flag("--nonzero", od.solo_non_vuoti, "leave out empty rows, cells and metres");
  dump->add_flag("--units", od.con_unita,
                 "show beside each stored value what an author writes (km, hh:mm:ss, km/h, per mille)");
  CLI::Option* output =
      dump->add_option("--output", od.uscita, "write the dump into this file, not to standard output");

  opzioni_draw ow;
  CLI::App* draw = app.add_subcommand("draw", "Draw the plan and the gradient profile of a built line as SVG");
  draw->add_option("DIR", ow.cartella, "directory with the binary files")->required();
  draw->add_option("--out", ow.uscita, "directory for plan.svg and gradient.svg")->required();
  draw->add_option("--facts", ow.fatti, "the facts file whose train's figures time the fastest run (docs/papers.md)");

  opzioni_init oi;
  CLI::App* init =
      app.add_subcommand("init", "Write our scenario's two sources, three papers and the papers' facts, to start from");
  init->add_option("DIR", oi.cartella, "directory for the six files")->required();
  init->add_flag("--force", oi.forza, "replace files of the same names");

  opzioni_vista ov;
  CLI::App* view = app.add_subcommand("view",
                                      "Serve a page on this machine that shows the line built, its problems "
                                      "and its records, again at every save of a source or the facts file");
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
  view->add_option("--facts", ov.fatti,
                   "the facts file for the papers (docs/papers.md; default: TITLE_TRAIN_fatti.txt beside LINE_SOURCE, "
                   "as init writes it, if there)");

  CLI::App* lsp = app.add_subcommand(
      "lsp", "Serve the language server protocol on standard input and output, for an editor (docs/authors.md)");

  // The format reference in docs/ is printed from the tables the checker
  // reads by; not an author's command.
  CLI::App* format_doc = app.add_subcommand("format-doc", "Print the reference of the source formats")->group("");
  // docs/diagnostics.md and the authors' guide's error table, printed from the
  // catalogue of diagnostics.
  bool solo_errori = false;
  CLI::App* diagnostics_doc =
      app.add_subcommand("diagnostics-doc", "Print the reference of every diagnostic")->group("");
  diagnostics_doc->add_flag("--errors", solo_errori, "only the table of error numbers, as docs/authors.md holds it");

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
  if (timetable->parsed()) return protetto(out, err, [&] { return orario(oo, orario_json_chiesto, out, err); });
  if (format_doc->parsed()) {
    return protetto(out, err, [&] {
      out << documento_formati();
      return kEsitoBuono;
    });
  }
  if (diagnostics_doc->parsed()) {
    return protetto(out, err, [&] {
      out << (solo_errori ? tabella_errori_markdown() : documento_diagnostiche());
      return kEsitoBuono;
    });
  }
  if (dump->parsed()) return protetto(out, err, [&] { return esegui_dump(od, out, err); });
  if (lsp->parsed()) {
    return protetto(out, err, [&] {
      prepara_canale_server();
      return lsp::esegui(std::cin, out, lsp::lettore_disco());
    });
  }
  if (init->parsed()) return protetto(out, err, [&] { return inizia(oi, out); });
  if (papers->parsed()) return protetto(out, err, [&] { return carte(op, out, err); });
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

void uscita_controllata::svuota() {
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
  svuota();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int uscita_controllata::sync() {
  svuota();
  return 0;
}

}  // namespace valdoro

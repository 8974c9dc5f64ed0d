#include "view/vista_dati.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

#include "compiler/arrotonda.h"
#include "compiler/formato.h"
#include "output/carte_autore.h"
#include "sources/carte.h"
#include "model/nomi_file.h"
#include "output/decodifica.h"
#include "output/controllo.h"
#include "util/cp1252.h"
#include "util/file.h"
#include "view/vista_sistema.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

bool nome_sano(const std::string& nome) {
  if (nome.empty()) return false;
  for (char c : nome) {
    if (c < 0x20 || c > 0x7E || std::string("/\\:*?\"<>|").find(c) != std::string::npos) return false;
  }
  return true;
}

bool finisce_con(const std::string& s, const std::string& coda) {
  return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}

// The title and train the sources' own names carry, so that the picture is
// titled as the packager's would be; neutral names when the files are
// named otherwise.
std::pair<std::string, std::string> nomi_dai_file(const std::string& file_linea, const std::string& file_treno) {
  std::pair<std::string, std::string> n{"Linea", "Treno"};
  const std::optional<std::string> titolo = titolo_da_file(file_linea);
  if (!titolo) return n;
  n.first = *titolo;
  if (const std::optional<std::string> treno = treno_da_file(file_treno, *titolo)) n.second = *treno;
  return n;
}

// The compiler's names for the sources, turned back into the author's.
struct nomi {
  std::string compilatore_linea, compilatore_treno;
  const std::string& file_linea;
  const std::string& file_treno;

  std::string file_autore(const std::string& file) const {
    if (file == compilatore_linea) return file_linea;
    if (file == compilatore_treno) return file_treno;
    return file;
  }
};

// What the pictures call what a keyword makes.
const char* tipo_disegnato(const std::string& parola) {
  static const std::map<std::string, const char*> tipi = {
      {"stazione", "station"}, {"segnale", "signal"},    {"indicatori_vmax", "board"}, {"rallentamento", "slowdown"},
      {"montagna", "tunnel"},  {"pendenza", "gradient"}, {"curva", "curve"},
  };
  const auto t = tipi.find(parola);
  return t == tipi.end() ? nullptr : t->second;
}

std::string valore_autore(const esito_verifica& v, const record_letto& rl, size_t i) {
  const formato::campo& c = rl.tipo->campi[i];
  if (c.letto == formato::lettura::testo) return std::string(v.testo(rl, i));
  const std::string n = std::to_string(v.valore(rl, i));
  return *c.unita != '\0' ? n + " " + c.unita : n;
}

// The value of the field called `nome`, if the record has it.
bool campo(const esito_verifica& v, const record_letto& rl, const char* nome, int64_t* valore) {
  const int i = formato::indice_campo(*rl.tipo, nome);
  if (i < 0 || static_cast<uint32_t>(i) >= rl.valori) return false;
  *valore = v.valore(rl, static_cast<size_t>(i));
  return true;
}

// The first field that gives a position, whatever it is called.
bool posizione(const esito_verifica& v, const record_letto& rl, int64_t* valore) {
  for (size_t i = 0; i < rl.tipo->campi.size() && i < rl.valori; ++i) {
    if (rl.tipo->campi[i].parte == formato::ruolo::posizione) {
      *valore = v.valore(rl, i);
      return true;
    }
  }
  return false;
}

// A gradient begins at the start of the cell nearest its position.
int64_t metro_pendenza(int64_t p) { return int64_t{cella_al_metro(static_cast<double>(p))} * kMetriCella; }

// Keys each record as the pictures key what it made.
class indice_record {
 public:
  indice_record(const sorgenti_controllate& c, const nomi& n) : c_(c), n_(n) {}

  std::vector<record_vista> tutti() {
    std::vector<record_vista> out;
    for (const record_letto& rl : c_.verifica.records) out.push_back(uno(rl));
    chiudi_pendenze(out);
    return out;
  }

 private:
  record_vista uno(const record_letto& rl) {
    const esito_verifica& v = c_.verifica;
    record_vista r;
    r.parola = rl.tipo->parola;
    const char* tipo = tipo_disegnato(r.parola);
    r.tipo = tipo != nullptr ? tipo : r.parola;
    const luogo dove = v.dove(rl);
    r.file = n_.file_autore(dove.file);
    r.riga = dove.riga;
    for (size_t i = 0; i < rl.valori && i < rl.tipo->campi.size(); ++i) {
      r.valori.emplace_back(rl.tipo->campi[i].nome, valore_autore(v, rl, i));
    }
    int64_t p = 0, altro = 0;
    if (!posizione(v, rl, &p)) return r;
    r.da = r.a = p;
    if (r.tipo == "station") {
      r.riga_tabella = ++stazioni_;
    } else if (r.tipo == "signal" || r.tipo == "board") {
      r.cella = cella_oggetto(static_cast<double>(p));
    } else if (r.tipo == "slowdown") {
      r.cella = cella_rallentamento(dove);
      if (campo(v, rl, "length", &altro)) r.a = p + altro;
    } else if (r.tipo == "tunnel") {
      if (campo(v, rl, "end", &altro)) r.a = altro;
    } else if (r.tipo == "curve") {
      if (campo(v, rl, "length", &altro)) r.a = p + altro;
    } else if (r.tipo == "gradient") {
      r.da = metro_pendenza(p);
    }
    return r;
  }

  // A slowdown's start cell is worked out from all its values: the
  // compile says where it put it.
  int32_t cella_rallentamento(const luogo& dove) const {
    for (const auto& [cella, l] : c_.luoghi.inizi_rallentamento) {
      if (l.file == dove.file && l.riga == dove.riga) return cella;
    }
    return -1;
  }

  // A gradient holds from its cell to the next gradient's, the last one to
  // the end of the track.
  void chiudi_pendenze(std::vector<record_vista>& out) const {
    const int64_t fine = static_cast<int64_t>(c_.s.celle.size()) * kMetriCella;
    record_vista* prima = nullptr;
    for (record_vista& r : out) {
      if (r.tipo != "gradient" || r.da < 0) continue;
      if (prima != nullptr) prima->a = std::max(prima->da, r.da);
      prima = &r;
    }
    if (prima != nullptr) prima->a = std::max(prima->da, fine);
  }

  const sorgenti_controllate& c_;
  const nomi& n_;
  int32_t stazioni_ = 0;
};

// The papers an author would print now; with errors in the sources or the
// facts file their data would mislead, so the page says so instead, as
// `scenario papers` writes none then.
std::string carte_in_vista(const sorgenti_controllate& c, const fatti_carte& f, size_t problemi_fatti) {
  if (c.errori > 0 || c.fatale) return "No papers while the sources have errors.";
  if (problemi_fatti > 0) return "No papers while the facts file has errors.";
  std::vector<diagnostica> problemi;
  const dati_carte d = dati_da_sorgenti(c.verifica, problemi);
  if (!problemi.empty()) {
    std::string t = "No papers: " + std::to_string(problemi.size()) + " record(s) do not fit them.";
    for (const diagnostica& p : problemi) t += "\n" + da_cp1252(p.messaggio);
    return t;
  }
  try {
    std::string t;
    for (const std::vector<std::string>& carta : {carta_orario(d, f), carta_rallentamenti(d, f), carta_note(f)}) {
      for (const std::string& riga : carta) t += riga + "\n";
      t += "\n" + std::string(72, '=') + "\n\n";
    }
    return t;
  } catch (const fuori_modulo& e) {
    return std::string("No papers: ") + e.what();
  }
}

}  // namespace

std::optional<std::string> titolo_da_file(const std::string& file_linea) {
  const std::string l = fs::u8path(file_linea).filename().u8string();
  const std::string coda_linea = file_sorgente_linea("");
  if (!finisce_con(l, coda_linea)) return std::nullopt;
  const std::string titolo = l.substr(0, l.size() - coda_linea.size());
  if (!nome_sano(titolo)) return std::nullopt;
  return titolo;
}

std::optional<std::string> treno_da_file(const std::string& file_treno, const std::string& titolo) {
  const std::string t = fs::u8path(file_treno).filename().u8string();
  const std::string testa = titolo + "_";
  constexpr size_t kCoda = 5;  // "-.txt"
  if (t.size() <= testa.size() + kCoda || t.compare(0, testa.size(), testa) != 0 || !finisce_con(t, "-.txt")) {
    return std::nullopt;
  }
  const std::string treno = t.substr(testa.size(), t.size() - testa.size() - kCoda);
  if (!nome_sano(treno)) return std::nullopt;
  return treno;
}

std::string fatti_accanto(const std::string& file_linea, const std::string& file_treno, const std::string& titolo,
                          const std::string& treno) {
  std::pair<std::string, std::string> n = nomi_dai_file(file_linea, file_treno);
  if (!titolo.empty()) n.first = titolo;
  if (!treno.empty()) n.second = treno;
    // Beside it by the author's own spelling of the folder, so that the
    // page names the file as the author would.
#ifdef _WIN32
  const size_t barra = file_linea.find_last_of("/\\");
#else
  const size_t barra = file_linea.rfind('/');
#endif
  const std::string cartella = barra == std::string::npos ? "" : file_linea.substr(0, barra + 1);
  return cartella + file_fatti(n.first, n.second);
}

std::optional<fatti_in_vista> leggi_fatti_vista(const std::string& file, bool nominato,
                                                std::vector<diagnostica_vista>& guasti) {
  const fs::path percorso = fs::u8path(file);
  const char* kIntanto = ": the papers are made with the default facts meanwhile";
  try {
    if (firma_di(percorso).esiste) return fatti_in_vista{file, leggi_file(percorso, collegamento::segui)};
    if (nominato) guasti.push_back({"error", "read", file, 0, 0, "no facts file " + file + kIntanto});
  } catch (const std::exception& e) {
    guasti.push_back({"error", "read", file, 0, 0, e.what() + std::string(kIntanto)});
  }
  return std::nullopt;
}

compilazione_vista compila_per_vista(const std::string& testo_linea, const std::string& testo_treno,
                                     const std::string& file_linea, const std::string& file_treno,
                                     const std::string& titolo, const std::string& treno, const fatti_in_vista* fatti) {
  compilazione_vista v;
  std::tie(v.titolo, v.treno) = nomi_dai_file(file_linea, file_treno);
  if (!titolo.empty()) v.titolo = titolo;
  if (!treno.empty()) v.treno = treno;
  const nomi n{file_sorgente_linea(v.titolo), file_sorgente_treno(v.titolo, v.treno), file_linea, file_treno};
  // The facts file's problems follow the sources', in the facts file's own
  // letters (UTF-8); its figures time the train.
  std::vector<diagnostica> problemi_fatti;
  fatti_carte f;
  if (fatti != nullptr) {
    v.fatti = fatti->file;
    v.testo_fatti = fatti->testo;
    f = leggi_fatti(fatti->testo, fatti->file, problemi_fatti);
  }
  // The diagnostics of `scenario check`, the timetable's among them.
  opzioni_orario orario = orario_per(v.treno, f.figure);
  orario.con_velocita = true;
  v.incertezza = orario.figure_date ? 0 : kIncertezzaFigure;
  sorgenti_controllate c = controlla_sorgenti(testo_linea, testo_treno, v.titolo, v.treno, true, &orario);
  for (diagnostica d : c.diagnostiche) {
    d.titolare.file = n.file_autore(d.titolare.file);
    // The message quotes the sources' own text, in their code page.
    v.diagnostiche.push_back({nome_gravita(d.livello), d.regola, n.file_autore(d.dove.file), d.dove.riga,
                              d.dove.colonna, da_cp1252(messaggio_intero(d))});
  }
  v.errori = c.errori;
  v.avvisi = c.avvisi;
  v.note = c.note;
  if (fatti != nullptr && c.errori == 0 && !c.fatale) {
    controlla_fatti_sulle_sorgenti(f, fatti->file, c.verifica, problemi_fatti);
  }
  for (const diagnostica& d : problemi_fatti) {
    v.diagnostiche.push_back(
        {nome_gravita(d.livello), d.regola, d.dove.file, d.dove.riga, d.dove.colonna, messaggio_intero(d)});
    v.errori += d.livello == gravita::errore ? 1 : 0;
    v.avvisi += d.livello == gravita::avviso ? 1 : 0;
    v.note += d.livello == gravita::nota ? 1 : 0;
  }
  v.carte = carte_in_vista(c, f, problemi_fatti.size());
  // Timed once, for the comparison: an impossible timetable, an error of
  // its own, still shows the run it cannot keep.
  v.corsa = std::move(c.tratte);
  v.record = indice_record(c, n).tutti();
  v.linea.stazioni = c.s.tabella_stazioni;
  v.linea.celle = std::move(c.s.celle);
  v.linea.pianta = std::move(c.s.profilo_linea);
  return v;
}

}  // namespace valdoro

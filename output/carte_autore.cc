#include "output/carte_autore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "compiler/formato.h"
#include "output/decodifica.h"
#include "output/marcia.h"
#include "util/cp1252.h"
#include "util/testo.h"

namespace valdoro {

namespace {

// ---------------------------------------------------------------- facts

constexpr char kNonChiave[] = "facts-not-a-key";
constexpr char kChiaveIgnota[] = "facts-unknown-key";
constexpr char kChiaveRipetuta[] = "facts-repeated-key";
constexpr char kValoreErrato[] = "facts-bad-value";
constexpr char kNonSta[] = "paper-does-not-fit";
constexpr char kStazioneIgnota[] = "facts-unknown-station";

size_t caratteri(const std::string& testo) {
  size_t n = 0;
  for (char c : testo) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string senza_bordi(std::string_view t) {
  const size_t a = t.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  return std::string(t.substr(a, t.find_last_not_of(" \t") - a + 1));
}

// "dd/mm/yyyy", as the card prints the validity.
bool data_valida(const std::string& d) {
  if (d.size() != 10 || d[2] != '/' || d[5] != '/') return false;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (!std::isdigit(static_cast<unsigned char>(d[i]))) return false;
  }
  const int giorno = std::stoi(d.substr(0, 2)), mese = std::stoi(d.substr(3, 2));
  return giorno >= 1 && giorno <= 31 && mese >= 1 && mese <= 12;
}

bool tutte(const std::string& t, int (*prova)(int)) {
  return !t.empty() &&
         std::all_of(t.begin(), t.end(), [prova](char c) { return prova(static_cast<unsigned char>(c)) != 0; });
}

// One key of the facts file: where its value goes and what it may be.
// The check returns "" for a good value, else what is wrong with it.
struct chiave_fatti {
  const char* nome;
  bool ripetibile;
  // What the reference says of the key (docs/source-format.md).
  struct {
    std::string predefinito;
    std::string cosa;
    std::string forma;
  } doc;
  std::function<std::string(const std::string& v)> controlla;
  std::function<void(fatti_carte& f, const std::string& v)> applica;
  bool grezzo = false;  // kept as written, blanks and all: prose and drawn lines
};

std::string entro(const std::string& v, size_t n, const char* dove) {
  if (caratteri(v) <= n) return "";
  return "\"" + v + "\" is " + std::to_string(caratteri(v)) + " characters; " + dove + " holds " + std::to_string(n);
}

// ---- The card's and the booklet's rows: fields split at ";", each
// trimmed unless written in double quotes, which keep its blanks (a
// drawing's leading blanks are part of it).

std::vector<std::string> campi(const std::string& v) {
  std::vector<std::string> c;
  size_t i = 0;
  while (true) {
    const size_t fine = v.find(';', i);
    const std::string x = senza_bordi(std::string_view(v).substr(i, fine == std::string::npos ? fine : fine - i));
    c.push_back(x.size() >= 2 && x.front() == '"' && x.back() == '"' ? x.substr(1, x.size() - 2) : x);
    if (fine == std::string::npos) return c;
    i = fine + 1;
  }
}

std::string numero_in(const std::string& v, int64_t massimo, const char* cosa) {
  if (!tutte(v, std::isdigit) || v.size() > 9 || std::stoll(v) > massimo) {
    return std::string(cosa) + " \"" + v + "\" must be a whole number from 0 to " + std::to_string(massimo);
  }
  return "";
}

std::string quanti_campi(const std::vector<std::string>& c, size_t minimo, size_t massimo, const char* forma) {
  if (c.size() >= minimo && c.size() <= massimo) return "";
  return std::to_string(c.size()) + (c.size() == 1 ? " field where " : " fields where ") + forma + " has " +
         (minimo == massimo ? std::to_string(minimo) : std::to_string(minimo) + " to " + std::to_string(massimo));
}

// "14.27", "15.26½", or nothing.
std::string orario_valido(const std::string& t) {
  const size_t punto = t.find('.');
  const std::string minuti = punto == std::string::npos ? "" : t.substr(punto + 1);
  const bool mezzo = minuti.size() == 4 && minuti.substr(2) == "½";
  const std::string ore = t.substr(0, punto);
  if (t.empty() ||
      (tutte(ore, std::isdigit) && ore.size() <= 2 && std::stoi(ore) < 24 && tutte(minuti.substr(0, 2), std::isdigit) &&
       minuti.size() >= 2 && std::stoi(minuti.substr(0, 2)) < 60 && (minuti.size() == 2 || mezzo))) {
    return "";
  }
  return "the time \"" + t + "\" must be written h.mm or h.mm½";
}

// A card row's name and two times, fields 1 to 3.
std::string controlla_riga_carta(const std::vector<std::string>& c) {
  std::string g = entro(c.size() > 1 ? c[1] : "", 27, "the card's stop column");
  for (size_t i = 2; i < 4 && g.empty(); ++i) g = orario_valido(i < c.size() ? c[i] : "");
  return g;
}

constexpr char kFormaFermata[] = "\"station; name; arrival; departure\"";
constexpr char kFormaPassaggio[] = "\"position; name; arrival; departure\"";

std::string controlla_fermata(const std::string& v) {
  const std::vector<std::string> c = campi(v);
  std::string g = quanti_campi(c, 2, 4, kFormaFermata);
  if (g.empty() && c[0].empty()) g = "the station is missing";
  return g.empty() ? controlla_riga_carta(c) : g;
}

std::string controlla_passaggio(const std::string& v) {
  const std::vector<std::string> c = campi(v);
  std::string g = quanti_campi(c, 2, 4, kFormaPassaggio);
  if (g.empty()) g = numero_in(c[0], 10000000, "the position");
  if (g.empty() && c[1].empty()) g = "the name is missing";
  return g.empty() ? controlla_riga_carta(c) : g;
}

fermata_fatti fermata_di(const std::vector<std::string>& c) {
  fermata_fatti r;
  r.localita = c.at(1);
  if (c.size() > 2) r.arrivo = c[2];
  if (c.size() > 3) r.partenza = c[3];
  return r;
}

void applica_fermata(fatti_carte& f, const std::string& v) {
  const std::vector<std::string> c = campi(v);
  fermata_fatti r = fermata_di(c);
  r.stazione = c[0];
  f.fermate.push_back(r);
}

void applica_passaggio(fatti_carte& f, const std::string& v) {
  const std::vector<std::string> c = campi(v);
  fermata_fatti r = fermata_di(c);
  r.posizione = static_cast<int32_t>(std::stol(c[0]));
  f.fermate.push_back(r);
}

libretto& disegnato(fatti_carte& f) {
  if (!f.libretto_disegnato) f.libretto_disegnato.emplace();
  return *f.libretto_disegnato;
}

constexpr const char* kGeneri[] = {"binario", "stazione", "punto"};

std::string nome_genere(genere_luogo g) { return kGeneri[static_cast<int>(g)]; }

constexpr char kFormaLuogo[] = "\"position; kind; drawing; km; text; A; B; C; P; short text\"";

// A speed cell holds up to four characters: "105", "---".
std::string controlla_luogo(const std::string& v) {
  const std::vector<std::string> c = campi(v);
  std::string g = quanti_campi(c, 3, 10, kFormaLuogo);
  if (g.empty()) g = numero_in(c[0], 10000000, "the position");
  if (g.empty() && std::find(std::begin(kGeneri), std::end(kGeneri), c[1]) == std::end(kGeneri)) {
    g = "the kind \"" + c[1] + "\" must be binario, stazione or punto";
  }
  for (size_t i = 5; i < 9 && i < c.size() && g.empty(); ++i) g = entro(c[i], 4, "a speed cell");
  return g;
}

luogo_libretto luogo_di(const std::string& v) {
  std::vector<std::string> c = campi(v);
  c.resize(10);
  const genere_luogo g =
      static_cast<genere_luogo>(std::find(std::begin(kGeneri), std::end(kGeneri), c[1]) - std::begin(kGeneri));
  return {static_cast<int32_t>(std::stol(c[0])), g, c[2], c[3], c[4], {c[5], c[6], c[7], c[8]}, c[9]};
}

std::string controlla_disegno(const std::string& v) { return quanti_campi(campi(v), 1, 1, "a drawing"); }

std::string controlla_coda(const std::string& v) {
  const std::vector<std::string> c = campi(v);
  std::string g = quanti_campi(c, 2, 2, "\"row; text\"");
  return g.empty() ? numero_in(c[0], 1000, "the row") : g;
}

// The train's figures for its running times, one key each, checked by
// the model's own rule, as --train-figures is.
void aggiungi_figure(std::vector<chiave_fatti>& t) {
  for (const figura_treno& d : figure_del_treno()) {
    t.push_back({d.chiave,
                 false,
                 {"the category's", std::string("for the running times: ") + d.cosa, forma_figura(d)},
                 [&d](const std::string& v) {
                   figure_treno f;
                   return imposta_figura(f, d, v).value_or("");
                 },
                 [&d](fatti_carte& f, const std::string& v) { f.figure.emplace_back(d.nome, v); }});
  }
}

std::vector<chiave_fatti> tutte_le_chiavi() {
  std::vector<chiave_fatti> t = {
      {"treno",
       false,
       {"`0000`", "the train number, on the card and in the order", "digits, up to 5"},
       [](const std::string& v) -> std::string {
         if (!tutte(v, std::isdigit)) return "the train number \"" + v + "\" must be digits";
         return entro(v, 5, "the card's train column");
       },
       [](fatti_carte& f, const std::string& v) { f.numero = v; }},
      {"categoria",
       false,
       {"`REG`", "the classification on the card", "capitals, up to 5"},
       [](const std::string& v) -> std::string {
         if (!tutte(v, std::isupper)) return "the category \"" + v + "\" must be capital letters";
         return entro(v, 5, "the card's class column");
       },
       [](fatti_carte& f, const std::string& v) { f.categoria = v; }},
      {"valido dal",
       false,
       {"`01/01/2001`", "first day of validity", "`dd/mm/yyyy`"},
       [](const std::string& v) -> std::string {
         return data_valida(v) ? "" : "the date \"" + v + "\" must be written dd/mm/yyyy";
       },
       [](fatti_carte& f, const std::string& v) { f.valida_dal = "dal " + v; }},
      {"valido al",
       false,
       {"`31/12/2001`", "last day of validity", "`dd/mm/yyyy`"},
       [](const std::string& v) -> std::string {
         return data_valida(v) ? "" : "the date \"" + v + "\" must be written dd/mm/yyyy";
       },
       [](fatti_carte& f, const std::string& v) { f.valida_al = "al " + v; }},
      {"periodicita",
       false,
       {"`Periodico: giornaliero`", "the periodicity text", "up to 35"},
       [](const std::string& v) { return entro(v, 35, "the card's periodicity cell"); },
       [](fatti_carte& f, const std::string& v) { f.periodicita = v; }},
      {"rango",
       false,
       {"`B`", "the speed rank of the train", "`A`, `B`, `C` or `P`"},
       [](const std::string& v) -> std::string {
         return v == "A" || v == "B" || v == "C" || v == "P" ? "" : "the rank \"" + v + "\" must be A, B, C or P";
       },
       [](fatti_carte& f, const std::string& v) { f.rango = v; }},
      {"locomotive",
       false,
       {"empty", "the locomotive types", "up to 13"},
       [](const std::string& v) { return entro(v, 13, "the card's locomotive cell"); },
       [](fatti_carte& f, const std::string& v) { f.locomotive = v; }},
      {"ripetizione segnali",
       false,
       {"empty", "the signal repetition: `RS 4COD`", "up to 19"},
       [](const std::string& v) { return entro(v, 19, "the card's repetition cell"); },
       [](fatti_carte& f, const std::string& v) { f.ripetizione = v; }},
      {"linea",
       false,
       {"first and last station", "the line's short name, booklet and order", "up to 60"},
       [](const std::string& v) { return entro(v, 60, "the booklet's title"); },
       [](fatti_carte& f, const std::string& v) { f.nome_breve = v; }},
      {"nota",
       true,
       {"none", "one line of the notes, as laid out", "kept as written"},
       [](const std::string&) { return std::string(); },
       [](fatti_carte& f, const std::string& v) { f.note.push_back(v); },
       true},
      {"firma",
       true,
       {"`    Saluti.`", "one line of the closing", "kept as written"},
       [](const std::string&) { return std::string(); },
       [](fatti_carte& f, const std::string& v) { f.firma.push_back(v); },
       true},
      {"fermata",
       true,
       {"the record's",
        "a station's row where the card parts from its record: `station; name; arrival; departure`, the row "
        "whole (an empty time prints none); an empty name prints the station's in capitals",
        "the station as the train source names it; name up to 27; times `h.mm` or `h.mm½` or empty"},
       controlla_fermata,
       applica_fermata},
      {"passaggio",
       true,
       {"none", "a row for a point the train source has no station for: `position; name; arrival; departure`",
        "position in metres between the first and the last station; name up to 27; times as for `fermata`"},
       controlla_passaggio,
       applica_passaggio},
      {"luogo",
       true,
       {"made from the sources",
        "a row of the drawn booklet: `position; kind; drawing; km; text; A; B; C; P; short text`",
        "kind `binario`, `stazione` or `punto`; speeds up to 4 characters; 3 to 10 fields"},
       controlla_luogo,
       [](fatti_carte& f, const std::string& v) { disegnato(f).luoghi.push_back(luogo_di(v)); }},
      {"chiusura",
       true,
       {"none", "a row closing the drawn booklet's last page (buffer stops, terminal), as `luogo`", "as `luogo`"},
       controlla_luogo,
       [](fatti_carte& f, const std::string& v) { disegnato(f).arrivo.push_back(luogo_di(v)); }},
      {"ventaglio",
       true,
       {"none", "the drawing of one of the last rows before `chiusura`, the tracks fanning into the terminal",
        "one field"},
       controlla_disegno,
       [](fatti_carte& f, const std::string& v) { disegnato(f).ventaglio.push_back(campi(v).at(0)); }},
      {"riquadro",
       true,
       {"none", "one line of a side box right of the last page's bar", "kept as written"},
       [](const std::string&) { return std::string(); },
       [](fatti_carte& f, const std::string& v) { disegnato(f).riquadro.push_back(v); },
       true},
      {"riga riquadro",
       false,
       {"`0`", "the last page's row the side box starts at", "0 to 1000"},
       [](const std::string& v) { return numero_in(v, 1000, "the side box's first row"); },
       [](fatti_carte& f, const std::string& v) { disegnato(f).riga_riquadro = std::stoul(v); }},
      {"coda",
       true,
       {"none", "a text right of the bar on one row of the last page: `row; text`", "row 0 to 1000"},
       controlla_coda,
       [](fatti_carte& f, const std::string& v) {
         const std::vector<std::string> c = campi(v);
         disegnato(f).code.emplace_back(std::stoul(c.at(0)), c.at(1));
       }},
  };
  aggiungi_figure(t);
  return t;
}

const std::vector<chiave_fatti>& chiavi_fatti() {
  static const std::vector<chiave_fatti> t = tutte_le_chiavi();
  return t;
}

const chiave_fatti* trova_chiave(const std::string& nome) {
  for (const chiave_fatti& c : chiavi_fatti()) {
    if (nome == c.nome) return &c;
  }
  return nullptr;
}

std::string forse_intendeva(const std::string& nome) {
  for (const chiave_fatti& c : chiavi_fatti()) {
    if (distanza(nome, c.nome, 2) <= 2) return std::string(" (did you mean \"") + c.nome + "\"?)";
  }
  return "";
}

void problema(std::vector<diagnostica>& p, const char* regola, const std::string& file, int riga, int colonna,
              const std::string& messaggio) {
  p.push_back(diagnostica{gravita::errore, regola, luogo{file, riga, colonna}, messaggio});
}

// The value: prose keeps its blanks (one after "=" aside), for its
// indents and trailing blanks are part of the notes' layout; every other
// value is trimmed.
std::string valore_di(const chiave_fatti& c, std::string_view dopo_uguale) {
  if (!c.grezzo) return senza_bordi(dopo_uguale);
  if (!dopo_uguale.empty() && dopo_uguale[0] == ' ') dopo_uguale.remove_prefix(1);
  return std::string(dopo_uguale);
}

// Whether the value can go on paper at all: Windows-1252 has one byte for
// each character it knows and none for the others.
std::string in_codice(const std::string& v) {
  try {
    in_cp1252(v);
    return "";
  } catch (const std::invalid_argument&) {
    return "\"" + v + "\" holds a character the papers' code page (Windows-1252) does not have";
  }
}

struct lettura_fatti {
  fatti_carte f;
  std::map<std::string, int> viste;  // key, line of its first value
  bool note_lette = false, firma_letta = false;
};

void leggi_riga(std::string_view riga, int n, const std::string& file, lettura_fatti& l, std::vector<diagnostica>& p) {
  if (senza_bordi(riga).empty() || senza_bordi(riga)[0] == '#') return;
  const size_t uguale = riga.find('=');
  const int inizio = static_cast<int>(riga.find_first_not_of(" \t")) + 1;
  if (uguale == std::string_view::npos) {
    problema(p, kNonChiave, file, n, inizio, "\"" + senza_bordi(riga) + "\" is no \"key = value\"");
    return;
  }
  const std::string nome = senza_bordi(riga.substr(0, uguale));
  const chiave_fatti* c = trova_chiave(nome);
  if (c == nullptr) {
    problema(p, kChiaveIgnota, file, n, inizio, "unknown key \"" + nome + "\"" + forse_intendeva(nome));
    return;
  }
  if (!c->ripetibile && l.viste.count(nome) != 0) {
    problema(p, kChiaveRipetuta, file, n, inizio,
             "\"" + nome + "\" given again; the value of line " + std::to_string(l.viste[nome]) + " stands");
    return;
  }
  l.viste.emplace(nome, n);
  const std::string v = valore_di(*c, riga.substr(uguale + 1));
  const size_t colonna_valore = riga.find_first_not_of(" \t", uguale + 1);
  const int colonna = static_cast<int>(colonna_valore == std::string_view::npos ? uguale + 2 : colonna_valore + 1);
  std::string guasto = in_codice(v);
  if (guasto.empty()) guasto = c->controlla(v);
  if (!guasto.empty()) {
    problema(p, kValoreErrato, file, n, colonna, nome + ": " + guasto);
    return;
  }
  // The first signature line replaces the default greeting.
  if (std::strcmp(c->nome, "firma") == 0 && !l.firma_letta) l.f.firma.clear(), l.firma_letta = true;
  c->applica(l.f, v);
  if (!l.f.fermate.empty() && l.f.fermate.back().riga == 0) l.f.fermate.back().riga = n;
}

}  // namespace

fatti_carte leggi_fatti(std::string_view testo, const std::string& file, std::vector<diagnostica>& problemi) {
  lettura_fatti l;
  int n = 0;
  while (!testo.empty()) {
    const size_t fine = testo.find('\n');
    std::string_view riga = testo.substr(0, fine);
    testo.remove_prefix(fine == std::string_view::npos ? testo.size() : fine + 1);
    if (!riga.empty() && riga.back() == '\r') riga.remove_suffix(1);
    leggi_riga(riga, ++n, file, l, problemi);
  }
  return l.f;
}

namespace {

// A field as campi reads it back: quoted where its blanks or a ";" would
// otherwise be lost.
std::string campo(const std::string& t) {
  const bool quota = t.find(';') != std::string::npos || (!t.empty() && (t.front() == ' ' || t.back() == ' '));
  return quota ? "\"" + t + "\"" : t;
}

// Empty fields at the end are left out, down to the `minimo` the key needs.
std::string riga_campi(const char* chiave, std::vector<std::string> c, size_t minimo) {
  while (c.size() > minimo && c.back().empty()) c.pop_back();
  std::string t = std::string(chiave) + " =";
  for (size_t i = 0; i < c.size(); ++i) t += (i == 0 ? " " : "; ") + campo(c[i]);
  return t + "\n";
}

std::string righe_luoghi(const char* chiave, const std::vector<luogo_libretto>& l) {
  std::string t;
  for (const luogo_libretto& x : l) {
    const std::string breve = x.testo_breve == x.testo ? "" : x.testo_breve;
    t += riga_campi(chiave,
                    {std::to_string(x.posizione), nome_genere(x.g), x.disegno, x.km, x.testo, x.velocita[0],
                     x.velocita[1], x.velocita[2], x.velocita[3], breve},
                    3);
  }
  return t;
}

std::string testo_libretto(const libretto& l) {
  std::string t =
      "# The booklet as drawn, row by row: position; kind; drawing; km; text;\n"
      "# speeds A; B; C; P; the text where the page is narrow.\n" +
      righe_luoghi("luogo", l.luoghi) + righe_luoghi("chiusura", l.arrivo);
  for (const std::string& v : l.ventaglio) t += riga_campi("ventaglio", {v}, 1);
  t += "riga riquadro = " + std::to_string(l.riga_riquadro) + "\n";
  for (const std::string& r : l.riquadro) t += "riquadro = " + r + "\n";
  for (const auto& [riga, testo] : l.code) t += riga_campi("coda", {std::to_string(riga), testo}, 2);
  return t;
}

}  // namespace

std::string documento_fatti() {
  std::string t =
      "## The facts file\n\n"
      "<!-- Printed from the key table of output/carte_autore.cc. -->\n\n"
      "What the driver's papers carry beyond the two sources (`scenario papers`, `compile --papers`; see "
      "docs/papers.md). `scenario init` writes ours beside our sources.\n\n"
      "- A text file in UTF-8, one `key = value` a line. Empty lines and lines starting with `#` are passed "
      "over. Every character must exist in Windows-1252.\n"
      "- Each key may be left out: its default stands. A key marked repeated takes one line each time, in "
      "order; any other key is given once.\n"
      "- Values are trimmed, except those kept as written: after `=` one blank is dropped and the rest is "
      "kept, so indents and trailing blanks stay. The notes are not wrapped: break the lines by hand.\n"
      "- The rows of the card and the booklet are fields separated by `;`, each trimmed; a field in double "
      "quotes keeps its blanks (a drawing's leading blanks are part of it). Empty fields at the end may be "
      "left out.\n"
      "- Given any `luogo`, `chiusura`, `ventaglio`, `riquadro`, `riga riquadro` or `coda`, the booklet is the "
      "drawn one, and nothing of it is made from the sources.\n"
      "- The train's figures, `potenza` to `rango cartelli`, time the train for `check`, `timetable`, `draw` and "
      "`view` (docs/timetable.md); each one left out keeps the value of the train's category, and each one given "
      "with `--train-figures` takes the place of the facts file's.\n\n"
      "| Key | Repeated | Default | What | Form |\n|---|---|---|---|---|\n";
  for (const chiave_fatti& c : chiavi_fatti()) {
    t += std::string("| `") + c.nome + "` | " + (c.ripetibile ? "yes" : "no") + " | " + c.doc.predefinito + " | " +
         c.doc.cosa + " | " + c.doc.forma + " |\n";
  }
  t += "\nEach problem is named at its place (`FILE:LINE:COL`); the line in fault is passed over and the rest "
       "is read. No paper is written while one stands.\n\n| Id | What |\n|---|---|\n";
  for (const char* id : {kNonChiave, kChiaveIgnota, kChiaveRipetuta, kValoreErrato, kStazioneIgnota}) {
    t += std::string("| `") + id + "` | " + trova_regola(id)->descrizione + " |\n";
  }
  return t;
}

std::string documento_formati() { return formato::documento() + documento_fatti(); }

std::string testo_fatti(const fatti_carte& f) {
  auto dopo = [](const std::string& v, const char* prefisso) {
    return v.rfind(prefisso, 0) == 0 ? v.substr(std::strlen(prefisso)) : v;
  };
  std::string t =
      "# What the driver's papers carry beyond the two sources; see docs/papers.md.\n"
      "treno = " +
      f.numero + "\ncategoria = " + f.categoria + "\nvalido dal = " + dopo(f.valida_dal, "dal ") +
      "\nvalido al = " + dopo(f.valida_al, "al ") + "\nperiodicita = " + f.periodicita + "\nrango = " + f.rango +
      "\nlocomotive = " + f.locomotive + "\nripetizione segnali = " + f.ripetizione + "\nlinea = " + f.nome_breve +
      "\n# The notes, one line of the paper each, as laid out by hand.\n";
  for (const std::string& r : f.note) t += "nota = " + r + "\n";
  for (const std::string& r : f.firma) t += "firma = " + r + "\n";
  if (!f.fermate.empty()) t += "# The card where it parts from the train source: station or position; name; times.\n";
  for (const fermata_fatti& r : f.fermate) {
    t += r.stazione.empty()
             ? riga_campi("passaggio", {std::to_string(r.posizione), r.localita, r.arrivo, r.partenza}, 2)
             : riga_campi("fermata", {r.stazione, r.localita, r.arrivo, r.partenza}, 2);
  }
  if (f.libretto_disegnato) t += testo_libretto(*f.libretto_disegnato);
  return t;
}

// ---------------------------------------------------------------- data

namespace {

bool e(const record_letto& r, const char* parola) { return std::strcmp(r.tipo->parola, parola) == 0; }

struct progressiva {
  int64_t inizio, scostamento;
  const record_letto* r;  // the numbering's record
};

// The kilometre numbering of the line source: from each start on, the
// offset (100 m longer with the flag) is added to positions.
struct numerazione {
  std::vector<progressiva> p;
  int32_t metri(int64_t posizione) const {
    const progressiva* in_vigore = nullptr;
    for (const progressiva& x : p) {
      if (posizione >= x.inizio && (in_vigore == nullptr || x.inizio > in_vigore->inizio)) in_vigore = &x;
    }
    return static_cast<int32_t>(in_vigore == nullptr ? posizione : posizione + in_vigore->scostamento);
  }
};

struct stazione_letta {
  const record_letto* r;
  int64_t posizione, sosta, orario;
  std::string nome;        // UTF-8, capitals, as the card and the booklet print it
  std::string nome_fonte;  // UTF-8, as written, as the slowdown order prints it
};

std::vector<stazione_letta> stazioni_lette(const esito_verifica& v) {
  std::vector<stazione_letta> s;
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "stazione")) continue;
    const int64_t orario = (v.valore(r, 13) * 60 + v.valore(r, 14)) * 60 + v.valore(r, 15);
    s.push_back({&r, v.valore(r, 0), v.valore(r, 12), orario, in_maiuscole(senza_bordi(da_cp1252(v.testo(r, 16)))),
                 senza_bordi(da_cp1252(v.testo(r, 16)))});
  }
  return s;
}

void controlla_larghezza(const esito_verifica& v, const record_letto& r, const std::string& testo, size_t n,
                         const char* dove, std::vector<diagnostica>& p) {
  if (caratteri(testo) <= n) return;
  p.push_back(diagnostica{gravita::errore, kNonSta, v.dove(r),
                          "\"" + testo + "\" is " + std::to_string(caratteri(testo)) + " characters; " + dove +
                              " holds " + std::to_string(n)});
}

// A kilometre the booklet prints for the record `r` at `metri` as
// numbered.  One before the numbering's 0 has no printed form: a problem
// at the record, and no text.
std::string km_stampato(const esito_verifica& v, const record_letto& r, int64_t posizione, int32_t metri, int decimali,
                        std::vector<diagnostica>& p) {
  if (metri >= 0) return km_carte(metri, decimali);
  p.push_back(diagnostica{gravita::errore, kNonSta, v.dove(r),
                          "position " + std::to_string(posizione) + " m is numbered " + std::to_string(metri) +
                              " m: the papers print no kilometre before the numbering's 0"});
  return "";
}

// The card: every station by its record; those passed without a time
// are printed only where the facts give them one.
std::vector<fermata_carta> fermate(const std::vector<stazione_letta>& s) {
  std::vector<fermata_carta> f;
  for (size_t i = 0; i < s.size(); ++i) {
    f.push_back(fermata_da_record(s[i].nome_fonte, static_cast<int32_t>(s[i].posizione), s[i].orario, s[i].sosta,
                                  i == 0, i + 1 == s.size()));
  }
  return f;
}

std::vector<rallentamento_carta> rallentamenti_letti(const esito_verifica& v, const std::vector<stazione_letta>& s,
                                                     std::vector<diagnostica>& p) {
  std::vector<rallentamento_carta> t;
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "rallentamento")) continue;
    const int64_t inizio = v.valore(r, 0), fine = inizio + v.valore(r, 2);
    std::string da = s.empty() ? "" : s.front().nome_fonte, a = s.empty() ? "" : s.back().nome_fonte;
    for (const stazione_letta& x : s) {
      if (x.posizione <= inizio) da = x.nome_fonte;
    }
    for (auto x = s.rbegin(); x != s.rend(); ++x) {
      if (x->posizione > fine) a = x->nome_fonte;
    }
    controlla_larghezza(v, r, da + " - " + a, 28, "the slowdown order's stations column", p);
    // The order names the post by the record's own start, as the form
    // has always printed it.
    t.push_back({da, a, static_cast<int32_t>(inizio), static_cast<int32_t>(v.valore(r, 1)),
                 static_cast<int32_t>(v.valore(r, 2))});
  }
  return t;
}

// A sign board's groups, "(Cavalcavia)(Km   1.900)", on one line with one
// blank between words: the board spaces them for its own face.
std::string gruppi(std::string_view testo) {
  std::string t;
  for (char c : testo) {
    const bool blank = c == '(' || c == ')' || c == ' ';
    if (blank && !t.empty() && t.back() != ' ') t += ' ';
    if (!blank) t += c;
  }
  return senza_bordi(t);
}

std::string velocita_testo(int64_t v) { return v == 0 ? "---" : std::to_string(v); }

// The boards: a speed stands where it changes, at the board without
// stripes, where it holds; the striped boards ahead of it only announce it.
void cartelli(const esito_verifica& v, const numerazione& km, libretto& lib, std::vector<diagnostica>& p) {
  std::array<std::string, 4> prima = {"", "", "", ""};
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "indicatori_vmax") || v.valore(r, 4) != 0) continue;
    std::array<std::string, 4> ora = {velocita_testo(v.valore(r, 1)), velocita_testo(v.valore(r, 2)),
                                      velocita_testo(v.valore(r, 3)), ""};
    std::array<std::string, 4> testo;
    for (size_t k = 0; k < 3; ++k) testo[k] = ora[k] == prima[k] ? "" : ora[k];
    prima = ora;
    if (testo == std::array<std::string, 4>{}) continue;
    const int32_t pos = static_cast<int32_t>(v.valore(r, 0));
    lib.luoghi.push_back(
        {pos, genere_luogo::punto, kDisegnoBinario, "", "Km " + km_stampato(v, r, pos, km.metri(pos), 3, p), testo});
  }
}

// A tunnel's name board, "(Galleria)(Name)", stands this far at most
// before the entrance.
constexpr int64_t kDistanzaNomeGalleria = 500;

struct nome_galleria {
  const record_letto* r;
  int64_t posizione;
  std::string nome;  // UTF-8, as the board writes it
  bool usato = false;
};

std::vector<nome_galleria> nomi_gallerie(const esito_verifica& v) {
  std::vector<nome_galleria> n;
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "cartello_indicatore")) continue;
    const std::string testo = da_cp1252(gruppi(v.testo(r, 1)));
    if (testo.rfind("Galleria ", 0) == 0) n.push_back({&r, v.valore(r, 0), testo.substr(9)});
  }
  return n;
}

// The name board nearest before the entrance, not yet given to a tunnel.
nome_galleria* nome_per(std::vector<nome_galleria>& n, int64_t inizio) {
  nome_galleria* scelto = nullptr;
  for (nome_galleria& x : n) {
    if (x.usato || x.posizione > inizio || x.posizione < inizio - kDistanzaNomeGalleria) continue;
    if (scelto == nullptr || x.posizione > scelto->posizione) scelto = &x;
  }
  if (scelto != nullptr) scelto->usato = true;
  return scelto;
}

// Tunnel mouths (mountain kinds 1 and 3, with markers or not), named as
// the board before the entrance names the tunnel: "Imb.Gall.SASSOSCURO Km
// 40.500", on a narrow page "Sb.Gall.M.CERVO Km 122.000".  A tunnel
// without a name board is "Imb.Gall. Km 40.500".
void gallerie(const esito_verifica& v, const numerazione& km, std::vector<nome_galleria>& nomi, libretto& lib,
              std::vector<diagnostica>& p) {
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "montagna") || (v.valore(r, 2) % 10 != 1 && v.valore(r, 2) % 10 != 3)) continue;
    const nome_galleria* n = nome_per(nomi, v.valore(r, 0));
    for (const auto& [campo, bocca] : {std::make_pair(0, "Imb.Gall."), std::make_pair(1, "Sb.Gall.")}) {
      const int32_t pos = static_cast<int32_t>(v.valore(r, static_cast<size_t>(campo)));
      const std::string dopo = " Km " + km_stampato(v, r, pos, km.metri(pos), 3, p);
      if (n == nullptr) {
        lib.luoghi.push_back({pos, genere_luogo::punto, kDisegnoBinario, "", std::string(bocca) + dopo});
        continue;
      }
      // Whether the name fits depends on the page its row falls on: the
      // generator names it if it does not.
      lib.luoghi.push_back({pos,
                            genere_luogo::punto,
                            kDisegnoBinario,
                            "",
                            bocca + in_maiuscole(n->nome) + dopo,
                            {},
                            bocca + galleria_breve(n->nome) + dopo});
    }
  }
}

// A kilometre as a post's board writes it, "166+700", is "166.700" in the
// booklet, as every other kilometre there.
std::string km_da_cartello(std::string t) {
  for (size_t i = 1; i + 3 < t.size(); ++i) {
    if (t[i] == '+' && std::isdigit(static_cast<unsigned char>(t[i - 1])) && tutte(t.substr(i + 1, 3), std::isdigit) &&
        (i + 4 == t.size() || !std::isdigit(static_cast<unsigned char>(t[i + 4])))) {
      t[i] = '.';
    }
  }
  return t;
}

// Sign boards, but those that name a tunnel: its mouths carry the name.
void punti(const esito_verifica& v, const numerazione& km, libretto& lib, std::vector<diagnostica>& p) {
  std::vector<nome_galleria> nomi = nomi_gallerie(v);
  gallerie(v, km, nomi, lib, p);
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "cartello_indicatore")) continue;
    if (std::any_of(nomi.begin(), nomi.end(), [&r](const nome_galleria& n) { return n.usato && n.r == &r; })) continue;
    const std::string testo = km_da_cartello(da_cp1252(gruppi(v.testo(r, 1))));
    controlla_larghezza(v, r, testo, 28, "the booklet's narrow page", p);
    lib.luoghi.push_back({static_cast<int32_t>(v.valore(r, 0)), genere_luogo::punto, kDisegnoBinario, "", testo});
  }
}

// Where the numbering changes, a row of its own, as on our booklet: "0.00"
// and a long dash where it starts again from nought, else the kilometre
// the old numbering ends at and a short dash.  Listed before a station at
// the same place.
void cambi_numerazione(const esito_verifica& v, const numerazione& km, libretto& lib, std::vector<diagnostica>& p) {
  for (const progressiva& x : km.p) {
    const int32_t pos = static_cast<int32_t>(x.inizio);
    if (pos <= 0 || km.metri(pos) == km.metri(pos - 1) + 1) continue;
    if (km.metri(pos) == 0) {
      lib.luoghi.push_back({pos, genere_luogo::stazione, kDisegnoBinario, "0.00", "-------------"});
    } else {
      lib.luoghi.push_back({pos, genere_luogo::stazione, kDisegnoBinario,
                            km_stampato(v, *x.r, pos, km.metri(pos - 1) + 1, 2, p), "------"});
    }
  }
}

libretto libretto_letto(const esito_verifica& v, const std::vector<stazione_letta>& s, const numerazione& km,
                        std::vector<diagnostica>& p) {
  libretto lib;
  cambi_numerazione(v, km, lib, p);
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    const int32_t pos = static_cast<int32_t>(s[i].posizione);
    lib.luoghi.push_back({pos, genere_luogo::stazione, i == 0 ? kDisegnoStazioneBox : kDisegnoStazione,
                          km_stampato(v, *s[i].r, pos, km.metri(pos), 2, p), s[i].nome});
  }
  cartelli(v, km, lib, p);
  punti(v, km, lib, p);
  if (!s.empty()) {
    const int32_t pos = static_cast<int32_t>(s.back().posizione);
    lib.arrivo = {luogo_libretto{pos, genere_luogo::binario, kDisegnoRespingenti},
                  luogo_libretto{pos, genere_luogo::stazione, kDisegnoStazioneBox,
                                 km_stampato(v, *s.back().r, pos, km.metri(pos), 2, p), s.back().nome}};
  }
  return lib;
}

numerazione numerazione_letta(const esito_verifica& v) {
  numerazione km;
  for (const record_letto& r : v.records) {
    if (r.tipo != nullptr && std::strncmp(r.tipo->parola, "progressiva", 11) == 0) {
      km.p.push_back({v.valore(r, 0), v.valore(r, 1) + (v.valore(r, 2) != 0 ? 100 : 0), &r});
    }
  }
  return km;
}

}  // namespace

int32_t metri_numerati(const esito_verifica& v, int64_t posizione) { return numerazione_letta(v).metri(posizione); }

dati_carte dati_da_sorgenti(const esito_verifica& v, std::vector<diagnostica>& problemi) {
  dati_carte d;
  const numerazione km = numerazione_letta(v);
  for (const record_letto& r : v.records) {
    if (r.tipo != nullptr && e(r, "percentuale massa frenata")) d.massa_frenata = static_cast<int32_t>(v.valore(r, 0));
  }
  const std::vector<stazione_letta> s = stazioni_lette(v);
  for (const stazione_letta& x : s) {
    controlla_larghezza(v, *x.r, x.nome, 18, "the booklet's narrow page", problemi);
  }
  if (!s.empty()) d.origine = s.front().nome, d.destinazione = s.back().nome;
  d.fermate = fermate(s);
  d.rallentamenti = rallentamenti_letti(v, s, problemi);
  d.lib = libretto_letto(v, s, km, problemi);
  return d;
}

void controlla_fermate_fatti(const dati_carte& d, const fatti_carte& f, const std::string& file,
                             std::vector<diagnostica>& problemi) {
  for (const fermata_fatti& r : f.fermate) {
    if (r.stazione.empty()) {
      if (!d.fermate.empty() && r.posizione > d.fermate.front().posizione && r.posizione < d.fermate.back().posizione)
        continue;
      problema(problemi, kStazioneIgnota, file, r.riga, 1,
               "the passing point \"" + r.localita + "\" at " + std::to_string(r.posizione) +
                   " m is not between the first and the last station");
    } else if (std::none_of(d.fermate.begin(), d.fermate.end(),
                            [&r](const fermata_carta& x) { return x.stazione == r.stazione; })) {
      problema(problemi, kStazioneIgnota, file, r.riga, 1, "the train source has no station \"" + r.stazione + "\"");
    }
  }
}

void controlla_fatti_sulle_sorgenti(const fatti_carte& f, const std::string& file, const esito_verifica& v,
                                    std::vector<diagnostica>& problemi) {
  std::vector<diagnostica> delle_carte;
  controlla_fermate_fatti(dati_da_sorgenti(v, delle_carte), f, file, problemi);
}

}  // namespace valdoro

#include "compiler/diagnostica.h"

#include <algorithm>

namespace valdoro {

namespace {

constexpr gravita E = gravita::errore;
constexpr gravita W = gravita::avviso;
constexpr famiglia N = famiglia::errore_numerato;
constexpr famiglia R = famiglia::regola_controllo;
constexpr famiglia C = famiglia::rilievo_compilazione;
constexpr famiglia T = famiglia::confronto_orario;

// The id of a numbered error is "error-N": SARIF logs and scripts already
// name the compile's errors so.
#define ERRORE(n, descrizione, aiuto) \
  { "error-" #n, E, N, n, descrizione, aiuto }

const std::vector<regola>& catalogo() {
  static const std::vector<regola> tabella = {
      ERRORE(1, "route length above 1000000 m", "Give a route length of at most 1000000 m in [generale]."),
      ERRORE(2, "a kilometre-progressive start or offset is not a multiple of 50",
             "Move the progressive's start and offset onto the 50 m grid."),
      ERRORE(3, "signal repetition start is not a multiple of 50", "Give the repetition a start on the 50 m grid."),
      ERRORE(4, "signal repetition end is not a multiple of 50", "Give the repetition an end on the 50 m grid."),
      ERRORE(5, "signal repetition key names neither 4 nor 9 codes", "Name 4 or 9 codes in the signal repetition key."),
      ERRORE(6, "sign board on a cell already taken",
             "Move the board by 50 m or more, away from the object the message names."),
      ERRORE(7, "restriction point on a cell already taken",
             "Move the restriction point by 50 m or more, away from the object already there."),
      ERRORE(8, "station position is not a multiple of 50", "Move the station onto the 50 m grid."),
      ERRORE(9, "station length is not a multiple of 100", "Give the station a length in whole 100 m."),
      ERRORE(10, "station rows have reached the rows of the sign-board texts",
             "Use fewer stations or fewer sign boards: together they share 80 rows."),
      ERRORE(11, "no free cell for the speed mark behind a slowdown warning",
             "Move the slowdown, or the objects just after its warning board, by 50 m or more."),
      ERRORE(12, "no free cell in a window behind a slowdown start",
             "Leave a free cell within a few cells after the slowdown's start."),
      ERRORE(13, "no free cell for a repeated mark in a slowdown or before the next signal",
             "Leave free cells inside the slowdown and before the signal after it."),
      ERRORE(15, "position beyond the usable end of the track",
             "Give a position before the last 100 m of the route, or lengthen the route."),
      ERRORE(16, "signal on a cell already taken", "Move the signal by 50 m or more, away from the object there."),
      ERRORE(17, "slowdown warning-board cell already taken",
             "Move the slowdown so that its warning board, 1200 m before it, falls on a free cell."),
      ERRORE(18, "slowdown start cell already taken", "Move the slowdown's start onto a free cell."),
      ERRORE(19, "slowdown end cell already taken", "Change the slowdown's length so that it ends on a free cell."),
      ERRORE(20, "slowdown pre-warning cell already taken",
             "Move the slowdown, or leave free the four cells before its warning board."),
      ERRORE(21, "maximum-speed board on a cell already taken", "Move the board onto a free cell."),
      ERRORE(22, "station area starts less than 350 m after the previous one ends",
             "Leave at least 350 m between the end of a station and the start of the next."),
      ERRORE(24, "station end cell falls on cell 1 or before", "Place the station further from the line start."),
      ERRORE(25, "the sources could not be read (bad number, value too wide, or source ended inside a record)",
             "Write the field the message names as a whole number within its range, and give every field."),
      ERRORE(101, "line source missing", "Put the line source beside the train source under its expected name."),
      ERRORE(102, "line source has no [generale] section",
             "Begin the line source with a [generale] section holding the route length."),
      ERRORE(103, "curve key names no radius class, or the profile would pass 1000000 m",
             "Name a radius class the format reference lists, and keep curves within the route."),
      ERRORE(201, "track has fewer than two cells: identity codes not stamped into the track",
             "Give a route length of at least 100 m."),
      ERRORE(210, "line source gives no route length: the track does not exist",
             "Give \"lunghezza percorso\" in the line source's [generale]."),
      ERRORE(211, "more than 80 mountain spans", "Merge tunnels: at most 80 spans fit."),
      ERRORE(212, "negative position of a mountain span, board or sign board", "Give a position of 0 m or more."),
      ERRORE(213, "mountain span ends beyond the last cell of the track",
             "End the tunnel before the end of the route."),
      ERRORE(214, "more sign boards than the station table has rows for", "Use fewer sign boards."),
      ERRORE(215, "gradient fill would pass the last cell of the track",
             "Place the gradient before the end of the route."),
      ERRORE(216, "curve reaches beyond the last metre of the line profile", "End the curve before the route's end."),
      ERRORE(217, "gradient outside -100 to 155", "Give a gradient from -100 to 155 per mille."),
      ERRORE(218, "route length below 0 m", "Give a route length of 0 m or more."),
      ERRORE(230, "station cell beyond the last cell of the track", "Place the station within the route."),
      ERRORE(231, "signal closer than 350 m to the line start", "Place the signal at 350 m or further."),
      ERRORE(232, "slowdown cells outside the track",
             "Keep the slowdown, its warning board and pre-warning inside the route."),
      ERRORE(233, "restriction point at a negative position", "Give a position of 0 m or more."),
      ERRORE(250, "finishing pass would leave the track",
             "Move the slowdown away from the end of the route, or shorten it."),
      ERRORE(1250, "reserved slots are not empty before stamping",
             "Keep objects out of the first 100 m of the line: cell 1 holds the identity codes."),
      ERRORE(1251, "identity-code slots are not empty before stamping",
             "Keep objects out of the first 100 m of the line: cell 1 holds the identity codes."),

      {"unknown-keyword", E, R, 0, "an item where a record should start matches no keyword: the record is lost",
       "Correct the keyword; the message suggests the nearest one."},
      {"header-read-as-record", E, R, 0,
       "a section header that holds a record keyword: the compiler reads it as that record",
       "Rename the section so that it holds no record keyword."},
      {"misplaced-record", E, R, 0,
       "a line-source record on the wrong side of the general section's end: it is not read",
       "Move the record to the section it belongs to."},
      {"missing-field", E, R, 0, "a record with fewer fields than its keyword takes",
       "Give every field of the record, separated by commas."},
      {"unreadable", E, R, 0,
       "an item the reader cannot take, such as a quote never closed: the rest of the source is not read",
       "Close the quote, or remove the stray character."},
      {"bad-number", E, R, 0, "a field that is not a whole number", "Write the field as a whole number."},
      {"value-too-wide", E, R, 0, "a value that does not fit the width it is read into",
       "Give a value within the field's range."},
      {"refused-value", E, R, 0, "a value outside the range that the compile takes",
       "Give a value within the range the message names."},
      {"off-grid", E, R, 0, "a position or length off the grid its record needs (50 m or 100 m)",
       "Round the value to the grid the message names."},
      {"beyond-track", E, R, 0, "a position beyond the usable end of the track",
       "Give a position before the last 100 m of the route, or lengthen the route."},
      {"keyword-read-as", W, R, 0, "a keyword spelt otherwise, which the compiler reads as another",
       "Spell the keyword as the format reference does."},
      {"unknown-section", W, R, 0, "a section header the source does not have",
       "Use a section name the format reference lists."},
      {"repeated-section", W, R, 0, "a section header that stands twice", "Keep one header for each section."},
      {"before-general", W, R, 0, "items before \"[generale]\", which are passed over",
       "Move them after \"[generale]\", or remove them."},
      {"not-a-record", W, R, 0, "an item that is no record where a record should start",
       "Remove the item, or join it to the record it belongs to."},
      {"broken-name", W, R, 0, "a name continued on a line of its own, which is passed over",
       "Keep a record on one line."},
      {"decimal-comma", W, R, 0, "a number with a decimal comma: only its whole part is read",
       "Write whole numbers: the comma separates fields."},
      {"extra-field", W, R, 0, "a record with more fields than its keyword takes: the rest is passed over",
       "Remove the extra fields."},
      {"out-of-range", W, R, 0, "a value outside its field's range", "Give a value within the field's range."},
      {"out-of-order", W, R, 0, "a record of a positioned list that does not come after the one before",
       "Put the records of the list in rising order of position."},
      {"overlap", W, R, 0, "a span that starts before the one before it ends",
       "Start the span after the one before it ends."},
      {"backward-span", W, R, 0, "a span that ends before it starts, or a negative length",
       "Give an end after the start, or a positive length."},
      {"before-start", W, R, 0, "a position before the start of the line", "Give a position of 0 m or more."},
      {"beyond-route", W, R, 0, "a position past the end of the route, on the track beyond it",
       "Give a position within the route length."},
      {"no-station", W, R, 0, "a train source without a station", "Add the train's stations."},
      {"tunnel-lost", E, R, 0, "a mountain span that ends before it starts: the compile stores nothing of it",
       "Give the end after the start."},
      {"tunnels-merged", E, R, 0,
       "a mountain span that starts before the one before it ends: the compile merges the two into one",
       "Start the span after the one before it ends, or give the two as one span."},
      {"repeated-key", E, R, 0, "a general key given a second time: only the last one counts, the first is lost",
       "Give each general key once."},
      {"facts-not-a-key", E, R, 0, "a line of the facts file that is no \"key = value\": the line is passed over",
       "Write the line as a key, \"=\" and its value, or start it with \"#\" to make it a comment."},
      {"facts-unknown-key", E, R, 0, "a key the facts file does not have: its value is lost",
       "Use one of the keys of docs/source-format.md."},
      {"facts-repeated-key", E, R, 0, "a key of the facts file given a second time: the first value stands",
       "Give each key once; only the keys docs/source-format.md marks as repeated take one line each time."},
      {"facts-unknown-station", E, R, 0,
       "a card row of the facts file for a station the train source does not have, or a passing point outside "
       "the run: the row is not printed",
       "Name the station as the train source writes it, or give a position between the first and the last "
       "station."},
      {"facts-bad-value", E, R, 0,
       "a value of the facts file that the papers cannot print, or a train's figure out of its range: the default "
       "stands",
       "Give the value in the form, within the width or the range docs/source-format.md states."},
      {"paper-does-not-fit", E, R, 0,
       "a record whose text, or kilometre, does not fit its column on the driver's papers",
       "Shorten the text; the papers never cut it. A kilometre before the numbering's 0 has no printed form: move "
       "the record or the numbering."},
      {"time-goes-back", E, R, 0, "a station's time before the departure from the station with a time before it",
       "Give the stations' times in running order: each station's time is its departure."},
      {"stop-before-departure", E, R, 0,
       "a station's stop that begins before the train leaves the station with a time before it",
       "Give a later time or a shorter stop: the arrival is the time less the stop."},
      {"utf8-text", W, R, 0,
       "a line written in UTF-8: the sources are read as Windows-1252, so a letter such as \"à\" is stored as two",
       "Save the source as Windows-1252, or compile with --encoding utf-8."},
      {"not-windows-1252", E, R, 0,
       "with --encoding utf-8, a character that Windows-1252 lacks, or a byte that is no UTF-8",
       "Write the name with the letters of Windows-1252 (Western European)."},
      {"number-with-blank", E, R, 0, "a number written with a blank inside it: only the part before the blank is read",
       "Write the number without blanks, such as 218000."},
      {"past-route-end", E, R, 0,
       "records past the end of a route whose length was not read as written, told in one line at the first",
       "Correct the route length the message points at."},
      {"wrong-separator", E, R, 0,
       "a record whose fields are separated by semicolons or tabs: the compiler reads it as one item and takes the "
       "next record for its fields",
       "Separate the fields with commas."},
      {"repeated-name", W, R, 0, "a station name given to an earlier station too",
       "Give each station a name of its own."},
      {"value-rounded", W, R, 0, "a speed the track keeps in steps of 5 km/h: it is stored rounded",
       "Give the speed as a multiple of 5 km/h."},
      {"slowdown-without-end", E, R, 0,
       "a slowdown so short that its start and its end fall on one cell: only the start is stored",
       "Give the slowdown a length of 50 m or more."},
      {"same-time", W, R, 0, "a station's time equal to that of the station with a time before it",
       "Give the later station a later time."},
      {"unknown-station-kind", W, R, 0,
       "a station kind that is none of the known kinds: the simulator is given a kind nobody has described",
       "Give one of the kinds the format reference lists for the station record."},

      {kAvvisoOrdine, W, C, 0, "a record of a positioned list at or before the one before it: the fill moves on a cell",
       "Put the records of the list in rising order of position."},
      {kAvvisoFine, W, C, 0, "a source that does not end with \"[fine]\": it may have been cut short",
       "Check that nothing is missing, then end the source with the line \"[fine]\"."},
      {kAvvisoTrenoVuoto, E, C, 0, "a train source of which nothing was compiled: every record of it is lost",
       "Give \"[generale]\" and the train's records, or check that the two sources are not swapped."},
      {kAvvisoValoreTagliato, W, C, 0, "a value that does not fit its member: only its low bits are stored",
       "Give a value within the member's range."},

      {kOrarioImpossibile, E, T, 0,
       "a stop reached in less time than the run at the speed limits alone: no train can keep it",
       "Give the stop a later time, or the line higher limits."},
      {kOrarioStretto, W, T, 0, "a stop reached in less time than the fastest run of this train",
       "Give the stop a later time, or the train's own figures in the facts file or with --train-figures."},
      {kOrarioSottile, gravita::nota, T, 0,
       "a stop with little time to spare over the fastest run, or below it by less than the default figures' "
       "uncertainty",
       "Give the stop a little more time if a late train should make it up."},
  };
  return tabella;
}

#undef ERRORE

// The checker's rules that find, ahead of the compile, a fault the compile
// itself names by number or warning: on the same line, the compile's own
// message, with what it did, is the one shown.
struct stesso_errore {
  const char* regola;
  numero_errore numero;
};
constexpr stesso_errore kStessiErrori[] = {
    {"beyond-track", numero_errore::oltre_il_binario},
    {"off-grid", numero_errore::progressiva_fuori_griglia},
    {"off-grid", numero_errore::inizio_ripetizione_fuori_griglia},
    {"off-grid", numero_errore::fine_ripetizione_fuori_griglia},
    {"off-grid", numero_errore::stazione_fuori_griglia},
    {"off-grid", numero_errore::lunghezza_stazione},
    {"bad-number", numero_errore::lettura},
    {"value-too-wide", numero_errore::lettura},
    {"missing-field", numero_errore::lettura},
    {"unreadable", numero_errore::lettura},
    {"refused-value", numero_errore::lettura},
    {"refused-value", numero_errore::lunghezza_eccessiva},
    {"refused-value", numero_errore::lunghezza_negativa},
    {"refused-value", numero_errore::codici_ripetizione},
    {"refused-value", numero_errore::curva},
    {"refused-value", numero_errore::pendenza_fuori_campo},
    {"refused-value", numero_errore::posizione_negativa},
    {"refused-value", numero_errore::restrizione_negativa},
    {"before-start", numero_errore::posizione_negativa},
    {"before-start", numero_errore::restrizione_negativa},
};

struct stesso_avviso {
  const char* regola;
  const char* avviso;
};
constexpr stesso_avviso kStessiAvvisi[] = {
    {"out-of-order", kAvvisoOrdine},
    {"out-of-range", kAvvisoValoreTagliato},
};

std::string luogo_testo(const luogo& l) {
  if (l.file.empty()) return "";
  // A fault of the file as a whole (a missing source) has no line to name.
  if (l.riga <= 0) return l.file + ": ";
  return l.file + ":" + std::to_string(l.riga) + ":" + std::to_string(l.colonna) + ": ";
}

}  // namespace

const std::vector<regola>& regole() { return catalogo(); }

const regola* trova_regola(const std::string& id) {
  for (const regola& r : regole()) {
    if (id == r.id) return &r;
  }
  return nullptr;
}

const regola* regola_di(int32_t numero) {
  for (const regola& r : regole()) {
    if (r.chi == famiglia::errore_numerato && r.numero == numero) return &r;
  }
  return nullptr;
}

const regola& regola_di(numero_errore numero) {
  // Every enumerator has its entry; a test holds the two together.
  return *regola_di(numero_di(numero));
}

const char* nome_gravita(gravita g) {
  if (g == gravita::errore) return "error";
  return g == gravita::avviso ? "warning" : "note";
}

std::string descrivi(const diagnostica& d) {
  const std::string tipo =
      d.numero ? "error " + std::to_string(numero_di(*d.numero)) : std::string(nome_gravita(d.livello));
  return luogo_testo(d.dove) + tipo + ": " + messaggio_intero(d);
}

std::string messaggio_intero(const diagnostica& d) {
  if (d.titolare.file.empty()) return d.messaggio;
  return d.messaggio + ", stored by " + d.titolare.file + ":" + std::to_string(d.titolare.riga);
}

bool diagnostiche::da_elencare(const char* id) { return tetto_ == SIZE_MAX || ++per_regola_[id] <= tetto_; }

void diagnostiche::errore(valdoro::numero_errore numero, luogo dove, std::string testo, luogo titolare) {
  const regola& r = regola_di(numero);
  ++errori_;
  if (!da_elencare(r.id)) return;
  elenco_.push_back({gravita::errore, r.id, std::move(dove), testo.empty() ? r.descrizione : std::move(testo), numero});
  elenco_.back().titolare = std::move(titolare);
  ultimo_ = elenco_.size();
}

void diagnostiche::segnala(const char* id, luogo dove, std::string testo) {
  const gravita g = trova_regola(id)->livello;
  ++(g == gravita::errore ? errori_ : avvisi_);
  if (!da_elencare(id)) return;
  elenco_.push_back({g, id, std::move(dove), std::move(testo)});
}

std::vector<diagnostica> diagnostiche::riassunti_oltre() const {
  std::vector<diagnostica> righe;
  for (const auto& [id, n] : per_regola_) {
    if (n > tetto_) righe.push_back(riassunto_oltre(*trova_regola(id), n - tetto_));
  }
  return righe;
}

diagnostica riassunto_oltre(const regola& r, size_t n) {
  // Built whole before it goes in: mingw's optimiser takes a braced place
  // for one that may be used uninitialised.
  diagnostica d;
  d.livello = r.livello;
  d.regola = r.id;
  d.messaggio = std::to_string(n) + " more " + nome_gravita(r.livello) + "s of rule " + r.id + " not shown (" +
                r.descrizione + ")";
  d.conta = n;
  d.oltre = true;
  return d;
}

const diagnostica* diagnostiche::ultimo_errore() const { return ultimo_ == 0 ? nullptr : &elenco_[ultimo_ - 1]; }

int32_t diagnostiche::codice_errore() const {
  const diagnostica* d = ultimo_errore();
  return d == nullptr ? 0 : numero_di(*d->numero);
}

bool stesso_guasto(const std::string& regola_controllo, const std::string& id_compilazione) {
  for (const stesso_errore& s : kStessiErrori) {
    if (regola_controllo == s.regola && id_compilazione == regola_di(s.numero).id) return true;
  }
  for (const stesso_avviso& s : kStessiAvvisi) {
    if (regola_controllo == s.regola && id_compilazione == s.avviso) return true;
  }
  return false;
}

std::string tabella_errori_markdown() {
  std::string t = "| number | meaning |\n|---|---|\n";
  for (const regola& r : regole()) {
    if (r.chi == famiglia::errore_numerato) t += "| " + std::to_string(r.numero) + " | " + r.descrizione + " |\n";
  }
  return t;
}

std::string documento_diagnostiche() {
  struct parte {
    famiglia chi;
    const char* titolo;
    const char* testo;
  };
  static const parte kParti[] = {
      {famiglia::errore_numerato, "Numbered errors",
       "The compile records these. The packager reports the last one recorded and ends with status 1; "
       "`scenario` names every one it finds, each at its record."},
      {famiglia::regola_controllo, "Checker rules",
       "The checker reads every record against the format reference and finds these, each at its place."},
      {famiglia::rilievo_compilazione, "Compile findings",
       "The compile finds these without a number: it goes on past them and changes no table for them, and the "
       "packager does not report them. The errors among them are mistakes that lose a record; `--strict` makes "
       "the warnings fail too."},
      {famiglia::confronto_orario, "Timetable",
       "`scenario check` compares every stop's scheduled running time with the fastest run of the train over the "
       "line (docs/timetable.md). A note counts as neither an error nor a warning."},
  };
  std::string doc =
      "# Diagnostics\n\n"
      "<!-- Generated by `scenario diagnostics-doc` from the catalogue; a test holds this file to it. -->\n\n"
      "Every problem `scenario check`, `scenario compile`, `scenario view` and the packager can report, "
      "by the id that text lines, SARIF logs and the page give it.\n";
  for (const parte& p : kParti) {
    doc += std::string("\n## ") + p.titolo + "\n\n" + p.testo +
           "\n\n| id | severity | meaning | what to do |\n|---|---|---|---|\n";
    for (const regola& r : regole()) {
      if (r.chi != p.chi) continue;
      doc += std::string("| `") + r.id + "` | " + nome_gravita(r.livello) + " | " + r.descrizione + " | " + r.aiuto +
             " |\n";
    }
  }
  return doc;
}

}  // namespace valdoro

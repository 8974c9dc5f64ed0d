#include "compiler/formato.h"

#include <algorithm>

#include "util/testo.h"

namespace valdoro {
namespace formato {

namespace {

constexpr int64_t kI32Min = INT32_MIN;
constexpr int64_t kI32Max = INT32_MAX;
constexpr int64_t kI16Max = INT16_MAX;
constexpr int64_t kMetriMax = 1000000;  // the longest route the compiler takes

// Shorthands for the tables below.
campo posizione(const char* significato) {
  return {"position", "m", 0, kMetriMax, lettura::intero32, ruolo::posizione, "32 bits", significato};
}
campo numero(const char* nome, const char* unita, int64_t minimo, int64_t massimo, lettura l, const char* memoria,
             const char* significato) {
  return {nome, unita, minimo, massimo, l, ruolo::valore, memoria, significato};
}
campo rifiutato(campo c) {
  c.rifiutato = true;
  return c;
}
campo cifra(const char* nome, const char* memoria, const char* significato) {
  return numero(nome, "", 0, 9, lettura::intero32, memoria, significato);
}

sorgente costruisci_linea() {
  const char* progressiva_significato =
      "a kilometre numbering of the line: the metre where it starts, the offset added to positions from there, "
      "and a flag (1 adds 100 m to the offset); start and offset are multiples of 50";
  auto progressiva = [&](const char* parola, const char* prova2, const char* esempio) {
    return record{parola,
                  "progressiva",
                  prova2,
                  true,
                  fase::generale,
                  {},
                  {numero("start", "m", 0, kMetriMax, lettura::intero32, "rows 81 to 83, largest start first",
                          "where this numbering starts"),
                   numero("offset", "m", -kMetriMax, kMetriMax, lettura::intero32, "rows 81 to 83, beside its start",
                          "added to positions from the start on"),
                   numero("flag", "", 0, 1, lettura::intero32, "1 adds 100 to the stored offset",
                          "1: the offset is 100 m longer")},
                  ordine::libero,
                  esempio,
                  progressiva_significato};
  };
  auto sfondo = [](const char* parola, const char* prova2, const char* riga, const char* esempio) {
    return record{parola,
                  "sfondo",
                  prova2,
                  true,
                  fase::generale,
                  {},
                  {numero("background", "", kI32Min, kI32Max, lettura::intero32, riga,
                          "a background selector for the simulator")},
                  ordine::libero,
                  esempio,
                  "one of the three background selectors"};
  };
  std::vector<const char*> curve;
  static const char* const kCurve[] = {"curvas1", "curvas2", "curvas3", "curvas4", "curvas5", "curvas6",
                                       "curvad1", "curvad2", "curvad3", "curvad4", "curvad5", "curvad6"};
  curve.assign(std::begin(kCurve), std::end(kCurve));

  sorgente s{quale::linea,
             "line source",
             "The railway line: route length, kilometre numbering, curves, gradients, mountain spans, "
             "maximum-speed boards and sign boards.",
             {}};
  s.sezioni.push_back(sezione{
      "[generale]",
      "General data of the line. Its keys are read only here, up to the next section header; everything before "
      "\"[generale]\" is passed over.",
      {record{"lunghezza percorso",
              "lunghezza",
              "percorso",
              false,
              fase::generale,
              {},
              {rifiutato(numero("route_length", "m", 0, kMetriMax, lettura::intero32,
                                "row 84 `fine`, 32 bits; the track has one 50 m cell up to 7000 m beyond it",
                                "the length of the route"))},
              ordine::libero,
              "lunghezza percorso,    218000",
              "the route length; it must come first"},
       progressiva("progressiva chilometrica uno", "uno", "progressiva chilometrica uno,    180350,    -180350,    0"),
       progressiva("progressiva chilometrica due", "due", "progressiva chilometrica due,    194700,    -16400,    0"),
       progressiva("progressiva chilometrica tre", "tre", "progressiva chilometrica tre,    0,    0,    0"),
       sfondo("sfondo uno", "uno", "row 85 `inizio`, 32 bits", "sfondo uno,    1"),
       sfondo("sfondo due", "due", "row 85 `progressiva`, 32 bits", "sfondo due,    0"),
       sfondo("sfondo tre", "tre", "row 85 `fine`, 32 bits", "sfondo tre,    0"),
       record{"ripetizione segnali 4 codici",
              "ripetizione",
              "segnali",
              true,
              fase::generale,
              {"ripetizione segnali 4 codici", "ripetizione segnali 9 codici"},
              {numero("start", "m", 0, kMetriMax, lettura::intero32, "row 86 `inizio`, 32 bits",
                      "where the signal repetition starts; a multiple of 50"),
               numero("end", "m", 0, kMetriMax, lettura::intero32, "row 86 `fine`, 32 bits",
                      "where it ends; a multiple of 50, 0 for no repetition")},
              ordine::libero,
              "ripetizione segnali 4 codici,    2100,    211050",
              "the stretch with repeated signals; the keyword names 4 or 9 codes (row 86 `progressiva`)"}}});
  s.sezioni.push_back(
      sezione{"[curve]",
              "The plan of the line: every curve, in rising order, each starting after the one before ends.",
              {record{"curva",
                      "curva",
                      nullptr,
                      false,
                      fase::record,
                      curve,
                      {posizione("where the curve starts"),
                       {"length", "m", 1, kMetriMax, lettura::intero32, ruolo::lunghezza, "the plan, metre by metre",
                        "the curve bends the metres after its start, this many"}},
                      ordine::campate,
                      "curvas1,  1350,  150",
                      "a curve: \"curvas\" turns left, \"curvad\" right; the digit is the radius class, 1 to 6 for "
                      "10000, 5000, 2500, 1000, 500 and about 333 m"}}});
  s.sezioni.push_back(
      sezione{"[pendenze]",
              "Gradients: each holds from its position to the next record's.",
              {record{"pendenza",
                      "pendenza",
                      nullptr,
                      false,
                      fase::record,
                      {},
                      {posizione("where the gradient starts"),
                       rifiutato(numero("gradient", "per mille", -100, 155, lettura::intero32,
                                        "cell byte `pendenza`, gradient + 100, in every cell from the position on",
                                        "rise (positive) or fall (negative), in whole per mille"))},
                      ordine::crescente,
                      "pendenza,  600,   -11",
                      "a gradient"}}});
  s.sezioni.push_back(
      sezione{"[montagne]",
              "Mountain spans (tunnels and the like), in rising order, none overlapping the next.",
              {record{"montagna",
                      "montagna",
                      nullptr,
                      false,
                      fase::record,
                      {},
                      {posizione("where the span starts"),
                       {"end", "m", 0, kMetriMax, lettura::intero32, ruolo::fine,
                        "the cells up to the one before the end", "where the span ends"},
                       numero("kind", "", 0, 265, lettura::intero32,
                              "cell byte `montagna` (above 10: less 10, with a marker in every 4th cell)",
                              "the mountain kind; add 10 for markers; a span starting 150 m or less after the previous "
                              "one ends takes kind 3")},
                      ordine::campate,
                      "montagna,   90300,  95050,  11",
                      "a mountain span"}}});
  const char* velocita_cartello = "with the other board's speed in 16 bits: left × 20 + right / 5";
  s.sezioni.push_back(sezione{"[cartelli]",
                              "Maximum-speed boards, one cell each, in rising order.",
                              {record{"indicatori_vmax",
                                      "indicatori_v",
                                      nullptr,
                                      false,
                                      fase::record,
                                      {},
                                      {posizione("the board stands in the cell after the one holding it"),
                                       numero("left_speed_a", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "left board, speed for rank A"),
                                       numero("left_speed_b", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "left board, speed for rank B"),
                                       numero("left_speed_c", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "left board, speed for rank C"),
                                       cifra("left_stripes", "tens of the stripes value", "left board, stripes"),
                                       numero("right_speed_a", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "right board, speed for rank A; empty for none"),
                                       numero("right_speed_b", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "right board, speed for rank B"),
                                       numero("right_speed_c", "km/h", 0, 1600, lettura::intero32, velocita_cartello,
                                              "right board, speed for rank C"),
                                       cifra("right_stripes", "units of the stripes value", "right board, stripes")},
                                      ordine::crescente,
                                      "indicatori_vmax,  1100,  105,  110,  125,  0,  ,  ,  ,  0",
                                      "a maximum-speed board; an empty value reads as 0"}}});
  s.sezioni.push_back(
      sezione{"[indicazioni]",
              "Sign boards, one cell each, in rising order; their texts fill the station table from row 80 down.",
              {record{"cartello_indicatore",
                      "cartello",
                      "indicat",
                      false,
                      fase::record,
                      {},
                      {posizione("the board stands in the cell after the one holding it"),
                       {"text", "", 0, 0, lettura::testo, ruolo::valore, "a station-table row's name, unchanged",
                        "the board's lines, each in parentheses, up to the end of the line"}},
                      ordine::crescente,
                      "cartello_indicatore,  40400,   (Galleria)(Sassoscuro)",
                      "a sign board"}}});
  s.sezioni.push_back(sezione{"[fine]", "The last line of the source; nothing follows it.", {}});
  return s;
}

const char* significato_tipo() {
  static const std::string t = "the station kind, one of " + elenco_tipi_stazione() +
                               ": 5 and 6 end 150 m past the position, 7 and 8 reach the length on both sides, "
                               "25 and above leave no mark on the track";
  return t.c_str();
}

sorgente costruisci_treno() {
  sorgente s{quale::treno,
             "train source",
             "The train: its general data, adhesion and speed limits along the line, stations with the timetable, "
             "slowdowns and signals. Records are recognised by keyword wherever they stand after \"[generale]\"; "
             "the sections only keep the source in order.",
             {}};
  s.sezioni.push_back(sezione{
      "[generale]",
      "General data of the train. Everything before \"[generale]\" is passed over.",
      {record{"numero vetture",
              "vetture",
              nullptr,
              false,
              fase::record,
              {},
              {numero("coaches", "", 0, kI32Max, lettura::intero32, "row 84 `progressiva`, 32 bits",
                      "the number of coaches")},
              ordine::libero,
              "numero vetture,    7",
              "the train's length"},
       record{"percentuale massa frenata",
              "frenata",
              "massa",
              false,
              fase::record,
              {},
              {numero("braked_weight", "%", 0, kI32Max, lettura::intero32, "row 84 `inizio`, 32 bits",
                      "the braked-weight percentage")},
              ordine::libero,
              "percentuale massa frenata,    125",
              "the train's braking"},
       record{"sabbia",
              "sabbia",
              nullptr,
              false,
              fase::record,
              {},
              {numero("sand", "", 0, kI16Max, lettura::intero16, "row 86 `campo7`, 16 bits", "the sand supply")},
              ordine::libero,
              "sabbia,    100",
              "the sand on board"},
       record{"orologio",
              "orologio",
              nullptr,
              false,
              fase::record,
              {},
              {numero("hours", "h", 0, 23, lettura::intero16, "row 86 `campo10`, 16 bits", "clock at the start"),
               numero("minutes", "min", 0, 59, lettura::intero16, "row 86 `campo11`, 16 bits", "clock at the start"),
               numero("seconds", "s", 0, 59, lettura::intero16, "row 86 `campo12`, 16 bits", "clock at the start")},
              ordine::libero,
              "orologio,    14              16            30 ",
              "the clock when the run starts; the three numbers may be separated by blanks alone"}}});
  s.sezioni.push_back(sezione{"[aderenze]",
                              "Adhesion along the line: each value holds from its position to the next record's.",
                              {record{"aderenza",
                                      "aderenza",
                                      nullptr,
                                      false,
                                      fase::record,
                                      {},
                                      {posizione("where the adhesion starts"),
                                       numero("adhesion", "", 0, 255, lettura::intero32,
                                              "cell byte `aderenza`, as written (low 8 bits)", "the adhesion value")},
                                      ordine::crescente,
                                      "aderenza,    8400,    70",
                                      "an adhesion value"}}});
  s.sezioni.push_back(
      sezione{"[vel_limite]",
              "Speed limits along the line: each holds from its position to the next record's.",
              {record{"velocita",
                      "velocit",
                      nullptr,
                      false,
                      fase::record,
                      {},
                      {posizione("where the limit starts"),
                       rifiutato(numero("speed", "km/h", 0, 1277, lettura::intero32,
                                        "cell byte `velocita`, in steps of 5 km/h (nearest)", "the speed limit"))},
                      ordine::crescente,
                      "velocita,    1100,   110",
                      "a speed limit"}}});
  auto b = [](const char* nome, const char* memoria, const char* significato) {
    return numero(nome, "", 0, 255, lettura::byte, memoria, significato);
  };
  auto w = [](const char* nome, const char* memoria, const char* significato) {
    return numero(nome, "", INT16_MIN, kI16Max, lettura::intero16, memoria, significato);
  };
  const char* come_letto = "passed to the simulator as written";
  s.sezioni.push_back(sezione{
      "[stazioni]",
      "Stations in running order, each on one line ending with its name.",
      {record{"stazione",
              "stazione",
              nullptr,
              false,
              fase::record,
              {},
              {{"position", "m", 0, kMetriMax, lettura::intero32, ruolo::posizione, "`progressiva`, 32 bits",
                "where the station stands; a multiple of 50"},
               b("kind", "`tipo`, 8 bits", significato_tipo()),
               {"length", "m", 0, kMetriMax, lettura::intero32, ruolo::valore, "not stored: shapes the area",
                "the length of the station area; a multiple of 100"},
               b("value_4", "`campo4`, 8 bits", come_letto),
               b("value_5", "`campo5`, 8 bits; 0 when the length is below 600 m, and in the first station", come_letto),
               b("longer_area", "`campo6`, 8 bits; 0 for kinds 5 to 8 and in the first station",
                 "not 0: the area of a kind other than 5 to 8 ends 50 m further"),
               w("value_7", "`campo7`, 16 bits", come_letto),
               w("value_8", "`campo8`, 16 bits", come_letto),
               b("value_9", "`campo9`, 8 bits", come_letto),
               w("value_10", "`campo10`, 16 bits", come_letto),
               w("value_11", "`campo11`, 16 bits", come_letto),
               w("value_12", "`campo12`, 16 bits", come_letto),
               {"stop_time", "s", 0, 255, lettura::byte, ruolo::valore, "`campo13`, 8 bits",
                "how long the train stops; 0 where it does not"},
               {"hours", "h", 0, 23, lettura::intero32, ruolo::valore, "`orario` = (h × 60 + min) × 60 + s",
                "the departure time, as the driver's card reads it: the train arrives stop_time seconds before "
                "it; 0, 0, 0 where it passes without a time"},
               {"minutes", "min", 0, 59, lettura::intero32, ruolo::valore, "`orario`", "the departure time"},
               {"seconds", "s", 0, 59, lettura::intero32, ruolo::valore, "`orario`", "the departure time"},
               {"name", "", 0, 0, lettura::testo, ruolo::valore, "`nome`, unchanged",
                "the station's name, up to the next comma or the end of the line"}},
              ordine::crescente,
              "stazione,   33500,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,38,55, Prato Alto",
              "a station; areas of consecutive stations lie at least 350 m apart. The stations with a time "
              "follow each other in time: each time after the one before, and each stop beginning at or after "
              "the departure before it; stations without a time are left out, and a time more than 12 hours "
              "before the one before it is the next day's, so a timetable runs on past midnight"}}});
  s.sezioni.push_back(sezione{
      "[rallentamenti]",
      "Temporary slowdowns and restriction points, in rising order.",
      {record{"rallentamento",
              "rallentamento",
              nullptr,
              false,
              fase::record,
              {},
              {posizione("where the slowdown starts"),
               numero("speed", "km/h", 0, kI16Max, lettura::intero32, "start, end and warning cells, 16 bits",
                      "the speed over the slowdown"),
               {"length", "m", 1, kMetriMax, lettura::intero32, ruolo::lunghezza, "the end cell's place",
                "the slowdown's length"},
               numero("f_tt", "", 0, kI16Max, lettura::intero32, "start and end cells, 16 bits",
                      "a flag copied into the start and end cells"),
               numero("f_ta", "", 0, 1, lettura::intero32, "not stored",
                      "not 0: four pre-warning cells before the warning"),
               numero("d_v", "km/h", 0, kI16Max, lettura::intero32, "start, end and warning cells, 16 bits",
                      "a second speed; 0 for none")},
              ordine::campate,
              "rallentamento,    7300,   100,  600, 0,  1,  100",
              "a temporary slowdown. With its start x on the 50 m grid it takes these cells, each of which must be "
              "free (a tunnel's marker cell counts as free): the start, the cell from x + 50 m (error 18); the end, "
              "from x + length + 50 m (error 19); and, when x is above 1500 m, its warning board from x - 1150 m "
              "(error 17) and, when f_ta is 1, four pre-warning cells from x - 1200 to x - 1350 m (error 20). The "
              "finishing pass then puts speed marks into free cells: one in each of the windows of cells from "
              "x - 200 to x - 300, x - 500 to x - 600 and x - 850 to x - 950 m (error 12); every 400 m inside a "
              "slowdown slower than 110 km/h, a cell either way where that one is taken (error 13); in one of the "
              "two cells before the first signal within 600 m after the end (error 13); and in one of the two cells "
              "before every signal within 1000 m before the warning board (error 11)"},
       record{"abbattimento",
              "abbattimento",
              nullptr,
              false,
              fase::record,
              {},
              {posizione("the point's cell is the one holding it"),
               numero("value", "", 0, kI16Max, lettura::intero32, "the cell's first value, 16 bits, when above 0",
                      "the restriction; 0 for a point without a value")},
              ordine::crescente,
              "abbattimento,   12000,   90",
              "a speed restriction point"}}});
  const char* cifra_sinistra = "tens of one of the cell's values";
  const char* cifra_destra = "units of one of the cell's values";
  s.sezioni.push_back(sezione{
      "[segnali]",
      "Signals, in rising order.",
      {record{"segnale",
              "segnale",
              nullptr,
              false,
              fase::record,
              {},
              {posizione("the signal stands in the cell after the one holding it"),
               numero("sx", "", 0, 2, lettura::intero32, "the kind code sx × 3 + dx", "left-hand part's kind"),
               cifra("s1", cifra_sinistra, "left-hand part, first aspect"),
               cifra("s2", cifra_sinistra, "left-hand part, second aspect"),
               cifra("s3", cifra_sinistra, "left-hand part, third aspect"),
               numero("rapp", "", 0, 3276, lettura::intero32, "tens of the fourth value", "passed on as written"),
               numero("dx", "", 0, 2, lettura::intero32, "the kind code sx × 3 + dx", "right-hand part's kind"),
               cifra("d1", cifra_destra, "right-hand part, first aspect"),
               cifra("d2", cifra_destra, "right-hand part, second aspect"),
               cifra("d3", cifra_destra, "right-hand part, third aspect"),
               numero("tempo", "", 0, 255, lettura::intero32, "cell byte `tempo` when sx is 2; 1 to 100 become 101",
                      "0, or a time value of 101 or more")},
              ordine::crescente,
              "segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 0",
              "a signal. With its position p on the 50 m grid it stands in the cell from p + 50 m, which must be free "
              "(error 16; a tunnel's marker cell counts as free), and writes its four announcement marks into the "
              "cells from p - 50, p - 150, p - 250 and p - 350 m, whatever they hold: a signal closer than 350 m "
              "to the start is refused (error 231). The finishing pass puts a slowdown's speed marks in one of the "
              "two cells before a signal near it (see rallentamento)"}}});
  s.sezioni.push_back(sezione{"[codici]", "Stays empty: the identity codes come from the title and the train.", {}});
  s.sezioni.push_back(sezione{"[fine]", "The last line of the source; nothing follows it.", {}});
  return s;
}

bool contiene(std::string_view voce, std::string_view chiave, bool maiuscole) {
  if (maiuscole) return voce.find(chiave) != std::string_view::npos;
  auto uguali = [](char a, char b) { return minuscola(a) == minuscola(b); };
  return std::search(voce.begin(), voce.end(), chiave.begin(), chiave.end(), uguali) != voce.end();
}

std::string_view senza_spazi(std::string_view v) {
  const size_t a = v.find_first_not_of(" \t");
  if (a == std::string_view::npos) return {};
  return v.substr(a, v.find_last_not_of(" \t") - a + 1);
}

// ---- the reference ----

std::string intervallo(const campo& c) {
  if (c.letto == lettura::testo) return "text";
  if (c.minimo == kI32Min && c.massimo == kI32Max) return "any 32-bit whole number";
  if (c.massimo == kI32Max) return std::to_string(c.minimo) + " or more";
  return std::to_string(c.minimo) + " to " + std::to_string(c.massimo) + (c.rifiutato ? "; refused outside" : "");
}

const char* nome_lettura(lettura l) {
  switch (l) {
    case lettura::intero32:
      return "32-bit whole number";
    case lettura::intero16:
      return "16-bit whole number";
    case lettura::byte:
      return "8-bit whole number, 0 to 255";
    case lettura::testo:
      return "text";
  }
  return "";
}

const char* regola_ordine(ordine o) {
  switch (o) {
    case ordine::libero:
      return "any order";
    case ordine::crescente:
      return "rising order of position";
    case ordine::campate:
      return "rising order of position; each starts at or after the end of the one before";
  }
  return "";
}

// A table cell: the pipe would end it.
std::string cella_md(std::string t) {
  for (size_t i = t.find('|'); i != std::string::npos; i = t.find('|', i + 2)) t.replace(i, 1, "\\|");
  return t;
}

std::string record_md(const record& r) {
  std::string significato = r.significato;
  significato[0] = static_cast<char>(significato[0] - 'a' + 'A');
  std::string t = "#### `" + std::string(r.parola) + "`\n\n" + significato + ".\n\n";
  const std::vector<std::string> f = forme(r);
  if (f.size() > 1) {
    t += "Written as";
    for (size_t i = 0; i < f.size(); ++i) t += std::string(i == 0 ? " " : ", ") + "`" + f[i] + "`";
    t += ".\n\n";
  }
  t += "Example: `" + std::string(r.esempio) + "`\n\n";
  t += "Order: " + std::string(regola_ordine(r.regola)) + ".\n\n";
  t += "| # | Field | Unit | Range | Read as | Stored | Meaning |\n|---|---|---|---|---|---|---|\n";
  for (size_t i = 0; i < r.campi.size(); ++i) {
    const campo& c = r.campi[i];
    t += "| " + std::to_string(i + 1) + " | `" + c.nome + "` | " + cella_md(c.unita) + " | " + intervallo(c) + " | " +
         nome_lettura(c.letto) + " | " + cella_md(c.memoria) + " | " + cella_md(c.significato) + " |\n";
  }
  return t + "\n";
}

std::string sorgente_md(const sorgente& s) {
  std::string t = "## The " + std::string(s.nome) + "\n\n" + s.significato + "\n\n";
  for (const sezione& z : s.sezioni) {
    t += "### `" + std::string(z.intestazione) + "`\n\n" + z.significato + "\n\n";
    for (const record& r : z.records) t += record_md(r);
  }
  return t;
}

}  // namespace

const std::vector<int32_t>& tipi_stazione() {
  static const std::vector<int32_t> t = {2, 4, 5, 6, 7, 8, 12, 24, 28};
  return t;
}

std::string elenco_tipi_stazione() {
  const std::vector<int32_t>& t = tipi_stazione();
  std::string s;
  for (size_t i = 0; i < t.size(); ++i) {
    s += (i == 0 ? "" : i + 1 == t.size() ? " and " : ", ") + std::to_string(t[i]);
  }
  return s;
}

const sorgente& linea() {
  static const sorgente s = costruisci_linea();
  return s;
}

const sorgente& treno() {
  static const sorgente s = costruisci_treno();
  return s;
}

const sorgente& di(quale q) { return q == quale::linea ? linea() : treno(); }

const sezione* trova_sezione(const sorgente& s, std::string_view intestazione) {
  const std::string_view v = senza_spazi(intestazione);
  for (const sezione& z : s.sezioni) {
    if (v.size() == std::string_view(z.intestazione).size() && contiene(v, z.intestazione, false)) return &z;
  }
  return nullptr;
}

const sezione& sezione_di(const sorgente& s, const record& r) {
  for (const sezione& z : s.sezioni) {
    for (const record& x : z.records) {
      if (&x == &r) return z;
    }
  }
  return s.sezioni.front();
}

const record* trova_record(const sorgente& s, std::string_view voce) {
  for (const sezione& z : s.sezioni) {
    for (const record& r : z.records) {
      if (contiene(voce, r.prova, r.maiuscole) && (r.prova2 == nullptr || contiene(voce, r.prova2, r.maiuscole))) {
        return &r;
      }
    }
  }
  return nullptr;
}

std::vector<std::string> forme(const record& r) {
  if (r.forme.empty()) return {r.parola};
  return std::vector<std::string>(r.forme.begin(), r.forme.end());
}

int indice_campo(const record& r, std::string_view nome) {
  for (size_t i = 0; i < r.campi.size(); ++i) {
    if (nome == r.campi[i].nome) return static_cast<int>(i);
  }
  return -1;
}

std::string documento() {
  return "# Source formats\n\n"
         "<!-- Printed by `scenario format-doc` from compiler/formato.cc; a test keeps the two the same. -->\n\n"
         "A scenario is written as two text sources, a line source and a train source. `scenario init DIR` "
         "writes ours to start from; `scenario check LINE TRAIN` reads both against the tables below.\n\n"
         "## Reading\n\n"
         "- A source is Windows-1252 text (Western European, one byte a character) with CR LF line ends, as "
         "`scenario init` writes it; names are stored byte for byte. A source saved as UTF-8, an editor's usual "
         "choice, would store an accented letter as two (\"Città\" as \"CittÃ\" and a blank): `scenario check` "
         "warns at each such line, and `--encoding utf-8` on `check` and `compile` converts the sources, a "
         "character that Windows-1252 lacks then being an error at its place.\n"
         "- A source is a list of items. Commas and line ends separate items alike, so a record may run over "
         "several lines; the writers put one record on each line, and the checker expects that.\n"
         "- A record is a keyword item followed by its fields, in the order of its table. A keyword is found "
         "anywhere in its item, letter case aside (most general keys of the line source match case exactly).\n"
         "- A number is a whole number with an optional minus sign; it also ends at a blank. An empty field "
         "reads as 0. There are no decimals: in `-4,5` the comma ends the number, and `5` is left over.\n"
         "- A text field runs to the next comma or the end of its line; a name cannot hold a comma.\n"
         "- Between records, an item holding `-` is passed over together with the item after it taking its "
         "place: a name broken over two lines loses the second line.\n"
         "- Section headers are items in square brackets. In the line source they end the general section; "
         "otherwise records are recognised by keyword wherever they stand.\n"
         "- Positions are whole metres from the start of the line; the track is cut into 50 m cells and reaches "
         "7000 m beyond the route's end.\n\n" +
         sorgente_md(linea()) + sorgente_md(treno());
}

}  // namespace formato
}  // namespace valdoro

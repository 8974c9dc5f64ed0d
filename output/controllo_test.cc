// Our own sources with an author's mistakes in them: every problem told at
// its own line in one run, and the compiled bytes those of the compile alone.
#include "output/controllo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/errori.h"
#include "model/nomi_file.h"
#include "output/binari.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

constexpr char kLinea[] = "Valdoro_linea.txt";
constexpr char kTreno[] = "Valdoro_Dir 5802-.txt";

// A line of one source replaced; "" deletes it, and a replacement may hold
// several lines.
struct modifica {
  bool in_linea;
  size_t riga;  // 1-based
  std::string nuova;
};

std::string applica(std::vector<std::string> righe, const std::vector<modifica>& m, bool linea) {
  // From the last line up, so that the numbers of the others hold.
  std::vector<modifica> qui;
  for (const modifica& x : m) {
    if (x.in_linea == linea) qui.push_back(x);
  }
  std::sort(qui.begin(), qui.end(), [](const modifica& a, const modifica& b) { return a.riga > b.riga; });
  for (const modifica& x : qui) {
    if (x.nuova.empty()) {
      righe.erase(righe.begin() + static_cast<long>(x.riga) - 1);
    } else {
      righe[x.riga - 1] = x.nuova;
    }
  }
  return testo_file(righe);
}

// "L:113:1: [rule] message", L or T for the source.
std::string breve(const diagnostica& d) {
  const std::string f = d.dove.file == kLinea ? "L" : d.dove.file == kTreno ? "T" : "";
  return f + ":" + std::to_string(d.dove.riga) + ":" + std::to_string(d.dove.colonna) + ": [" + d.regola + "] " +
         messaggio_intero(d);
}

// The two our own sources earn, with every mistake below.
const std::vector<std::string> kProprie = {
    "L:114:20: [decimal-comma] \"-4,5\" has a decimal comma: pendenza gradient is read as -4 and \"5\" is passed "
    "over; values are whole numbers",
    "T:60:1: [broken-name] \"-Terme\" on a line of its own is passed over: the name on line 59 stays \"Pontelungo\"; "
    "a name must stand whole on its record's line",
};

std::vector<std::string> oltre_le_proprie(const sorgenti_controllate& r) {
  std::vector<std::string> v;
  for (const diagnostica& d : r.diagnostiche) {
    const std::string b = breve(d);
    if (std::find(kProprie.begin(), kProprie.end(), b) == kProprie.end()) v.push_back(b);
  }
  return v;
}

// The packager's own build of the same texts: memorizza_percorso, which
// knows nothing of the checker.
std::string byte_del_pacchetto(const std::string& linea, const std::string& treno) {
  cartella_temporanea dir;
  dir.scrivi(kLinea, linea);
  dir.scrivi(kTreno, treno);
  scenario s;
  diagnostiche d;
  s.nome_linea = kNomeLinea;
  s.nome_treno = kNomeTreno;
  try {
    memorizza_percorso(s, d, 1, dir.percorso());
  } catch (const errore_fatale&) {
    return "fatal";
  }
  return codifica_stazioni(s.tabella_stazioni) + codifica_celle(s.celle) + codifica_profilo(s.profilo_linea);
}

std::string byte_di(const sorgenti_controllate& r) {
  if (r.fatale) return "fatal";
  return codifica_stazioni(r.s.tabella_stazioni) + codifica_celle(r.s.celle) + codifica_profilo(r.s.profilo_linea);
}

TEST(Controllo, OurOwnSourcesEarnTheirTwoWarningsAndNoOther) {
  const sorgenti_controllate r =
      controlla_sorgenti(testo_file(righe_linea()), testo_file(righe_treno()), kNomeLinea, kNomeTreno, true);
  std::vector<std::string> tutte;
  for (const diagnostica& d : r.diagnostiche) tutte.push_back(breve(d));
  EXPECT_EQ(tutte, kProprie);
  EXPECT_EQ(r.errori, 0u);
  EXPECT_EQ(r.avvisi, 2u);
  EXPECT_FALSE(r.fatale);
  // The packager itself runs no checker, and its compile warns of nothing.
  const std::string linea = testo_file(righe_linea()), treno = testo_file(righe_treno());
  fonte_memoria fonte(
      {{file_sorgente_linea(kNomeLinea), &linea}, {file_sorgente_treno(kNomeLinea, kNomeTreno), &treno}});
  EXPECT_TRUE(compila_scenario(fonte, kNomeLinea, kNomeTreno, true).d.elenco().empty());
}

TEST(Controllo, EveryMistakeIsToldAtItsLineAndTheBytesAreTheCompilesAlone) {
  std::vector<modifica> senza_stazioni;
  for (size_t riga = 47; riga <= 72; ++riga) senza_stazioni.push_back({false, riga, ""});
  struct caso {
    const char* nome;
    std::vector<modifica> modifiche;
    std::vector<std::string> attese;
  } casi[] = {
      {"keyword typos",
       {{true, 113, "pendnza,  600,   -11"},
        {true, 12, "curvaz4,  1900,  700"},
        {false, 48, "stazinoe,    4250,  4,  500,  0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, Fornaci"}},
       {"L:12:1: [keyword-read-as] keyword \"curvaz4\" is read as \"curvad4\"",
        "L:113:1: [unknown-keyword] unknown keyword \"pendnza\" in [pendenze]: the record is lost; did you mean "
        "\"pendenza\"?",
        "T:48:1: [unknown-keyword] unknown keyword \"stazinoe\" in [stazioni]: the record is lost; did you mean "
        "\"stazione\"?"}},
      {"section typos and repeats",
       {{true, 111, "[pendenz]"}, {false, 21, "[vel_limiti]"}, {false, 189, "[segnali]"}},
       {"L:111:1: [unknown-section] unknown section \"[pendenz]\" in the line source; did you mean \"[pendenze]\"?",
        "T:21:1: [unknown-section] unknown section \"[vel_limiti]\" in the train source; did you mean "
        "\"[vel_limite]\"?",
        "T:189:1: [repeated-section] section \"[segnali]\" stands a second time (first on line 78)"}},
      {"a header that holds a keyword is a record to the compiler",
       {{true, 270, "[montagna]"}},
       {"L:270:1: [header-read-as-record] section header \"[montagna]\" holds the keyword \"montagna\": the "
        "compiler reads it as a montagna record, taking the items after it as fields",
        "L:271:1: [error-25] record \"[montagna]\", field position: \"montagna\" is not a whole number"}},
      {"a general key misspelt: the compile's error comes later, the cause is told first",
       {{true, 2, "lunghezza percoso,    218000"}},
       {"L:2:1: [unknown-keyword] unknown keyword \"lunghezza percoso\" in [generale]: the record is lost; did you "
        "mean \"lunghezza percorso\"?",
        "L:10:1: [error-210] line source gives no route length: the track does not exist (no item of the general "
        "section, which ends here, holds \"lunghezza\" and \"percorso\")",
        "L:0:0: [error-201] track has 0 cells, fewer than two: identity codes not stamped into the track"}},
      {"letter case of a general key",
       {{true, 7, "Sfondo due,    0"}},
       {"L:7:1: [unknown-keyword] unknown keyword \"Sfondo due\" in [generale]: the record is lost: letter case "
        "matters here; did you mean \"sfondo due\"?"}},
      {"missing and extra fields",
       {{false, 47, "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,  14,16,30,"},
        {true, 113, "pendenza,  600,   -11, 5"},
        {false, 80, "segnale,    3300,   2, 3, 4,  0, 0,    1,  3,1,0"}},
       {"L:113:24: [extra-field] \"pendenza\" takes 2 fields: \"5\" and what follows it on the line are passed over",
        "T:47:1: [missing-field] \"stazione\" record has 16 of its 17 fields: name is missing; the compiler takes "
        "\"stazione\" on line 48 as its name, and what that line says is lost",
        "T:80:1: [missing-field] \"segnale\" record has 10 of its 11 fields: tempo is missing; the compiler reads "
        "\"segnale\" on line 81 in its place",
        "T:81:1: [error-25] record \"segnale\", field tempo: \"segnale\" is not a whole number"}},
      {"a decimal point and a name cut at a comma",
       {{true, 113, "pendenza,  600,   -11.5"},
        {false, 49, "stazione,   13400,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,28, 0, Ponte, Rovera"}},
       {"L:113:19: [error-25] record \"pendenza\", field gradient: \"-11.5\" is not a whole number",
        "T:49:80: [extra-field] stazione name \"Ponte\" is cut at the comma: \"Rovera\" is passed over; a name "
        "cannot hold a comma"}},
      {"records swapped in every list",
       {{true, 12, "curvad4,  1300,  700"},
        {true, 273, "montagna,   40000,  41000,  1"},
        {true, 281, "indicatori_vmax,  1000,  140,  145,  155,  0,  ,  ,  ,  0"},
        {true, 330, "cartello_indicatore,  9950,   (Cippo )(  Km  )(36+000)"},
        {false, 76, "rallentamento,    7000,    80,  200, 0,  1,  80"},
        {false, 80, "segnale,     900,   2, 3, 4,  0, 0,    1,  3,1,0, 0"}},
       {"L:12:1: [out-of-order] curva at 1300 m does not come after the one on line 11 (at 1350 m): curva records "
        "must rise in position",
        "L:273:1: [out-of-order] montagna at 40000 m does not come after the one on line 272 (at 40500 m): montagna "
        "records must rise in position",
        "L:281:1: [out-of-order] indicatori_vmax at 1000 m does not come after the one on line 280 (at 1100 m): "
        "indicatori_vmax records must rise in position",
        "L:330:1: [out-of-order] cartello_indicatore at 9950 m does not come after the one on line 329 (at 10950 "
        "m): cartello_indicatore records must rise in position",
        // The finishing pass finds the two slowdowns too close and tells it at
        // the slowdown it was marking for.
        "T:76:1: [error-12] no free cell among cell 123, 122 and 121 for a speed mark before the slowdown starting "
        "in cell 141",
        "T:76:1: [out-of-order] rallentamento at 7000 m does not come after the one on line 75 (at 7300 m): "
        "rallentamento records must rise in position",
        "T:80:1: [out-of-order] segnale at 900 m does not come after the one on line 79 (at 1050 m): segnale "
        "records must rise in position"}},
      {"impossible spans",
       {{true, 272, "montagna,   41350,  40500,  1"},
        {true, 273, "montagna,   63800,  91000,  1"},
        {true, 12, "curvad4,  1400,  700"},
        {false, 48, "stazione,    4250,  4, -500,  0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, Fornaci"}},
       {"L:12:1: [overlap] curva from 1400 m starts before the one on line 11 ends (at 1500 m)",
        "L:272:1: [tunnel-lost] montagna ends at 40500 m, before its start at 41350 m",
        "L:274:1: [tunnels-merged] montagna from 90300 m starts before the one on line 273 ends (at 91000 m)",
        "T:48:1: [backward-span] stazione length -500 m is negative"}},
      {"positions off the line and values out of range",
       {{true, 280, "indicatori_vmax,  -100,  105,  110,  125,  0,  ,  ,  ,  0"},
        {false, 23, "velocita,    1100,   1300"},
        {false, 5, "orologio,    25              16            30 "},
        {false, 188, "segnale,  219000,   2, 2, 3,  1, 0,    0,  0,0,0, 245"}},
       {"L:280:1: [error-212] maximum-speed board at -100 m: a position below 0 m",
        "T:5:14: [out-of-range] orologio hours 25 h is outside its range, 0 to 23",
        "T:23:22: [error-25] speed 1300 km/h does not fit its cell, which holds km/h / 5 in 8 bits: 0 to 1277 km/h",
        "T:188:1: [beyond-route] segnale position 219000 m is past the end of the route, 218000 m"}},
      {"several independent mistakes in both sources at once",
       {{true, 9, "ripetizione segnali 4 codici,    2110,    211050"},
        {true, 113, "pendnza,  600,   -11"},
        {true, 274, "montagna,   90300,  95050,  11, 3"},
        {false, 48, "stazione,    4260,  4,  500,  0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, Fornaci"},
        {false, 49, "stazione,   13400,  2,  450,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,28, 0, Ponte Rovera"},
        {false, 80, "segnal,    3300,   2, 3, 4,  0, 0,    1,  3,1,0, 0"}},
       {"L:9:1: [error-3] signal repetition start 2110 m is not a multiple of 50 m",
        "L:113:1: [unknown-keyword] unknown keyword \"pendnza\" in [pendenze]: the record is lost; did you mean "
        "\"pendenza\"?",
        "L:274:33: [extra-field] \"montagna\" takes 3 fields: \"3\" and what follows it on the line are passed over",
        "T:48:1: [error-8] station position 4260 m is not a multiple of 50 m",
        "T:49:1: [error-9] station length 450 m is not a multiple of 100 m",
        "T:80:1: [unknown-keyword] unknown keyword \"segnal\" in [segnali]: the record is lost; did you mean "
        "\"segnale\"?"}},
      {"a timetable out of step: the time is the departure, the arrival the stop before it",
       {{false, 49, "stazione,   13400,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,16,30, Ponte Rovera"},
        {false, 51, "stazione,   33500,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,17, 0, Prato Alto"},
        {false, 52, "stazione,   46200, 12,  500,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,10, 0, Sorgenti"}},
       {"T:49:1: [same-time] stazione time 14:16:30 is the same as the departure from the station on line 47 "
        "(Roccavalle, 14:16:30): the train takes no time between the two",
        "T:51:1: [stop-before-departure] stazione stop of 60 s before the departure at 14:17:00 begins at "
        "14:16:00, before the departure from the station on line 49 (Ponte Rovera, 14:16:30): the time is the "
        "departure, so the arrival is the time less the stop",
        "T:52:1: [time-goes-back] stazione time 14:10:00 comes before the departure from the station on line 51 "
        "(Prato Alto, 14:17:00): a station's time is its departure, and times must rise from station to station"}},
      {"values the track keeps otherwise, a repeated name and a slowdown with no room for its end",
       {{true, 280, "indicatori_vmax,  1100,  105,  110,  125,  0,  97,  ,  ,  0"},
        {false, 23, "velocita,    1100,   97"},
        {false, 51, "stazione,   33500,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  14,38,55, Fornaci"},
        {false, 75, "rallentamento,    7300,   100,  0, 0,  1,  100"}},
       {"L:280:48: [value-rounded] indicatori_vmax right_speed_a 97 km/h is stored in steps of 5 km/h: the track "
        "holds 95 km/h",
        "T:23:22: [value-rounded] velocita speed 97 km/h is stored in steps of 5 km/h: the track holds 95 km/h",
        "T:51:1: [repeated-name] stazione name \"Fornaci\" is given again (first on line 48): two stations cannot "
        "be told apart",
        "T:75:1: [slowdown-without-end] rallentamento at 7300 m of length 0 m: its start and its end fall on one "
        "cell (147), which keeps only the start; give a length of 50 m or more"}},
      {"semicolons and tabs for commas: named, and the record after each still read",
       {{true, 113, "pendenza;  600;   -11"},
        {false, 23, "velocita;    1100;   110"},
        {false, 24, "velocita\t3950\t145"},
        {false, 80, "segnale,    3300,   2, 3, 4,  0, 0,    1,  3,1,0, 0"},
        {false, 81, "segnale,    2900,   2, 3, 4,  0, 0,    1,  3,1,0, 0"}},
       {"L:113:1: [wrong-separator] \"pendenza;  600;   -11\": fields are separated by commas, not by semicolons; "
        "the compiler reads this as one item, which holds \"-\" and is passed over: the record is lost",
        "T:23:1: [wrong-separator] \"velocita;    1100;   110\": fields are separated by commas, not by "
        "semicolons; the compiler reads this as one item, the keyword \"velocita\" without its 2 fields, and takes "
        "the items after it for them",
        "T:24:1: [wrong-separator] \"velocita\t3950\t145\": fields are separated by commas, not by tabs; the "
        "compiler reads this as one item, the keyword \"velocita\" without its 2 fields, and takes the items after "
        "it for them",
        "T:81:1: [out-of-order] segnale at 2900 m does not come after the one on line 80 (at 3300 m): segnale "
        "records must rise in position"}},
      {"a position past 32 bits is told by the range a position has",
       {{false, 23, "velocita,    9999999999,   110"}},
       {"T:23:14: [error-25] record \"velocita\", field position: 9999999999 m is outside the range of a position, "
        "0 to 1000000 m"}},
      // 507 records of the two sources stand past 218 m (counted from the
      // sources by their first value): one line for them all.
      {"a route length with a blank in it: one message, and the records past the end it was read as told once",
       {{true, 2, "lunghezza percorso,    218 000"}},
       {"L:2:24: [number-with-blank] lunghezza percorso route_length \"218 000\" is read as 218 and \"000\" is "
        "passed over: a number ends at a blank; write it without blanks",
        "L:11:1: [past-route-end] this and 506 more records past the route's end, 218 m: see line 2 of the line "
        "source, where the route length is not read as written"}},
      // The same 507 records stand past 0 m: all but four (a gradient, an
      // adhesion, a speed limit and a station at 0 m).
      {"a route length that cannot be read at all: its error, and the records past the end told once",
       {{true, 2, "lunghezza percorso,    218000m"}},
       {"L:2:24: [error-25] record \"lunghezza percorso\", field route_length: \"218000m\" is not a whole number",
        "L:11:1: [past-route-end] this and 506 more records past the route's end, 0 m: see line 2 of the line "
        "source, where the route length is not read as written",
        "L:0:0: [error-201] track has 0 cells, fewer than two: identity codes not stamped into the track"}},
      {"a number with a blank inside a record's last field",
       {{false, 23, "velocita,    1100,   1 10"}},
       {"T:23:22: [number-with-blank] velocita speed \"1 10\" is read as 1 and \"10\" is passed over: a number "
        "ends at a blank; write it without blanks",
        "T:23:22: [value-rounded] velocita speed 1 km/h is stored in steps of 5 km/h: the track holds 0 km/h"}},
      {"a train without a station",
       senza_stazioni,
       {"T:1:1: [no-station] the train source has no \"stazione\" record: the train runs through no station"}},
  };
  for (const caso& c : casi) {
    const std::string linea = applica(righe_linea(), c.modifiche, true);
    const std::string treno = applica(righe_treno(), c.modifiche, false);
    const sorgenti_controllate r = controlla_sorgenti(linea, treno, kNomeLinea, kNomeTreno, true);
    EXPECT_EQ(oltre_le_proprie(r), c.attese) << c.nome;
    EXPECT_TRUE(byte_di(r) == byte_del_pacchetto(linea, treno)) << c.nome;
  }
}

// A mistake, what is told beyond our own two warnings, and how many errors
// and warnings the run counts, our own two included: the status follows.
struct sbaglio {
  const char* nome;
  std::vector<modifica> modifiche;
  std::vector<std::string> attese;
  size_t errori, avvisi;
};

void prova_sbagli(const std::vector<sbaglio>& casi) {
  for (const sbaglio& c : casi) {
    const std::string linea = applica(righe_linea(), c.modifiche, true);
    const std::string treno = applica(righe_treno(), c.modifiche, false);
    const sorgenti_controllate r = controlla_sorgenti(linea, treno, kNomeLinea, kNomeTreno, true);
    EXPECT_EQ(oltre_le_proprie(r), c.attese) << c.nome;
    EXPECT_EQ(r.errori, c.errori) << c.nome;
    EXPECT_EQ(r.avvisi, c.avvisi) << c.nome;
    EXPECT_TRUE(byte_di(r) == byte_del_pacchetto(linea, treno)) << c.nome;
  }
}

std::string stazione_di_tipo(const char* posizione, const char* tipo, const char* resto) {
  return std::string("stazione,") + posizione + ", " + tipo + "," + resto;
}

TEST(Controllo, AStationOfNoKnownKindIsToldAtItsRecord) {
  const char* fornaci = "  500,  0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, Fornaci";
  const char* case_sparse = "  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, Case Sparse";
  const std::string noti =
      "is none of the known kinds, 2, 4, 5, 6, 7, 8, 12, 24 and 28: the simulator is given a "
      "kind nobody has described";
  prova_sbagli({
      {"kind 3, between the known ones",
       {{false, 48, stazione_di_tipo("    4250", " 3", fornaci)}},
       {"T:48:1: [unknown-station-kind] stazione kind 3 " + noti},
       0,
       3},
      {"kind 0",
       {{false, 48, stazione_di_tipo("    4250", " 0", fornaci)}},
       {"T:48:1: [unknown-station-kind] stazione kind 0 " + noti},
       0,
       3},
      {"kind 255, the highest a byte holds, beyond the known ones",
       {{false, 64, stazione_di_tipo("  171400", "255", case_sparse)}},
       {"T:64:1: [unknown-station-kind] stazione kind 255 " + noti},
       0,
       3},
      {"kinds 5 and 7, which the compile shapes, are known",
       {{false, 48, stazione_di_tipo("    4250", " 5", fornaci)},
        {false, 64, stazione_di_tipo("  171400", " 7", case_sparse)}},
       {},
       0,
       2},
  });
}

TEST(Controllo, AMissingFieldIsNamedByItsOwnName) {
  const std::string prima_del_nome = "stazione,   13400,  2,  400,  1, 0, 0,  3,1,0,  2,1,1, ";
  prova_sbagli({
      {"a station without its stop time",
       {{false, 49, prima_del_nome + " 14,28, 0, Ponte Rovera"}},
       {"T:49:67: [error-25] \"stazione\" record has 16 of its 17 fields: 1 of its 16 numbers, position to "
        "seconds, is missing before its name \"Ponte Rovera\", which the compiler reads as seconds"},
       1,
       2},
      {"a station without its stop time and its seconds",
       {{false, 49, prima_del_nome + " 14,28, Ponte Rovera"}},
       {"T:49:64: [error-25] \"stazione\" record has 15 of its 17 fields: 2 of its 16 numbers, position to "
        "seconds, are missing before its name \"Ponte Rovera\", which the compiler reads as minutes"},
       1,
       2},
      {"a sign board without its position",
       {{true, 330, "cartello_indicatore,   (Cippo )(  Km  )(36+000)"}},
       {"L:330:24: [error-25] \"cartello_indicatore\" record has 1 of its 2 fields: position is missing before "
        "its text \"(Cippo )(  Km  )(36+000)\", which the compiler reads as position"},
       1,
       2},
      {"a gradient without its value, the next record taken in its place",
       {{true, 113, "pendenza,  600"}},
       {"L:113:1: [missing-field] \"pendenza\" record has 1 of its 2 fields: gradient is missing; the compiler "
        "reads \"pendenza\" on line 114 in its place",
        "L:114:1: [error-25] record \"pendenza\", field gradient: \"pendenza\" is not a whole number"},
       2,
       2},
      {"a bad number before the name is a bad number, not a missing one",
       {{false, 49, prima_del_nome + "  6O,  14,28, 0, Ponte Rovera"}},
       {"T:49:58: [error-25] record \"stazione\", field stop_time: \"6O\" is not a whole number"},
       1,
       2},
  });
}

TEST(Controllo, ACollisionNamesTheRecordThatHoldsTheCell) {
  // Line 280 of the line source puts a maximum-speed board at 1100 m, cell
  // 23; line 49 of the train source the station cell of Ponte Rovera (area
  // 13200 to 13600 m) at cell 271, and line 75 the slowdown at 7300 m with
  // its warning board at 6100 m, cell 123.
  prova_sbagli({
      {"a sign board on a maximum-speed board, both of the line source",
       {{true, 329, "cartello_indicatore,  1100,   (Cippo )(  Km  )(11+000)"}},
       {"L:329:1: [error-6] sign board at 1100 m: cell 23 at 1150 m already holds a maximum-speed board (kind 6), "
        "stored by Valdoro_linea.txt:280"},
       1,
       2},
      {"a signal on a board of the other source",
       {{false, 79, "segnale,    1100,   2, 4, 1,  1, 0,    2,  2,1,1, 0"}},
       {"T:79:1: [error-16] signal at 1100 m: cell 23 at 1150 m already holds a maximum-speed board (kind 6), "
        "stored by Valdoro_linea.txt:280"},
       1,
       2},
      {"a restriction point on a station cell",
       {{false, 189, "[codici]\r\nabbattimento,  13550,  90"}},
       {"T:190:1: [error-7] restriction point at 13550 m: cell 271 at 13550 m already holds a station (kind 10), "
        "stored by Valdoro_Dir 5802-.txt:49"},
       1,
       2},
      {"a slowdown whose warning board falls on the one before's",
       {{false, 76, "rallentamento,    7320,   100,  600, 0,  1,  100"}},
       {"T:76:1: [error-17] slowdown at 7320 m: warning board at 6120 m, cell 123 at 6150 m already holds a "
        "slowdown warning (kind 4), stored by Valdoro_Dir 5802-.txt:75",
        "T:76:1: [overlap] rallentamento from 7320 m starts before the one on line 75 ends (at 7900 m)"},
       1,
       3},
  });
}

// Of the general values, only the route length puts other records in the
// wrong: misread, it is told once with the records past the end it was read
// as; any other general value misread is told at its own line alone.
TEST(Controllo, OnlyAMisreadRouteLengthFoldsTheRecordsItPutsPastTheEnd) {
  const std::string passato =
      " more records past the route's end, 0 m: see line 2 of the line source, where the route length is not read "
      "as written";
  prova_sbagli({
      {"a route length with a decimal point",
       {{true, 2, "lunghezza percorso,    218.000"}},
       {"L:2:24: [error-25] record \"lunghezza percorso\", field route_length: \"218.000\" is not a whole number",
        "L:11:1: [past-route-end] this and 506" + passato,
        "L:0:0: [error-201] track has 0 cells, fewer than two: identity codes not stamped into the track"},
       3,
       2},
      {"the signal repetition's end with a blank",
       {{true, 9, "ripetizione segnali 4 codici,    2100,    211 050"}},
       {"L:9:1: [error-4] signal repetition end 211 m is not a multiple of 50 m",
        "L:9:43: [number-with-blank] ripetizione segnali 4 codici end \"211 050\" is read as 211 and \"050\" is passed "
        "over: a number ends at a blank; write it without blanks"},
       2,
       2},
      {"the coaches with a blank",
       {{false, 2, "numero vetture,    7 0"}},
       {"T:2:20: [number-with-blank] numero vetture coaches \"7 0\" is read as 7 and \"0\" is passed over: a number "
        "ends at a blank; write it without blanks"},
       1,
       2},
      {"the clock's hours with a decimal comma",
       {{false, 5, "orologio,    1,4              16            30 "}},
       {"T:5:31: [number-with-blank] orologio seconds \"16 30\" is read as 16 and \"30\" is passed over: a number "
        "ends at a blank; write it without blanks"},
       1,
       2},
  });
}

}  // namespace
}  // namespace valdoro

namespace valdoro {
namespace {

// Only what the timetable comparison says, in the short form.
std::vector<std::string> orario_di(const sorgenti_controllate& r) {
  std::vector<std::string> v;
  for (const diagnostica& d : r.diagnostiche) {
    if (d.regola.rfind("timetable-", 0) == 0) v.push_back(breve(d));
  }
  return v;
}

TEST(Controllo, EveryStopIsComparedWithTheFastestRunAtItsOwnRecord) {
  // Prato Alto's time moved earlier: from Ponte Rovera's departure at
  // 14:28:00 to its arrival, the time less its 60 s stop.
  auto prato_alto = [](const char* ore) {
    return std::string("stazione,   33500,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,  ") + ore + ", Prato Alto";
  };
  const std::string fermate_proprie[] = {
      "T:49:1: [timetable-thin-margin] Ponte Rovera: 10 min 30 s scheduled from Roccavalle; at least 10 min 13 s "
      "for this train, 17 s to spare",
      "T:54:1: [timetable-thin-margin] Pietrafonda: 14 min 0 s scheduled from Sorgenti; at least 13 min 46 s for "
      "this train, 14 s to spare",
      "T:56:1: [timetable-thin-margin] Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s for this "
      "train with the default figures, within their uncertainty",
      "T:72:1: [timetable-thin-margin] Lagomarino: 12 min 30 s scheduled from Rivalta; at least 12 min 19 s for "
      "this train, 11 s to spare",
  };
  struct caso {
    const char* nome;
    const char* ore;
    const char* figure;  // "" the category's
    std::string atteso;  // at Prato Alto's record, line 51
    size_t errori, avvisi;
  } casi[] = {
      {"a minute for 20.1 km", "14,30, 0", "",
       "T:51:1: [timetable-impossible] Prato Alto: 1 min 0 s scheduled from Ponte Rovera; at least 7 min 51 s at "
       "the speed limits alone",
       1, 2},
      {"below the fastest run by more than the figures' uncertainty", "14,37,40", "",
       "T:51:1: [timetable-tight] Prato Alto: 8 min 40 s scheduled from Ponte Rovera; at least 9 min 17 s for this "
       "train",
       0, 3},
      {"below it, within the uncertainty", "14,38,10", "",
       "T:51:1: [timetable-thin-margin] Prato Alto: 9 min 10 s scheduled from Ponte Rovera; at least 9 min 17 s for "
       "this train with the default figures, within their uncertainty",
       0, 2},
      {"below it, with the figures given", "14,38,10", "power=4000",
       "T:51:1: [timetable-tight] Prato Alto: 9 min 10 s scheduled from Ponte Rovera; at least 9 min 17 s for this "
       "train",
       0, 3},
  };
  for (const caso& c : casi) {
    opzioni_orario o{figure_per_categoria(kNomeTreno), *c.figure != '\0'};
    if (o.figure_date) {
      ASSERT_FALSE(imposta_figure(o.figure, c.figure));
    }
    const std::string treno = applica(righe_treno(), {{false, 51, prato_alto(c.ore)}}, false);
    const sorgenti_controllate r =
        controlla_sorgenti(testo_file(righe_linea()), treno, kNomeLinea, kNomeTreno, true, &o);
    std::vector<std::string> attese(std::begin(fermate_proprie), std::end(fermate_proprie));
    // With the figures given, Valico's shortfall is no longer only a note.
    if (o.figure_date) {
      attese[2] =
          "T:56:1: [timetable-tight] Valico: 14 min 0 s scheduled from Pietrafonda; at least 14 min 34 s for "
          "this train";
    }
    attese.insert(attese.begin() + 1, c.atteso);
    EXPECT_EQ(orario_di(r), attese) << c.nome;
    EXPECT_EQ(r.errori, c.errori) << c.nome;
    EXPECT_EQ(r.avvisi, c.avvisi + (o.figure_date ? 1 : 0)) << c.nome;
  }
  // Our own timetable: four notes, nothing more; and none without asking.
  opzioni_orario o{figure_per_categoria(kNomeTreno), false};
  const sorgenti_controllate r =
      controlla_sorgenti(testo_file(righe_linea()), testo_file(righe_treno()), kNomeLinea, kNomeTreno, true, &o);
  EXPECT_EQ(orario_di(r), std::vector<std::string>(std::begin(fermate_proprie), std::end(fermate_proprie)));
  EXPECT_EQ(r.avvisi, 2u);
}

}  // namespace
}  // namespace valdoro

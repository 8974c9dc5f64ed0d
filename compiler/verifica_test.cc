// The checker on its own: what it keeps of every record, the bound on its
// list, and places that stay inside the source.
#include "compiler/verifica.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace valdoro {
namespace {

constexpr char kL[] = "l.txt";
constexpr char kT[] = "t.txt";
const std::string kLineaMinima = "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\n";
const std::string kTrenoMinimo =
    "[generale]\r\nnumero vetture,    5\r\n[stazioni]\r\n"
    "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   8,30, 0, Piano\r\n[fine]\r\n";

TEST(Verifica, KeepsEveryRecordWithItsSectionPlaceAndValues) {
  const std::string linea = kLineaMinima + "curvas3,  1500,  600\r\n[pendenze]\r\npendenza,  0,   0\r\n[fine]\r\n";
  const esito_verifica e = verifica(linea, kL, kTrenoMinimo, kT);
  EXPECT_TRUE(e.diagnostiche.empty()) << e.diagnostiche.front().messaggio;
  ASSERT_EQ(e.records.size(), 5u);
  const record_letto& curva = e.records[1];
  EXPECT_STREQ(curva.tipo->parola, "curva");
  EXPECT_STREQ(curva.sezione->intestazione, "[curve]");
  EXPECT_EQ(e.dove(curva).file, kL);
  EXPECT_EQ(e.dove(curva).riga, 4);
  EXPECT_EQ(e.dove(curva).colonna, 1);
  EXPECT_EQ(e.valore(curva, 0), 1500);
  EXPECT_EQ(e.valore(curva, 1), 600);
  const record_letto& stazione = e.records[4];
  EXPECT_EQ(stazione.fonte, formato::quale::treno);
  EXPECT_EQ(e.dove(stazione).file, kT);
  EXPECT_EQ(e.dove(stazione).riga, 4);
  EXPECT_EQ(e.valore(stazione, 14), 30);
  EXPECT_EQ(e.testo(stazione, 16), "Piano");
  EXPECT_EQ(e.testo(stazione, 0), "");
}

// A source of nothing but mistakes: a bounded list, every one counted.
TEST(Verifica, AfterTheBoundOnlyCounts) {
  std::string linea = kLineaMinima;
  constexpr int kRighe = 20000;
  for (int i = 0; i < kRighe; ++i) linea += "pendnza,  " + std::to_string(i * 10) + ",  1\r\n";
  const esito_verifica e = verifica(linea + "[fine]\r\n", kL, kTrenoMinimo, kT);
  ASSERT_EQ(e.diagnostiche.size(), kMassimoPerRegola + 1);
  EXPECT_EQ(e.errori, static_cast<size_t>(kRighe));
  EXPECT_EQ(e.diagnostiche[kMassimoPerRegola - 1].dove.riga, static_cast<int>(kMassimoPerRegola) + 3);
  EXPECT_EQ(e.diagnostiche.back().messaggio,
            std::to_string(kRighe - kMassimoPerRegola) +
                " more errors of rule unknown-keyword not shown (an item where a record should start matches no "
                "keyword: the record is lost)");
  EXPECT_EQ(e.diagnostiche.back().dove.file, "");
}

TEST(Verifica, PlacesStayInsideTheSource) {
  // Line ends of every kind, a quoted item over two lines, a record cut by
  // the end of the source.
  const std::string linea =
      "[generale]\rlunghezza percorso,    20000\n[curve]\r\ncartello_indicatore,  100, \"(a\r\nb)\"\rpendenza,  5";
  const esito_verifica e = verifica(linea, kL, "", kT);
  ASSERT_EQ(e.diagnostiche.size(), 1u);
  EXPECT_EQ(e.diagnostiche[0].regola, "missing-field");
  EXPECT_EQ(e.diagnostiche[0].dove.riga, 6);
  EXPECT_EQ(e.diagnostiche[0].messaggio, "\"pendenza\" record has 1 of its 2 fields: gradient is missing");
}

// The rules the author-mistake table of the tool does not reach, each on a
// line of a small line source.
TEST(Verifica, EachRuleAtItsLine) {
  struct caso {
    std::string linea;                // what follows kLineaMinima, or a whole source when it holds [generale]
    std::vector<std::string> attese;  // "LINE:COL: [rule] message"
  } casi[] = {
      {"titolo\r\naltro\r\n[generale]\r\nlunghezza percorso,    20000\r\n[fine]\r\n",
       {"1:1: [before-general] 2 items stand before \"[generale]\" and are passed over"}},
      {"[generale]\r\npendenza,  0,   0\r\nlunghezza percorso,    20000\r\n[curve]\r\nsfondo uno,    1\r\n[fine]\r\n",
       {"2:1: [misplaced-record] \"pendenza\" record in the general section: it is not read; move it after the "
        "general section",
        "5:1: [misplaced-record] general key \"sfondo uno\" after the general section has ended: it is not read; "
        "move it into [generale]"}},
      {"[generale]\r\nripetizione segnali 9,    100,    200\r\nripetizione segnali,    100,    200\r\n"
       "lunghezza percorso,    20000\r\n[fine]\r\n",
       {"2:1: [keyword-read-as] keyword \"ripetizione segnali 9\" is read as \"ripetizione segnali 9 codici\"",
        "3:1: [unknown-keyword] keyword \"ripetizione segnali\" is none of ripetizione segnali 4 codici to "
        "ripetizione segnali 9 codici: the compiler refuses it"}},
      {"120\r\n-x-\r\ncurvas7,  100,  50\r\n[fine]\r\n",
       {"4:1: [not-a-record] the number \"120\" stands where a record should start: it is passed over",
        "5:1: [not-a-record] \"-x-\" stands where a record should start: an item holding \"-\" is passed over",
        "6:1: [unknown-keyword] keyword \"curvas7\" is none of curvas1 to curvad6: the compiler refuses it"}},
      {"pendenza,  100,  4x\r\npendenza,  200,  99999999999\r\nmontagna,  300,  400,  300\r\n[fine]\r\n",
       {"4:18: [bad-number] pendenza gradient \"4x\" is not a whole number",
        "5:18: [value-too-wide] pendenza gradient \"99999999999\" does not fit 32 bits: the source cannot be read",
        "6:24: [out-of-range] montagna kind 300 is outside its range, 0 to 265"}},
      {"cartello_indicatore,  100,  \"(a)\r\npendenza,  0,  1\r\n",
       {"4:29: [unreadable] quoted item without its closing quote: the rest of the line source cannot be read"}},
      {"montagna,  -50,  400,  1\r\npendenza,  26950,  1\r\n[fine]\r\n",
       {"4:1: [before-start] montagna position -50 m is before the start of the line",
        "5:1: [beyond-track] pendenza position 26950 m is beyond the usable end of the track, 26900 m"}},
  };
  for (const caso& c : casi) {
    const std::string linea = c.linea.rfind("[generale]") != std::string::npos ? c.linea : kLineaMinima + c.linea;
    const esito_verifica e = verifica(linea, kL, kTrenoMinimo, kT);
    std::vector<std::string> v;
    for (const diagnostica& d : e.diagnostiche) {
      EXPECT_EQ(d.dove.file, kL);
      v.push_back(std::to_string(d.dove.riga) + ":" + std::to_string(d.dove.colonna) + ": [" + d.regola + "] " +
                  d.messaggio);
    }
    EXPECT_EQ(v, c.attese) << c.linea;
  }
}

// A station's time is its departure: the times of the stations that have
// one rise, and each stop begins after the departure before it.
TEST(Verifica, StationTimesFollowEachOther) {
  // One station a line from line 4 on: its stop in seconds, its time, its name.
  struct stazione {
    int stop;
    const char* ora;  // "h,min,s"
    const char* nome;
  };
  struct caso {
    const char* nome;
    std::vector<stazione> stazioni;
    std::vector<std::string> attese;  // "LINE:COL: [rule] message"
  } casi[] = {
      {"rising times, a pass without a time left out, a stop that ends as the next begins",
       {{1, "14,30, 0", "Piano"}, {0, "0, 0, 0", "Bivio"}, {60, "14,40, 0", "Colle"}, {60, "14,41, 0", "Monte"}},
       {}},
      {"a time that goes back",
       {{1, "14,30, 0", "Piano"}, {60, "14,20, 0", "Colle"}},
       {"5:1: [time-goes-back] stazione time 14:20:00 comes before the departure from the station on line 4 "
        "(Piano, 14:30:00): a station's time is its departure, and times must rise from station to station"}},
      {"a stop that begins before the train has left the station before: told past a pass",
       {{1, "14,30, 0", "Piano"}, {0, "0, 0, 0", "Bivio"}, {60, "14,30,30", "Colle"}},
       {"6:1: [stop-before-departure] stazione stop of 60 s before the departure at 14:30:30 begins at 14:29:30, "
        "before the departure from the station on line 4 (Piano, 14:30:00): the time is the departure, so the "
        "arrival is the time less the stop"}},
      {"the same time twice",
       {{1, "14,30, 0", "Piano"}, {0, "14,30, 0", "Colle"}},
       {"5:1: [same-time] stazione time 14:30:00 is the same as the departure from the station on line 4 (Piano, "
        "14:30:00): the train takes no time between the two"}},
      {"past midnight the timetable goes on into the next day, and still may not go back",
       {{1, "23,50, 0", "Piano"}, {60, "0, 5, 0", "Colle"}, {30, "0, 4, 0", "Monte"}},
       {"6:1: [time-goes-back] stazione time 00:04:00 of day 2 comes before the departure from the station on "
        "line 5 (Colle, 00:05:00 of day 2): a station's time is its departure, and times must rise from station to "
        "station"}},
  };
  for (const caso& c : casi) {
    std::string treno = "[generale]\r\nnumero vetture,    5\r\n[stazioni]\r\n";
    int posizione = 0;
    for (const stazione& s : c.stazioni) {
      treno += "stazione,  " + std::to_string(posizione) + ",  2,  400,  1, 0, 0,  3,1,0,  2,1,1,  " +
               std::to_string(s.stop) + ",  " + s.ora + ", " + s.nome + "\r\n";
      posizione += 2000;
    }
    const esito_verifica e = verifica(kLineaMinima + "[fine]\r\n", kL, treno + "[fine]\r\n", kT);
    std::vector<std::string> v;
    for (const diagnostica& d : e.diagnostiche) {
      v.push_back(std::to_string(d.dove.riga) + ":" + std::to_string(d.dove.colonna) + ": [" + d.regola + "] " +
                  d.messaggio);
    }
    EXPECT_EQ(v, c.attese) << c.nome;
  }
}

TEST(Verifica, DistanceCountsASwapAsOneStep) {
  struct caso {
    const char* a;
    const char* b;
    int attesa;
  } casi[] = {
      {"stazinoe", "stazione", 1}, {"pendnza", "pendenza", 1}, {"PENDENZA", "pendenza", 0},
      {"curvaz4", "curvad4", 1},   {"abc", "xyz", 3},          {"segnale", "rallentamento", 3},
  };
  for (const caso& c : casi) EXPECT_EQ(distanza(c.a, c.b, 2), std::min(c.attesa, 3)) << c.a << " " << c.b;
}

}  // namespace
}  // namespace valdoro

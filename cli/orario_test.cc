// `scenario timetable` on a 20 km level line with one limit, where a train of
// endless effort runs at the limit from the first metre and brakes at the
// Minden deceleration: every figure worked out by hand.
#include "cli/orario.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/comandi.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

constexpr char kPiana[] =
    "[generale]\n"
    "lunghezza percorso,    20000\n"
    "progressiva chilometrica uno,    0,    0,    0\n"
    "progressiva chilometrica due,    0,    0,    0\n"
    "progressiva chilometrica tre,    0,    0,    0\n"
    "sfondo uno,    1\nsfondo due,    0\nsfondo tre,    0\n"
    "ripetizione segnali 4 codici,    1000,    19000\n"
    "[pendenze]\npendenza,  0,   0\n"
    "[fine]\n";

// 90 km/h (25 m/s) throughout; braked weight 125 %, so b = 82.35 / 99.792 =
// 0.825223 m/s² and a stop from 25 m/s takes 378.69 m and 30.295 s.
std::string treno(const char* colle, const char* valle) {
  return std::string(
             "[generale]\nnumero vetture,    0\npercentuale massa frenata,    125\nsabbia,    100\n"
             "orologio,    8              30            0\n"
             "[aderenze]\naderenza,       0,    80\n"
             "[vel_limite]\nvelocita,   0,    90\n"
             "[stazioni]\n"
             "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   8,30, 0, Piano\n"
             "stazione,   10000,  2,  400,  1, 0, 0,  3,1,0,  2,1,1,   60,   ") +
         colle + ", Colle\nstazione,   19500,  6,  500,  1, 0, 0,  1,1,0,  2,1,1,    0,   " + valle +
         ", Valle\n[rallentamenti]\n[segnali]\n[codici]\n[fine]\n";
}

// Endless effort and power, no resistance, no length.
constexpr char kFigure[] =
    "effort=1000000,power=1000000000,davis-a=0,davis-b=0,davis-c=0,rotating=0,loco-length=0,coach-length=0";

struct esito {
  int stato;
  std::string out, err;
};

esito orario_di(const std::string& colle, const std::string& valle, std::vector<std::string> altri,
                const char* figure = kFigure) {
  cartella_temporanea dir;
  dir.scrivi("linea.txt", kPiana);
  dir.scrivi("treno.txt", treno(colle.c_str(), valle.c_str()));
  std::vector<std::string> a = {"scenario",
                                "timetable",
                                (dir / "linea.txt").string(),
                                (dir / "treno.txt").string(),
                                "--title",
                                "Piana",
                                "--train",
                                "Dir 1",
                                "--train-figures",
                                figure};
  a.insert(a.end(), altri.begin(), altri.end());
  std::vector<const char*> argv;
  for (const std::string& x : a) argv.push_back(x.c_str());
  std::ostringstream out, err;
  const int stato = esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, err);
  return {stato, out.str(), err.str()};
}

TEST(Orario, EveryStopBesideTheFastestRun) {
  // Piano to Colle, 10000 m: the first metre at an average 12.5 m/s (0.08
  // s), 9620.31 m at 25 m/s (384.81 s), the stop (30.295 s): 415.19 s,
  // 6 min 55 s.  Scheduled 7 min 30 s: 34.8 s to spare, above the 20 s of a
  // thin margin.  Colle to Valle, 9500 m: 0.08 + 9120.31 / 25 + 30.295 =
  // 395.19 s, 6 min 35 s, leaving Colle at 8:38:30; scheduled 6 min 30 s:
  // tight by 5 s, but above the 9500 / 25 = 380 s at the limits alone.
  const esito e = orario_di(" 8,38,30", " 8,45, 0", {});
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.out,
            "station             km       arrival   departure  minimum       earliest  margin\n"
            "Piano               0.000              08:30:00\n"
            "Colle               10.000   08:37:30  08:38:30   6 min 55 s    08:36:55  35 s\n"
            "Valle               19.500   08:45:00             6 min 35 s    08:45:05  -5 s (tight)\n");

  // Valle a minute earlier: 6 min 0 s, below the 380 s at the limits alone.
  const nlohmann::json j = nlohmann::json::parse(orario_di(" 8,38,30", " 8,44,30", {"--json"}).out);
  ASSERT_EQ(j["stops"].size(), 3u);
  const nlohmann::json& valle = j["stops"][2];
  EXPECT_EQ(valle["station"], "Valle");
  EXPECT_EQ(valle["from"], "Colle");
  EXPECT_EQ(valle["km"], "19.500");
  EXPECT_EQ(valle["scheduled_s"], 360);
  EXPECT_NEAR(valle["at_limits_s"].get<double>(), 380, 0.05);
  EXPECT_NEAR(valle["minimum_s"].get<double>(), 395.19, 0.1);
  EXPECT_EQ(valle["earliest_arrival"], "08:45:05");
  EXPECT_EQ(valle["finding"], "impossible");
  EXPECT_NEAR(j["stops"][1]["minimum_s"].get<double>(), 415.19, 0.1);
  EXPECT_NEAR(j["stops"][1]["margin_s"].get<double>(), 34.81, 0.1);
  EXPECT_EQ(j["stops"][1]["finding"], "");
  EXPECT_EQ(j["stops"][0]["departure"], "08:30:00");
}

// A climb of 25 per mille with ten coaches: a regional train's 2000 kW
// hold 470 t at about 56 km/h (2000 kW / 15.5 m/s = 129 kN against 273 N/t),
// so Piano to Colle takes more than 10 km / 15.5 m/s = 10 min 45 s, and
// the 9 min 30 s scheduled are tight.  The facts file's 6000 kW and 300 kN
// reach the 90 km/h limit, 6 min 40 s for the 10 km, and leave a margin.
// A figure on the command line takes the facts file's place alone.
TEST(Orario, TheFactsFilesFiguresTimeTheTrainForCheck) {
  cartella_temporanea dir;
  std::string linea = kPiana, treno_salita = treno(" 8,40,30", " 9,30, 0");
  linea.replace(linea.find("pendenza,  0,   0"), 17, "pendenza,  0,   25");
  treno_salita.replace(treno_salita.find("numero vetture,    0"), 20, "numero vetture,    10");
  dir.scrivi("linea.txt", linea);
  dir.scrivi("treno.txt", treno_salita);
  dir.scrivi("fatti.txt", "potenza = 6000\nsforzo = 300\n");
  dir.scrivi("guasti.txt", "potenza = 6000\nsforzo = -300\n");
  const std::string l = (dir / "linea.txt").string(), t = (dir / "treno.txt").string(),
                    fatti = (dir / "fatti.txt").string(), guasti = (dir / "guasti.txt").string();
  const std::string stretto = t + ":12:1: warning: Colle: 9 min 30 s scheduled from Piano; at least ";
  const struct {
    std::vector<std::string> altri;
    std::string inizio;  // the start of what is said on standard error
    std::string poi;     // a line said after it; "" none
    int stato;
  } casi[] = {
      {{}, stretto + "13 min 21 s for this train\n", "", 0},
      {{"--facts", fatti}, "", "", 0},
      {{"--facts", fatti, "--train-figures", "power=2000"}, stretto, "", 0},
      // The category's effort stands for the bad one: still tight, and the
      // facts file's problem told after the sources'.
      {{"--facts", guasti}, stretto, "\n" + guasti + ":2:10: error: sforzo: \"-300\" must be a number above 0\n", 1},
  };
  for (const auto& c : casi) {
    std::vector<std::string> a = {"scenario", "check", l, t, "--title", "Piana", "--train", "R 1"};
    a.insert(a.end(), c.altri.begin(), c.altri.end());
    std::vector<const char*> argv;
    for (const std::string& x : a) argv.push_back(x.c_str());
    std::ostringstream out, err;
    EXPECT_EQ(esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, err), c.stato) << err.str();
    EXPECT_EQ(err.str().substr(0, c.inizio.size()), c.inizio);
    EXPECT_NE(err.str().find(c.poi), std::string::npos) << err.str();
    if (c.inizio.empty()) {
      EXPECT_EQ(err.str(), "");
    }
  }
}

TEST(Orario, BadFiguresAndSourcesWithAnErrorGetNoTimetable) {
  esito e = orario_di(" 8,38,30", " 8,45, 0", {}, "speed=3");
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.err, "scenario: --train-figures: no train figure is called \"speed\"\n");
  e = orario_di(" 8,38,x0", " 8,45, 0", {});
  EXPECT_EQ(e.stato, 1);
  EXPECT_EQ(e.out, "");
  EXPECT_NE(e.err.find("scenario: no timetable: 1 error in the sources\n"), std::string::npos) << e.err;
}

}  // namespace
}  // namespace valdoro

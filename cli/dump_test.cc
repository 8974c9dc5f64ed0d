#include "cli/dump.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "output/binari.h"

namespace valdoro {
namespace {

TEST(Dump, KindFromTheFileName) {
  struct caso {
    const char* nome;
    std::optional<tipo_file> atteso;
  } casi[] = {
      {"Valdoro_linea.dat", tipo_file::profilo},
      {"Valdoro_Dir 5802.dat", tipo_file::binario},
      {"Valdoro_Dir 5802.sim", tipo_file::stazioni},
      {"Valdoro_linea.txt", std::nullopt},
      {"sim", std::nullopt},
      // A name that lost its case on the way.
      {"VALDORO_LINEA.DAT", tipo_file::profilo},
      {"Valdoro_Dir 5802.Dat", tipo_file::binario},
      {"VALDORO_DIR 5802.SIM", tipo_file::stazioni},
  };
  for (const caso& c : casi) EXPECT_EQ(tipo_dal_nome(c.nome), c.atteso) << c.nome;
  EXPECT_EQ(tipo_dalla_parola("track"), tipo_file::binario);
  EXPECT_EQ(tipo_dalla_parola("Track"), std::nullopt);
}

std::string due_celle() {
  std::vector<cella> celle(3);
  celle[1] = {1, 5121, -2, 3, 4, 5, 6, 7, 32, 100, 83};
  return codifica_celle(celle);
}

TEST(Dump, TrackOneCellALine) {
  const std::string vuota =
      " tipo=0 valore1=0 valore2=0 valore3=0 valore4=0 tempo=0 annuncio=0 montagna=0 velocita=0 pendenza=0 "
      "aderenza=0\n";
  const std::string piena =
      "cell 1: tipo=1 valore1=5121 valore2=-2 valore3=3 valore4=4 tempo=5 annuncio=6 montagna=7 velocita=32 "
      "pendenza=100 aderenza=83\n";
  EXPECT_EQ(dump_testo(tipo_file::binario, due_celle(), false), "cell 0:" + vuota + piena + "cell 2:" + vuota);
  EXPECT_EQ(dump_testo(tipo_file::binario, due_celle(), true), piena);
  EXPECT_EQ(dump_json(tipo_file::binario, due_celle(), true),
            "{\n"
            " \"kind\": \"track\",\n"
            " \"cell_count\": 3,\n"
            " \"cells\": [\n"
            "  {\"cell\":1,\"tipo\":1,\"valore1\":5121,\"valore2\":-2,\"valore3\":3,\"valore4\":4,\"tempo\":5,"
            "\"annuncio\":6,\"montagna\":7,\"velocita\":32,\"pendenza\":100,\"aderenza\":83}\n"
            " ]\n"
            "}\n");
  EXPECT_EQ(dump_json(tipo_file::binario, "", false),
            "{\n \"kind\": \"track\",\n \"cell_count\": 0,\n \"cells\": []\n}\n");
}

TEST(Dump, StationNamesShowEveryByte) {
  tabella_stazioni_t t{};
  t[80].nome = "(Citt\xE0)\"q\"\\\x01\x81";
  t[84].fine = 218000;
  const std::string dati = codifica_stazioni(t);
  EXPECT_EQ(dump_testo(tipo_file::stazioni, dati, true),
            "row 80 (sign-board text): text=\"(Citt\xC3\xA0)\\\"q\\\"\\\\\\x01\\x81\"\n"
            "general data:\n"
            "row 84 (train and route parameters): braked_weight=0 route_length=218000 coaches=0\n");
  EXPECT_EQ(dump_testo(tipo_file::stazioni, dati, false).substr(0, 7), "row 0: ");
  const std::string json = dump_json(tipo_file::stazioni, dati, true);
  EXPECT_NE(json.find("\"name\":\"(Citt\xC3\xA0)\\\"q\\\"\\\\\\u0001\xC2\x81\""), std::string::npos) << json;
}

// A station row by the names of the "stazione" record's fields, the general
// rows apart with the names of the general keys; --units adds what an
// author writes beside what is stored.
TEST(Dump, StationTableSpeaksTheSourcesNames) {
  tabella_stazioni_t t{};
  t[1] = {4, 4000, 4550, 4250, 0, "Fornaci", 1, 1, 4, 1, 1, 0, 60, 1, 0, 52590};
  t[81].inizio = 194700, t[81].fine = -16300, t[81].progressiva = 1;
  t[84].inizio = 125, t[84].fine = 218000, t[84].progressiva = 7;
  t[85].inizio = 1, t[85].fine = 2, t[85].nome = "Valdoro", t[85].campo7 = 610, t[85].orario = 33087;
  t[86].inizio = 2100, t[86].fine = 211050, t[86].progressiva = 4, t[86].nome = "Dir 5802";
  t[86].campo7 = 100, t[86].campo10 = 14, t[86].campo11 = 16, t[86].campo12 = 30;
  t[86].campo9 = 3;  // not general data, but in the file: shown by its station name
  const std::string dati = codifica_stazioni(t);
  EXPECT_EQ(dump_testo(tipo_file::stazioni, dati, true, true),
            "row 1: kind=4 area_start=4000 (4.000 km) area_end=4550 (4.550 km) position=4250 (4.250 km) "
            "value_4=0 name=\"Fornaci\" value_7=1 value_8=1 value_10=4 value_11=1 value_12=1 value_9=0 "
            "stop_time=60 longer_area=1 value_5=0 time=52590 (14:36:30 departure, arrival 14:35:30)\n"
            "general data:\n"
            "row 81 (kilometre numbering with the largest start): start=194700 (178.400 km) "
            "offset=-16300 (written -16400 m with flag 1) flag=1\n"
            "row 84 (train and route parameters): braked_weight=125 route_length=218000 (218.000 km) coaches=7\n"
            "row 85 (the line): background_1=1 background_3=2 background_2=0 title=\"Valdoro\" reserved=610 "
            "identity_code=33087\n"
            "row 86 (the train): signal_repetition_start=2100 (2.100 km) signal_repetition_end=211050 "
            "(194.750 km) signal_repetition_codes=4 train=\"Dir 5802\" sand=100 clock_hours=14 clock_minutes=16 "
            "clock_seconds=30 value_9=3\n");
  // Without --units the stored values alone.
  EXPECT_EQ(dump_testo(tipo_file::stazioni, dati, true).substr(0, 60),
            "row 1: kind=4 area_start=4000 area_end=4550 position=4250 va");
  const std::string json = dump_json(tipo_file::stazioni, dati, true, true);
  EXPECT_NE(json.find("\n \"general\": [\n  {\"row\":81,\"data\":\"kilometre numbering with the largest start\","
                      "\"kind\":0,\"start\":194700,\"start_units\":\"178.400 km\",\"offset\":-16300,"
                      "\"offset_units\":\"written -16400 m with flag 1\",\"flag\":1,"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"time\":52590,\"time_units\":\"14:36:30 departure, arrival 14:35:30\"}"), std::string::npos)
      << json;
}

// A station's time is its departure; the arrival is the stop before it,
// the day before when the time is just past midnight.
TEST(Dump, StationTimeWithUnitsIsTheDepartureAndTheArrivalIsTheStopBeforeIt) {
  struct caso {
    uint8_t stop;
    int32_t orario;
    const char* atteso;
  } casi[] = {
      {60, 52590, "time=52590 (14:36:30 departure, arrival 14:35:30)"},
      {0, 60840, "time=60840 (16:54:00, no stop)"},
      {0, 0, "time=0 (no time)"},
      {90, 30, "time=30 (00:00:30 departure, arrival 23:59:00)"},
  };
  for (const caso& c : casi) {
    tabella_stazioni_t t{};
    t[1].tipo = 2, t[1].progressiva = 13400, t[1].campo13 = c.stop, t[1].orario = c.orario;
    const std::string testo = dump_testo(tipo_file::stazioni, codifica_stazioni(t), true, true);
    const size_t a = testo.find(" time=") + 1;  // not stop_time
    ASSERT_NE(a, 0u) << testo;
    EXPECT_EQ(testo.substr(a, testo.find('\n', a) - a), c.atteso);
  }
}

TEST(Dump, TrackWithUnitsShowsMetresSpeedAndGradientAsWritten) {
  EXPECT_EQ(dump_testo(tipo_file::binario, due_celle(), true, true),
            "cell 1 (0.050 km from the start): tipo=1 valore1=5121 valore2=-2 valore3=3 valore4=4 tempo=5 annuncio=6 "
            "montagna=7 "
            "velocita=32 (160 km/h) pendenza=100 (0 per mille) aderenza=83\n");
  EXPECT_NE(dump_json(tipo_file::binario, due_celle(), true, true)
                .find("\"aderenza\":83,\"from_m\":50,\"from_units\":\"0.050 km from the start\",\"speed_kmh\":160,"
                      "\"gradient_per_mille\":0}"),
            std::string::npos);
}

// Positions in the kilometres the line gives them, as the view and the
// drawings show them: our numbering, from 180350 m and again from 194700 m.
TEST(Dump, PositionsAreInTheLinesOwnKilometres) {
  tabella_stazioni_t t{};
  t[81].inizio = 194700, t[81].fine = -16400;
  t[82].inizio = 180350, t[82].fine = -180350;
  struct caso {
    int32_t cella;
    const char* km;
  } casi[] = {
      {90, "4.500 km"},    {3606, "180.300 km"}, {3607, "0.000 km"},
      {3893, "14.300 km"}, {3894, "178.300 km"}, {4360, "201.600 km"},
  };
  std::vector<cella> celle(4361);
  for (const caso& c : casi) celle[static_cast<size_t>(c.cella)].aderenza = 83;
  const std::string dump = dump_testo(tipo_file::binario, codifica_celle(celle), true, true, &t);
  for (const caso& c : casi) {
    EXPECT_NE(dump.find("cell " + std::to_string(c.cella) + " (" + c.km + "): "), std::string::npos) << c.cella;
  }
  t[1].tipo = 2, t[1].progressiva = 190000, t[1].inizio = 189800, t[1].fine = 190200;
  EXPECT_EQ(dump_testo(tipo_file::stazioni, codifica_stazioni(t), true, true).substr(0, 106),
            "row 1: kind=2 area_start=189800 (9.450 km) area_end=190200 (9.850 km) position=190000 (9.650 km) "
            "value_4=0");
}

TEST(Dump, ProfileKeepsIntegersDoublesAndEmptiesApart) {
  profilo p;
  p.crea(3);
  p.imposta_intero(0, 0, 0);
  p.imposta_intero(0, 1, 1);
  p.imposta_doppio(1, 0, 2);
  p.imposta_doppio(1, 1, -0.1);
  p.imposta_doppio(2, 0, std::numeric_limits<double>::infinity());
  p.imposta_doppio(2, 1, 1e300);
  const std::string dati = codifica_profilo(p);
  EXPECT_EQ(dump_testo(tipo_file::profilo, dati, false),
            "metre 0: x=0 y=1\n"
            "metre 1: x=2.0 y=-0.1\n"
            "metre 2: x=inf y=1e+300\n"
            "metre 3: x=empty y=empty\n");
  EXPECT_EQ(dump_testo(tipo_file::profilo, dati, true).find("metre 3"), std::string::npos);
  EXPECT_EQ(dump_json(tipo_file::profilo, dati, false),
            "{\n"
            " \"kind\": \"profile\",\n"
            " \"metre_count\": 4,\n"
            " \"metres\": [\n"
            "  {\"metre\":0,\"x\":0,\"y\":1},\n"
            "  {\"metre\":1,\"x\":2.0,\"y\":-0.1},\n"
            "  {\"metre\":2,\"x\":\"inf\",\"y\":1e+300},\n"
            "  {\"metre\":3,\"x\":null,\"y\":null}\n"
            " ]\n"
            "}\n");
}

}  // namespace
}  // namespace valdoro

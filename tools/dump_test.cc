#include "tools/dump.h"

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
      {"Valdoro_linea.dat", tipo_file::profilo},   {"Valdoro_Dir 5802.dat", tipo_file::binario},
      {"Valdoro_Dir 5802.sim", tipo_file::stazioni}, {"Valdoro_linea.txt", std::nullopt},
      {"sim", std::nullopt},
      // A name that lost its case on the way.
      {"VALDORO_LINEA.DAT", tipo_file::profilo},     {"Valdoro_Dir 5802.Dat", tipo_file::binario},
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
      " tipo=0 valore1=0 valore2=0 valore3=0 valore4=0 tempo=0 annuncio=0 montagna=0 velocita=0 pendenza=0 aderenza=0\n";
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
            "row 80: tipo=0 inizio=0 fine=0 progressiva=0 campo4=0 nome=\"(Citt\xC3\xA0)\\\"q\\\"\\\\\\x01\\x81\" "
            "campo7=0 campo8=0 campo10=0 campo11=0 campo12=0 campo9=0 campo13=0 campo6=0 campo5=0 orario=0\n"
            "row 84: tipo=0 inizio=0 fine=218000 progressiva=0 campo4=0 nome=\"\" "
            "campo7=0 campo8=0 campo10=0 campo11=0 campo12=0 campo9=0 campo13=0 campo6=0 campo5=0 orario=0\n");
  EXPECT_EQ(dump_testo(tipo_file::stazioni, dati, false).substr(0, 7), "row 0: ");
  const std::string json = dump_json(tipo_file::stazioni, dati, true);
  EXPECT_NE(json.find("\"nome\":\"(Citt\xC3\xA0)\\\"q\\\"\\\\\\u0001\xC2\x81\""), std::string::npos) << json;
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

#include "draw/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <regex>
#include <sstream>
#include <string>

#include "output/binari.h"
#include "output/decodifica.h"
#include "testing/cartella_temporanea.h"
#include "cli/comandi.h"
#include "util/file.h"

namespace valdoro {
namespace {

namespace fs = std::filesystem;

int conta(const std::string& testo, const std::string& pezzo) {
  int n = 0;
  for (size_t p = testo.find(pezzo); p != std::string::npos; p = testo.find(pezzo, p + 1)) ++n;
  return n;
}

// 1000 m of route on a track of 161 cells climbing 10 per mille, 100 km/h
// and then 80; one signal, a tunnel and a summit, two stations and a
// board text.
linea_costruita piccola() {
  linea_costruita l;
  l.stazioni[kRigaParametri].fine = 1000;
  l.stazioni[kRigaLinea].nome = "Prova";
  l.stazioni[1] = {};
  l.stazioni[1].tipo = 8;
  l.stazioni[1].nome = "A&B";
  l.stazioni[2].tipo = 2;
  l.stazioni[2].progressiva = 900;
  l.stazioni[2].nome = "<C>";
  l.stazioni[80].nome = "(Cippo)";
  l.celle.resize(161);
  for (size_t k = 0; k < l.celle.size(); ++k) {
    l.celle[k].pendenza = 110;
    l.celle[k].velocita = k < 10 ? 20 : 16;
  }
  l.celle[5].tipo = 1;
  for (int k = 8; k <= 11; ++k) l.celle[k].montagna = 1;
  for (int k = 14; k <= 15; ++k) l.celle[k].montagna = 2;
  l.pianta.crea(8000);
  for (int32_t m = 0; m <= 7998; ++m) {
    l.pianta.imposta_doppio(m, 0, m / 10.0);
    l.pianta.imposta_doppio(m, 1, m);
  }
  return l;
}

// The numbering of the small line restarts from nought at 600 and goes
// on from 900 at 800, as rows 81 to 83 carry it after ordering.
linea_costruita numerata() {
  linea_costruita l = piccola();
  l.stazioni[81].inizio = 800;
  l.stazioni[81].fine = 100;
  l.stazioni[82].inizio = 600;
  l.stazioni[82].fine = -600;
  return l;
}

TEST(Draw, PlanMarksStationsSignalsSpansAndKilometres) {
  const std::string svg = svg_pianta(piccola());
  EXPECT_EQ(conta(svg, ">A&amp;B</text>"), 1);
  EXPECT_EQ(conta(svg, ">&lt;C&gt;</text>"), 1);
  EXPECT_EQ(conta(svg, "Cippo"), 0);  // a board text is no station
  EXPECT_EQ(conta(svg, "data-kind=\"signal\" data-cell=\"5\" data-from=\"200\" data-to=\"200\""), 1);
  EXPECT_EQ(conta(svg, "stroke=\"#8d6e63\" stroke-width=\"11\""), 1);
  // The legend names the kinds of mountain span the line has.
  EXPECT_EQ(conta(svg, ">tunnel</text>"), 1);
  EXPECT_EQ(conta(svg, ">summit</text>"), 1);
  EXPECT_EQ(conta(svg, "mountain span of kind"), 0);
  EXPECT_EQ(conta(svg, ">km 0</text>"), 1);
  EXPECT_EQ(conta(svg, "numbering changes"), 0);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(Draw, KilometresFollowTheLinesOwnNumbering) {
  const linea_costruita l = numerata();
  const std::pair<int32_t, int32_t> casi[] = {{0, 0}, {599, 599}, {600, 0}, {799, 199}, {800, 900}, {1000, 1100}};
  for (const auto& [posizione, metri] : casi) EXPECT_EQ(metri_numerati(l.stazioni, posizione), metri) << posizione;

  const std::string pianta = svg_pianta(l);
  EXPECT_EQ(conta(pianta, ">km 0.6 | 0</text>"), 1);
  EXPECT_EQ(conta(pianta, ">km 0.2 | 0.9</text>"), 1);
  EXPECT_EQ(conta(pianta, ">numbering change: km before | after</text>"), 1);
  EXPECT_EQ(conta(pianta, ">km 0.7</text>") + conta(pianta, ">km 0.8</text>"), 0);

  const std::string altimetria = svg_altimetria(l);
  EXPECT_EQ(conta(altimetria, ">0.6 | 0</text>"), 1);
  EXPECT_EQ(conta(altimetria, ">0.2 | 0.9</text>"), 1);
  EXPECT_EQ(
      conta(altimetria, ">km, as the line numbers them; m, metres from the start as the sources give them</text>"), 1);
  // A mark every 100 m as numbered: 0.1 twice, no 0.7 nor 0.8, and 1.1 at
  // the end of the route.
  EXPECT_EQ(conta(altimetria, ">0.1</text>"), 2);
  EXPECT_EQ(conta(altimetria, ">0.7</text>") + conta(altimetria, ">0.8</text>"), 0);
  EXPECT_EQ(conta(altimetria, ">1.1</text>"), 1);
}

// A picture never asks for more than a 1280-pixel window, however the
// line lies: here 100 km straight along the first coordinate.
TEST(Draw, PicturesFitAWindowOf1280Pixels) {
  linea_costruita l = piccola();
  l.stazioni[kRigaParametri].fine = 100000;
  l.pianta.crea(107000);
  for (int32_t m = 0; m <= 106998; ++m) {
    l.pianta.imposta_doppio(m, 0, m);
    l.pianta.imposta_doppio(m, 1, m / 1000.0);
  }
  const std::regex larghezza("<svg [^>]*width=\"(\\d+)\"");
  for (const std::string& svg : {svg_pianta(l), svg_altimetria(l)}) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, larghezza));
    EXPECT_LE(std::stoi(m[1]), 1240);
  }
}

TEST(Draw, GradientProfileClimbsFromTheGradientsAndStepsTheSpeed) {
  const std::string svg = svg_altimetria(piccola());
  // 21 cells of +10 per mille to the end of the route: 10.5 m; the axis
  // steps by 2 m up to 12.
  EXPECT_EQ(conta(svg, ">12</text>"), 1);
  EXPECT_EQ(conta(svg, ">100</text>"), 1);
  EXPECT_EQ(conta(svg, "stroke=\"#1565c0\" stroke-dasharray"), 2);
  EXPECT_EQ(conta(svg, ">&lt;C&gt;</text>"), 1);

  // A name longer than the room above the profile is cut short, marked.
  linea_costruita l = piccola();
  l.stazioni[2].nome = std::string(80, 'W');
  const std::string lungo = svg_altimetria(l);
  EXPECT_EQ(conta(lungo, std::string(20, 'W') + "\xE2\x80\xA6</text>"), 1);
  EXPECT_EQ(conta(lungo, std::string(21, 'W')), 0);
}

TEST(Draw, EmptyOrBrokenFilesStillGiveAPictureWithoutNonNumbers) {
  linea_costruita vuota;
  EXPECT_NE(svg_pianta(vuota).find("No line profile"), std::string::npos);
  EXPECT_NE(svg_altimetria(vuota).find("The track is empty."), std::string::npos);

  linea_costruita l = piccola();
  l.stazioni[kRigaParametri].fine = 2000000000;  // far beyond the track and the profile
  l.stazioni[81].inizio = 1;
  l.stazioni[81].fine = INT32_MAX;
  l.stazioni[82].inizio = 2;
  l.stazioni[82].fine = INT32_MIN;
  l.pianta.imposta_doppio(10, 0, std::numeric_limits<double>::quiet_NaN());
  l.pianta.imposta_doppio(20, 1, std::numeric_limits<double>::infinity());
  l.pianta.imposta_doppio(30, 0, 1e300);
  l.pianta.imposta_doppio(40, 1, -1e300);
  l.stazioni[3].tipo = 2;
  l.stazioni[3].progressiva = -5;
  l.stazioni[3].nome = "\x01";
  for (const std::string& svg : {svg_pianta(l), svg_altimetria(l)}) {
    EXPECT_EQ(conta(svg, "nan"), 0);
    EXPECT_EQ(conta(svg, "inf"), 0);
    EXPECT_EQ(conta(svg, "e+"), 0);
    EXPECT_EQ(conta(svg, "\x01"), 0);
    EXPECT_EQ(conta(svg, "=\"-"), 0) << "a size or place out of the picture";
  }
}

// What a page finds each drawn thing by, and what the pictures show of the
// track's objects: a tunnel named from the board at its mouth, the gradient
// of each stretch, boards, slowdowns and signals.
TEST(Draw, ObjectsCarryTheirIdentityAndTheirValues) {
  linea_costruita l = piccola();
  l.stazioni[79].nome = "(Galleria)(Sassoscuro)";
  l.celle[7].tipo = 14;  // the board of row 79 at metre 300, 100 m before the tunnel
  l.celle[7].valore1 = 79;
  l.celle[12].tipo = 14;  // a kilometre stone in the summit names nothing
  l.celle[12].valore1 = 80;
  l.stazioni[80].nome = "(Km)(0+550)";
  l.celle[3].tipo = 6;  // a speed board
  l.celle[3].valore1 = 2000;
  l.celle[17].tipo = 3;  // a slowdown at 60 km/h from metre 800 to 900
  l.celle[17].valore1 = 60;
  l.celle[19].tipo = 2;
  l.celle[19].valore1 = 60;
  const std::string pianta = svg_pianta(l), altimetria = svg_altimetria(l);
  struct caso {
    const std::string* svg;
    std::string pezzo;
    int quanti;
  };
  const caso casi[] = {
      {&pianta, "id=\"st-1\" data-kind=\"station\" data-row=\"1\"", 1},
      {&pianta, "id=\"lbl-2\" data-kind=\"station\" data-row=\"2\"", 1},
      {&pianta, "data-kind=\"tunnel\" data-from=\"400\" data-to=\"600\" data-type=\"1\"", 1},
      {&pianta, ">Galleria Sassoscuro</text>", 1},
      {&pianta, "Km", 0},
      {&pianta, "data-kind=\"signal\" data-cell=\"5\"", 1},
      {&altimetria, "id=\"g-st-2\"", 1},
      {&altimetria, "id=\"g-lbl-2\"", 1},
      {&altimetria, ">10\xE2\x80\xB0</text>", 1},
      {&altimetria, "data-kind=\"gradient\" data-cell=\"0\" data-from=\"0\" data-to=\"1050\"", 1},
      {&altimetria, "data-kind=\"board\" data-cell=\"3\" data-from=\"100\" data-to=\"100\"", 1},
      {&altimetria, "data-kind=\"slowdown\" data-cell=\"17\" data-from=\"800\" data-to=\"900\"", 1},
      {&altimetria, "data-kind=\"signal\" data-cell=\"5\"", 1},
      {&altimetria, ">Galleria Sassoscuro</text>", 1},
      // Metres from the start under the kilometres: every 200 m up to 1000
      {&altimetria, ">1000</text>", 1},
      {&altimetria, ">800</text>", 1},
  };
  for (const caso& c : casi) {
    EXPECT_EQ(conta(*c.svg, c.pezzo), c.quanti) << c.pezzo;
  }
}

// The largest input a draw may be given: a million cells whose every
// neighbour differs (mountain kind, gradient, speed, an object in each)
// and names of 64 KiB.  The pictures hold no more than their pixels show,
// write nothing empty and cut the names.
TEST(Draw, TheLargestTrackDrawsAsItsPixels) {
  linea_costruita l = piccola();
  l.celle.resize(1000000);
  l.stazioni[kRigaParametri].fine = 49999950;
  for (size_t k = 0; k < l.celle.size(); ++k) {
    cella& c = l.celle[k];
    c.montagna = static_cast<uint8_t>(k % 4);
    c.pendenza = static_cast<uint8_t>(100 + (k % 3) * 10);
    c.velocita = static_cast<uint8_t>(10 + k % 2);
    c.tipo = static_cast<uint8_t>(k % 3 == 0 ? 1 : k % 3 == 1 ? 6 : 3 - (k / 3) % 2);
    c.valore1 = 50;
  }
  l.pianta.crea(1000000);
  for (int32_t m = 0; m <= 1000000; ++m) l.pianta.imposta_punto(m, m, 20000 * std::sin(m / 80000.0));
  for (int r = 1; r <= 8; ++r) {
    l.stazioni[r].tipo = 2;
    l.stazioni[r].progressiva = r * 120000;
    l.stazioni[r].nome = std::string(65536, static_cast<char>('A' + r % 26));
  }
  l.stazioni[kRigaLinea].nome = std::string(65536, 'T');
  for (const std::string& svg : {svg_pianta(l), svg_altimetria(l)}) {
    EXPECT_LT(svg.size(), 1000000u);
    EXPECT_EQ(conta(svg, "d=\"\""), 0);
    EXPECT_EQ(conta(svg, "points=\"\""), 0);
    EXPECT_EQ(conta(svg, std::string(100, 'T')), 0);
    EXPECT_EQ(conta(svg, std::string(100, 'B')), 0);
    EXPECT_EQ(conta(svg, "\xE2\x80\xA6</text>"), 9);  // the title and every name, cut
  }
}

// A line that folds back on itself, 200 times over the same 1000 m of
// plan: 4000 cells, a signal in each, tunnels of two kinds taking turns.
// The plan draws no more of them than the pixels they cover: what falls
// where one of its kind stands already adds nothing.
TEST(Draw, APlanFoldedOnItselfDrawsEachPixelOnce) {
  linea_costruita l = piccola();
  l.celle.resize(4000);
  l.stazioni[kRigaParametri].fine = 199950;
  for (size_t k = 0; k < l.celle.size(); ++k) {
    l.celle[k].tipo = 1;
    l.celle[k].montagna = static_cast<uint8_t>(1 + k % 2);
  }
  l.pianta.crea(200000);
  for (int32_t m = 0; m <= 199999; ++m) {
    const int32_t x = m % 2000 < 1000 ? m % 2000 : 2000 - m % 2000;
    l.pianta.imposta_punto(m, x, 0);
  }
  const std::string svg = svg_pianta(l);
  // 1000 m at 0.7 pixel a metre: 700 pixels of line.  A tunnel is 50 m, 35
  // pixels: 20 of each kind cover it.  A signal a few pixels wide: at
  // most one every 3 pixels.
  std::smatch scala;
  ASSERT_TRUE(std::regex_search(svg, scala, std::regex(R"(1 px = ([0-9.]+) m)")));
  EXPECT_EQ(scala[1], "1.4");
  EXPECT_LE(conta(svg, "data-kind=\"tunnel\""), 2 * (20 + 2));
  EXPECT_GE(conta(svg, "data-kind=\"tunnel\""), 2 * 20);
  EXPECT_LE(conta(svg, "data-kind=\"signal\""), 700 / 3 + 2);
  // The line turns back at both ends, 100 times each: a curve at each end.
  EXPECT_EQ(conta(svg, "data-kind=\"curve\""), 2);
  EXPECT_LT(svg.size(), 200000u);
}

// Tagged values written out: tag 0 none, 2 a 16-bit integer, 5 a double.
std::string intero(int16_t v) {
  return std::string("\x02\x00", 2) + static_cast<char>(v & 0xFF) + static_cast<char>(v >> 8);
}
std::string doppio(double v) {
  char b[8];
  std::memcpy(b, &v, 8);  // this machine is little-endian, as the file
  return std::string("\x05\x00", 2) + std::string(b, 8);
}

// Metres 0 to 2: x at bytes 0, 4 and 8, y at bytes 18, 22 and 26.
std::string tre_metri(double x2, double y2) {
  return intero(0) + intero(0) + doppio(x2) + intero(0) + intero(1) + doppio(y2);
}

TEST(Draw, RefusesAProfileWhoseCoordinatesAreNoPlan) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct caso {
    double x2, y2;
    const char* errore;
  };
  const caso casi[] = {
      {nan, 2, "byte 8: metre 2: x is nan, not a coordinate"},
      {0, inf, "byte 26: metre 2: y is inf, not a coordinate"},
      {0, -inf, "byte 26: metre 2: y is -inf, not a coordinate"},
      {1e300, 2, "byte 8: metre 2: x is 1e+300, beyond the 10000 km a plan can reach"},
      {0, -10000000.5, "byte 26: metre 2: y is -10000000.5, beyond the 10000 km a plan can reach"},
      {nan, inf, "byte 8: metre 2: x is nan, not a coordinate"},  // the first in the file
  };
  for (const caso& c : casi) {
    try {
      decodifica_pianta(tre_metri(c.x2, c.y2));
      ADD_FAILURE() << c.errore;
    } catch (const errore_decodifica& e) {
      EXPECT_STREQ(e.what(), c.errore);
    }
  }
  // A bad y at metre 1 and a bad x at metre 2: the x stands first in the file.
  try {
    decodifica_pianta(intero(0) + intero(0) + doppio(nan) + intero(0) + doppio(inf) + intero(1));
    ADD_FAILURE() << "accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_STREQ(e.what(), "byte 8: metre 2: x is nan, not a coordinate");
  }
  const profilo p = decodifica_pianta(tre_metri(-10000000, 10000000));
  EXPECT_EQ(p.numero(2, 0), -10000000);
  EXPECT_EQ(p.numero(2, 1), 10000000);
}

// `scenario draw` on a hand-made profile: refused with status 1, naming
// the file, the byte and the metre, and no picture written.
TEST(Draw, ScenarioDrawRefusesABadProfileAndDrawsNothing) {
  cartella_temporanea dir;
  const fs::path fonti = fs::path(VALDORO_SOURCE_DIR) / "testing" / "testdata";
  const std::string bin = (dir.percorso() / "bin").string(), svg = (dir.percorso() / "svg").string();
  auto scenario = [](std::vector<std::string> argomenti, std::string* err) {
    argomenti.insert(argomenti.begin(), "scenario");
    std::vector<const char*> argv;
    for (const std::string& a : argomenti) argv.push_back(a.c_str());
    std::ostringstream out, errore;
    const int stato = esegui_scenario(static_cast<int>(argv.size()), argv.data(), out, errore);
    *err = errore.str();
    return stato;
  };
  std::string err;
  ASSERT_EQ(scenario({"compile", (fonti / "colle_linea.txt").string(), (fonti / "colle_treno.txt").string(), "--title",
                      "Colle", "--train", "R 101", "--out", bin},
                     &err),
            0)
      << err;
  const fs::path file = dir.percorso() / "bin" / "Colle_linea.dat";
  const profilo buono = decodifica_profilo(leggi_file(file));
  struct caso {
    int32_t metro;
    int coordinata;
    double valore;
    std::string errore;
  };
  // Metres 0 and 1 hold integers (4 bytes each), the later ones doubles
  // (10 bytes each) up to N - 2 = 26998, N - 1 and N are empty (2 bytes).
  const size_t y = 8 + 10 * 26997 + 2 * 2;
  const caso casi[] = {
      {10, 0, std::numeric_limits<double>::quiet_NaN(), "byte 88: metre 10: x is nan, not a coordinate"},
      {20, 1, std::numeric_limits<double>::infinity(),
       "byte " + std::to_string(y + 8 + 10 * 18) + ": metre 20: y is inf, not a coordinate"},
      {30, 0, 1e300, "byte 288: metre 30: x is 1e+300, beyond the 10000 km a plan can reach"},
  };
  for (const caso& c : casi) {
    profilo p = buono;
    p.imposta_doppio(c.metro, c.coordinata, c.valore);
    scrivi_file(file, codifica_profilo(p));
    EXPECT_EQ(scenario({"draw", bin, "--out", svg}, &err), kEsitoGuastoDati);
    EXPECT_EQ(err, "scenario: " + file.string() + ": " + c.errore + "\n");
    EXPECT_FALSE(fs::exists(svg));
  }
}

}  // namespace
}  // namespace valdoro

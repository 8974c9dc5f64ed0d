#include "tools/draw.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace valdoro {
namespace {

int conta(const std::string& testo, const std::string& pezzo) {
  int n = 0;
  for (size_t p = testo.find(pezzo); p != std::string::npos; p = testo.find(pezzo, p + 1)) ++n;
  return n;
}

// 1000 m of route on a track of 161 cells climbing 10 per mille, 100 km/h
// and then 80; one signal, one mountain span, two stations and a board text.
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
  l.pianta.crea(8000);
  for (int32_t m = 0; m <= 7998; ++m) {
    l.pianta.imposta_doppio(m, 0, m / 10.0);
    l.pianta.imposta_doppio(m, 1, m);
  }
  return l;
}

TEST(Draw, PlanMarksStationsSignalsSpansAndKilometres) {
  const std::string svg = svg_pianta(piccola());
  EXPECT_EQ(conta(svg, ">A&amp;B</text>"), 1);
  EXPECT_EQ(conta(svg, ">&lt;C&gt;</text>"), 1);
  EXPECT_EQ(conta(svg, "Cippo"), 0);  // a board text is no station
  EXPECT_EQ(conta(svg, "r=\"2.5\" fill=\"#d32f2f\""), 1);
  EXPECT_EQ(conta(svg, "stroke=\"#8d6e63\" stroke-width=\"11\""), 1);
  EXPECT_EQ(conta(svg, ">mountain span, kind 1</text>"), 1);
  EXPECT_EQ(conta(svg, ">km 0</text>"), 1);
  EXPECT_EQ(conta(svg, ">km 1</text>"), 1);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(Draw, GradientProfileClimbsFromTheGradientsAndStepsTheSpeed) {
  const std::string svg = svg_altimetria(piccola());
  // 21 cells of +10 per mille to the end of the route: 10.5 m; the axis
  // steps by 2 m up to 12.
  EXPECT_EQ(conta(svg, "text-anchor=\"end\">12</text>"), 1);
  EXPECT_EQ(conta(svg, "text-anchor=\"end\">100</text>"), 1);
  EXPECT_EQ(conta(svg, "stroke=\"#1565c0\" stroke-dasharray"), 2);
  EXPECT_EQ(conta(svg, ">&lt;C&gt;</text>"), 1);
}

TEST(Draw, EmptyOrBrokenFilesStillGiveAPictureWithoutNonNumbers) {
  linea_costruita vuota;
  EXPECT_NE(svg_pianta(vuota).find("No line profile"), std::string::npos);
  EXPECT_NE(svg_altimetria(vuota).find("The track is empty."), std::string::npos);

  linea_costruita l = piccola();
  l.stazioni[kRigaParametri].fine = 2000000000;  // far beyond the track and the profile
  l.pianta.imposta_doppio(10, 0, std::numeric_limits<double>::quiet_NaN());
  l.pianta.imposta_doppio(20, 1, std::numeric_limits<double>::infinity());
  l.stazioni[3].tipo = 2;
  l.stazioni[3].progressiva = -5;
  l.stazioni[3].nome = "\x01";
  for (const std::string& svg : {svg_pianta(l), svg_altimetria(l)}) {
    EXPECT_EQ(conta(svg, "nan"), 0);
    EXPECT_EQ(conta(svg, "inf"), 0);
    EXPECT_EQ(conta(svg, "\x01"), 0);
  }
}

}  // namespace
}  // namespace valdoro

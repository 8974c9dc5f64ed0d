// Two pictures of a built line, as SVG: its plan, and its gradient profile
// with the speed limit along it.
#ifndef VALDORO_TOOLS_DRAW_H_
#define VALDORO_TOOLS_DRAW_H_

#include <string>
#include <string_view>
#include <vector>

#include "model/tabelle.h"
#include "output/decodifica.h"

namespace valdoro {

// The three binary files, decoded.
struct linea_costruita {
  tabella_stazioni_t stazioni{};
  std::vector<cella> celle;
  profilo pianta;
};

// The route length as the station table carries it (row 84, fine).
int32_t lunghezza_percorso(const linea_costruita& l);

// Metres as the line's own kilometre numbering counts them at a position
// (rows 81 to 83: from each start on, the position plus its offset; the
// greatest start at or before the position is in force).
int32_t metri_numerati(const tabella_stazioni_t& t, int32_t posizione);

// Both pictures are at most this wide: a browser window of 1280 pixels
// shows them whole, with room for a scroll bar.
constexpr int kLarghezzaMassima = 1240;

// Coordinates a plan can hold.  A built line moves one metre a metre from
// the origin and is at most a million metres long; a point further out
// than ten times that is no plan of a line.
constexpr double kCoordinataMassima = 1e7;

// A line profile file decoded for drawing: besides what the decoder
// refuses, a coordinate that is not a finite number or lies beyond
// kCoordinataMassima is refused (errore_decodifica, naming the byte, the
// metre and the coordinate).  Read in pieces, never whole.
profilo decodifica_pianta(const apri_fonte& apri);
profilo decodifica_pianta(std::string_view dati);

// The plan: the profile's x/y from metre 0 to the end of the route, with
// the mountain spans, stations, signals and kilometres along it.  Needs the
// profile; without one the picture says so.  Coordinates are expected as
// decodifica_pianta lets them through; others are left out of the picture.
std::string svg_pianta(const linea_costruita& l);

// Height built up from the gradients of the cells, the speed limit as a step
// line below it, and the stations across both.
std::string svg_altimetria(const linea_costruita& l);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_DRAW_H_

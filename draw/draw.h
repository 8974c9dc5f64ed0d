// Two pictures of a built line, as SVG: its plan, and its gradient profile
// with the speed limit along it.
#ifndef VALDORO_DRAW_DRAW_H_
#define VALDORO_DRAW_DRAW_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/tabelle.h"
#include "output/decodifica.h"

namespace valdoro {

struct tratta_marcia;  // output/marcia.h

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

// What the pictures carry for a page that finds and points at what is
// drawn.  The <svg> element has data-picture="plan" or "gradient".  Each
// drawn object has data-kind, one of
//   station   a station: data-row, its row in the station table;
//   signal    a signal: data-cell, its cell; data-from = data-to, its metre;
//   board     a speed board: data-cell, data-from = data-to;
//   slowdown  a slowdown: data-cell (its start cell), data-from, data-to;
//   tunnel    a mountain span: data-from, data-to; data-type, its kind (1 a
//             tunnel, 2 a summit, 3 one close behind another); spans less
//             than a pixel apart are drawn, and carried, as one;
//   gradient  a stretch of one gradient: data-cell (its first cell),
//             data-from, data-to; stretches too narrow to see, as one;
//   curve     on the plan, a stretch where the line turns: data-from,
//             data-to, found from the points to within 50 m (the profile
//             keeps no curves); curves less than a pixel apart, as one;
// metres from the start of the track, as the sources give them.  The texts
// and leader lines of an object carry its data-kind and data-row or metres
// too; a leader line has class="leader".  On the plan, each station's
// square has id="st-ROW" and its name id="lbl-ROW"; on the gradient
// picture, its line id="g-st-ROW" and its name id="g-lbl-ROW", so that both
// pictures can stand in one page.

// The plan, north up, as large as the picture allows: the profile's x/y
// from metre 0 to the end of the route, with the mountain spans (named from
// the sign board at their mouth), stations, signals and kilometres along
// it, a legend, north and a scale bar.  Needs the profile; without one the
// picture says so.  Coordinates are expected as decodifica_pianta lets them
// through; others are left out of the picture.
std::string svg_pianta(const linea_costruita& l);

// Height built up from the gradients of the cells with the mountain spans
// across it, the gradient of each stretch in per mille below it, the speed
// limit as a step line with the speed boards, slowdowns and signals, the
// stations across all, and two axes: the line's own kilometres and metres
// from the start.  Given the legs of the train's fastest run with their
// speeds (calcola_orario), its speed along the track over the limits: a
// group of data-kind="run" over the speed panel, whose data-x0,
// data-m-per-px, data-y0 and data-kmh-per-px turn a point of the picture
// into metres from the start and km/h.
std::string svg_altimetria(const linea_costruita& l);
std::string svg_altimetria(const linea_costruita& l, const std::vector<tratta_marcia>& corsa);

// The fastest run of the built line's train, with its speeds, as the
// gradient picture draws it: the figures of its category (row 86 names the
// train) with the facts file's in their place, by the rule of `scenario
// timetable` (orario_per).
std::vector<tratta_marcia> corsa_della_linea(const linea_costruita& l,
                                             const std::vector<std::pair<std::string, std::string>>& dai_fatti = {});

// Both cost time linear in the track and the profile, and hold no more
// than their pixels show: lines are simplified to half a pixel, objects
// closer than a pixel or two drawn once, and names cut to the room they
// have before they are measured.

}  // namespace valdoro

#endif  // VALDORO_DRAW_DRAW_H_

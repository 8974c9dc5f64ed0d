// Where the texts of a picture go: clear of each other, of the marks and of
// the line, and read as their own point's: beside it and nearer it than any
// other point named, or further out on a leader line from it and well away
// from every other named point.  Leaders neither cross each other nor run
// through a text or a mark.
#ifndef VALDORO_DRAW_ETICHETTE_H_
#define VALDORO_DRAW_ETICHETTE_H_

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace valdoro {

struct punto {
  double x, y;
};

struct riquadro {
  double x0, y0, x1, y1;
};

bool si_toccano(const riquadro& a, const riquadro& b);

// From a to b, the same to the last bit in every build (as std::hypot is not).
double lunghezza(punto a, punto b);

// Distance from p to the nearest point of r; 0 inside it.
double distanza(const riquadro& r, punto p);

// Whether the segment a-b crosses the segment c-d (touching ends do not count).
bool si_incrociano(punto a, punto b, punto c, punto d);

// Whether the segment a-b runs through r.
bool attraversa(punto a, punto b, const riquadro& r);

// A direction from a point: cosine and sine, up positive.
struct direzione {
  double c, s;
};

// Where a text went: its box, and a leader from its point when it stands off.
struct posto {
  riquadro scatola;
  bool con_guida = false;
  punto guida_da{}, guida_a{};
};

// Lays out texts in a field, one after the other: each takes the first free
// place of a ring of directions at growing distances from its point.
class posatore {
 public:
  explicit posatore(riquadro campo, double cella = 4);

  // A box nothing may cover (a mark, a legend's line).
  void occupa(const riquadro& r);
  // A line nothing may cover, traced as it goes: each piece marks the
  // cells of the field it passes, so that the cost is the line's length
  // in pixels, however many points it has.
  void occupa_linea(punto a, punto b);
  // A named point: a text is never nearer another named point than its
  // own, and a leader never runs through another named point's mark.
  int nomina(punto p, double raggio);

  // The place of a text w by h near point p, the nearest first; `proprio`
  // is the number nomina gave p, or -1 for a point that is not named (a
  // kilometre); `anelli` bounds how far the text may stand off.  Returns
  // false, and takes nothing, when no place is free.
  bool posa(double w, double h, punto p, int proprio, posto* esito, size_t anelli = kAnelli);
  // The box r itself, if it is free; false, taking nothing, if not.
  bool prendi(const riquadro& r);

  static constexpr size_t kAnelli = 19;

 private:
  riquadro segno(size_t i) const;                                    // the mark of a named point
  std::vector<direzione> direzioni_per(punto p, int proprio) const;  // the best first
  bool libero(const riquadro& r) const;
  bool sgombro(const riquadro& r) const;  // of the marks of the line
  // Whether a text at r reads as its own point's: beside it, nearer it
  // than any other named point; on a leader, well away from the others.
  bool accanto(const riquadro& r, int proprio, bool con_guida) const;
  bool guida_libera(punto a, punto b, int proprio) const;

  riquadro campo_;
  double cella_;
  int colonne_, righe_;
  std::vector<uint8_t> linea_;  // cells of the field a line passes
  std::vector<riquadro> presi_;
  std::vector<std::pair<punto, punto>> guide_;
  std::vector<std::pair<punto, double>> nominati_;
};

}  // namespace valdoro

#endif  // VALDORO_DRAW_ETICHETTE_H_

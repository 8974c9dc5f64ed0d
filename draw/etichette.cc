#include "draw/etichette.h"

#include <algorithm>
#include <cmath>

namespace valdoro {

namespace {

// Further than this from its point a text gets a leader line back to it.
constexpr double kSenzaGuida = 10;

// A text on a leader keeps at least this far from every other named point,
// so that it is not read as that point's.
constexpr double kLontanoDagliAltri = 14;

// Distances of the rings from the point, and the directions tried on each:
// right and left first (a text reads along), then the diagonals, then
// above and below, then the directions between.
constexpr double kDistanze[posatore::kAnelli] = {4,   10,  16,  24,  32,  42,  54,  68,  84, 102,
                                                 122, 146, 172, 200, 232, 268, 308, 352, 400};
// The directions, as cosine and sine (up positive) written out, so that
// every build lays the texts out alike: at 0, 180, +-45, +-135, +-90
// degrees, then at the angles between, by halves.
constexpr direzione kDirezioni[] = {
    {1.0, 0.0},
    {-1.0, 0.0},
    {0.7071067811865476, 0.7071067811865475},
    {0.7071067811865476, -0.7071067811865475},
    {-0.7071067811865475, 0.7071067811865476},
    {-0.7071067811865475, -0.7071067811865476},
    {0.0, 1.0},
    {0.0, -1.0},
    {0.9238795325112867, 0.3826834323650898},
    {0.9238795325112867, -0.3826834323650898},
    {-0.9238795325112867, 0.3826834323650899},
    {-0.9238795325112867, -0.3826834323650899},
    {0.38268343236508984, 0.9238795325112867},
    {0.38268343236508984, -0.9238795325112867},
    {-0.3826834323650897, 0.9238795325112867},
    {-0.3826834323650897, -0.9238795325112867},
    {0.9807852804032304, 0.19509032201612825},
    {0.9807852804032304, -0.19509032201612825},
    {-0.9807852804032304, 0.19509032201612816},
    {-0.9807852804032304, -0.19509032201612816},
    {0.8314696123025452, 0.5555702330196022},
    {0.8314696123025452, -0.5555702330196022},
    {-0.8314696123025453, 0.5555702330196022},
    {-0.8314696123025453, -0.5555702330196022},
    {0.5555702330196023, 0.8314696123025452},
    {0.5555702330196023, -0.8314696123025452},
    {-0.5555702330196023, 0.8314696123025451},
    {-0.5555702330196023, -0.8314696123025451},
    {0.19509032201612833, 0.9807852804032304},
    {0.19509032201612833, -0.9807852804032304},
    {-0.1950903220161282, 0.9807852804032304},
    {-0.1950903220161282, -0.9807852804032304},
};

double prodotto(punto o, punto a, punto b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// A text w by h whose side or corner nearest p stands at q, on the side of
// q that the direction (c, s) points to (s up).
riquadro scatola_verso(punto q, double c, double s, double w, double h) {
  const double x0 = c > 0.38 ? q.x : c < -0.38 ? q.x - w : q.x - w / 2;
  const double y0 = s > 0.38 ? q.y - h : s < -0.38 ? q.y : q.y - h / 2;
  return {x0, y0, x0 + w, y0 + h};
}

punto piu_vicino(const riquadro& r, punto p) { return {std::clamp(p.x, r.x0, r.x1), std::clamp(p.y, r.y0, r.y1)}; }

bool dentro(const riquadro& r, punto p) { return p.x >= r.x0 && p.x <= r.x1 && p.y >= r.y0 && p.y <= r.y1; }

}  // namespace

bool si_toccano(const riquadro& a, const riquadro& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

double lunghezza(punto a, punto b) { return std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y)); }

double distanza(const riquadro& r, punto p) { return lunghezza(p, piu_vicino(r, p)); }

bool si_incrociano(punto a, punto b, punto c, punto d) {
  const double d1 = prodotto(c, d, a), d2 = prodotto(c, d, b), d3 = prodotto(a, b, c), d4 = prodotto(a, b, d);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool attraversa(punto a, punto b, const riquadro& r) {
  // The part of the segment inside the box's slabs, as fractions of it.
  double t0 = 0, t1 = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy}, q[4] = {a.x - r.x0, r.x1 - a.x, a.y - r.y0, r.y1 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] <= 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 >= t1) return false;
  }
  return true;
}

posatore::posatore(riquadro campo, double cella) : campo_(campo), cella_(cella) {
  colonne_ = std::max(1, static_cast<int>(std::ceil((campo.x1 - campo.x0) / cella)));
  righe_ = std::max(1, static_cast<int>(std::ceil((campo.y1 - campo.y0) / cella)));
  linea_.assign(static_cast<size_t>(colonne_) * righe_, 0);
}

void posatore::occupa(const riquadro& r) { presi_.push_back(r); }

void posatore::occupa_linea(punto a, punto b) {
  const int passi = static_cast<int>(std::min(lunghezza(a, b) / (cella_ / 2), 1e7)) + 1;
  for (int i = 0; i <= passi; ++i) {
    const double x = a.x + (b.x - a.x) * i / passi, y = a.y + (b.y - a.y) * i / passi;
    const int c = static_cast<int>(std::floor((x - campo_.x0) / cella_)),
              r = static_cast<int>(std::floor((y - campo_.y0) / cella_));
    if (c >= 0 && c < colonne_ && r >= 0 && r < righe_) linea_[static_cast<size_t>(r) * colonne_ + c] = 1;
  }
}

int posatore::nomina(punto p, double raggio) {
  nominati_.push_back({p, raggio});
  return static_cast<int>(nominati_.size()) - 1;
}

riquadro posatore::segno(size_t i) const {
  const auto& [p, raggio] = nominati_[i];
  return {p.x - raggio, p.y - raggio, p.x + raggio, p.y + raggio};
}

bool posatore::sgombro(const riquadro& r) const {
  const int c0 = std::max(0, static_cast<int>(std::floor((r.x0 - campo_.x0) / cella_)));
  const int c1 = std::min(colonne_ - 1, static_cast<int>(std::floor((r.x1 - campo_.x0) / cella_)));
  const int r0 = std::max(0, static_cast<int>(std::floor((r.y0 - campo_.y0) / cella_)));
  const int r1 = std::min(righe_ - 1, static_cast<int>(std::floor((r.y1 - campo_.y0) / cella_)));
  for (int y = r0; y <= r1; ++y) {
    for (int x = c0; x <= c1; ++x) {
      if (linea_[static_cast<size_t>(y) * colonne_ + x] != 0) return false;
    }
  }
  return true;
}

bool posatore::libero(const riquadro& r) const {
  if (r.x0 < campo_.x0 || r.x1 > campo_.x1 || r.y0 < campo_.y0 || r.y1 > campo_.y1) return false;
  for (const riquadro& p : presi_) {
    if (si_toccano(p, r)) return false;
  }
  for (size_t i = 0; i < nominati_.size(); ++i) {
    if (si_toccano(segno(i), r)) return false;
  }
  for (const auto& [a, b] : guide_) {
    if (attraversa(a, b, r)) return false;
  }
  return sgombro(r);
}

bool posatore::accanto(const riquadro& r, int proprio, bool con_guida) const {
  if (proprio < 0) return true;
  const double mia = distanza(r, nominati_[proprio].first);
  for (size_t i = 0; i < nominati_.size(); ++i) {
    if (static_cast<int>(i) == proprio) continue;
    const double altra = distanza(r, nominati_[i].first);
    if (con_guida ? altra < kLontanoDagliAltri : altra + 0.5 < mia) return false;
  }
  return true;
}

bool posatore::guida_libera(punto a, punto b, int proprio) const {
  for (const auto& [c, d] : guide_) {
    if (si_incrociano(a, b, c, d)) return false;
  }
  for (const riquadro& p : presi_) {
    if (!dentro(p, a) && attraversa(a, b, p)) return false;
  }
  // A mark that overlaps the leader's own cannot be kept clear of it.
  const riquadro mio = proprio < 0 ? riquadro{a.x, a.y, a.x, a.y} : segno(proprio);
  for (size_t i = 0; i < nominati_.size(); ++i) {
    const riquadro r = segno(i);
    if (static_cast<int>(i) != proprio && !dentro(r, a) && !si_toccano(r, mio) && attraversa(a, b, r)) return false;
  }
  return true;
}

std::vector<direzione> posatore::direzioni_per(punto p, int proprio) const {
  std::vector<direzione> out(std::begin(kDirezioni), std::end(kDirezioni));
  if (proprio < 0) return out;
  // Away from the named points close by, weighted by nearness: where the
  // text of a point in a crowd has room, and its leader crosses no other.
  constexpr double kVicinato = 36;
  double fx = 0, fy = 0;  // y up
  for (size_t i = 0; i < nominati_.size(); ++i) {
    const punto q = nominati_[i].first;
    const double d2 = (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
    if (static_cast<int>(i) == proprio || d2 == 0 || d2 > kVicinato * kVicinato) continue;
    fx += (p.x - q.x) / d2, fy -= (p.y - q.y) / d2;
  }
  if (fx == 0 && fy == 0) return out;
  std::stable_sort(out.begin(), out.end(),
                   [&](const direzione& a, const direzione& b) { return a.c * fx + a.s * fy > b.c * fx + b.s * fy; });
  return out;
}

bool posatore::prendi(const riquadro& r) {
  if (!libero(r)) return false;
  presi_.push_back(r);
  return true;
}

bool posatore::posa(double w, double h, punto p, int proprio, posto* esito, size_t anelli) {
  const size_t quanti = std::min(anelli, kAnelli);
  const std::vector<direzione> direzioni = direzioni_per(p, proprio);
  for (size_t i = 0; i < quanti; ++i) {
    const double d = kDistanze[i] + (proprio >= 0 ? nominati_[proprio].second : 0);
    for (const auto& [c, s] : direzioni) {
      const riquadro r = scatola_verso({p.x + d * c, p.y - d * s}, c, s, w, h);
      if (!libero(r)) continue;
      punto q = piu_vicino(r, p);
      // A text centred over or under its point may run narrower than its
      // box: its leader ends well inside the box's width.
      if (p.x > r.x0 && p.x < r.x1) {
        const double mezzo = (r.x0 + r.x1) / 2, margine = 0.4 * (r.x1 - r.x0);
        q.x = std::clamp(p.x, mezzo - margine, mezzo + margine);
      }
      const bool con_guida = lunghezza(p, q) > kSenzaGuida;
      if (!accanto(r, proprio, con_guida) || (con_guida && !guida_libera(p, q, proprio))) continue;
      presi_.push_back(r);
      if (con_guida) guide_.push_back({p, q});
      *esito = {r, con_guida, p, q};
      return true;
    }
  }
  return false;
}

}  // namespace valdoro

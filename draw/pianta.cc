#include "draw/pianta.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_set>

#include "draw/contenuto.h"
#include "draw/draw.h"
#include "draw/elemento.h"
#include "draw/etichette.h"
#include "draw/numerazione.h"

namespace valdoro {
namespace disegno {

namespace {

constexpr int32_t kPassoPianta = 20;  // one plan point every 20 m is finer than a pixel

// The box of the line's points from metre 0 to `ultimo`, and whether any
// point is there to draw.
struct estensione {
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  bool vuota() const { return !(x1 >= x0 && y1 >= y0); }
};

bool punto_valido(const profilo& p, int32_t m) {
  return m >= 0 && m <= p.ultimo_metro() && p.leggi(m, 0).tipo != tipo_valore::vuoto &&
         p.leggi(m, 1).tipo != tipo_valore::vuoto && std::abs(p.numero(m, 0)) <= kCoordinataMassima &&
         std::abs(p.numero(m, 1)) <= kCoordinataMassima;
}

estensione misura_linea(const profilo& p, int32_t ultimo) {
  estensione e;
  for (int32_t m = 0; m <= ultimo; ++m) {
    if (!punto_valido(p, m)) continue;
    e.x0 = std::min(e.x0, p.numero(m, 0)), e.x1 = std::max(e.x1, p.numero(m, 0));
    e.y0 = std::min(e.y0, p.numero(m, 1)), e.y1 = std::max(e.y1, p.numero(m, 1));
  }
  return e;
}

// The room of the plan picture, in pixels.
constexpr int kTestaPianta = 66;      // title and subtitle
constexpr int kFasciaLato = 130;      // beside the line, for the names
constexpr int kFasciaSopra = 34;      // above and below it
constexpr int kColonnaLegenda = 280;  // the legend, north and the scale
constexpr int kAltezzaLineaMassima = 860;
constexpr int kLarghezzaMinima = 720;
constexpr int kAltezzaMinima = 520;  // a line lying flat still has room for its names
constexpr double kNomePianta = 180;  // pixels: a longer name is cut short

// North up, one scale both ways, the line's box as large as the picture
// allows and the picture no larger than the line needs.
class piano {
 public:
  piano(const profilo& p, const estensione& e) : p_(p) {
    const double dx = std::max(e.x1 - e.x0, 1.0), dy = std::max(e.y1 - e.y0, 1.0);
    const double larga = kLarghezzaMassima - kColonnaLegenda - 2.0 * kFasciaLato;
    scala_ = std::min({larga / dx, kAltezzaLineaMassima / dy, 20.0});
    const double w = dx * scala_, h = dy * scala_;
    larghezza_ = std::max(kLarghezzaMinima, static_cast<int>(std::ceil(w + 2 * kFasciaLato + kColonnaLegenda)));
    altezza_ = std::max(kAltezzaMinima, static_cast<int>(std::ceil(kTestaPianta + h + 2 * kFasciaSopra)));
    const double libera = larghezza_ - kColonnaLegenda - 2.0 * kFasciaLato;
    const double alta = altezza_ - kTestaPianta - 2.0 * kFasciaSopra;
    ox_ = kFasciaLato + (libera - w) / 2 - e.x0 * scala_;
    oy_ = kTestaPianta + kFasciaSopra + (alta - h) / 2 + h + e.y0 * scala_;
  }
  bool valido(int32_t m) const { return punto_valido(p_, m); }
  double px(int32_t m) const { return ox_ + p_.numero(m, 0) * scala_; }
  double py(int32_t m) const { return oy_ - p_.numero(m, 1) * scala_; }
  punto a(int32_t m) const { return {px(m), py(m)}; }
  double metri_per_pixel() const { return 1 / scala_; }
  int larghezza() const { return larghezza_; }
  int altezza() const { return altezza_; }
  void allunga(int altezza) { altezza_ = std::max(altezza_, altezza); }

 private:
  const profilo& p_;
  double scala_ = 1, ox_ = 0, oy_ = 0;
  int larghezza_ = 0, altezza_ = 0;
};

// The line as the picture shows it: a point every kPassoPianta metres,
// those less than half a pixel from the last one left out.  A point that
// begins a piece after a gap has `nuovo` set.
struct punto_traccia {
  int32_t metro;
  punto p;
  bool nuovo;
};

std::vector<punto_traccia> traccia(const piano& pl, int32_t L) {
  std::vector<punto_traccia> out;
  std::optional<punto_traccia> sospeso;  // the last point seen, kept at the end of a piece
  bool nuovo = true;
  auto chiudi = [&] {
    if (sospeso && (out.empty() || out.back().metro != sospeso->metro)) out.push_back(*sospeso);
    sospeso.reset();
  };
  for (int32_t m = 0; m <= L; m = (m == L) ? L + 1 : std::min(m + kPassoPianta, L)) {
    if (!pl.valido(m)) {
      chiudi();
      nuovo = true;
      continue;
    }
    const punto q = pl.a(m);
    if (nuovo || lunghezza(q, out.back().p) >= 0.5) {
      out.push_back({m, q, nuovo});
      sospeso.reset();
      nuovo = false;
    } else {
      sospeso = punto_traccia{m, q, false};
    }
  }
  chiudi();
  return out;
}

// Path data of metres da..a along the line: the points of the trace
// between them, and the exact ends.
std::string percorso_tra(const piano& pl, const std::vector<punto_traccia>& t, int32_t da, int32_t a) {
  std::string d;
  auto aggiungi = [&](punto p, bool nuovo) { d += (nuovo || d.empty() ? "M" : "L") + n1(p.x) + "," + n1(p.y) + " "; };
  if (pl.valido(da)) aggiungi(pl.a(da), true);
  auto it = std::upper_bound(t.begin(), t.end(), da, [](int32_t m, const punto_traccia& p) { return m < p.metro; });
  for (; it != t.end() && it->metro < a; ++it) aggiungi(it->p, it->nuovo);
  if (a > da && pl.valido(a)) aggiungi(pl.a(a), false);
  if (!d.empty()) d.pop_back();
  return d;
}

std::string percorso(const std::string& d, const std::string& stile, const std::string& altro = "") {
  return d.empty() ? "" : elemento("path")("d", d).piu(" fill=\"none\" " + stile + altro).vuoto();
}

constexpr char kColoreCurva[] = "#8e24aa";

// A ring around the point: a station that stands there stays in sight.
std::string segno_cambio(double x, double y, const std::string& altro = "") {
  return elemento("circle")("cx", x)("cy", y)("r", 6.5)("fill", "none")("stroke", kColoreCambio)("stroke-width", 2.5)
      .piu(altro)
      .vuoto();
}

std::string quadrato_stazione(double x, double y, const std::string& altro = "") {
  return elemento("rect")("x", x - 4)("y", y - 4)("width", 8)("height", 8)("fill", kColoreStazione)("stroke", "white")(
             "stroke-width", 1)
      .piu(altro)
      .vuoto();
}

// The legend, north and a scale bar, in a column of their own right of
// the plan; returns how far down it reaches.
int legenda_pianta(const std::vector<tratto>& spans, bool con_cambi, double metri_per_pixel, int x, std::string& out) {
  std::map<int, bool> tipi;
  for (const tratto& t : spans) tipi[t.tipo] = true;
  int y = kTestaPianta + 10;
  const double xc = x + 10;
  auto voce = [&](const std::string& segno, const std::string& testo) {
    out += segno + testo_svg({testo}, x + 30, y + 4);
    y += 20;
  };
  auto tratto_legenda = [&](const std::string& colore, int spessore) {
    return riga(x, y, x + 20, y, "stroke=\"" + colore + "\" stroke-width=\"" + std::to_string(spessore) + "\"");
  };
  voce(tratto_legenda("#222", 2), "track");
  voce(tratto_legenda(kColoreCurva, 2), "curve");
  for (const auto& [tipo, si] : tipi) voce(tratto_legenda(colore_montagna(tipo), 8), nome_montagna(tipo));
  voce(quadrato_stazione(xc, y), "station");
  voce(elemento("circle")("cx", xc)("cy", y)("r", 2.5)("fill", "#d32f2f").vuoto(), "signal");
  voce(elemento("circle")("cx", xc)("cy", y)("r", 3)("fill", "white")("stroke", "#222").vuoto(),
       "km, as the line numbers them");
  if (con_cambi) voce(segno_cambio(xc, y), "numbering change: km before | after");

  // North up: an arrow and its letter.
  y += 14;
  out += elemento("path")("d", "M" + n1(xc) + "," + n1(y) + " l6,18 l-6,-5 l-6,5 z")("fill", "#222").vuoto();
  out += testo_svg({"N", 12, true}, xc - 4.5, y + 32);
  out += testo_svg({"north up"}, x + 30, y + 14);
  y += 54;
  // A bar of a round length, at most 160 pixels long.
  const double metri = tondo_sotto(160 * metri_per_pixel);
  const double lunga = metri / metri_per_pixel;
  const std::string stile = "stroke=\"#222\" stroke-width=\"1.5\"";
  out += riga(x, y, x + lunga, y, stile) + riga(x, y - 5, x, y + 5, stile) +
         riga(x + lunga, y - 5, x + lunga, y + 5, stile);
  out += testo_svg({metri >= 1000 ? chilometri(std::llround(metri)) + " km" : breve(metri) + " m"}, x, y + 18);
  return y + 30;
}

// What the plan holds, as it goes onto the picture.
struct pianta_in_corso {
  const linea_costruita& l;
  const piano& pl;
  int32_t L;
  std::vector<punto_traccia> traccia;
  posatore testi;
  std::string svg;
};

// The squares of a few pixels that the objects of each kind already
// cover.  A line may fold back on itself; what a later object would draw
// where one of its kind stands already adds nothing to the picture but its
// size, and is left out: the plan holds no more objects than it has
// pixels for, however many the track has.
class quadretti {
 public:
  explicit quadretti(double lato) : lato_(lato) {}
  // Whether p's square was free for `tipo`; it is taken now.
  bool prendi(punto p, int tipo) { return presi_.insert(chiave(p, tipo)).second; }

 private:
  uint64_t chiave(punto p, int tipo) const {
    const auto q = [&](double v) {
      return static_cast<uint64_t>(static_cast<uint32_t>(static_cast<int32_t>(std::floor(v / lato_)))) & 0xFFFFFF;
    };
    return (static_cast<uint64_t>(tipo & 0xFFFF) << 48) | (q(p.x) << 24) | q(p.y);
  }

  double lato_;
  std::unordered_set<uint64_t> presi_;
};

constexpr double kQuadrettoTratto = 2;  // pixels: a span's width covers them
constexpr int kCampioniPezzo = 32;      // samples at most between two points of the trace

// Points of metres da..a along the drawn line, a pixel apart, but at most
// kCampioniPezzo between two points of the trace: the cost stays that of
// the trace, however large the scale.
std::vector<punto> campioni(const piano& pl, const std::vector<punto_traccia>& t, int32_t da, int32_t a) {
  std::vector<punto> out;
  auto aggiungi = [&](punto p, bool nuovo) {
    if (!nuovo && !out.empty()) {
      const punto q = out.back();
      const double l = lunghezza(p, q);
      const int n = std::min(kCampioniPezzo, static_cast<int>(l));
      for (int i = 1; i < n; ++i) out.push_back({q.x + (p.x - q.x) * i / n, q.y + (p.y - q.y) * i / n});
    }
    out.push_back(p);
  };
  if (pl.valido(da)) aggiungi(pl.a(da), true);
  auto it = std::upper_bound(t.begin(), t.end(), da, [](int32_t m, const punto_traccia& p) { return m < p.metro; });
  for (; it != t.end() && it->metro < a; ++it) aggiungi(it->p, it->nuovo);
  if (a > da && pl.valido(a)) aggiungi(pl.a(a), false);
  return out;
}

// Takes every square the points cover; whether any was free.
bool copre_altro(quadretti& q, const std::vector<punto>& punti, int tipo) {
  bool libero = false;
  for (const punto& p : punti) libero = q.prendi(p, tipo) || libero;
  return libero;
}

void disegna_montagne(pianta_in_corso& c, const std::vector<tratto>& spans) {
  quadretti presi(kQuadrettoTratto);
  for (const tratto& t : spans) {
    if (!copre_altro(presi, campioni(c.pl, c.traccia, t.da, std::min(t.a, c.L)), t.tipo)) continue;
    const std::string d = percorso_tra(c.pl, c.traccia, t.da, std::min(t.a, c.L));
    c.svg += percorso(d,
                      "stroke=\"" + std::string(colore_montagna(t.tipo)) +
                          "\" stroke-width=\"11\" stroke-opacity=\"0.7\" stroke-linecap=\"butt\"",
                      identita("tunnel", -1, t.da, t.a) + " data-type=\"" + std::to_string(t.tipo) + "\"");
  }
}

// The track, and the cells of the field it passes, which no text covers.
void disegna_binario(pianta_in_corso& c) {
  c.svg +=
      percorso(percorso_tra(c.pl, c.traccia, 0, c.L), "stroke=\"#222\" stroke-width=\"2\" stroke-linejoin=\"round\"");
  for (size_t i = 1; i < c.traccia.size(); ++i) {
    if (!c.traccia[i].nuovo) c.testi.occupa_linea(c.traccia[i - 1].p, c.traccia[i].p);
  }
  if (!c.traccia.empty()) c.testi.occupa_linea(c.traccia[0].p, c.traccia[0].p);
}

// The profile keeps points, not the curves that made them: a curve is
// found where the line turns, the heading of each chord of kCorda metres
// against the one before.  Found so, a curve's ends are known to a chord;
// runs that `vicini` finds less than a pixel apart are taken as one.
constexpr int32_t kCorda = 50;
constexpr double kSvoltaMinima = 0.002;  // radians a chord: a radius of 25 km still shows
constexpr double kGiroPieno = 6.283185307179586;

template <typename F>
std::vector<tratto> curve(const piano& pl, int32_t L, F vicini) {
  std::vector<tratto> out;
  for (int32_t m = kCorda; m + kCorda <= L; m += kCorda) {
    if (!pl.valido(m - kCorda) || !pl.valido(m) || !pl.valido(m + kCorda)) continue;
    const punto a = pl.a(m - kCorda), b = pl.a(m), c = pl.a(m + kCorda);
    const double svolta =
        std::remainder(std::atan2(c.y - b.y, c.x - b.x) - std::atan2(b.y - a.y, b.x - a.x), kGiroPieno);
    if (!(std::abs(svolta) > kSvoltaMinima)) continue;
    const int32_t da = m - kCorda, a_ = m + kCorda;
    if (!out.empty() && (out.back().a >= da || vicini(out.back().a, da))) {
      out.back().a = a_;
    } else {
      out.push_back({da, a_, 0, ""});
    }
  }
  return out;
}

void disegna_curve(pianta_in_corso& c) {
  const auto vicini = [&](int32_t a, int32_t b) { return lunghezza(c.pl.a(a), c.pl.a(b)) < 1; };
  quadretti presi(kQuadrettoTratto);
  for (const tratto& t : curve(c.pl, c.L, vicini)) {
    if (!copre_altro(presi, campioni(c.pl, c.traccia, t.da, t.a), 0)) continue;
    c.svg += percorso(percorso_tra(c.pl, c.traccia, t.da, t.a),
                      "stroke=\"" + std::string(kColoreCurva) + "\" stroke-width=\"2\" stroke-linejoin=\"round\"",
                      identita("curve", -1, t.da, t.a));
  }
}

// Signals closer than a few pixels to the last one drawn, or in the
// square of one drawn before (a line folded on itself), would only cover
// it.
void disegna_segnali(pianta_in_corso& c) {
  std::optional<punto> ultimo;
  quadretti presi(3);
  for (int32_t k = 1; k <= ultima_cella_percorso(c.l); ++k) {
    if (c.l.celle[k].tipo != kSegnale) continue;
    const int32_t m = metro_oggetto(k);
    if (!c.pl.valido(m)) continue;
    const punto p = c.pl.a(m);
    if (ultimo && lunghezza(p, *ultimo) < 3) continue;
    if (!presi.prendi(p, kSegnale)) continue;
    ultimo = p;
    c.svg +=
        elemento("circle")("cx", p.x)("cy", p.y)("r", 2.5)("fill", "#d32f2f").piu(identita("signal", k, m, m)).vuoto();
  }
}

void occupa_segno(posatore& testi, punto p, double r) { testi.occupa({p.x - r, p.y - r, p.x + r, p.y + r}); }

std::vector<tacca> disegna_chilometri(pianta_in_corso& c) {
  const int64_t passo = std::max<int64_t>(1, std::llround(passo_tondo(c.L / 1000.0, 20) * 1000));
  std::vector<tacca> km;
  for (const tacca& t : tacche(c.l.stazioni, c.L, passo)) {
    if (!c.pl.valido(t.metro)) continue;
    km.push_back(t);
    const punto p = c.pl.a(t.metro);
    c.svg += elemento("circle")("cx", p.x)("cy", p.y)("r", 3)("fill", "white")("stroke", "#222").vuoto();
    occupa_segno(c.testi, p, 3);
  }
  return km;
}

std::string svg_pianta_vuota(const std::string& titolo) {
  return apri_svg(900, 200, titolo, "plan") +
         "<text x=\"20\" y=\"80\">No line profile: build it with the profile to draw the plan.</text>\n" + chiudi_svg();
}

}  // namespace

std::string pianta(const linea_costruita& l) {
  const int32_t L = std::min(std::max(0, lunghezza_percorso(l)), l.pianta.ultimo_metro());
  const std::string titolo = nome_scenario(l) + ": plan of the line, " + lunghezza_km(std::max(0, L));
  if (!l.pianta.esiste() || L <= 0) return svg_pianta_vuota(titolo);
  const estensione estesa = misura_linea(l.pianta, L);
  if (estesa.vuota()) return svg_pianta_vuota(titolo);
  piano pl(l.pianta, estesa);

  std::vector<tratto> spans = montagne(
      l, [&](int32_t a, int32_t b) { return pl.valido(a) && pl.valido(b) && lunghezza(pl.a(a), pl.a(b)) < 1; });
  nomina_montagne(l, spans);
  const std::vector<cambio_numerazione> cambi = cambi_numerazione(l.stazioni, L);
  std::string legenda;
  pl.allunga(
      legenda_pianta(spans, !cambi.empty(), pl.metri_per_pixel(), pl.larghezza() - kColonnaLegenda + 20, legenda));
  const int W = pl.larghezza(), H = pl.altezza();

  pianta_in_corso c{l, pl, L, traccia(pl, L), posatore({2, kTestaPianta - 4.0, W - kColonnaLegenda + 10.0, H - 2.0}),
                    ""};
  c.svg = apri_svg(W, H, titolo, "plan");
  c.svg += testo_svg({"1 px = " + n1(pl.metri_per_pixel()) + " m", 12, false, "#555"}, 20, 52);
  disegna_montagne(c, spans);
  disegna_binario(c);
  disegna_curve(c);
  disegna_segnali(c);

  // The marks first, so that no text covers them; then the texts, those
  // that must be shown first, the kilometres where there is room left.
  const std::vector<tacca> km = disegna_chilometri(c);
  for (const cambio_numerazione& k : cambi) {
    if (!pl.valido(k.metro)) continue;
    c.svg += segno_cambio(pl.px(k.metro), pl.py(k.metro));
    occupa_segno(c.testi, pl.a(k.metro), 7.5);
  }
  const std::vector<stazione_disegnata> elenco = stazioni(l, kNomePianta);
  std::vector<int> nomi(elenco.size(), -1);
  for (size_t i = 0; i < elenco.size(); ++i) {
    const stazione_disegnata& s = elenco[i];
    if (!pl.valido(s.metro)) continue;
    nomi[i] = c.testi.nomina(pl.a(s.metro), 4.5);
    c.svg += quadrato_stazione(pl.px(s.metro), pl.py(s.metro),
                               " id=\"st-" + std::to_string(s.riga) + "\"" + identita("station", s.riga));
  }
  c.svg += legenda;

  // The names of stations that stand close to others have the least room:
  // they choose first.
  std::vector<std::pair<double, size_t>> ordine;
  for (size_t i = 0; i < elenco.size(); ++i) {
    if (nomi[i] < 0) continue;
    double vicina = 1e300;
    for (size_t j = 0; j < elenco.size(); ++j) {
      if (j == i || nomi[j] < 0) continue;
      const punto a = pl.a(elenco[i].metro), b = pl.a(elenco[j].metro);
      vicina = std::min(vicina, lunghezza(a, b));
    }
    ordine.push_back({vicina, i});
  }
  std::sort(ordine.begin(), ordine.end());
  for (const auto& [vicina, i] : ordine) {
    const std::string chi = identita("station", elenco[i].riga);
    c.svg += posa_testo(c.testi, {elenco[i].nome, 12, true, kColoreStazione}, pl.a(elenco[i].metro), nomi[i],
                        posatore::kAnelli, " id=\"lbl-" + std::to_string(elenco[i].riga) + "\"" + chi, chi);
  }
  for (const cambio_numerazione& k : cambi) {
    if (!pl.valido(k.metro)) continue;
    const etichetta e{"km " + chilometri(k.prima) + " | " + chilometri(k.dopo), 12, true, "#e65100"};
    c.svg += posa_testo(c.testi, e, pl.a(k.metro), -1, posatore::kAnelli);
  }
  for (const tratto& t : spans) {
    const int32_t mezzo = t.da + (std::min(t.a, L) - t.da) / 2;
    if (t.nome.empty() || !pl.valido(mezzo)) continue;
    const etichetta e{accorcia(t.nome, 11, false, kNomePianta), 11, false, "#5d4037"};
    c.svg += posa_testo(c.testi, e, pl.a(mezzo), -1, 8, identita("tunnel", -1, t.da, t.a));
  }
  for (const tacca& t : km) {
    c.svg += posa_testo(c.testi, {"km " + chilometri(t.numerati), 12, false, "#555"}, pl.a(t.metro), -1, 3);
  }
  return c.svg + chiudi_svg();
}

}  // namespace disegno
}  // namespace valdoro

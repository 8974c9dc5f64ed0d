#include "draw/altimetria.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "draw/contenuto.h"
#include "draw/corsa.h"
#include "draw/draw.h"
#include "draw/elemento.h"
#include "draw/etichette.h"
#include "draw/numerazione.h"
#include "model/tabelle.h"

namespace valdoro {
namespace disegno {

namespace {

// Station names above the profile, side by side at least kPassoNomi apart
// and as near their stations as that allows.
std::vector<double> sparpaglia(const std::vector<double>& posti, double passo, double sinistra, double destra) {
  struct blocco {
    double somma;
    size_t primo, quanti;
    double inizio;
  };
  std::vector<blocco> blocchi;
  auto sistema = [&](blocco& b) {
    b.inizio = b.somma / b.quanti - (b.quanti - 1) * passo / 2;
    b.inizio = std::max(sinistra, std::min(b.inizio, destra - (b.quanti - 1) * passo));
  };
  for (size_t i = 0; i < posti.size(); ++i) {
    blocchi.push_back({posti[i], i, 1, 0});
    sistema(blocchi.back());
    while (blocchi.size() >= 2) {
      blocco& a = blocchi[blocchi.size() - 2];
      const blocco& b = blocchi.back();
      if (a.inizio + a.quanti * passo <= b.inizio) break;
      a.somma += b.somma;
      a.quanti += b.quanti;
      blocchi.pop_back();
      sistema(blocchi.back());
    }
  }
  std::vector<double> out;
  for (const blocco& b : blocchi) {
    for (size_t k = 0; k < b.quanti; ++k) out.push_back(b.inizio + k * passo);
  }
  return out;
}

constexpr double kPassoNomi = 16;
constexpr double kNomeMassimo = 300;  // pixels: a longer name is cut short

// Points along x, at most four a pixel column (the first, the lowest, the
// highest and the last of it): a million cells draw as the pixels they fall on.
class curva_per_colonne {
 public:
  void aggiungi(double x, double y) {
    const auto colonna = static_cast<int64_t>(std::floor(x));
    if (colonna != colonna_) {
      chiudi();
      colonna_ = colonna;
      primo_ = ultimo_ = minimo_ = massimo_ = {x, y};
      return;
    }
    if (y < minimo_.y) minimo_ = {x, y};
    if (y > massimo_.y) massimo_ = {x, y};
    ultimo_ = {x, y};
  }
  std::string punti() {
    chiudi();
    if (!d_.empty()) d_.pop_back();
    return d_;
  }
  // The points written, for the texts to keep clear of.
  const std::vector<punto>& scritti() const { return scritti_; }

 private:
  void metti(punto p) {
    const std::string s = n1(p.x) + "," + n1(p.y);
    if (s != ultimo_scritto_) {
      d_ += s + " ";
      scritti_.push_back(p);
    }
    ultimo_scritto_ = s;
  }
  void chiudi() {
    if (colonna_ == INT64_MIN) return;
    metti(primo_);
    if (minimo_.x <= massimo_.x) {
      metti(minimo_), metti(massimo_);
    } else {
      metti(massimo_), metti(minimo_);
    }
    metti(ultimo_);
  }
  int64_t colonna_ = INT64_MIN;
  punto primo_{}, ultimo_{}, minimo_{}, massimo_{};
  std::string d_, ultimo_scritto_;
  std::vector<punto> scritti_;
};

// Where things go on the gradient picture.
struct scala_altimetria {
  double fine_x;  // metres across the picture
  double a0, a1;  // heights at the bottom and top of their panel
  double v1;      // speed at the top of its panel
  int alto_alt, basso_alt, alto_pend, basso_pend, alto_vel, basso_vel;

  static constexpr int W = kLarghezzaMassima, kSinistra = 70, kDestra = 40;
  double x(double metri) const { return kSinistra + metri / fine_x * (W - kSinistra - kDestra); }
  double ya(double h) const { return basso_alt - (h - a0) / std::max(a1 - a0, 1.0) * (basso_alt - alto_alt); }
  double yv(double v) const { return basso_vel - v / v1 * (basso_vel - alto_vel); }
  double metri_per_pixel() const { return fine_x / (W - kSinistra - kDestra); }
};

std::string assi_altezza_e_velocita(const scala_altimetria& s, double passo_alt, double passo_v, posatore& testi) {
  std::string svg;
  const double sx = s.kSinistra, dx = s.W - s.kDestra;
  for (int i = 0; i <= passi(s.a1 - s.a0, passo_alt); ++i) {
    const double h = s.a0 + i * passo_alt;
    const etichetta e{breve(h)};
    svg +=
        riga(sx, s.ya(h), dx, s.ya(h), "stroke=\"#e0e0e0\"") + posa_qui(testi, e, sx - 6 - larghezza(e), s.ya(h) + 4);
  }
  svg += posa_qui(testi, {"speed limit, km/h", 12, true, "#c62828"}, sx + 4, s.alto_vel - 24);
  for (int i = 0; i <= passi(s.v1, passo_v); ++i) {
    const double v = i * passo_v;
    const etichetta e{std::to_string(static_cast<int>(v))};
    svg +=
        riga(sx, s.yv(v), dx, s.yv(v), "stroke=\"#e0e0e0\"") + posa_qui(testi, e, sx - 6 - larghezza(e), s.yv(v) + 4);
  }
  return svg;
}

// Under the speed panel: kilometres as the line numbers them (where the
// count changes, the kilometre it reaches and the one it goes on from),
// and below them metres from the start, as the sources count them.
std::string assi_chilometri_e_metri(const linea_costruita& l, const scala_altimetria& s, int32_t L, posatore& testi) {
  std::string svg;
  const double riga_km = s.basso_vel + 22, riga_metri = s.basso_vel + 58;
  svg += posa_qui(testi, {"km", 12, true}, s.kSinistra - 44, riga_km);
  svg += posa_qui(testi, {"m", 12, true}, s.kSinistra - 44, riga_metri);
  for (const cambio_numerazione& c : cambi_numerazione(l.stazioni, L)) {
    const double x = s.x(c.metro);
    svg +=
        riga(x, s.ya(s.a1), x, s.basso_vel + 4, "stroke=\"" + std::string(kColoreCambio) + "\" stroke-width=\"1.5\"");
    const etichetta e{chilometri(c.prima) + " | " + chilometri(c.dopo), 12, true, "#e65100"};
    for (int riga_testo = 0; riga_testo < 2; ++riga_testo) {
      const std::string t = posa_qui(testi, e, x - larghezza(e) / 2, riga_km + 17 * riga_testo);
      if (!t.empty()) {
        svg += t;
        break;
      }
    }
  }
  const int64_t passo_km = std::max<int64_t>(1, std::llround(passo_tondo(s.fine_x / 1000.0, 20) * 1000));
  for (const tacca& t : tacche(l.stazioni, static_cast<int32_t>(std::min<double>(s.fine_x, INT32_MAX - 1)), passo_km)) {
    const double x = s.x(t.metro);
    svg += riga(x, s.ya(s.a1), x, s.ya(s.a0), "stroke=\"#f0f0f0\"") +
           riga(x, s.yv(s.v1), x, s.yv(0), "stroke=\"#f0f0f0\"");
    const etichetta e{chilometri(t.numerati)};
    svg += posa_qui(testi, e, x - larghezza(e) / 2, riga_km);
  }
  const double passo_m = passo_tondo(s.fine_x, 10);
  for (int i = 0; i <= passi(s.fine_x, passo_m); ++i) {
    const double x = s.x(i * passo_m);
    svg += riga(x, s.basso_vel + 40, x, s.basso_vel + 45, "stroke=\"#555\"");
    const etichetta e{std::to_string(std::llround(i * passo_m)), 12, false, "#555"};
    svg += posa_qui(testi, e, x - larghezza(e) / 2, riga_metri);
  }
  svg += riga(s.kSinistra, s.basso_vel + 40, s.W - s.kDestra, s.basso_vel + 40, "stroke=\"#555\"");
  const etichetta didascalia{"km, as the line numbers them; m, metres from the start as the sources give them"};
  return svg + posa_qui(testi, didascalia, s.W - s.kDestra - larghezza(didascalia), riga_metri + 20);
}

// Height built up from the gradients: each cell climbs its gradient (per
// mille) over 50 m.
double salita(const cella& c) { return (c.pendenza - kScartoPendenza) * kMetriCella / 1000.0; }

std::string curva_altezza(const linea_costruita& l, int32_t ultima, const scala_altimetria& s, posatore& testi) {
  curva_per_colonne curva;
  double h = 0;
  curva.aggiungi(s.x(0), s.ya(0));
  for (int32_t k = 0; k <= ultima; ++k) {
    h += salita(l.celle[k]);
    curva.aggiungi(s.x(static_cast<double>(k + 1) * kMetriCella), s.ya(h));
  }
  const std::string punti = curva.punti();
  const std::vector<punto>& p = curva.scritti();
  for (size_t i = 1; i < p.size(); ++i) testi.occupa_linea(p[i - 1], p[i]);
  return elemento("polyline")("fill", "none")("stroke", "#6d4c41")("stroke-width", 2)("points", punti).vuoto();
}

std::string gradini_velocita(const linea_costruita& l, int32_t ultima, const scala_altimetria& s) {
  curva_per_colonne curva;
  for (int32_t k = 0; k <= ultima; ++k) {
    const double y = s.yv(l.celle[k].velocita * kPassoVelocita);
    if (k == 0 || l.celle[k].velocita != l.celle[k - 1].velocita)
      curva.aggiungi(s.x(static_cast<double>(k) * kMetriCella), y);
    if (k == ultima || l.celle[k].velocita != l.celle[k + 1].velocita) {
      curva.aggiungi(s.x(static_cast<double>(k + 1) * kMetriCella), y);
    }
  }
  return elemento("polyline")("fill", "none")("stroke", "#c62828")("stroke-width", 2)("points", curva.punti()).vuoto();
}

// The gradient of each stretch, in a band under the height: climbs shaded
// warm, falls cool, the figure in per mille where it fits.  Stretches too
// narrow to see are shown together, without a figure.
std::string fascia_pendenze(const linea_costruita& l, int32_t ultima, const scala_altimetria& s) {
  std::string svg;
  const double alto = s.alto_pend, basso = s.basso_pend;
  auto stretto = [&](int32_t da, int32_t a) { return s.x(a * kMetriCella) - s.x(da * kMetriCella) < 2; };
  auto scrivi = [&](int32_t da, int32_t a, bool misto) {
    const int p = l.celle[da].pendenza - kScartoPendenza;
    const double x0 = s.x(da * kMetriCella), x1 = s.x(a * kMetriCella);
    const char* colore = misto ? "#eeeeee" : p > 0 ? "#ffe0b2" : p < 0 ? "#c8e6c9" : "white";
    svg += elemento("rect")("x", x0)("y", alto)("width", x1 - x0)("height", basso - alto)("fill", colore)(
               "stroke", "#9e9e9e")("stroke-width", 0.5)
               .piu(identita("gradient", da, int64_t{da} * kMetriCella, int64_t{a} * kMetriCella))
               .vuoto();
    const etichetta e{std::to_string(p) + "\xE2\x80\xB0", 11, false, "#4e342e"};
    if (!misto && larghezza(e) + 4 <= x1 - x0) svg += testo_svg(e, (x0 + x1 - larghezza(e)) / 2, basso - 4);
  };
  int32_t misto_da = -1;
  for (int32_t da = 0; da <= ultima;) {
    int32_t a = da + 1;
    while (a <= ultima && l.celle[a].pendenza == l.celle[da].pendenza) ++a;
    if (!stretto(da, a)) {
      if (misto_da >= 0) scrivi(misto_da, da, true);
      misto_da = -1;
      scrivi(da, a, false);
    } else if (misto_da < 0) {
      misto_da = da;
    } else if (!stretto(misto_da, a)) {
      scrivi(misto_da, a, true);
      misto_da = -1;
    }
    da = a;
  }
  if (misto_da >= 0) scrivi(misto_da, ultima + 1, true);
  return svg + testo_svg({"per mille", 11, false, "#4e342e"}, 4, basso - 4);
}

// Tunnels and summits as bands across the height, named near their top
// where there is room.
std::string gallerie_altimetria(const linea_costruita& l, const scala_altimetria& s, posatore& testi) {
  std::vector<tratto> spans = montagne(l, [&](int32_t a, int32_t b) { return std::abs(s.x(a) - s.x(b)) < 1; });
  nomina_montagne(l, spans);
  std::string svg;
  std::vector<std::pair<tratto, double>> nomi;
  for (const tratto& t : spans) {
    const double x0 = s.x(t.da), x1 = std::max(s.x(t.a), x0 + 1);
    svg += elemento("rect")("x", x0)("y", s.alto_alt)("width", x1 - x0)("height", s.basso_alt - s.alto_alt)(
               "fill", colore_montagna(t.tipo))("fill-opacity", 0.18)
               .piu(identita("tunnel", -1, t.da, t.a) + " data-type=\"" + std::to_string(t.tipo) + "\"")
               .vuoto();
    nomi.push_back({t, (x0 + x1) / 2});
  }
  for (const auto& [t, x] : nomi) {
    if (t.nome.empty()) continue;
    // Centred over the band where there is room, else near it.
    const etichetta e{accorcia(t.nome, 10, false, 200), 10, false, "#4e342e"};
    const std::string chi = identita("tunnel", -1, t.da, t.a);
    const std::string qui = posa_qui(testi, e, x - larghezza(e) / 2, s.alto_alt + 12, chi);
    svg += qui.empty() ? posa_testo(testi, e, {x, s.alto_alt + 10.0}, -1, 6, chi) : qui;
  }
  return svg;
}

// Speed boards above the speed panel, slowdowns as shaded steps down to
// their speed, signals as ticks on its foot; things closer than a pixel or
// two to the last one drawn are left to it.
std::string oggetti_velocita(const linea_costruita& l, int32_t ultima, const scala_altimetria& s) {
  std::string svg;
  double ultimo_cartello = -1e9, ultimo_segnale = -1e9, fine_rallentamento = -1e9;
  int32_t inizio = -1;
  for (int32_t k = 1; k <= ultima; ++k) {
    const cella& c = l.celle[k];
    const int32_t m = metro_oggetto(k);
    const double x = s.x(m);
    if (c.tipo == kCartelloVelocita && x - ultimo_cartello >= 3) {
      ultimo_cartello = x;
      svg += elemento("rect")("x", x - 1.5)("y", s.alto_vel - 12)("width", 3)("height", 8)("fill", "#37474f")
                 .piu(identita("board", k, m, m))
                 .vuoto();
    } else if (c.tipo == kSegnale && x - ultimo_segnale >= 2) {
      ultimo_segnale = x;
      svg += riga(x, s.basso_vel, x, s.basso_vel - 6,
                  "stroke=\"#d32f2f\" stroke-width=\"1.5\"" + identita("signal", k, m, m));
    } else if (c.tipo == kInizioRallentamento) {
      inizio = k;
    } else if (c.tipo == kFineRallentamento && inizio >= 0) {
      const double x0 = s.x(metro_oggetto(inizio)), x1 = std::max(x, x0 + 1);
      const int v = l.celle[inizio].valore1;
      if (x0 >= fine_rallentamento + 1 && v >= 0) {
        fine_rallentamento = x1;
        const double y = s.yv(std::min<double>(v, s.v1));
        svg += elemento("rect")("x", x0)("y", y)("width", x1 - x0)("height", s.yv(0) - y)("fill", "#ff9800")(
                   "fill-opacity", 0.3)("stroke", "#e65100")("stroke-width", 1)
                   .piu(identita("slowdown", inizio, metro_oggetto(inizio), m))
                   .vuoto();
        const etichetta e{std::to_string(v), 10, true, "#e65100"};
        if (larghezza(e) + 2 <= x1 - x0 && s.yv(0) - y >= 14) svg += testo_svg(e, (x0 + x1 - larghezza(e)) / 2, y + 11);
      }
      inizio = -1;
    }
  }
  return svg;
}

// Each name upright above its station, moved aside where stations stand
// close, with a leader from the station's line.
std::string nomi_altimetria(const std::vector<stazione_disegnata>& elenco, const scala_altimetria& s, int basso_nomi) {
  std::vector<double> posti;
  for (const stazione_disegnata& st : elenco) posti.push_back(s.x(st.metro));
  const std::vector<double> nomi = sparpaglia(posti, kPassoNomi, s.kSinistra - 6.0, s.W - 8.0);
  std::string svg;
  for (size_t i = 0; i < elenco.size(); ++i) {
    const double xs = s.x(elenco[i].metro), xn = nomi[i];
    const std::string riga_st = std::to_string(elenco[i].riga), chi = identita("station", elenco[i].riga);
    svg += riga(xs, s.alto_alt, xs, s.yv(0),
                "id=\"g-st-" + riga_st + "\" stroke=\"" + kColoreStazione + "\" stroke-dasharray=\"4 4\"" + chi);
    svg += elemento("polyline")("fill", "none")("stroke", kColoreStazione)("stroke-width", 0.8)(
               "points", n1(xs) + "," + std::to_string(s.alto_alt) + " " + n1(xs) + "," +
                             std::to_string(s.alto_alt - 6) + " " + n1(xn) + "," + std::to_string(basso_nomi + 6))
               .piu(" class=\"leader\"" + chi)
               .vuoto();
    // Turned a quarter left about its start, the text's box runs from
    // kSopra of the size left of x to kSotto right of it.
    const double x = xn + (kSopra - kSotto) * 12 / 2;
    const etichetta e{elenco[i].nome, 12, true, kColoreStazione};
    svg += testo_svg(e, x, basso_nomi,
                     " id=\"g-lbl-" + riga_st + "\"" + chi + " transform=\"rotate(-90 " + n1(x) + " " +
                         std::to_string(basso_nomi) + ")\"");
  }
  return svg;
}

constexpr char kColoreCorsa[] = "#2e7d32";

// The fastest run over the speed panel, under the limits and the objects
// that set them, which stay in sight and can be pointed at.  The group
// covers the panel, and carries how its x and y read as metres and km/h:
// pointing anywhere on it, a page can tell the run's speed at that metre.
std::string curva_corsa(const std::vector<tratta_marcia>& tratte, const scala_altimetria& s, posatore& testi) {
  const std::vector<std::vector<punto_corsa>> gambe = punti_corsa(tratte, s.metri_per_pixel());
  if (gambe.empty()) return "";
  const double sx = s.kSinistra, dx = s.W - s.kDestra;
  std::string svg =
      elemento("g")("data-kind", "run")("data-x0", breve(s.x(0)))("data-m-per-px", breve(s.metri_per_pixel()))(
          "data-y0", breve(s.yv(0)))("data-kmh-per-px", breve(s.v1 / (s.yv(0) - s.yv(s.v1))))
          .apri();
  svg += elemento("rect")("x", sx)("y", s.yv(s.v1))("width", dx - sx)("height", s.yv(0) - s.yv(s.v1))("fill",
                                                                                                      "transparent")
             .vuoto();
  for (const std::vector<punto_corsa>& gamba : gambe) {
    curva_per_colonne curva;
    for (const punto_corsa& p : gamba) curva.aggiungi(s.x(p.metro), s.yv(std::min(p.kmh, s.v1)));
    svg += elemento("polyline")("fill", "none")("stroke", kColoreCorsa)("stroke-width", 1.5)("points", curva.punti())
               .vuoto();
  }
  // Its legend beside the limit's.
  const double x = sx + 4 + larghezza({"speed limit, km/h", 12, true}) + 24, y = s.alto_vel - 24;
  svg += riga(x, y - 4, x + 18, y - 4, "stroke=\"" + std::string(kColoreCorsa) + "\" stroke-width=\"2\"");
  svg += posa_qui(testi, {"fastest run, km/h", 12, true, kColoreCorsa}, x + 24, y);
  return svg + "</g>\n";
}

std::string svg_altimetria_vuota(const linea_costruita& l, const std::string& titolo) {
  return apri_svg(kLarghezzaMassima, 200, titolo, "gradient") + "<text x=\"20\" y=\"80\">" +
         (l.celle.empty() ? "The track is empty." : "The station table gives no route length.") + "</text>\n" +
         chiudi_svg();
}

}  // namespace

std::string altimetria(const linea_costruita& l, const std::vector<tratta_marcia>& corsa) {
  const int32_t ultima = ultima_cella_percorso(l);
  const int32_t L = std::max(0, lunghezza_percorso(l));
  const std::string titolo = nome_scenario(l) + ": gradient profile and speed limit, " + lunghezza_km(L);
  if (l.celle.empty() || L <= 0) return svg_altimetria_vuota(l, titolo);
  scala_altimetria s{};
  s.fine_x = std::max<double>(L, (ultima + 1.0) * kMetriCella);
  std::vector<stazione_disegnata> elenco;
  double nome_piu_lungo = 0;
  for (const stazione_disegnata& st : stazioni(l, kNomeMassimo)) {
    if (st.metro < 0 || st.metro > s.fine_x) continue;
    nome_piu_lungo = std::max(nome_piu_lungo, larghezza_testo(st.nome, 12, true));
    elenco.push_back(st);
  }
  // The names stand upright over the profile, as tall as the longest needs.
  const int basso_nomi = 66 + static_cast<int>(std::ceil(nome_piu_lungo));
  s.alto_alt = basso_nomi + 26, s.basso_alt = s.alto_alt + 240, s.alto_pend = s.basso_alt + 8,
  s.basso_pend = s.alto_pend + 18, s.alto_vel = s.basso_pend + 50, s.basso_vel = s.alto_vel + 160;
  const int H = s.basso_vel + 92;

  double h = 0, hmin = 0, hmax = 0;
  int vmax = 0;
  for (int32_t k = 0; k <= ultima; ++k) {
    h += salita(l.celle[k]);
    hmin = std::min(hmin, h), hmax = std::max(hmax, h);
    vmax = std::max(vmax, l.celle[k].velocita * kPassoVelocita);
  }
  const double passo_alt = passo_tondo(std::max(hmax - hmin, 1.0), 6);
  s.a0 = std::floor(hmin / passo_alt) * passo_alt, s.a1 = std::ceil(hmax / passo_alt) * passo_alt;
  const double passo_v = passo_tondo(std::max(vmax, 20), 5);
  s.v1 = std::max(1.0, std::ceil(vmax / passo_v)) * passo_v;

  std::string svg = apri_svg(s.W, H, titolo, "gradient");
  posatore testi({0, 0, static_cast<double>(s.W), static_cast<double>(H)});
  testi.occupa(scatola({titolo, kTitolo.corpo, true}, 20, 30));
  svg += posa_qui(testi,
                  {"brown: height built up from the gradients (per mille), m above the start; red: speed limit, km/h; "
                   "orange: slowdowns" +
                       std::string(corsa.empty() ? "" : "; green: the train's fastest run"),
                   12, false, "#6d4c41"},
                  20, 52);
  svg += assi_altezza_e_velocita(s, passo_alt, passo_v, testi);
  svg += assi_chilometri_e_metri(l, s, L, testi);
  const std::string curva = curva_altezza(l, ultima, s, testi);
  svg += gallerie_altimetria(l, s, testi) + curva;
  svg += fascia_pendenze(l, ultima, s);
  svg += curva_corsa(corsa, s, testi);
  svg += oggetti_velocita(l, ultima, s);
  svg += gradini_velocita(l, ultima, s);
  svg += nomi_altimetria(elenco, s, basso_nomi);
  return svg + chiudi_svg();
}

}  // namespace disegno
}  // namespace valdoro

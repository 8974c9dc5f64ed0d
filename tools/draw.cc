#include "tools/draw.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "output/decodifica.h"

namespace valdoro {

namespace {

constexpr int32_t kMetriCella = 50;
constexpr int32_t kPassoPianta = 20;  // one plan point every 20 m is finer than a pixel

// Fixed one-decimal numbers, the same in every locale.
std::string n1(double v) {
  char buf[64];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
  return ec == std::errc() ? std::string(buf, fine) : "0";
}

// A name from the files as XML text: controls are not allowed in XML.
// The shortest decimal text of v: 400 rather than 400.0, 0.5 as it is.
std::string breve(double v) {
  char buf[64];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, std::round(v * 1000) / 1000);
  return ec == std::errc() ? std::string(buf, fine) : "0";
}

std::string testo_xml(const std::string& cp1252) {
  std::string out;
  for (char ch : da_cp1252(cp1252)) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += static_cast<unsigned char>(ch) < 0x20 ? '?' : ch;
    }
  }
  return out;
}

std::string km(int32_t metri) {
  std::string s = std::to_string(metri / 1000);
  if (metri % 1000 != 0) s += "." + std::to_string(1000 + metri % 1000).substr(1);
  return "km " + s;
}

// 1, 2 or 5 times a power of ten, so that `ampiezza` holds about `quanti` steps.
double passo_tondo(double ampiezza, int quanti) {
  if (ampiezza <= 0) return 1;
  const double grezzo = ampiezza / quanti;
  const double scala = std::pow(10.0, std::floor(std::log10(grezzo)));
  for (double f : {1.0, 2.0, 5.0}) {
    if (f * scala >= grezzo) return f * scala;
  }
  return 10 * scala;
}

// How many whole steps fit in `ampiezza`, counted so that a sum of steps
// does not fall just short of the end by rounding.
int passi(double ampiezza, double passo) { return static_cast<int>(std::floor(ampiezza / passo + 1e-9)); }

struct stazione_disegnata {
  int32_t metro;
  std::string nome;
};

// Rows 1 to 80 that carry a number: a sign-board text row carries only its name.
std::vector<stazione_disegnata> stazioni(const linea_costruita& l) {
  std::vector<stazione_disegnata> out;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = l.stazioni[r];
    if (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) out.push_back({s.progressiva, s.nome});
  }
  return out;
}

int32_t ultima_cella_percorso(const linea_costruita& l) {
  const int32_t ultima = static_cast<int32_t>(l.celle.size()) - 1;
  return std::min(ultima, std::max(0, lunghezza_percorso(l)) / kMetriCella);
}

struct tratto {
  int32_t da, a;  // metres
  int tipo;
};

// Runs of cells under the same mountain kind, within the route.
std::vector<tratto> montagne(const linea_costruita& l) {
  std::vector<tratto> out;
  for (int32_t k = 0; k <= ultima_cella_percorso(l); ++k) {
    const int tipo = l.celle[k].montagna;
    if (tipo == 0) continue;
    if (!out.empty() && out.back().tipo == tipo && out.back().a == k * kMetriCella) {
      out.back().a += kMetriCella;
    } else {
      out.push_back({k * kMetriCella, (k + 1) * kMetriCella, tipo});
    }
  }
  return out;
}

// A signal stands in the cell after the one its position rounds to.
std::vector<int32_t> segnali(const linea_costruita& l) {
  std::vector<int32_t> out;
  for (int32_t k = 1; k <= ultima_cella_percorso(l); ++k) {
    if (l.celle[k].tipo == 1) out.push_back((k - 1) * kMetriCella);
  }
  return out;
}

const char* colore_montagna(int tipo) {
  switch (tipo) {
    case 1: return "#8d6e63";
    case 2: return "#5c6bc0";
    case 3: return "#26a69a";
    default: return "#9e9e9e";
  }
}

std::string apri_svg(int larghezza, int altezza, const std::string& titolo) {
  const std::string w = std::to_string(larghezza), h = std::to_string(altezza);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
         " " + h + "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
         "<text x=\"20\" y=\"30\" font-size=\"18\" font-weight=\"bold\">" + titolo + "</text>\n";
}

std::string chiudi_svg() { return "</svg>\n"; }

// Titles come from rows 85 and 86.
std::string nome_scenario(const linea_costruita& l) {
  std::string s = testo_xml(l.stazioni[kRigaLinea].nome);
  if (!l.stazioni[kRigaTreno].nome.empty()) s += " \xE2\x80\x94 " + testo_xml(l.stazioni[kRigaTreno].nome);
  return s;
}

// ---- The plan ----

class piano {
 public:
  piano(const profilo& p, int32_t ultimo, int larghezza, int altezza, int margine, int testa) : p_(p) {
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (int32_t m = 0; m <= ultimo; ++m) {
      if (!valido(m)) continue;
      x0 = std::min(x0, p.numero(m, 0)), x1 = std::max(x1, p.numero(m, 0));
      y0 = std::min(y0, p.numero(m, 1)), y1 = std::max(y1, p.numero(m, 1));
    }
    const double dx = std::max(x1 - x0, 1.0), dy = std::max(y1 - y0, 1.0);
    scala_ = std::min((larghezza - 2.0 * margine) / dx, (altezza - 2.0 * margine - testa) / dy);
    // Centred in the free area; y grows upward on the ground, downward on screen.
    ox_ = margine + ((larghezza - 2.0 * margine) - dx * scala_) / 2 - x0 * scala_;
    oy_ = altezza - margine - ((altezza - 2.0 * margine - testa) - dy * scala_) / 2 + y0 * scala_;
  }
  bool valido(int32_t m) const {
    return m >= 0 && m <= p_.ultimo_metro() && p_.leggi(m, 0).tipo != tipo_valore::vuoto &&
           p_.leggi(m, 1).tipo != tipo_valore::vuoto && std::isfinite(p_.numero(m, 0)) &&
           std::isfinite(p_.numero(m, 1));
  }
  std::string punto(int32_t m) const {
    return n1(ox_ + p_.numero(m, 0) * scala_) + "," + n1(oy_ - p_.numero(m, 1) * scala_);
  }
  std::string x(int32_t m) const { return n1(ox_ + p_.numero(m, 0) * scala_); }
  std::string y(int32_t m) const { return n1(oy_ - p_.numero(m, 1) * scala_); }
  double metri_per_pixel() const { return 1 / scala_; }

  // The points of metres da..a, one every kPassoPianta and the last.
  std::string linea(int32_t da, int32_t a) const {
    std::string punti;
    for (int32_t m = da; m <= a; m = (m == a) ? a + 1 : std::min(m + kPassoPianta, a)) {
      if (valido(m)) punti += punto(m) + " ";
    }
    return punti;
  }

 private:
  const profilo& p_;
  double scala_ = 1, ox_ = 0, oy_ = 0;
};

// Wide enough for the line at the scale its height allows, and for the title.
int larghezza_pianta(const profilo& p, int32_t ultimo, int altezza) {
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  for (int32_t m = 0; m <= ultimo; m += kPassoPianta) {
    if (p.leggi(m, 0).tipo == tipo_valore::vuoto || p.leggi(m, 1).tipo == tipo_valore::vuoto) continue;
    if (!std::isfinite(p.numero(m, 0)) || !std::isfinite(p.numero(m, 1))) continue;
    x0 = std::min(x0, p.numero(m, 0)), x1 = std::max(x1, p.numero(m, 0));
    y0 = std::min(y0, p.numero(m, 1)), y1 = std::max(y1, p.numero(m, 1));
  }
  if (!(x1 >= x0 && y1 >= y0)) return 600;
  const double w = (x1 - x0) / std::max(y1 - y0, 1.0) * altezza;
  return static_cast<int>(std::clamp(w, 500.0, 1400.0));
}

std::string legenda_pianta(const std::vector<tratto>& spans, int larghezza) {
  std::map<int, bool> tipi;
  for (const tratto& t : spans) tipi[t.tipo] = true;
  std::string out;
  int y = 60;
  const std::string x = std::to_string(larghezza - 230), xt = std::to_string(larghezza - 200);
  auto voce = [&](const std::string& segno, const std::string& testo) {
    out += segno + "<text x=\"" + xt + "\" y=\"" + std::to_string(y + 4) + "\">" + testo + "</text>\n";
    y += 20;
  };
  voce("<line x1=\"" + x + "\" y1=\"" + std::to_string(y) + "\" x2=\"" + std::to_string(larghezza - 210) + "\" y2=\"" +
           std::to_string(y) + "\" stroke=\"#222\" stroke-width=\"2\"/>",
       "track");
  for (const auto& [tipo, si] : tipi) {
    voce("<line x1=\"" + x + "\" y1=\"" + std::to_string(y) + "\" x2=\"" + std::to_string(larghezza - 210) +
             "\" y2=\"" + std::to_string(y) + "\" stroke=\"" + colore_montagna(tipo) +
             "\" stroke-width=\"8\" stroke-opacity=\"0.6\"/>",
         "mountain span, kind " + std::to_string(tipo));
  }
  voce("<rect x=\"" + std::to_string(larghezza - 225) + "\" y=\"" + std::to_string(y - 4) +
           "\" width=\"8\" height=\"8\" fill=\"#1565c0\"/>",
       "station");
  voce("<circle cx=\"" + std::to_string(larghezza - 221) + "\" cy=\"" + std::to_string(y) +
           "\" r=\"3\" fill=\"#d32f2f\"/>",
       "signal");
  voce("<circle cx=\"" + std::to_string(larghezza - 221) + "\" cy=\"" + std::to_string(y) +
           "\" r=\"3\" fill=\"white\" stroke=\"#222\"/>",
       "kilometre from the start");
  return out;
}

}  // namespace

int32_t lunghezza_percorso(const linea_costruita& l) { return l.stazioni[kRigaParametri].fine; }

std::string svg_pianta(const linea_costruita& l) {
  constexpr int H = 900, kMargine = 60, kTesta = 40, kLegenda = 260;
  const int32_t L = std::min(std::max(0, lunghezza_percorso(l)), l.pianta.ultimo_metro());
  const std::string titolo = nome_scenario(l) + ": plan of the line, " + km(std::max(0, L));
  if (!l.pianta.esiste() || L <= 0) {
    return apri_svg(900, 200, titolo) +
           "<text x=\"20\" y=\"80\">No line profile: build it with the profile to draw the plan.</text>\n" +
           chiudi_svg();
  }
  const int W = larghezza_pianta(l.pianta, L, H - 2 * kMargine - kTesta) + 2 * kMargine + kLegenda;
  std::string svg = apri_svg(W, H, titolo);
  const piano pl(l.pianta, L, W - kLegenda, H, kMargine, kTesta);
  svg += "<text x=\"20\" y=\"52\" fill=\"#555\">first coordinate to the right, second up; 1 px = " +
         n1(pl.metri_per_pixel()) + " m</text>\n";

  const std::vector<tratto> spans = montagne(l);
  for (const tratto& t : spans) {
    svg += "<polyline fill=\"none\" stroke=\"" + std::string(colore_montagna(t.tipo)) +
           "\" stroke-width=\"11\" stroke-opacity=\"0.7\" stroke-linecap=\"butt\" points=\"" +
           pl.linea(t.da, std::min(t.a, L)) + "\"/>\n";
  }
  svg += "<polyline fill=\"none\" stroke=\"#222\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"" +
         pl.linea(0, L) + "\"/>\n";

  const double passo_km = passo_tondo(L / 1000.0, 20);
  for (int i = 0; i <= passi(L / 1000.0, passo_km); ++i) {
    const double k = i * passo_km;
    const int32_t m = static_cast<int32_t>(std::lround(k * 1000));
    if (!pl.valido(m)) continue;
    svg += "<circle cx=\"" + pl.x(m) + "\" cy=\"" + pl.y(m) + "\" r=\"3\" fill=\"white\" stroke=\"#222\"/>" +
           "<text x=\"" + pl.x(m) + "\" y=\"" + pl.y(m) + "\" dx=\"-6\" dy=\"14\" text-anchor=\"end\" fill=\"#555\">" +
           km(m) + "</text>\n";
  }
  for (int32_t m : segnali(l)) {
    if (pl.valido(m)) svg += "<circle cx=\"" + pl.x(m) + "\" cy=\"" + pl.y(m) + "\" r=\"2.5\" fill=\"#d32f2f\"/>\n";
  }
  for (const stazione_disegnata& s : stazioni(l)) {
    if (!pl.valido(s.metro)) continue;
    svg += "<rect x=\"" + pl.x(s.metro) + "\" y=\"" + pl.y(s.metro) +
           "\" width=\"8\" height=\"8\" transform=\"translate(-4,-4)\" fill=\"#1565c0\"/>" + "<text x=\"" +
           pl.x(s.metro) + "\" y=\"" + pl.y(s.metro) + "\" dx=\"8\" dy=\"-6\" font-weight=\"bold\" fill=\"#1565c0\">" +
           testo_xml(s.nome) + "</text>\n";
  }
  svg += legenda_pianta(spans, W);
  return svg + chiudi_svg();
}

std::string svg_altimetria(const linea_costruita& l) {
  constexpr int W = 1600, H = 720, kSinistra = 80, kDestra = 90;
  constexpr int kAltoAlt = 150, kBassoAlt = 430, kAltoVel = 490, kBassoVel = 670;
  const int32_t ultima = ultima_cella_percorso(l);
  const int32_t L = std::max(0, lunghezza_percorso(l));
  std::string svg = apri_svg(W, H, nome_scenario(l) + ": gradient profile and speed limit, " + km(L));
  if (l.celle.empty() || L <= 0) {
    svg += std::string("<text x=\"20\" y=\"80\">") +
           (l.celle.empty() ? "The track is empty." : "The station table gives no route length.") + "</text>\n";
    return svg + chiudi_svg();
  }
  // Height at the start of each cell: each cell climbs its gradient (per mille) over 50 m.
  std::vector<double> alt(ultima + 2, 0.0);
  for (int32_t k = 0; k <= ultima; ++k) alt[k + 1] = alt[k] + (l.celle[k].pendenza - 100) * kMetriCella / 1000.0;
  const auto [amin, amax] = std::minmax_element(alt.begin(), alt.end());
  const double passo_alt = passo_tondo(std::max(*amax - *amin, 1.0), 6);
  const double a0 = std::floor(*amin / passo_alt) * passo_alt, a1 = std::ceil(*amax / passo_alt) * passo_alt;
  int vmax = 0;
  for (int32_t k = 0; k <= ultima; ++k) vmax = std::max(vmax, l.celle[k].velocita * 5);
  const double passo_v = passo_tondo(std::max(vmax, 20), 5);
  const double v1 = std::max(1.0, std::ceil(vmax / passo_v)) * passo_v;

  const double fine_x = std::max<double>(L, (ultima + 1) * kMetriCella);
  auto X = [&](double metri) { return n1(kSinistra + metri / fine_x * (W - kSinistra - kDestra)); };
  auto YA = [&](double h) { return n1(kBassoAlt - (h - a0) / std::max(a1 - a0, 1.0) * (kBassoAlt - kAltoAlt)); };
  auto YV = [&](double v) { return n1(kBassoVel - v / v1 * (kBassoVel - kAltoVel)); };
  auto riga = [](const std::string& x1, const std::string& y1, const std::string& x2, const std::string& y2,
                 const std::string& stile) {
    return "<line x1=\"" + x1 + "\" y1=\"" + y1 + "\" x2=\"" + x2 + "\" y2=\"" + y2 + "\" " + stile + "/>\n";
  };
  const std::string sx = std::to_string(kSinistra), dx = std::to_string(W - kDestra);

  svg += "<text x=\"20\" y=\"52\" fill=\"#6d4c41\">brown: height built up from the gradients (per mille), "
         "m above the start; red: speed limit, km/h</text>\n";
  for (int i = 0; i <= passi(a1 - a0, passo_alt); ++i) {
    const double h = a0 + i * passo_alt;
    svg += riga(sx, YA(h), dx, YA(h), "stroke=\"#e0e0e0\"") + "<text x=\"" + std::to_string(kSinistra - 6) +
           "\" y=\"" + YA(h) + "\" dy=\"4\" text-anchor=\"end\">" + breve(h) + "</text>\n";
  }
  svg += "<text x=\"" + std::to_string(kSinistra + 4) + "\" y=\"" + std::to_string(kAltoVel - 8) +
         "\" font-weight=\"bold\" fill=\"#c62828\">speed limit, km/h</text>\n";
  for (int i = 0; i <= passi(v1, passo_v); ++i) {
    const double v = i * passo_v;
    svg += riga(sx, YV(v), dx, YV(v), "stroke=\"#e0e0e0\"") + "<text x=\"" + std::to_string(kSinistra - 6) +
           "\" y=\"" + YV(v) + "\" dy=\"4\" text-anchor=\"end\">" + std::to_string(static_cast<int>(v)) + "</text>\n";
  }
  const double passo_km = passo_tondo(fine_x / 1000.0, 20);
  for (int i = 0; i <= passi(fine_x / 1000.0, passo_km); ++i) {
    const double k = i * passo_km;
    const std::string x = X(k * 1000);
    svg += riga(x, YA(a1), x, YA(a0), "stroke=\"#f0f0f0\"") + riga(x, YV(v1), x, YV(0), "stroke=\"#f0f0f0\"") +
           "<text x=\"" + x + "\" y=\"" + std::to_string(kBassoVel + 18) + "\" text-anchor=\"middle\">" +
           breve(k) + "</text>\n";
  }
  svg += "<text x=\"" + dx + "\" y=\"" + std::to_string(kBassoVel + 38) +
         "\" text-anchor=\"end\">km from the start</text>\n";

  std::string punti;
  for (int32_t k = 0; k <= ultima + 1; ++k) punti += X(static_cast<double>(k) * kMetriCella) + "," + YA(alt[k]) + " ";
  svg += "<polyline fill=\"none\" stroke=\"#6d4c41\" stroke-width=\"2\" points=\"" + punti + "\"/>\n";
  std::string gradini;
  for (int32_t k = 0; k <= ultima; ++k) {
    const std::string y = YV(l.celle[k].velocita * 5);
    gradini += X(static_cast<double>(k) * kMetriCella) + "," + y + " " + X(static_cast<double>(k + 1) * kMetriCella) +
               "," + y + " ";
  }
  svg += "<polyline fill=\"none\" stroke=\"#c62828\" stroke-width=\"2\" points=\"" + gradini + "\"/>\n";

  for (const stazione_disegnata& s : stazioni(l)) {
    if (s.metro < 0 || s.metro > fine_x) continue;
    const std::string x = X(s.metro);
    svg += riga(x, YA(a1), x, YV(0), "stroke=\"#1565c0\" stroke-dasharray=\"4 4\"") + "<text x=\"" + x + "\" y=\"" +
           std::to_string(kAltoAlt - 4) + "\" transform=\"rotate(-40 " + x + " " + std::to_string(kAltoAlt - 4) +
           ")\" fill=\"#1565c0\" font-weight=\"bold\">" + testo_xml(s.nome) + "</text>\n";
  }
  return svg + chiudi_svg();
}

}  // namespace valdoro

#include "tools/draw.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>

#include "output/decodifica.h"

namespace valdoro {

namespace {

constexpr int32_t kMetriCella = 50;
constexpr int32_t kPassoPianta = 20;  // one plan point every 20 m is finer than a pixel
constexpr int kPrimaRigaNumerazione = 81, kUltimaRigaNumerazione = 83;

// Fixed one-decimal numbers, the same in every locale.
std::string n1(double v) {
  char buf[64];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
  return ec == std::errc() ? std::string(buf, fine) : "0";
}

// The shortest decimal text of v: 400 rather than 400.0, 0.5 as it is.
std::string breve(double v) {
  char buf[64];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, std::round(v * 1000) / 1000);
  return ec == std::errc() ? std::string(buf, fine) : "0";
}

// A coordinate as the message about it shows it: "nan", "inf", "1e+300".
std::string numero_grezzo(double v) {
  char buf[64];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, fine) : "?";
}

// A name from the files as UTF-8 text without controls (XML allows none).
std::string testo_leggibile(const std::string& cp1252) {
  std::string out;
  for (char ch : da_cp1252(cp1252)) out += static_cast<unsigned char>(ch) < 0x20 ? '?' : ch;
  return out;
}

std::string xml(const std::string& utf8) {
  std::string out;
  for (char ch : utf8) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

// Numbered metres as kilometres, without trailing zeros: "180.35", "0".
std::string chilometri(int64_t metri) {
  const int64_t m = metri < 0 ? -metri : metri;
  std::string s = (metri < 0 ? "-" : "") + std::to_string(m / 1000);
  if (m % 1000 != 0) {
    std::string decimali = std::to_string(1000 + m % 1000).substr(1);
    while (decimali.back() == '0') decimali.pop_back();
    s += "." + decimali;
  }
  return s;
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

// ---- The line's kilometre numbering

// Where the count changes: the kilometre the old count reaches there and
// the one the new count starts from ("180.35" and "0" where it restarts).
struct cambio_numerazione {
  int32_t metro;
  int64_t prima, dopo;
};

std::vector<cambio_numerazione> cambi_numerazione(const tabella_stazioni_t& t, int32_t fine) {
  std::vector<int32_t> inizi;
  for (int r = kPrimaRigaNumerazione; r <= kUltimaRigaNumerazione; ++r) {
    if (t[r].inizio > 0 && t[r].inizio <= fine) inizi.push_back(t[r].inizio);
  }
  std::sort(inizi.begin(), inizi.end());
  inizi.erase(std::unique(inizi.begin(), inizi.end()), inizi.end());
  std::vector<cambio_numerazione> out;
  for (int32_t p : inizi) {
    const int64_t prima = int64_t{metri_numerati(t, p - 1)} + 1, dopo = metri_numerati(t, p);
    if (prima != dopo) out.push_back({p, prima, dopo});
  }
  return out;
}

// A kilometre mark: a whole step of the numbering, at its position.
struct tacca {
  int32_t metro;
  int64_t numerati;
};

// The multiples of `passo` numbered metres along the route, each section of
// the numbering on its own; none where a change stands.
std::vector<tacca> tacche(const tabella_stazioni_t& t, int32_t fine, int64_t passo) {
  std::vector<int32_t> bordi = {0};
  for (const cambio_numerazione& c : cambi_numerazione(t, fine)) bordi.push_back(c.metro);
  bordi.push_back(fine + 1);
  std::vector<tacca> out;
  for (size_t i = 0; i + 1 < bordi.size(); ++i) {
    const int64_t da = bordi[i], a = bordi[i + 1];
    const int64_t scostamento = metri_numerati(t, static_cast<int32_t>(da)) - da;
    const int64_t primo = da + scostamento, resto = ((primo % passo) + passo) % passo;
    for (int64_t n = resto == 0 ? primo : primo - resto + passo; n - scostamento < a; n += passo) {
      if (n - scostamento == da && i > 0) continue;
      out.push_back({static_cast<int32_t>(n - scostamento), n});
    }
  }
  return out;
}

// ---- Texts and where they go

// Advance widths of DejaVu Sans, the pictures' first font, in 2048ths of
// the font size, for the characters 32 to 126.
constexpr int16_t kAvanzamenti[95] = {
    651,  821,  942,  1716, 1303, 1946, 1597, 563,  799,  799,  1024, 1716, 651,  739,  651,  690,
    1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 690,  690,  1716, 1716, 1716, 1087,
    2048, 1401, 1405, 1430, 1577, 1294, 1178, 1587, 1540, 604,  604,  1343, 1141, 1767, 1532, 1612,
    1235, 1612, 1423, 1300, 1251, 1499, 1401, 2025, 1403, 1251, 1403, 799,  690,  799,  1716, 1024,
    1024, 1255, 1300, 1126, 1300, 1260, 721,  1300, 1298, 569,  569,  1186, 569,  1995, 1298, 1253,
    1300, 1300, 842,  1067, 803,  1298, 1212, 1675, 1212, 1212, 1075, 1303, 690,  1303, 1716};

// A little more than the font takes: the bold face is wider, and another
// sans font may stand in for it.
double larghezza_testo(const std::string& utf8, double corpo, bool grassetto) {
  double unita = 0;
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c & 0xC0) == 0x80) continue;
    unita += (c >= 32 && c < 127) ? kAvanzamenti[c - 32] : 2048;
  }
  return unita / 2048 * corpo * (grassetto ? 1.14 : 1.0) * 1.05;
}

// Above and below the baseline, as a browser boxes a text of the font.
constexpr double kSopra = 0.93, kSotto = 0.24;

struct riquadro {
  double x0, y0, x1, y1;
};

bool si_toccano(const riquadro& a, const riquadro& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

struct etichetta {
  std::string testo;  // UTF-8
  double corpo = 12;
  bool grassetto = false;
  std::string colore = "#222";
};

double larghezza(const etichetta& e) { return larghezza_testo(e.testo, e.corpo, e.grassetto); }
double altezza(const etichetta& e) { return (kSopra + kSotto) * e.corpo; }

// The box of a text starting at x with its baseline at y, a pixel around.
riquadro scatola(const etichetta& e, double x, double y) {
  return {x - 1, y - kSopra * e.corpo - 1, x + larghezza(e) + 1, y + kSotto * e.corpo + 1};
}

std::string testo_svg(const etichetta& e, double x, double y, const std::string& altro = "") {
  std::string s = "<text x=\"" + n1(x) + "\" y=\"" + n1(y) + "\"";
  if (e.corpo != 12) s += " font-size=\"" + breve(e.corpo) + "\"";
  if (e.grassetto) s += " font-weight=\"bold\"";
  return s + " fill=\"" + e.colore + "\"" + altro + ">" + xml(e.testo) + "</text>\n";
}

// Lays texts out in a field so that no two of them touch: each goes beside
// its point where there is room, else further out with a leader line back
// to the point.
class posatore {
 public:
  static constexpr size_t kTutti = 14;
  explicit posatore(riquadro campo) : campo_(campo) {}

  void occupa(const riquadro& r) { presi_.push_back(r); }

  bool libero(const riquadro& r) const {
    if (r.x0 < campo_.x0 || r.x1 > campo_.x1 || r.y0 < campo_.y0 || r.y1 > campo_.y1) return false;
    return std::none_of(presi_.begin(), presi_.end(), [&](const riquadro& p) { return si_toccano(p, r); });
  }

  // The text starting at x on baseline y, if it has room there; "" if not.
  std::string posa_qui(const etichetta& e, double x, double y) {
    const riquadro r = scatola(e, x, y);
    if (!libero(r)) return "";
    occupa(r);
    return testo_svg(e, x, y);
  }

  // The text near (px, py), tried at `anelli` distances from it, the
  // nearest first; a text that finds no room there is left out ("").
  std::string posa(const etichetta& e, double px, double py, size_t anelli = kTutti) {
    static constexpr double kDistanze[] = {5, 18, 32, 48, 66, 86, 110, 136, 166, 200, 240, 290, 350, 420};
    static_assert(sizeof kDistanze / sizeof kDistanze[0] == kTutti);
    const double w = larghezza(e), h = altezza(e), s = 0.7;
    for (double d : kDistanze) {
      // The text's top left corner beside the point: right, left, the four
      // corners, above, below.
      const double angoli[][2] = {
          {px + d, py - h / 2},         {px - d - w, py - h / 2},     {px + s * d, py - s * d - h},
          {px + s * d, py + s * d},     {px - s * d - w, py - s * d - h}, {px - s * d - w, py + s * d},
          {px - w / 2, py - d - h},     {px - w / 2, py + d},
      };
      for (const auto& [x, y] : angoli) {
        const double linea_base = y + kSopra * e.corpo;
        const riquadro r = scatola(e, x, linea_base);
        if (!libero(r)) continue;
        occupa(r);
        std::string svg;
        if (d > kDistanze[0]) {
          const double qx = std::clamp(px, r.x0, r.x1), qy = std::clamp(py, r.y0, r.y1);
          svg += "<line x1=\"" + n1(px) + "\" y1=\"" + n1(py) + "\" x2=\"" + n1(qx) + "\" y2=\"" + n1(qy) +
                 "\" stroke=\"#78909c\" stroke-width=\"0.8\"/>\n";
        }
        return svg + testo_svg(e, x, linea_base);
      }
      if (--anelli == 0) return "";
    }
    return "";
  }

 private:
  riquadro campo_;
  std::vector<riquadro> presi_;
};

// ---- What the files hold

struct stazione_disegnata {
  int32_t metro;
  std::string nome;  // UTF-8
};

// Rows 1 to 80 that carry a number: a sign-board text row carries only its name.
std::vector<stazione_disegnata> stazioni(const linea_costruita& l) {
  std::vector<stazione_disegnata> out;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = l.stazioni[r];
    if (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) {
      out.push_back({s.progressiva, testo_leggibile(s.nome)});
    }
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

// The simulator's mountain kinds: a span of kind 1 is a tunnel, of kind 2 a
// summit; the compiler gives kind 3 to a span that starts 150 m or less
// after the one before it.
std::string nome_montagna(int tipo) {
  switch (tipo) {
    case 1: return "tunnel";
    case 2: return "summit";
    case 3: return "tunnel or summit close behind another";
    default: return "mountain span of kind " + std::to_string(tipo);
  }
}

const etichetta kTitolo{"", 18, true};
const etichetta kSottotitolo{"", 12, false, "#555"};

std::string apri_svg(int larghezza, int altezza, const std::string& titolo) {
  const std::string w = std::to_string(larghezza), h = std::to_string(altezza);
  etichetta t = kTitolo;
  t.testo = titolo;
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
         " " + h + "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" + testo_svg(t, 20, 30);
}

std::string chiudi_svg() { return "</svg>\n"; }

// Titles come from rows 85 and 86.
std::string nome_scenario(const linea_costruita& l) {
  std::string s = testo_leggibile(l.stazioni[kRigaLinea].nome);
  if (!l.stazioni[kRigaTreno].nome.empty()) s += " \xE2\x80\x94 " + testo_leggibile(l.stazioni[kRigaTreno].nome);
  return s;
}

std::string lunghezza_km(int32_t metri) { return chilometri(metri) + " km"; }

// ---- The plan

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
           p_.leggi(m, 1).tipo != tipo_valore::vuoto && std::abs(p_.numero(m, 0)) <= kCoordinataMassima &&
           std::abs(p_.numero(m, 1)) <= kCoordinataMassima;
  }
  double px(int32_t m) const { return ox_ + p_.numero(m, 0) * scala_; }
  double py(int32_t m) const { return oy_ - p_.numero(m, 1) * scala_; }
  std::string x(int32_t m) const { return n1(px(m)); }
  std::string y(int32_t m) const { return n1(py(m)); }
  double metri_per_pixel() const { return 1 / scala_; }

  // The points of metres da..a, one every kPassoPianta and the last.
  std::string linea(int32_t da, int32_t a) const {
    std::string punti;
    for (int32_t m = da; m <= a; m = (m == a) ? a + 1 : std::min(m + kPassoPianta, a)) {
      if (valido(m)) punti += x(m) + "," + y(m) + " ";
    }
    return punti;
  }

 private:
  const profilo& p_;
  double scala_ = 1, ox_ = 0, oy_ = 0;
};

// Wide enough for the line at the scale its height allows, within the
// room the picture has for it.
int larghezza_pianta(const profilo& p, int32_t ultimo, int altezza, int massima) {
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  for (int32_t m = 0; m <= ultimo; m += kPassoPianta) {
    if (p.leggi(m, 0).tipo == tipo_valore::vuoto || p.leggi(m, 1).tipo == tipo_valore::vuoto) continue;
    if (!(std::abs(p.numero(m, 0)) <= kCoordinataMassima && std::abs(p.numero(m, 1)) <= kCoordinataMassima)) continue;
    x0 = std::min(x0, p.numero(m, 0)), x1 = std::max(x1, p.numero(m, 0));
    y0 = std::min(y0, p.numero(m, 1)), y1 = std::max(y1, p.numero(m, 1));
  }
  if (!(x1 >= x0 && y1 >= y0)) return 500;
  const double w = (x1 - x0) / std::max(y1 - y0, 1.0) * altezza;
  return static_cast<int>(std::clamp(w, 500.0, static_cast<double>(massima)));
}

constexpr char kColoreCambio[] = "#ff8f00";

std::string segno_cambio(const std::string& x, const std::string& y) {
  return "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"4.5\" fill=\"" + kColoreCambio + "\" stroke=\"#222\"/>\n";
}

// The legend, in a column of its own right of the plan.
std::string legenda_pianta(const std::vector<tratto>& spans, bool con_cambi, int x, posatore& testi) {
  std::map<int, bool> tipi;
  for (const tratto& t : spans) tipi[t.tipo] = true;
  std::string out;
  int y = 60;
  const std::string xs = std::to_string(x), xf = std::to_string(x + 20), xc = std::to_string(x + 10);
  auto voce = [&](const std::string& segno, const std::string& testo) {
    const etichetta e{testo};
    testi.occupa(scatola(e, x + 30, y + 4));
    out += segno + testo_svg(e, x + 30, y + 4);
    y += 20;
  };
  auto tratto_legenda = [&](const std::string& colore, int spessore, const std::string& altro) {
    return "<line x1=\"" + xs + "\" y1=\"" + std::to_string(y) + "\" x2=\"" + xf + "\" y2=\"" + std::to_string(y) +
           "\" stroke=\"" + colore + "\" stroke-width=\"" + std::to_string(spessore) + "\"" + altro + "/>";
  };
  voce(tratto_legenda("#222", 2, ""), "track");
  for (const auto& [tipo, si] : tipi) voce(tratto_legenda(colore_montagna(tipo), 8, " stroke-opacity=\"0.6\""), nome_montagna(tipo));
  voce("<rect x=\"" + std::to_string(x + 6) + "\" y=\"" + std::to_string(y - 4) +
           "\" width=\"8\" height=\"8\" fill=\"#1565c0\"/>",
       "station");
  voce("<circle cx=\"" + xc + "\" cy=\"" + std::to_string(y) + "\" r=\"3\" fill=\"#d32f2f\"/>", "signal");
  voce("<circle cx=\"" + xc + "\" cy=\"" + std::to_string(y) + "\" r=\"3\" fill=\"white\" stroke=\"#222\"/>",
       "kilometre, as the line numbers them");
  if (con_cambi) voce(segno_cambio(xc, std::to_string(y)), "numbering changes: km before | after");
  return out;
}

}  // namespace

int32_t lunghezza_percorso(const linea_costruita& l) { return l.stazioni[kRigaParametri].fine; }

int32_t metri_numerati(const tabella_stazioni_t& t, int32_t posizione) {
  const riga_stazione* in_vigore = nullptr;
  for (int r = kPrimaRigaNumerazione; r <= kUltimaRigaNumerazione; ++r) {
    if (posizione >= t[r].inizio && (in_vigore == nullptr || t[r].inizio > in_vigore->inizio)) in_vigore = &t[r];
  }
  const int64_t m = static_cast<int64_t>(posizione) + (in_vigore == nullptr ? 0 : in_vigore->fine);
  return static_cast<int32_t>(std::clamp<int64_t>(m, INT32_MIN, INT32_MAX));
}

profilo decodifica_pianta(const apri_fonte& apri) {
  // The decoder hands out a metre's x and y together, but the refusal names
  // the first bad value in the file: any x comes before every y.
  std::optional<errore_decodifica> primo_y;
  profilo p = decodifica_profilo(apri, [&](uint64_t byte, int32_t metro, int coordinata, const valore_etichettato& v) {
    if (v.tipo != tipo_valore::doppio || std::abs(v.valore) <= kCoordinataMassima) return;
    const std::string cosa = "metre " + std::to_string(metro) + ": " + (coordinata == 0 ? "x" : "y") + " is " +
                             numero_grezzo(v.valore);
    const errore_decodifica e(byte, std::isfinite(v.valore) ? cosa + ", beyond the 10000 km a plan can reach"
                                                            : cosa + ", not a coordinate");
    if (coordinata == 0) throw e;
    if (!primo_y) primo_y = e;
  });
  if (primo_y) throw *primo_y;
  return p;
}

profilo decodifica_pianta(std::string_view dati) { return decodifica_pianta(apri_in_memoria(dati)); }

std::string svg_pianta(const linea_costruita& l) {
  constexpr int H = 900, kMargine = 60, kTesta = 40, kLegenda = 290;
  const int32_t L = std::min(std::max(0, lunghezza_percorso(l)), l.pianta.ultimo_metro());
  const std::string titolo = nome_scenario(l) + ": plan of the line, " + lunghezza_km(std::max(0, L));
  if (!l.pianta.esiste() || L <= 0) {
    return apri_svg(900, 200, titolo) +
           "<text x=\"20\" y=\"80\">No line profile: build it with the profile to draw the plan.</text>\n" +
           chiudi_svg();
  }
  const int W = larghezza_pianta(l.pianta, L, H - 2 * kMargine - kTesta, kLarghezzaMassima - 2 * kMargine - kLegenda) +
                2 * kMargine + kLegenda;
  std::string svg = apri_svg(W, H, titolo);
  const piano pl(l.pianta, L, W - kLegenda, H, kMargine, kTesta);
  etichetta sotto = kSottotitolo;
  sotto.testo = "first coordinate to the right, second up; 1 px = " + n1(pl.metri_per_pixel()) + " m";
  svg += testo_svg(sotto, 20, 52);
  posatore testi({2, 60, W - kLegenda + 10.0, H - 2.0});

  const std::vector<tratto> spans = montagne(l);
  for (const tratto& t : spans) {
    svg += "<polyline fill=\"none\" stroke=\"" + std::string(colore_montagna(t.tipo)) +
           "\" stroke-width=\"11\" stroke-opacity=\"0.7\" stroke-linecap=\"butt\" points=\"" +
           pl.linea(t.da, std::min(t.a, L)) + "\"/>\n";
  }
  svg += "<polyline fill=\"none\" stroke=\"#222\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"" +
         pl.linea(0, L) + "\"/>\n";
  for (int32_t m : segnali(l)) {
    if (pl.valido(m)) svg += "<circle cx=\"" + pl.x(m) + "\" cy=\"" + pl.y(m) + "\" r=\"2.5\" fill=\"#d32f2f\"/>\n";
  }

  // The track and the marks first, so that no text covers them; then the
  // texts that must be shown, and the kilometres where there is room.
  auto segna = [&](int32_t m, double r) { testi.occupa({pl.px(m) - r, pl.py(m) - r, pl.px(m) + r, pl.py(m) + r}); };
  const int32_t passo_traccia = std::max<int32_t>(kPassoPianta, static_cast<int32_t>(std::min(3 * pl.metri_per_pixel(), 1e6)));
  for (int64_t m = 0; m <= L; m += passo_traccia) {
    if (pl.valido(static_cast<int32_t>(m))) segna(static_cast<int32_t>(m), 1.5);
  }
  const std::vector<cambio_numerazione> cambi = cambi_numerazione(l.stazioni, L);
  const int64_t passo = std::max<int64_t>(1, std::llround(passo_tondo(L / 1000.0, 20) * 1000));
  std::vector<tacca> km;
  for (const tacca& t : tacche(l.stazioni, L, passo)) {
    if (!pl.valido(t.metro)) continue;
    km.push_back(t);
    svg += "<circle cx=\"" + pl.x(t.metro) + "\" cy=\"" + pl.y(t.metro) + "\" r=\"3\" fill=\"white\" stroke=\"#222\"/>\n";
    segna(t.metro, 3);
  }
  for (const cambio_numerazione& c : cambi) {
    if (!pl.valido(c.metro)) continue;
    svg += segno_cambio(pl.x(c.metro), pl.y(c.metro));
    segna(c.metro, 4.5);
  }
  const std::vector<stazione_disegnata> elenco = stazioni(l);
  for (const stazione_disegnata& s : elenco) {
    if (!pl.valido(s.metro)) continue;
    svg += "<rect x=\"" + n1(pl.px(s.metro) - 4) + "\" y=\"" + n1(pl.py(s.metro) - 4) +
           "\" width=\"8\" height=\"8\" fill=\"#1565c0\"/>\n";
    segna(s.metro, 4);
  }
  svg += legenda_pianta(spans, !cambi.empty(), W - kLegenda + 20, testi);

  for (const cambio_numerazione& c : cambi) {
    if (!pl.valido(c.metro)) continue;
    const etichetta e{"km " + chilometri(c.prima) + " | " + chilometri(c.dopo), 12, true, "#e65100"};
    svg += testi.posa(e, pl.px(c.metro), pl.py(c.metro));
  }
  for (const stazione_disegnata& s : elenco) {
    if (!pl.valido(s.metro)) continue;
    svg += testi.posa({s.nome, 12, true, "#1565c0"}, pl.px(s.metro), pl.py(s.metro));
  }
  for (const tacca& t : km) svg += testi.posa({"km " + chilometri(t.numerati), 12, false, "#555"}, pl.px(t.metro), pl.py(t.metro), 3);
  return svg + chiudi_svg();
}

// ---- The gradient profile

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

// A name cut to fit `massimo` pixels, marked with an ellipsis.
std::string accorcia(const std::string& testo, double massimo) {
  const std::string puntini = "\xE2\x80\xA6";
  if (larghezza_testo(testo, 12, true) <= massimo) return testo;
  std::string t = testo;
  while (!t.empty() && larghezza_testo(t + puntini, 12, true) > massimo) {
    while (!t.empty() && (static_cast<unsigned char>(t.back()) & 0xC0) == 0x80) t.pop_back();
    if (!t.empty()) t.pop_back();
  }
  return t + puntini;
}

}  // namespace

std::string svg_altimetria(const linea_costruita& l) {
  constexpr int W = kLarghezzaMassima, kSinistra = 70, kDestra = 40;
  const int32_t ultima = ultima_cella_percorso(l);
  const int32_t L = std::max(0, lunghezza_percorso(l));
  const std::string titolo = nome_scenario(l) + ": gradient profile and speed limit, " + lunghezza_km(L);
  if (l.celle.empty() || L <= 0) {
    return apri_svg(W, 200, titolo) + "<text x=\"20\" y=\"80\">" +
           (l.celle.empty() ? "The track is empty." : "The station table gives no route length.") + "</text>\n" +
           chiudi_svg();
  }
  const double fine_x = std::max<double>(L, (ultima + 1) * kMetriCella);
  std::vector<stazione_disegnata> elenco;
  double nome_piu_lungo = 0;
  for (stazione_disegnata s : stazioni(l)) {
    if (s.metro < 0 || s.metro > fine_x) continue;
    s.nome = accorcia(s.nome, kNomeMassimo);
    nome_piu_lungo = std::max(nome_piu_lungo, larghezza_testo(s.nome, 12, true));
    elenco.push_back(s);
  }
  // The names stand upright over the profile, as tall as the longest needs.
  const int kBassoNomi = 66 + static_cast<int>(std::ceil(nome_piu_lungo));
  const int kAltoAlt = kBassoNomi + 26, kBassoAlt = kAltoAlt + 260, kAltoVel = kBassoAlt + 60,
            kBassoVel = kAltoVel + 170, H = kBassoVel + 72;
  std::string svg = apri_svg(W, H, titolo);
  posatore testi({0, 0, static_cast<double>(W), static_cast<double>(H)});
  etichetta t = kTitolo;
  t.testo = titolo;
  testi.occupa(scatola(t, 20, 30));

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

  auto PX = [&](double metri) { return kSinistra + metri / fine_x * (W - kSinistra - kDestra); };
  auto X = [&](double metri) { return n1(PX(metri)); };
  auto PYA = [&](double h) { return kBassoAlt - (h - a0) / std::max(a1 - a0, 1.0) * (kBassoAlt - kAltoAlt); };
  auto PYV = [&](double v) { return kBassoVel - v / v1 * (kBassoVel - kAltoVel); };
  auto YA = [&](double h) { return n1(PYA(h)); };
  auto YV = [&](double v) { return n1(PYV(v)); };
  auto riga = [](const std::string& x1, const std::string& y1, const std::string& x2, const std::string& y2,
                 const std::string& stile) {
    return "<line x1=\"" + x1 + "\" y1=\"" + y1 + "\" x2=\"" + x2 + "\" y2=\"" + y2 + "\" " + stile + "/>\n";
  };
  const std::string sx = std::to_string(kSinistra), dx = std::to_string(W - kDestra);

  etichetta sotto{"brown: height built up from the gradients (per mille), m above the start; red: speed limit, km/h",
                  12, false, "#6d4c41"};
  svg += testi.posa_qui(sotto, 20, 52);
  for (int i = 0; i <= passi(a1 - a0, passo_alt); ++i) {
    const double h = a0 + i * passo_alt;
    const etichetta e{breve(h)};
    svg += riga(sx, YA(h), dx, YA(h), "stroke=\"#e0e0e0\"") +
           testi.posa_qui(e, kSinistra - 6 - larghezza(e), PYA(h) + 4);
  }
  svg += testi.posa_qui({"speed limit, km/h", 12, true, "#c62828"}, kSinistra + 4, kAltoVel - 8);
  for (int i = 0; i <= passi(v1, passo_v); ++i) {
    const double v = i * passo_v;
    const etichetta e{std::to_string(static_cast<int>(v))};
    svg += riga(sx, YV(v), dx, YV(v), "stroke=\"#e0e0e0\"") +
           testi.posa_qui(e, kSinistra - 6 - larghezza(e), PYV(v) + 4);
  }

  // Kilometres as the line numbers them; where the count changes, the
  // kilometre it reaches and the one it goes on from.
  const etichetta didascalia{"km, as the line numbers them"};
  svg += testi.posa_qui(didascalia, W - kDestra - larghezza(didascalia), kBassoVel + 62);
  for (const cambio_numerazione& c : cambi_numerazione(l.stazioni, L)) {
    const std::string x = X(c.metro);
    svg += riga(x, YA(a1), x, std::to_string(kBassoVel + 4), "stroke=\"" + std::string(kColoreCambio) + "\" stroke-width=\"1.5\"");
    const etichetta e{chilometri(c.prima) + " | " + chilometri(c.dopo), 12, true, "#e65100"};
    for (int riga_testo = 0; riga_testo < 2; ++riga_testo) {
      const std::string t = testi.posa_qui(e, PX(c.metro) - larghezza(e) / 2, kBassoVel + 22 + 17 * riga_testo);
      if (!t.empty()) {
        svg += t;
        break;
      }
    }
  }
  const int64_t passo_km = std::max<int64_t>(1, std::llround(passo_tondo(fine_x / 1000.0, 20) * 1000));
  for (const tacca& t : tacche(l.stazioni, static_cast<int32_t>(std::min<double>(fine_x, INT32_MAX - 1)), passo_km)) {
    const std::string x = X(t.metro);
    svg += riga(x, YA(a1), x, YA(a0), "stroke=\"#f0f0f0\"") + riga(x, YV(v1), x, YV(0), "stroke=\"#f0f0f0\"");
    const etichetta e{chilometri(t.numerati)};
    svg += testi.posa_qui(e, PX(t.metro) - larghezza(e) / 2, kBassoVel + 22);
  }

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

  // Each name upright above its station, moved aside where stations stand
  // close, with a leader from the station's line.
  std::vector<double> posti;
  for (const stazione_disegnata& s : elenco) posti.push_back(PX(s.metro));
  const std::vector<double> nomi = sparpaglia(posti, kPassoNomi, kSinistra - 6.0, W - 8.0);
  for (size_t i = 0; i < elenco.size(); ++i) {
    const std::string xs = X(elenco[i].metro), xn = n1(nomi[i]);
    const std::string stile = "stroke=\"#1565c0\" stroke-dasharray=\"4 4\"";
    svg += riga(xs, std::to_string(kAltoAlt), xs, YV(0), stile);
    svg += "<polyline fill=\"none\" stroke=\"#1565c0\" stroke-width=\"0.8\" points=\"" + xs + "," +
           std::to_string(kAltoAlt) + " " + xs + "," + std::to_string(kAltoAlt - 6) + " " + xn + "," +
           std::to_string(kBassoNomi + 6) + "\"/>\n";
    // Turned a quarter left about its start, the text's box runs from
    // kSopra of the size left of x to kSotto right of it.
    const double x = nomi[i] + (kSopra - kSotto) * 12 / 2;
    const etichetta e{elenco[i].nome, 12, true, "#1565c0"};
    svg += testo_svg(e, x, kBassoNomi, " transform=\"rotate(-90 " + n1(x) + " " + std::to_string(kBassoNomi) + ")\"");
  }
  return svg + chiudi_svg();
}

}  // namespace valdoro

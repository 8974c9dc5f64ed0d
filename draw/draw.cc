#include "draw/draw.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_set>

#include "output/decodifica.h"
#include "draw/etichette.h"
#include "util/cp1252.h"

namespace valdoro {

namespace {

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
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += ch;
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

// 1, 2 or 5 times a power of ten, the greatest not above `v`.
double tondo_sotto(double v) {
  const double scala = std::pow(10.0, std::floor(std::log10(v)));
  for (double f : {5.0, 2.0}) {
    if (f * scala <= v) return f * scala;
  }
  return scala;
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

// ---- Texts

// Advance widths of DejaVu Sans, the pictures' first font, in 2048ths of
// the font size, for the characters 32 to 126.
constexpr int16_t kAvanzamenti[95] = {
    651,  821,  942,  1716, 1303, 1946, 1597, 563,  799,  799,  1024, 1716, 651,  739,  651,  690,  1303, 1303, 1303,
    1303, 1303, 1303, 1303, 1303, 1303, 1303, 690,  690,  1716, 1716, 1716, 1087, 2048, 1401, 1405, 1430, 1577, 1294,
    1178, 1587, 1540, 604,  604,  1343, 1141, 1767, 1532, 1612, 1235, 1612, 1423, 1300, 1251, 1499, 1401, 2025, 1403,
    1251, 1403, 799,  690,  799,  1716, 1024, 1024, 1255, 1300, 1126, 1300, 1260, 721,  1300, 1298, 569,  569,  1186,
    569,  1995, 1298, 1253, 1300, 1300, 842,  1067, 803,  1298, 1212, 1675, 1212, 1212, 1075, 1303, 690,  1303, 1716};

// Of a character by its first byte; the continuation bytes of UTF-8 take none.
double larghezza_carattere(unsigned char c, double corpo, bool grassetto) {
  if ((c & 0xC0) == 0x80) return 0;
  const double unita = (c >= 32 && c < 127) ? kAvanzamenti[c - 32] : 2048;
  // A little more than the font takes: the bold face is wider, and another
  // sans font may stand in for it.
  return unita / 2048 * corpo * (grassetto ? 1.14 : 1.0) * 1.05;
}

double larghezza_testo(const std::string& utf8, double corpo, bool grassetto) {
  double w = 0;
  for (char ch : utf8) w += larghezza_carattere(static_cast<unsigned char>(ch), corpo, grassetto);
  return w;
}

// A text cut to fit `massimo` pixels, marked with an ellipsis; measured
// once, a character at a time.
std::string accorcia(const std::string& testo, double corpo, bool grassetto, double massimo) {
  const std::string puntini = "\xE2\x80\xA6";
  const double spazio = massimo - larghezza_testo(puntini, corpo, grassetto);
  double w = 0;
  size_t taglio = 0;
  for (size_t i = 0; i < testo.size(); ++i) {
    const auto c = static_cast<unsigned char>(testo[i]);
    if ((c & 0xC0) != 0x80 && w <= spazio) taglio = i;
    w += larghezza_carattere(c, corpo, grassetto);
  }
  if (w <= massimo) return testo;
  if (w <= spazio) taglio = testo.size();
  return testo.substr(0, taglio) + puntini;
}

// Above and below the baseline, as a browser boxes a text of the font.
constexpr double kSopra = 0.93, kSotto = 0.24;

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

// A name from the files, as the pictures show it: no longer than `massimo`
// pixels in bold.  Only its first characters are read: no more of them fit.
std::string nome_visibile(const std::string& cp1252, double massimo) {
  constexpr size_t kCaratteriMassimi = 256;
  return accorcia(testo_leggibile(cp1252.substr(0, kCaratteriMassimi)), 12, true, massimo);
}

// ---- Elements

// One SVG element, its attributes in the order given.
class elemento {
 public:
  explicit elemento(const char* nome) : nome_(nome), s_(std::string("<") + nome) {}
  elemento& operator()(const char* attributo, const std::string& valore) {
    s_ += std::string(" ") + attributo + "=\"" + valore + "\"";
    return *this;
  }
  elemento& operator()(const char* attributo, const char* valore) { return (*this)(attributo, std::string(valore)); }
  elemento& operator()(const char* attributo, double valore) { return (*this)(attributo, n1(valore)); }
  elemento& operator()(const char* attributo, int valore) { return (*this)(attributo, std::to_string(valore)); }
  elemento& operator()(const char* attributo, int64_t valore) { return (*this)(attributo, std::to_string(valore)); }
  // Attributes written out already, such as an identity.
  elemento& piu(const std::string& attributi) {
    s_ += attributi;
    return *this;
  }
  std::string vuoto() const { return s_ + "/>\n"; }
  std::string apri() const { return s_ + ">\n"; }
  std::string con(const std::string& dentro) const { return s_ + ">" + dentro + "</" + nome_ + ">\n"; }

 private:
  const char* nome_;
  std::string s_;
};

// What a drawn object is, for a page that points at it: its kind and the
// station-table row, or the cell and the metres it covers.
std::string identita(const char* tipo, int riga) {
  return std::string(" data-kind=\"") + tipo + "\" data-row=\"" + std::to_string(riga) + "\"";
}
std::string identita(const char* tipo, int64_t cella, int64_t da, int64_t a) {
  std::string s = std::string(" data-kind=\"") + tipo + "\"";
  if (cella >= 0) s += " data-cell=\"" + std::to_string(cella) + "\"";
  return s + " data-from=\"" + std::to_string(da) + "\" data-to=\"" + std::to_string(a) + "\"";
}

std::string testo_svg(const etichetta& e, double x, double y, const std::string& altro = "") {
  elemento t("text");
  t("x", x)("y", y);
  if (e.corpo != 12) t("font-size", breve(e.corpo));
  if (e.grassetto) t("font-weight", "bold");
  return t("fill", e.colore).piu(altro).con(xml(e.testo));
}

std::string riga(double x1, double y1, double x2, double y2, const std::string& stile) {
  return elemento("line")("x1", x1)("y1", y1)("x2", x2)("y2", y2).piu(" " + stile).vuoto();
}

// A text at the place the layout gave it, with its leader.
std::string testo_posato(const etichetta& e, const posto& p, const std::string& altro = "",
                         const std::string& altro_guida = "") {
  std::string s;
  if (p.con_guida) {
    // To the text itself, a pixel inside the box the layout keeps round it.
    const double x = std::clamp(p.guida_a.x, p.scatola.x0 + 1, p.scatola.x1 - 1);
    const double y = std::clamp(p.guida_a.y, p.scatola.y0 + 1, p.scatola.y1 - 1);
    s += riga(p.guida_da.x, p.guida_da.y, x, y,
              "class=\"leader\" stroke=\"#78909c\" stroke-width=\"0.8\"" + altro_guida);
  }
  // Held to the side that faces the point: the font may run narrower
  // than measured, and the text should still meet its leader.
  const double y = p.scatola.y0 + 1 + kSopra * e.corpo;
  if (p.guida_da.x >= p.scatola.x1) return s + testo_svg(e, p.scatola.x1 - 1, y, altro + " text-anchor=\"end\"");
  if (p.guida_da.x > p.scatola.x0) {
    return s + testo_svg(e, (p.scatola.x0 + p.scatola.x1) / 2, y, altro + " text-anchor=\"middle\"");
  }
  return s + testo_svg(e, p.scatola.x0 + 1, y, altro);
}

// A text near a point, if the layout finds it a place; "" if not.
std::string posa_testo(posatore& testi, const etichetta& e, punto p, int proprio, size_t anelli,
                       const std::string& altro = "", const std::string& altro_guida = "") {
  posto dove;
  if (!testi.posa(larghezza(e) + 2, altezza(e) + 2, p, proprio, &dove, anelli)) return "";
  return testo_posato(e, dove, altro, altro_guida);
}

// A text at a fixed place, if it is free there; "" if not.
std::string posa_qui(posatore& testi, const etichetta& e, double x, double y, const std::string& altro = "") {
  return testi.prendi(scatola(e, x, y)) ? testo_svg(e, x, y, altro) : "";
}

// ---- What the files hold

constexpr int kPrimaRigaStazioni = 1;

struct stazione_disegnata {
  int riga;
  int32_t metro;
  std::string nome;  // UTF-8, cut to fit
};

// Rows 1 to 80 that carry a number: a sign-board text row carries only its name.
std::vector<stazione_disegnata> stazioni(const linea_costruita& l, double nome_massimo) {
  std::vector<stazione_disegnata> out;
  for (int r = kPrimaRigaStazioni; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = l.stazioni[r];
    if (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) {
      out.push_back({r, s.progressiva, nome_visibile(s.nome, nome_massimo)});
    }
  }
  return out;
}

int32_t ultima_cella_percorso(const linea_costruita& l) {
  const int32_t ultima = static_cast<int32_t>(l.celle.size()) - 1;
  return std::min(ultima, std::max(0, lunghezza_percorso(l)) / kMetriCella);
}

// An object stands in the cell after the one its position rounds to.
int32_t metro_oggetto(int32_t cella) { return std::max(0, cella - 1) * kMetriCella; }

constexpr uint8_t kSegnale = 1, kFineRallentamento = 2, kInizioRallentamento = 3, kCartelloVelocita = 6,
                  kCartelloIndicatore = 14;

struct tratto {
  int32_t da, a;  // metres
  int tipo;
  std::string nome;  // from the sign board that names it, if one does
};

// Runs of cells under the same mountain kind, within the route, with runs
// that `vicini` finds less than a pixel apart taken as one: a picture shows
// no more of them than it has pixels for.
template <typename F>
std::vector<tratto> montagne(const linea_costruita& l, F vicini) {
  std::vector<tratto> out;
  for (int32_t k = 0; k <= ultima_cella_percorso(l); ++k) {
    const int tipo = l.celle[k].montagna;
    if (tipo == 0) continue;
    const int32_t da = k * kMetriCella;
    // A run joins the span before it across a gap too small to see; one of
    // another kind only while that span is itself too small to see.
    const bool unisci = !out.empty() && (out.back().a == da || vicini(out.back().a, da)) &&
                        (out.back().tipo == tipo || vicini(out.back().da, out.back().a));
    if (unisci) {
      out.back().a = da + kMetriCella;
    } else {
      out.push_back({da, da + kMetriCella, tipo, ""});
    }
  }
  return out;
}

// A sign board's text as a name: its lines (the groups in parentheses)
// side by side, "(Galleria)(Sassoscuro)" read as "Galleria Sassoscuro".  A
// board with figures on it is a kilometre stone, and names nothing.
std::string testo_cartello(const std::string& cp1252) {
  std::string out, parola;
  for (char ch : cp1252.substr(0, 256)) {
    if (ch >= '0' && ch <= '9') return "";
    if (ch == '(' || ch == ')' || ch == ' ') {
      if (!parola.empty()) out += (out.empty() ? "" : " ") + parola;
      parola.clear();
    } else {
      parola += ch;
    }
  }
  if (!parola.empty()) out += (out.empty() ? "" : " ") + parola;
  return testo_leggibile(out);
}

// A mountain span takes its name from a sign board at its mouth: the first
// one from 300 m before its start to its end.
void nomina_montagne(const linea_costruita& l, std::vector<tratto>& spans) {
  constexpr int32_t kPrimaDellImbocco = 300;
  const int32_t ultima = ultima_cella_percorso(l);
  for (tratto& t : spans) {
    const int32_t da = std::max(1, (t.da - kPrimaDellImbocco) / kMetriCella + 1);
    const int32_t a = std::min(ultima, t.a / kMetriCella + 1);
    for (int32_t k = da; k <= a && t.nome.empty(); ++k) {
      const cella& c = l.celle[k];
      if (c.tipo == kCartelloIndicatore && c.valore1 >= kPrimaRigaStazioni && c.valore1 <= kPrimaRigaCartelli) {
        t.nome = testo_cartello(l.stazioni[c.valore1].nome);
      }
    }
  }
}

const char* colore_montagna(int tipo) {
  switch (tipo) {
    case 1:
      return "#8d6e63";
    case 2:
      return "#5c6bc0";
    case 3:
      return "#26a69a";
    default:
      return "#9e9e9e";
  }
}

// The simulator's mountain kinds: a span of kind 1 is a tunnel, of kind 2 a
// summit; the compiler gives kind 3 to a span that starts 150 m or less
// after the one before it.
std::string nome_montagna(int tipo) {
  switch (tipo) {
    case 1:
      return "tunnel";
    case 2:
      return "summit";
    case 3:
      return "tunnel or summit close behind another";
    default:
      return "mountain span of kind " + std::to_string(tipo);
  }
}

const etichetta kTitolo{"", 18, true};
const etichetta kSottotitolo{"", 12, false, "#555"};
constexpr double kTitoloMassimo = 900;  // pixels

std::string apri_svg(int larghezza, int altezza, const std::string& titolo, const char* quale) {
  const std::string w = std::to_string(larghezza), h = std::to_string(altezza);
  etichetta t = kTitolo;
  t.testo = accorcia(titolo, t.corpo, true, kTitoloMassimo);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
         elemento("svg")("xmlns", "http://www.w3.org/2000/svg")("width", w)("height", h)(
             "viewBox", "0 0 " + w + " " + h)("font-family", "DejaVu Sans, Arial, sans-serif")("font-size", "12")(
             "data-picture", quale)
             .apri() +
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" + testo_svg(t, 20, 30);
}

std::string chiudi_svg() { return "</svg>\n"; }

// Titles come from rows 85 and 86.
std::string nome_scenario(const linea_costruita& l) {
  std::string s = nome_visibile(l.stazioni[kRigaLinea].nome, kTitoloMassimo);
  if (!l.stazioni[kRigaTreno].nome.empty())
    s += " \xE2\x80\x94 " + nome_visibile(l.stazioni[kRigaTreno].nome, kTitoloMassimo);
  return s;
}

std::string lunghezza_km(int32_t metri) { return chilometri(metri) + " km"; }

// ---- The plan

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

constexpr char kColoreCambio[] = "#ff8f00";
constexpr char kColoreStazione[] = "#1565c0";
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
    const std::string cosa =
        "metre " + std::to_string(metro) + ": " + (coordinata == 0 ? "x" : "y") + " is " + numero_grezzo(v.valore);
    const errore_decodifica e(
        byte, std::isfinite(v.valore) ? cosa + ", beyond the 10000 km a plan can reach" : cosa + ", not a coordinate");
    if (coordinata == 0) throw e;
    if (!primo_y) primo_y = e;
  });
  if (primo_y) throw *primo_y;
  return p;
}

profilo decodifica_pianta(std::string_view dati) { return decodifica_pianta(apri_in_memoria(dati)); }

std::string svg_pianta(const linea_costruita& l) {
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
double salita(const cella& c) { return (c.pendenza - 100) * kMetriCella / 1000.0; }

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
    const double y = s.yv(l.celle[k].velocita * 5);
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
    const int p = l.celle[da].pendenza - 100;
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

std::string svg_altimetria_vuota(const linea_costruita& l, const std::string& titolo) {
  return apri_svg(kLarghezzaMassima, 200, titolo, "gradient") + "<text x=\"20\" y=\"80\">" +
         (l.celle.empty() ? "The track is empty." : "The station table gives no route length.") + "</text>\n" +
         chiudi_svg();
}

}  // namespace

std::string svg_altimetria(const linea_costruita& l) {
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
    vmax = std::max(vmax, l.celle[k].velocita * 5);
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
                   "orange: slowdowns",
                   12, false, "#6d4c41"},
                  20, 52);
  svg += assi_altezza_e_velocita(s, passo_alt, passo_v, testi);
  svg += assi_chilometri_e_metri(l, s, L, testi);
  const std::string curva = curva_altezza(l, ultima, s, testi);
  svg += gallerie_altimetria(l, s, testi) + curva;
  svg += fascia_pendenze(l, ultima, s);
  svg += oggetti_velocita(l, ultima, s);
  svg += gradini_velocita(l, ultima, s);
  svg += nomi_altimetria(elenco, s, basso_nomi);
  return svg + chiudi_svg();
}

}  // namespace valdoro

#include "draw/elemento.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "util/cp1252.h"

namespace valdoro {
namespace disegno {

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

// ---- Texts

namespace {

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

}  // namespace

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

std::string testo_svg(const etichetta& e, double x, double y, const std::string& altro) {
  elemento t("text");
  t("x", x)("y", y);
  if (e.corpo != 12) t("font-size", breve(e.corpo));
  if (e.grassetto) t("font-weight", "bold");
  return t("fill", e.colore).piu(altro).con(xml(e.testo));
}

std::string riga(double x1, double y1, double x2, double y2, const std::string& stile) {
  return elemento("line")("x1", x1)("y1", y1)("x2", x2)("y2", y2).piu(" " + stile).vuoto();
}

namespace {

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

}  // namespace

// A text near a point, if the layout finds it a place; "" if not.
std::string posa_testo(posatore& testi, const etichetta& e, punto p, int proprio, size_t anelli,
                       const std::string& altro, const std::string& altro_guida) {
  posto dove;
  if (!testi.posa(larghezza(e) + 2, altezza(e) + 2, p, proprio, &dove, anelli)) return "";
  return testo_posato(e, dove, altro, altro_guida);
}

// A text at a fixed place, if it is free there; "" if not.
std::string posa_qui(posatore& testi, const etichetta& e, double x, double y, const std::string& altro) {
  return testi.prendi(scatola(e, x, y)) ? testo_svg(e, x, y, altro) : "";
}

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

}  // namespace disegno
}  // namespace valdoro

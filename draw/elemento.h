// What every picture is built of: numbers and names as SVG text, how wide
// a text comes out in the pictures' font, one element with its attributes,
// texts placed where the layout finds room, and the picture's frame.  For
// the plan and the gradient profile alike.
#ifndef VALDORO_DRAW_ELEMENTO_H_
#define VALDORO_DRAW_ELEMENTO_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "draw/etichette.h"

namespace valdoro {
namespace disegno {

// ---- Numbers

// Fixed one-decimal numbers, the same in every locale.
std::string n1(double v);

// The shortest decimal text of v: 400 rather than 400.0, 0.5 as it is.
std::string breve(double v);

// A coordinate as the message about it shows it: "nan", "inf", "1e+300".
std::string numero_grezzo(double v);

// 1, 2 or 5 times a power of ten, so that `ampiezza` holds about `quanti` steps.
double passo_tondo(double ampiezza, int quanti);

// 1, 2 or 5 times a power of ten, the greatest not above `v`.
double tondo_sotto(double v);

// How many whole steps fit in `ampiezza`, counted so that a sum of steps
// does not fall just short of the end by rounding.
int passi(double ampiezza, double passo);

// ---- Texts

// A name from the files as UTF-8 text without controls (XML allows none).
std::string testo_leggibile(const std::string& cp1252);

std::string xml(const std::string& utf8);

// In pixels at font size `corpo`, a little more than the font takes.
double larghezza_testo(const std::string& utf8, double corpo, bool grassetto);

// A text cut to fit `massimo` pixels, marked with an ellipsis; measured
// once, a character at a time.
std::string accorcia(const std::string& testo, double corpo, bool grassetto, double massimo);

// Above and below the baseline, as a browser boxes a text of the font.
constexpr double kSopra = 0.93, kSotto = 0.24;

struct etichetta {
  std::string testo;  // UTF-8
  double corpo = 12;
  bool grassetto = false;
  std::string colore = "#222";
};

double larghezza(const etichetta& e);
double altezza(const etichetta& e);

// The box of a text starting at x with its baseline at y, a pixel around.
riquadro scatola(const etichetta& e, double x, double y);

// A name from the files, as the pictures show it: no longer than `massimo`
// pixels in bold.  Only its first characters are read: no more of them fit.
std::string nome_visibile(const std::string& cp1252, double massimo);

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
std::string identita(const char* tipo, int riga);
std::string identita(const char* tipo, int64_t cella, int64_t da, int64_t a);

// `altro`: attributes written out already, after the text's own.
std::string testo_svg(const etichetta& e, double x, double y, const std::string& altro = "");

std::string riga(double x1, double y1, double x2, double y2, const std::string& stile);

// A text near a point, if the layout finds it a place; "" if not.
std::string posa_testo(posatore& testi, const etichetta& e, punto p, int proprio, size_t anelli,
                       const std::string& altro = "", const std::string& altro_guida = "");

// A text at a fixed place, if it is free there; "" if not.
std::string posa_qui(posatore& testi, const etichetta& e, double x, double y, const std::string& altro = "");

// ---- The frame

inline const etichetta kTitolo{"", 18, true};
constexpr double kTitoloMassimo = 900;  // pixels

// The <svg> element with its data-picture, a white ground and the title.
std::string apri_svg(int larghezza, int altezza, const std::string& titolo, const char* quale);
std::string chiudi_svg();

}  // namespace disegno
}  // namespace valdoro

#endif  // VALDORO_DRAW_ELEMENTO_H_

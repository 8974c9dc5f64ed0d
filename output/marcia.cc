#include "output/marcia.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace valdoro {

namespace {

constexpr double kG = 9.81;
// Where nothing limits the speed, the limits alone would give no time at
// all; no train of this simulator runs faster than this.
constexpr double kSenzaLimite = 300;  // km/h
// The braking curve never flattens to nothing, even on a descent steeper
// than the brakes can hold at full force.
constexpr double kFrenataMinima = 0.05;  // m/s²

double ms(double kmh) { return kmh / 3.6; }

// The board's speed for the rank: the left board's (the train's own track
// runs on the left), the right one's where the left is empty.  The stored
// value is the left speed times 20 plus the right speed divided by 5.
double velocita_cartello(int16_t valore) {
  const int v = valore;
  if (v / 20 > 0) return v / 20;
  return (v % 20) * 5;
}

int16_t valore_per_rango(const cella& c, char rango) {
  if (rango == 'A') return c.valore1;
  if (rango == 'C') return c.valore3;
  return c.valore2;
}

double limite_o_nessuno(double v) { return v > 0 ? v : kSenzaLimite; }

}  // namespace

figure_treno figure_per_categoria(const std::string& designazione) {
  const std::string categoria = designazione.substr(0, designazione.find(' '));
  figure_treno f;
  if (categoria == "R" || categoria == "Reg") {
    // A light multiple unit or a small locomotive with few coaches.
    f.potenza = 2000;
    f.forza = 150;
    f.massa_locomotiva = 70;
    f.rango = 'A';
  } else if (categoria == "IC" || categoria == "Ex") {
    f.potenza = 5000;
    f.forza = 250;
  }
  return f;
}

const std::vector<figura_treno>& figure_del_treno() {
  static const std::vector<figura_treno> t = {
      {"power", "potenza", "power at the rail, kW", true, &figure_treno::potenza},
      {"effort", "sforzo", "starting tractive effort, kN", true, &figure_treno::forza},
      {"loco-mass", "massa locomotiva", "locomotive mass, t", false, &figure_treno::massa_locomotiva},
      {"coach-mass", "massa vettura", "mass of one coach, loaded, t", false, &figure_treno::massa_vettura},
      {"loco-length", "lunghezza locomotiva", "locomotive length, m", false, &figure_treno::lunghezza_locomotiva},
      {"coach-length", "lunghezza vettura", "length of one coach over buffers, m", false,
       &figure_treno::lunghezza_vettura},
      {"davis-a", "davis a", "Davis A, N/t", false, &figure_treno::davis_a},
      {"davis-b", "davis b", "Davis B, N/t per m/s", false, &figure_treno::davis_b},
      {"davis-c", "davis c", "Davis C, N/t per (m/s)\u00B2", false, &figure_treno::davis_c},
      {"rotating", "masse rotanti", "rotating masses' share of the mass", false, &figure_treno::masse_rotanti},
      // The brake-kind coefficient divides the stopping distance.
      {"psi", "psi", "Minden formula's brake-kind coefficient \u03C8", true, &figure_treno::psi},
      {"rank", "rango cartelli", "rank of the speed boards that apply", false, nullptr},
  };
  return t;
}

std::string forma_figura(const figura_treno& d) {
  if (d.membro == nullptr) return "A, B or C";
  return d.sopra_zero ? "a number above 0" : "a number of 0 or more";
}

std::optional<std::string> imposta_figura(figure_treno& f, const figura_treno& d, const std::string& valore) {
  const std::string sbaglio = "\"" + valore + "\" must be " + forma_figura(d);
  if (d.membro == nullptr) {
    if (valore != "A" && valore != "B" && valore != "C") return sbaglio;
    f.rango = valore[0];
    return std::nullopt;
  }
  char* resto = nullptr;
  const double x = std::strtod(valore.c_str(), &resto);
  if (valore.empty() || *resto != '\0' || !std::isfinite(x) || x < 0 || (d.sopra_zero && x == 0)) return sbaglio;
  f.*d.membro = x;
  return std::nullopt;
}

std::optional<std::string> imposta_figure(figure_treno& f, const std::string& testo) {
  size_t inizio = 0;
  while (inizio <= testo.size()) {
    size_t fine = testo.find(',', inizio);
    if (fine == std::string::npos) fine = testo.size();
    const std::string voce = testo.substr(inizio, fine - inizio);
    const size_t uguale = voce.find('=');
    if (uguale == std::string::npos) return "\"" + voce + "\" is not name=value";
    const std::string nome = voce.substr(0, uguale);
    const auto d = std::find_if(figure_del_treno().begin(), figure_del_treno().end(),
                                [&nome](const figura_treno& x) { return nome == x.nome; });
    if (d == figure_del_treno().end()) return "no train figure is called \"" + nome + "\"";
    if (auto sbaglio = imposta_figura(f, *d, voce.substr(uguale + 1))) return nome + ": " + *sbaglio;
    inizio = fine + 1;
  }
  return std::nullopt;
}

opzioni_orario orario_per(const std::string& designazione, const figure_scritte& dai_fatti,
                          const std::string& da_opzione) {
  opzioni_orario r{figure_per_categoria(designazione), !dai_fatti.empty() || !da_opzione.empty()};
  // The facts file's were checked as it was read: a figure that was not
  // good is not among them.
  for (const auto& [nome, valore] : dai_fatti) {
    for (const figura_treno& d : figure_del_treno()) {
      if (nome == d.nome) imposta_figura(r.figure, d, valore);
    }
  }
  if (!da_opzione.empty()) {
    if (const std::optional<std::string> sbaglio = imposta_figure(r.figure, da_opzione)) {
      throw std::invalid_argument(*sbaglio);
    }
  }
  return r;
}

double decelerazione(int32_t massa_frenata, double psi, double pendenza) {
  // s = 3.85 V² / D with V in km/h is s = v² / (2 b) with v in m/s, so
  // b = D / (2 × 3.6² × 3.85).
  const double d = 6.1 * psi * (1 + massa_frenata / 10.0) + pendenza;
  return std::max(kFrenataMinima, d / (2 * 3.6 * 3.6 * 3.85));
}

linea_marcia linea_da_scenario(const scenario& s, char rango) { return linea_da_celle(s.celle, rango); }

linea_marcia linea_da_celle(const std::vector<cella>& celle, char rango) {
  linea_marcia l;
  const size_t n = celle.size();
  l.limite.assign(n, 0);
  l.pendenza.assign(n, 0);
  double cartello = 0, rallentamento = 0;
  for (size_t k = 0; k < n; ++k) {
    const cella& c = celle[k];
    // A board, a slowdown's start and its end stand in the cell after the
    // one that holds their position: each rules from that earlier cell on.
    const cella* dopo = k + 1 < n ? &celle[k + 1] : nullptr;
    if (dopo && dopo->tipo == 6) cartello = velocita_cartello(valore_per_rango(*dopo, rango));
    if (dopo && dopo->tipo == 3) rallentamento = dopo->valore1;
    if (dopo && dopo->tipo == 2) rallentamento = 0;
    double v = limite_o_nessuno(c.velocita * static_cast<double>(kPassoVelocita));
    if (cartello > 0) v = std::min(v, cartello);
    if (rallentamento > 0) v = std::min(v, rallentamento);
    l.limite[k] = v;
    l.pendenza[k] = static_cast<int>(c.pendenza) - kScartoPendenza;
  }
  return l;
}

double treno_marcia::massa() const { return figure.massa_locomotiva + vetture * figure.massa_vettura; }

double treno_marcia::lunghezza() const { return figure.lunghezza_locomotiva + vetture * figure.lunghezza_vettura; }

namespace {

size_t cella_di(const linea_marcia& l, double metro) {
  const double k = std::floor(metro / kMetriCella);
  if (k < 0) return 0;
  return std::min(static_cast<size_t>(k), l.limite.size() - 1);
}

// The cells under the train, from its tail's to its front's, as the
// front stands at metre i of the run.
struct sotto_il_treno {
  const linea_marcia& l;
  double lunghezza;
  int32_t da;
  size_t coda, testa;

  double fronte(size_t i) const { return da + static_cast<double>(i); }
  bool testa_avanza(size_t i) const {
    return testa + 1 < l.limite.size() && fronte(i) >= kMetriCella * static_cast<double>(testa + 1);
  }
  bool coda_avanza(size_t i) const {
    return coda < testa && fronte(i) - lunghezza >= kMetriCella * static_cast<double>(coda + 1);
  }
  // The first metre after i where an end enters a new cell; `fine` if none
  // does before it.  The tail's is found near where the length puts it and
  // then by the same test as it is moved by, to the metre.
  size_t prossimo_cambio(size_t i, size_t fine) const {
    size_t j = fine;
    if (testa + 1 < l.limite.size()) {
      const int64_t metro = int64_t{kMetriCella} * static_cast<int64_t>(testa + 1) - da;
      j = std::min<int64_t>(j, std::max<int64_t>(static_cast<int64_t>(i) + 1, metro));
    }
    if (coda < testa) {
      const double stima = std::ceil(kMetriCella * static_cast<double>(coda + 1) + lunghezza - da);
      size_t c = static_cast<size_t>(std::clamp(stima, static_cast<double>(i + 1), static_cast<double>(fine)));
      while (c > i + 1 && coda_avanza(c - 1)) --c;
      while (c < fine && !coda_avanza(c)) ++c;
      j = std::min(j, c);
    }
    return j;
  }
};

// A stretch of the run over which the limit under the train is one: from
// metre `inizio` of the run to the next stretch's.
struct tratto_limite {
  size_t inizio;
  double v;  // m/s
  // One past the last metre from `inizio` on where the braking curve is
  // the limit, before it bends down to a stop or a lower limit ahead.
  size_t fine_piatto = 0;
};

// The limit for the front along the run: the lowest limit under any part
// of the train, since a limit holds until the last vehicle has passed it.
// It changes only where an end of the train enters a new cell: it is
// worked out there and holds to the next such metre.
std::vector<tratto_limite> limiti_sotto_il_treno(const linea_marcia& l, double lunghezza, int32_t da, int32_t a) {
  std::vector<tratto_limite> r;
  const size_t metri = static_cast<size_t>(a - da) + 1;
  sotto_il_treno t{l, lunghezza, da, cella_di(l, da - lunghezza), cella_di(l, da)};
  for (size_t i = 0; i < metri; i = t.prossimo_cambio(i, metri)) {
    while (t.testa_avanza(i)) t.testa++;
    while (t.coda_avanza(i)) t.coda++;
    r.push_back({i, ms(*std::min_element(l.limite.begin() + static_cast<std::ptrdiff_t>(t.coda),
                                         l.limite.begin() + static_cast<std::ptrdiff_t>(t.testa) + 1))});
  }
  return r;
}

// The train's figures folded into accelerations, once per run: the
// integration divides only by the speed.
struct dinamica {
  double forza, potenza;  // per unit of effective mass: m/s², m²/s³
  double a, b, c;         // the Davis terms likewise
  explicit dinamica(const treno_marcia& t) {
    const figure_treno& f = t.figure;
    const double m = t.massa() * 1000 * (1 + f.masse_rotanti);  // kg
    forza = f.forza * 1000 / m;
    potenza = f.potenza * 1000 / m;
    const double per_tonnellata = t.massa() / m;
    a = f.davis_a * per_tonnellata;
    b = f.davis_b * per_tonnellata;
    c = f.davis_c * per_tonnellata;
  }
  // Net acceleration with full traction at speed v, before the gradient.
  // Well below the speed where the power takes over, the effort is the
  // smaller for certain: no division holds up the step.
  double accelerazione(double v) const { return accelerazione(v, v * v); }
  // The same from the speed and its square.  Where the power rules, P / v
  // is taken as (P / v²) v: the division can start from the square while
  // the root is still being taken, and only a product waits on the root.
  double accelerazione(double v, double v2) const {
    const bool sforzo = v <= 0 || v * forza <= potenza * (1 - 1e-12);
    const double trazione = sforzo ? forza : std::min(forza, potenza / v2 * v);
    return trazione - (a + b * v + c * v2);
  }
};

// For each cell from the one of `da` to the one of `a`: the gradient's pull
// back in m/s² (the gravity share of the effective mass) and the braking
// deceleration.
struct per_cella {
  std::vector<double> pendio, frenata;
  size_t prima = 0;
};

per_cella celle_della_corsa(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a) {
  per_cella r;
  r.prima = cella_di(l, da);
  const size_t ultima = cella_di(l, a);
  const double quota = t.massa() / (t.massa() * (1 + t.figure.masse_rotanti));
  for (size_t k = r.prima; k <= ultima; ++k) {
    r.pendio.push_back(kG * l.pendenza[k] / 1000 * quota);
    r.frenata.push_back(decelerazione(t.massa_frenata, t.figure.psi, l.pendenza[k]));
  }
  return r;
}

// Backwards from the stop at the end: the square of the highest speed at
// each metre from which the train can still keep every lower limit ahead
// and stop.  In squares the step is an addition: no root holds up the
// chain from one metre to the next.  Once the curve meets the limit it is
// the limit back to the start of the limit's stretch, so it is worked out
// only before a stop or a lower limit, and the rest is filled.
// Where the curve is the limit, the stretch is told how far.
std::vector<double> curva_frenatura(const per_cella& pc, std::vector<tratto_limite>& tratti, size_t metri, int32_t da) {
  std::vector<double> w2(metri);
  double dopo = w2.back() = 0;   // the square one metre on, held out of memory
  size_t k = tratti.size() - 1;  // the stretch that holds metre i
  for (size_t i = w2.size() - 1; i-- > 0;) {
    while (tratti[k].inizio > i) --k;
    const double b = pc.frenata[(static_cast<size_t>(da) + i) / kMetriCella - pc.prima];
    const double limite2 = tratti[k].v * tratti[k].v, frenata2 = dopo + 2 * b * kPassoMetri;
    if (frenata2 < limite2) {
      w2[i] = dopo = frenata2;
      continue;
    }
    const size_t inizio = tratti[k].inizio;
    std::fill(w2.begin() + static_cast<std::ptrdiff_t>(inizio), w2.begin() + static_cast<std::ptrdiff_t>(i) + 1,
              limite2);
    tratti[k].fine_piatto = i + 1;
    dopo = limite2;
    i = inizio;
  }
  return w2;
}

// Each step at the lower of the limits at its two ends: a stretch's steps
// at its own limit, the one into the next stretch at the lower of the two.
double tempo_ai_limiti(const std::vector<tratto_limite>& tratti, size_t metri) {
  double t = 0;
  for (size_t k = 0; k < tratti.size(); ++k) {
    const bool ultimo = k + 1 == tratti.size();
    const size_t fine = ultimo ? metri - 1 : tratti[k + 1].inizio;
    const double passi_dentro = static_cast<double>(fine - tratti[k].inizio - (ultimo ? 0 : 1));
    t += passi_dentro * kPassoMetri / tratti[k].v;
    if (!ultimo) t += kPassoMetri / std::min(tratti[k].v, tratti[k + 1].v);
  }
  return t;
}

// Where the run has got to: the square of the speed and the speed at the
// metre reached, the speed one metre before, and the time so far.
struct moto {
  double v2 = 0, v = 0, v_prima = 0, tempo = 0;
};

// The end of the cell of metre i, or the last metre of the run: the
// gradient and the brake are one up to it.
size_t fine_della_cella(const std::vector<double>& w2, int32_t da, size_t i) {
  const size_t fine_cella = ((static_cast<size_t>(da) + i) / kMetriCella + 1) * kMetriCella - da;
  return std::min(w2.size() - 1, fine_cella);
}

// Where the speeds of the metres run go, when they are kept; else null.
using velocita_tenute = std::vector<double>*;

// At the bound, with the pull ahead at least the resistance, each step
// ends where it began: the same speed, the same time, up to the end of
// the cell (the gradient may change) or where the bound falls.  Such a
// stretch is taken whole: its time is its length over the speed.  Returns
// the metre reached.  Over the flat of the stretches' curve at that
// speed, the stretches tell how far the bound stays at it; the bound is
// read metre by metre only beyond.
size_t a_velocita_costante(const std::vector<double>& w2, const std::vector<tratto_limite>& tratti, int32_t da,
                           size_t i, moto& m, velocita_tenute vv) {
  const size_t fine = fine_della_cella(w2, da, i);
  auto t = std::upper_bound(tratti.begin(), tratti.end(), i + 1,
                            [](size_t metro, const tratto_limite& x) { return metro < x.inizio; }) -
           1;
  size_t j = i;
  for (; j < fine && t != tratti.end() && t->v * t->v == m.v2 && j + 1 >= t->inizio && j + 1 < t->fine_piatto; ++t) {
    j = std::min(fine, t->fine_piatto - 1);
  }
  while (j < fine && w2[j + 1] == m.v2) ++j;
  m.tempo += static_cast<double>(j - i) * kPassoMetri / m.v;
  if (vv) vv->insert(vv->end(), j - i, m.v);
  return j;
}

// On the braking curve, with a pull ahead that would speed the train up,
// every step ends on the curve: each square falls by 2 b Δs, the
// deceleration is b, and the time of the steps together is the speed lost
// over b, as their sum of 2 Δs / (v₀ + v₁) is.  Taken up to the end of the
// cell (the brake may change) or where the curve stops falling by that
// much.  Returns the metre reached, i itself where the curve does not
// fall from it.
size_t lungo_la_curva(const std::vector<double>& w2, int32_t da, size_t i, double b, moto& m, velocita_tenute vv) {
  const size_t fine = fine_della_cella(w2, da, i);
  size_t j = i;
  while (j < fine && w2[j] == w2[j + 1] + 2 * b * kPassoMetri) ++j;
  if (j == i) return i;
  const double v = std::sqrt(w2[j]);
  m.tempo += (m.v - v) / b;
  m = {w2[j], v, j - i == 1 ? m.v : std::sqrt(w2[j - 1]), m.tempo};
  if (vv) {
    for (size_t k = i + 1; k < j; ++k) vv->push_back(std::sqrt(w2[k]));
    vv->push_back(v);
  }
  return j;
}

// One step from metre i at the acceleration `acc`; false where the train
// stands and cannot move.
bool passo_generale(const std::vector<double>& w2, size_t i, double acc, moto& m, velocita_tenute vv) {
  const double prossima2 = std::min(w2[i + 1], std::max(0.0, m.v2 + 2 * acc * kPassoMetri));
  const double prossima = std::sqrt(prossima2);
  if (m.v + prossima <= 0) return false;
  // Exact for a constant acceleration over the step.
  m.tempo += 2 * kPassoMetri / (m.v + prossima);
  m = {prossima2, prossima, m.v, m.tempo};
  if (vv) vv->push_back(prossima);
  return true;
}

// What one leg's run reads as it goes, fixed before its first step.
struct dati_corsa {
  int32_t da;
  size_t metri;
  std::vector<tratto_limite> tratti;
  per_cella pc;
  std::vector<double> w2;
  dinamica d;
};

dati_corsa prepara(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a) {
  const size_t metri = static_cast<size_t>(a - da) + 1;
  dati_corsa x{da, metri,      limiti_sotto_il_treno(l, t.lunghezza(), da, a), celle_della_corsa(l, t, da, a),
               {}, dinamica(t)};
  x.w2 = curva_frenatura(x.pc, x.tratti, metri, da);
  return x;
}

bool valida(const linea_marcia& l, int32_t da, int32_t a) {
  return a > da && da >= 0 && !l.limite.empty() && cella_di(l, a) == static_cast<size_t>(a / kMetriCella);
}

enum class esito_passo { avanti, arrivata, ferma };

// A leg speeding up below the bound, as the steps go: where and how fast
// the train is, held in locals, which the compiler keeps in registers.
struct in_spinta_libera {
  const dati_corsa& x;
  velocita_tenute vv;
  size_t i, fine;
  double pendio, v2, v, v_prima, v2_prima, tempo;
  // The sum of the speeds at the ends of a step whose time is still to be
  // added: two steps' times share one division.  0 for none.
  double attesa = 0;

  in_spinta_libera(const dati_corsa& d, size_t da_metro, const moto& m, velocita_tenute tenute)
      : x(d),
        vv(tenute),
        i(da_metro),
        fine(fine_della_cella(d.w2, d.da, da_metro)),
        pendio(d.pc.pendio[(static_cast<size_t>(d.da) + da_metro) / kMetriCella - d.pc.prima]),
        v2(m.v2),
        v(m.v),
        v_prima(m.v_prima),
        v2_prima(m.v_prima * m.v_prima),
        tempo(m.tempo) {}

  // One step to the next metre, if it stays within the cell and the bound
  // does not cut it, and the train moves.
  bool passo() {
    if (i >= fine) return false;
    const double prossima2 = v2 + 2 * (x.d.accelerazione(v_prima, v2_prima) - pendio) * kPassoMetri;
    if (!(prossima2 > 0) || prossima2 >= x.w2[i + 1]) return false;
    const double prossima = std::sqrt(prossima2);
    const double somma = v + prossima;
    if (attesa > 0) {
      tempo += 2 * kPassoMetri * (attesa + somma) / (attesa * somma);
      attesa = 0;
    } else {
      attesa = somma;
    }
    if (vv) vv->push_back(prossima);
    v_prima = v;
    v2_prima = v2;
    v = prossima;
    v2 = prossima2;
    ++i;
    return true;
  }

  // Where the steps have got to.
  size_t fine_passi(moto& m) {
    if (attesa > 0) tempo += 2 * kPassoMetri / attesa;
    attesa = 0;
    m = {v2, v, v_prima, tempo};
    return i;
  }
};

// Whether the step from metre i would speed the train up below the bound.
bool accelera_da_qui(const dati_corsa& x, const moto& m, size_t i) {
  if (i + 1 >= x.metri) return false;
  const size_t cella = (static_cast<size_t>(x.da) + i) / kMetriCella - x.pc.prima;
  const double prossima2 = m.v2 + 2 * (x.d.accelerazione(m.v_prima) - x.pc.pendio[cella]) * kPassoMetri;
  return prossima2 > 0 && prossima2 < x.w2[i + 1];
}

// Speeding up below the bound: the steps that the bound does not cut,
// one after another to the end of the cell.  Each step waits on the root
// and the division of the one before the last: this is where the run
// spends its time.  Returns the metre reached, i itself where the first
// step is cut or the train cannot move.
size_t accelera(const dati_corsa& x, size_t i, moto& m, velocita_tenute vv) {
  in_spinta_libera s(x, i, m, vv);
  while (s.passo()) {
  }
  if (s.i == i) return i;
  return s.fine_passi(m);
}

// Two legs speeding up, a step of each in turn, so that the processor
// fills the wait on one's root and division with the other's, until
// either leaves its cell or meets its bound.
void accelera_due(const dati_corsa& xp, size_t& ip, moto& mp, velocita_tenute vp, const dati_corsa& xq, size_t& iq,
                  moto& mq, velocita_tenute vq) {
  in_spinta_libera p(xp, ip, mp, vp), q(xq, iq, mq, vq);
  while (p.passo() && q.passo()) {
  }
  ip = p.fine_passi(mp);
  iq = q.fine_passi(mq);
}

// Whether the pull ahead would speed the train up at every speed it has
// on the way down the curve from here.  The acceleration falls as the
// speed rises, so the highest of them, the first, is the test.
bool in_spinta(const dati_corsa& x, const moto& m, size_t cella) {
  return x.d.accelerazione(std::max(m.v, m.v_prima)) >= x.pc.pendio[cella];
}

// From metre i, a stretch at constant speed, down the braking curve or
// speeding up below it, or else one step.  The effort and the resistance
// are taken at the speed the step before ended with: the root of this
// step's square is then off the chain from metre to metre, and the scheme
// stays first order (exact where the acceleration does not change with
// speed).
esito_passo avanza(const dati_corsa& x, moto& m, size_t& i, velocita_tenute vv) {
  if (i + 1 >= x.metri) return esito_passo::arrivata;
  const size_t cella = (static_cast<size_t>(x.da) + i) / kMetriCella - x.pc.prima;
  const double acc = x.d.accelerazione(m.v_prima) - x.pc.pendio[cella];
  size_t j = i;
  if (m.v > 0 && m.v_prima == m.v && acc >= 0 && x.w2[i + 1] == m.v2) {
    j = a_velocita_costante(x.w2, x.tratti, x.da, i, m, vv);
  } else if (m.v2 == x.w2[i] && in_spinta(x, m, cella)) {
    j = lungo_la_curva(x.w2, x.da, i, x.pc.frenata[cella], m, vv);
  }
  if (j == i) j = accelera(x, i, m, vv);
  if (j == i) {
    if (!passo_generale(x.w2, i, acc, m, vv)) return esito_passo::ferma;
    j = i + 1;
  }
  i = j;
  return esito_passo::avanti;
}

// A leg's run under way: its fixed data, where it has got to, and what it
// has made.
struct in_corso {
  dati_corsa x;
  corsa c;
  bool con_velocita;
  moto m;
  size_t i = 0;
  esito_passo e = esito_passo::avanti;
  velocita_tenute tenute() { return con_velocita ? &c.velocita : nullptr; }
};

in_corso inizia(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a, bool con_velocita) {
  in_corso r{prepara(l, t, da, a), corsa{}, con_velocita, moto{}};
  r.c.tempo_limiti = tempo_ai_limiti(r.x.tratti, r.x.metri);
  if (con_velocita) r.c.velocita.reserve(r.x.metri), r.c.velocita.push_back(0);
  return r;
}

corsa finisci(in_corso& r, const moto& m) {
  if (r.e == esito_passo::ferma) {
    // At rest and unable to move: a climb too steep for the train.
    r.c.raggiungibile = false;
    r.c.tempo_minimo = INFINITY;
    if (r.con_velocita) r.c.velocita.resize(r.x.metri, 0);
  } else {
    r.c.tempo_minimo = m.tempo;
  }
  return std::move(r.c);
}

}  // namespace

corsa corri(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a, bool con_velocita) {
  if (!valida(l, da, a)) return corsa{};
  in_corso r = inizia(l, t, da, a, con_velocita);
  moto m;
  size_t i = 0;
  const velocita_tenute vv = r.tenute();
  while ((r.e = avanza(r.x, m, i, vv)) == esito_passo::avanti) {
  }
  return finisci(r, m);
}

namespace {

// A lane of the run: the leg it has under way, if any, and its number.
struct corsia {
  std::optional<in_corso> c;
  size_t tratta = 0;
  // Whether its next step speeds up below the bound, once asked until it
  // moves: the other lane may take many turns meanwhile.
  std::optional<bool> spinta;

  bool avanti() const { return c && c->e == esito_passo::avanti; }
  bool accelera() {
    if (!spinta) spinta = avanti() && accelera_da_qui(c->x, c->m, c->i);
    return *spinta;
  }
  void avanza_di_un_tratto() {
    c->e = avanza(c->x, c->m, c->i, c->tenute());
    spinta.reset();
  }
};

// The run of every leg between the stops, in two lanes: each lane runs a
// leg to its end and then takes the next, so that up to the last leg two
// are under way.  Speeding up is where the run spends its time: each step
// waits on the root and the division of the one before the last, and the
// processor fills that wait with the other lane's step.  So while one
// lane speeds up, the other is run on to where it speeds up too, and the
// two then step in turn.
std::vector<corsa> corri_tutte(const linea_marcia& l, const treno_marcia& t, const std::vector<fermata_marcia>& ff,
                               bool con_velocita) {
  std::vector<corsa> r(ff.size() - 1);
  size_t prossima = 0;
  // The lane's leg done, the next that can be run, if one is left; a leg
  // that cannot keeps an empty run.
  auto prendi = [&](corsia& x) {
    if (x.c) r[x.tratta] = finisci(*x.c, x.c->m);
    x.c.reset();
    x.spinta.reset();
    for (; prossima < r.size() && !x.c; ++prossima) {
      const int32_t da = ff[prossima].posizione, a = ff[prossima + 1].posizione;
      if (!valida(l, da, a)) continue;
      x.c.emplace(inizia(l, t, da, a, con_velocita));
      x.tratta = prossima;
    }
  };
  corsia p, q;
  prendi(p);
  prendi(q);
  while (p.c || q.c) {
    if (p.c && !p.avanti()) {
      prendi(p);
    } else if (q.c && !q.avanti()) {
      prendi(q);
    } else {
      const bool ap = p.accelera(), aq = q.accelera();
      if (ap && aq) {
        accelera_due(p.c->x, p.c->i, p.c->m, p.c->tenute(), q.c->x, q.c->i, q.c->m, q.c->tenute());
        p.spinta.reset();
        q.spinta.reset();
      } else if (p.c && (!ap || !q.c)) {
        p.avanza_di_un_tratto();
      } else {
        q.avanza_di_un_tratto();
      }
    }
  }
  return r;
}

}  // namespace

std::vector<fermata_marcia> fermate(const scenario& s) { return fermate(s.tabella_stazioni); }

std::vector<fermata_marcia> fermate(const tabella_stazioni_t& tabella) {
  std::vector<fermata_marcia> r;
  for (int riga = 1; riga < kPrimaRigaCartelli; ++riga) {
    const riga_stazione& x = tabella[riga];
    if (x.nome.empty() && x.progressiva == 0 && x.orario == 0) break;
    // A station without a time is passed, not stopped at.
    if (x.orario == 0) continue;
    r.push_back({riga, x.nome, x.progressiva, x.orario - x.campo13, x.orario});
  }
  return r;
}

std::vector<tratta_marcia> calcola_orario(const scenario& s, const figure_treno& f, bool con_velocita) {
  return calcola_orario(s.tabella_stazioni, s.celle, f, con_velocita);
}

std::vector<tratta_marcia> calcola_orario(const tabella_stazioni_t& tabella, const std::vector<cella>& celle,
                                          const figure_treno& f, bool con_velocita) {
  std::vector<tratta_marcia> r;
  const std::vector<fermata_marcia> ff = fermate(tabella);
  if (ff.size() < 2 || celle.empty()) return r;
  const linea_marcia l = linea_da_celle(celle, f.rango);
  // Row 84: the braked-weight percentage in its "inizio", the coaches in its "progressiva".
  const treno_marcia t{f, tabella[kRigaParametri].progressiva, tabella[kRigaParametri].inizio};
  // The train leaves the first stop on time, and a later one no earlier
  // than its time, nor before its stop is over.
  std::vector<corsa> corse = corri_tutte(l, t, ff, con_velocita);
  double partenza = ff.front().partenza;
  for (size_t k = 1; k < ff.size(); ++k) {
    tratta_marcia x;
    x.da = ff[k - 1];
    x.a = ff[k];
    x.prevista = x.a.arrivo - x.da.partenza;
    x.c = std::move(corse[k - 1]);
    x.arrivo_minimo = partenza + x.c.tempo_minimo;
    partenza = std::max<double>(x.a.partenza, x.arrivo_minimo + (x.a.partenza - x.a.arrivo));
    r.push_back(std::move(x));
  }
  return r;
}

giudizio giudica(const tratta_marcia& t, double incertezza) {
  if (t.prevista + kTolleranza < t.c.tempo_limiti) return giudizio::impossibile;
  if (!t.c.raggiungibile || t.prevista + kTolleranza < t.c.tempo_minimo * (1 - incertezza)) return giudizio::stretto;
  // Thin: less than 3 % of the minimum, or 20 s, to make up any delay.
  if (t.prevista < t.c.tempo_minimo + std::max(20.0, 0.03 * t.c.tempo_minimo)) return giudizio::margine_sottile;
  return giudizio::buono;
}

const char* parola_giudizio(giudizio g) {
  switch (g) {
    case giudizio::impossibile:
      return "impossible";
    case giudizio::stretto:
      return "tight";
    case giudizio::margine_sottile:
      return "thin";
    case giudizio::buono:
      break;
  }
  return "";
}

std::string testo_margine(const tratta_marcia& t, double incertezza) {
  const std::string g = parola_giudizio(giudica(t, incertezza));
  return testo_durata(t.prevista - t.c.tempo_minimo) + (g.empty() ? "" : " (" + g + ")");
}

std::vector<luogo> luoghi_stazioni(const esito_verifica& v) {
  std::vector<luogo> r(1);
  for (const record_letto& x : v.records) {
    if (x.fonte == formato::quale::treno && x.tipo && std::string(x.tipo->parola) == "stazione") r.push_back(v.dove(x));
  }
  return r;
}

namespace {

std::string testo_confronto(const tratta_marcia& t, giudizio g, bool figure_date) {
  const std::string inizio = t.a.nome + ": " + testo_durata(t.prevista) + " scheduled from " + t.da.nome + "; ";
  if (g == giudizio::impossibile) {
    return inizio + "at least " + testo_durata(t.c.tempo_limiti) + " at the speed limits alone";
  }
  if (!t.c.raggiungibile) return inizio + "this train cannot climb the line to it";
  const std::string minimo = "at least " + testo_durata(t.c.tempo_minimo) + " for this train";
  if (g == giudizio::stretto) return inizio + minimo;
  if (t.prevista + kTolleranza < t.c.tempo_minimo) {
    return inizio + minimo + (figure_date ? "" : " with the default figures, within their uncertainty");
  }
  return inizio + minimo + ", " + testo_durata(std::max(0.0, t.prevista - t.c.tempo_minimo)) + " to spare";
}

}  // namespace

std::vector<diagnostica> confronta_orario(const std::vector<tratta_marcia>& tratte, const std::vector<luogo>& luoghi,
                                          bool figure_date) {
  std::vector<diagnostica> r;
  for (const tratta_marcia& t : tratte) {
    const giudizio g = giudica(t, figure_date ? 0 : kIncertezzaFigure);
    if (g == giudizio::buono) continue;
    const char* id = g == giudizio::impossibile ? kOrarioImpossibile
                     : g == giudizio::stretto   ? kOrarioStretto
                                                : kOrarioSottile;
    const luogo dove = t.a.riga < static_cast<int>(luoghi.size()) ? luoghi[t.a.riga] : luogo{};
    r.push_back({trova_regola(id)->livello, id, dove, testo_confronto(t, g, figure_date)});
  }
  return r;
}

std::string testo_durata(double secondi) {
  if (!std::isfinite(secondi)) return "never";
  const long s = std::lround(secondi);
  const long ore = std::labs(s) / 3600, minuti = std::labs(s) % 3600 / 60, sec = std::labs(s) % 60;
  std::string r = s < 0 ? "-" : "";
  if (ore > 0) r += std::to_string(ore) + " h ";
  if (ore > 0 || minuti > 0) r += std::to_string(minuti) + " min ";
  return r + std::to_string(sec) + " s";
}

std::string testo_ora(double secondi) {
  if (!std::isfinite(secondi)) return "--:--:--";
  const long s = std::lround(secondi);
  char b[32];
  std::snprintf(b, sizeof b, "%02ld:%02ld:%02ld", s / 3600, s % 3600 / 60, s % 60);
  return b;
}

}  // namespace valdoro

#include "compiler/memo.h"

#include <string>

#include "compiler/arrotonda.h"
#include "compiler/stretti.h"
#include "model/errori.h"

namespace valdoro {

namespace {

constexpr int32_t kInizioSegnali = 350;    // the last mark, 8 cells back, still on cell 0
constexpr int32_t kDistanzaAvviso = 1200;  // warning board ahead of a slowdown
constexpr int32_t kSogliaAvviso = 1500;    // slowdowns up to here have no warning board
constexpr int32_t kMarcheSegnale = 4;
constexpr int32_t kCellePreavviso = 4;

constexpr uint8_t kSegnale = 1;
constexpr uint8_t kFineRallentamento = 2;
constexpr uint8_t kInizioRallentamento = 3;
constexpr uint8_t kAvviso = 4;
constexpr uint8_t kPreavviso = 5;
constexpr uint8_t kRestrizione = 12;
constexpr uint8_t kRestrizioneSenzaValore = 13;

bool dentro(const scenario& s, int64_t i) { return i >= 0 && i <= s.ultima_cella(); }
cella& at(compilazione& comp, int32_t i) { return comp.s.celle[static_cast<size_t>(i)]; }

// The warning board and the pre-warning cells, when the slowdown has them.
struct celle_rallentamento {
  int32_t inizio;
  int32_t fine;
  bool con_avviso;
  int32_t avviso;
  bool con_preavviso;
  int32_t preavviso;  // nearest the board; the others are the three before it
};

celle_rallentamento celle_di(const dati_rallentamento& d) {
  celle_rallentamento c{};
  c.inizio = cella_oggetto(d.x);
  c.fine = cella_oggetto(static_cast<double>(d.x) + d.l);
  c.con_avviso = d.x > kSogliaAvviso;
  c.avviso = cella_oggetto(static_cast<double>(d.x) - kDistanzaAvviso);
  c.con_preavviso = c.con_avviso && d.f_ta != 0;
  c.preavviso = cella_al_metro(static_cast<double>(d.x) - kDistanzaAvviso);
  return c;
}

bool sul_binario(const scenario& s, const celle_rallentamento& c) {
  if (!dentro(s, c.inizio) || !dentro(s, c.fine)) return false;
  if (c.con_avviso && !dentro(s, c.avviso)) return false;
  return !c.con_preavviso || (dentro(s, c.preavviso) && dentro(s, int64_t{c.preavviso} - (kCellePreavviso - 1)));
}

bool rifiuta(compilazione& comp, numero_errore numero, const luogo& dove, std::string testo, luogo titolare = {}) {
  comp.d.errore(numero, dove, std::move(testo), std::move(titolare));
  return false;
}

std::string metri(int64_t m) { return std::to_string(m) + " m"; }

// Error 232: the first of the slowdown's cells that is off the track.
std::string fuori_binario(const scenario& s, const dati_rallentamento& d, const celle_rallentamento& c) {
  int64_t fuori = int64_t{c.preavviso} - (kCellePreavviso - 1);
  const char* quale = "pre-warning";
  if (!dentro(s, c.inizio)) {
    fuori = c.inizio;
    quale = "start";
  } else if (!dentro(s, c.fine)) {
    fuori = c.fine;
    quale = "end";
  } else if (c.con_avviso && !dentro(s, c.avviso)) {
    fuori = c.avviso;
    quale = "warning";
  } else if (!dentro(s, c.preavviso)) {
    fuori = c.preavviso;
  }
  return "slowdown from " + metri(d.x) + " over " + metri(d.l) + ": its " + quale + " cell " + std::to_string(fuori) +
         " is outside the track, cells 0 to " + std::to_string(s.ultima_cella());
}

bool preavviso_libero(compilazione& comp, int32_t k) {
  for (int32_t j = 0; j < kCellePreavviso; ++j) {
    if (!cella_libera(at(comp, k - j))) return false;
  }
  return true;
}

// The first taken cell of the four that end at k.
int32_t preavviso_occupato(compilazione& comp, int32_t k) {
  for (int32_t j = 0; j < kCellePreavviso; ++j) {
    if (!cella_libera(at(comp, k - j))) return k - j;
  }
  return k;
}

// The values a slowdown stores, each told once when it does not fit.
struct valori_rallentamento {
  int16_t v, f_tt, d_v;
};

valori_rallentamento valori_di(compilazione& comp, const dati_rallentamento& d, const luogo& dove) {
  return {basso16(comp, dove, "slowdown speed", d.v), basso16(comp, dove, "slowdown flag f_tt", d.f_tt),
          basso16(comp, dove, "slowdown second speed d_v", d.d_v)};
}

void scrivi_rallentamento(compilazione& comp, int32_t k, uint8_t tipo, const dati_rallentamento& d,
                          const valori_rallentamento& w, const luogo& dove) {
  cella& c = at(comp, k);
  c.tipo = tipo;
  nota_titolare(comp, k, dove);
  if (d.d_v != 0) c.valore2 = w.d_v;
}

// The four marks carry one kind: a single warning tells them all.
void avvisa_marche(compilazione& comp, int64_t genere, const luogo& dove) {
  const int64_t prima = genere * 10 + 1;
  const int64_t ultima = prima + kMarcheSegnale - 1;
  if (prima >= 0 && ultima <= UINT8_MAX) return;
  std::string memorizzate;
  for (int64_t v = prima; v <= ultima; ++v) memorizzate += (v == prima ? "" : ", ") + std::to_string(basso8(v));
  comp.d.segnala(kAvvisoValoreTagliato, dove,
                 "signal announcement marks (sx * 3 + dx) * 10 + 1 to 4 are " + std::to_string(prima) + " to " +
                     std::to_string(ultima) + ", which do not all fit 8 bits (0 to 255): stored as " + memorizzate);
}

}  // namespace

void nota_titolare(compilazione& comp, int32_t k, const luogo& dove) {
  if (dove.file.empty() || k < 0 || static_cast<size_t>(k) >= comp.s.celle.size()) return;
  if (comp.titolari.size() != comp.s.celle.size()) comp.titolari.assign(comp.s.celle.size(), {});
  std::vector<std::string>& f = comp.file_titolari;
  size_t i = 0;
  while (i < f.size() && f[i] != dove.file) ++i;
  if (i == f.size()) f.push_back(dove.file);
  comp.titolari[static_cast<size_t>(k)] = {dove.riga, static_cast<uint8_t>(i + 1)};
}

luogo titolare_cella(const compilazione& comp, int32_t k) {
  if (k < 0 || static_cast<size_t>(k) >= comp.titolari.size()) return {};
  const compilazione::titolare& t = comp.titolari[static_cast<size_t>(k)];
  if (t.file == 0) return {};
  return {comp.file_titolari[t.file - 1u], t.riga, 1};
}

std::string cella_occupata(const compilazione& comp, int32_t k) {
  const scenario& s = comp.s;
  struct nome_tipo {
    uint8_t tipo;
    const char* nome;
  };
  static constexpr nome_tipo kNomi[] = {
      {1, "a signal"},           {2, "a slowdown end"},         {3, "a slowdown start"},
      {4, "a slowdown warning"}, {5, "a slowdown pre-warning"}, {6, "a maximum-speed board"},
      {10, "a station"},         {12, "a restriction point"},   {13, "a restriction point"},
      {14, "a sign board"},
  };
  const uint8_t tipo = s.celle[static_cast<size_t>(k)].tipo;
  std::string nome = "an object";
  for (const nome_tipo& n : kNomi) {
    if (n.tipo == tipo) nome = n.nome;
  }
  return "cell " + std::to_string(k) + " at " + std::to_string(int64_t{k} * kMetriCella) + " m already holds " + nome +
         " (kind " + std::to_string(tipo) + ")";
}

void memo_segnale(compilazione& comp, dati_segnale& d, const luogo& dove) {
  // Worded only for a refusal: most signals are stored.
  auto segnale = [&] { return "signal at " + metri(d.posizione); };
  if (d.posizione < kInizioSegnali) {
    return comp.d.errore(numero_errore::segnale_vicino_inizio, dove,
                         segnale() + " is closer than " + metri(kInizioSegnali) + " to the line start");
  }
  const int32_t i = cella_oggetto(d.posizione);
  if (i > comp.s.ultima_cella()) {
    return comp.d.errore(numero_errore::oltre_il_binario, dove,
                         segnale() + ": its cell " + std::to_string(i) + " is beyond the last cell of the track, " +
                             std::to_string(comp.s.ultima_cella()));
  }
  cella& c = at(comp, i);
  if (!cella_libera(c))
    return comp.d.errore(numero_errore::segnale_su_cella_presa, dove, segnale() + ": " + cella_occupata(comp, i),
                         titolare_cella(comp, i));
  const int64_t genere = int64_t{d.sx} * 3 + d.dx;
  c.tipo = kSegnale;
  nota_titolare(comp, i, dove);
  c.valore4 = basso16(comp, dove, "signal value rapp * 10 + sx * 3 + dx", int64_t{d.rapp} * 10 + genere);
  c.valore1 = basso16(comp, dove, "signal value s1 * 10 + d1", int64_t{d.s1} * 10 + d.d1);
  c.valore2 = basso16(comp, dove, "signal value s2 * 10 + d2", int64_t{d.s2} * 10 + d.d2);
  c.valore3 = basso16(comp, dove, "signal value s3 * 10 + d3", int64_t{d.s3} * 10 + d.d3);
  // Times up to 100 would read as a signal kind in the simulator.
  if (d.tempo >= 1 && d.tempo <= 100) d.tempo = 101;
  c.tempo = d.sx == 2 ? basso8(comp, dove, "signal time", d.tempo) : 0;
  for (int32_t b = 1; b <= kMarcheSegnale; ++b) at(comp, i - 2 * b).annuncio = basso8(genere * 10 + b);
  avvisa_marche(comp, genere, dove);
}

void memo_rallentamento(compilazione& comp, const dati_rallentamento& d, const luogo& dove) {
  const celle_rallentamento c = celle_di(d);
  if (!sul_binario(comp.s, c))
    return comp.d.errore(numero_errore::rallentamento_fuori, dove, fuori_binario(comp.s, d, c));
  auto rallentamento = [&] { return "slowdown at " + metri(d.x); };
  if (c.con_avviso && !cella_libera(at(comp, c.avviso))) {
    return comp.d.errore(numero_errore::avviso_rallentamento_preso, dove,
                         rallentamento() + ": warning board at " + metri(int64_t{d.x} - kDistanzaAvviso) + ", " +
                             cella_occupata(comp, c.avviso),
                         titolare_cella(comp, c.avviso));
  }
  if (!cella_libera(at(comp, c.inizio))) {
    return comp.d.errore(numero_errore::inizio_rallentamento_preso, dove,
                         rallentamento() + ": start, " + cella_occupata(comp, c.inizio),
                         titolare_cella(comp, c.inizio));
  }
  if (!cella_libera(at(comp, c.fine))) {
    return comp.d.errore(
        numero_errore::fine_rallentamento_presa, dove,
        rallentamento() + ": end at " + metri(int64_t{d.x} + d.l) + ", " + cella_occupata(comp, c.fine),
        titolare_cella(comp, c.fine));
  }
  const valori_rallentamento w = valori_di(comp, d, dove);
  scrivi_rallentamento(comp, c.fine, kFineRallentamento, d, w, dove);
  scrivi_rallentamento(comp, c.inizio, kInizioRallentamento, d, w, dove);
  if (c.con_avviso) {
    scrivi_rallentamento(comp, c.avviso, kAvviso, d, w, dove);
    at(comp, c.avviso).valore1 = w.v;
  }
  for (int32_t i : {c.inizio, c.fine}) {
    at(comp, i).valore1 = w.v;
    at(comp, i).valore3 = w.f_tt;
  }
  if (!dove.file.empty()) comp.luoghi.inizi_rallentamento.emplace_back(c.inizio, dove);
  if (!c.con_preavviso) return;
  if (!preavviso_libero(comp, c.preavviso)) {
    const int32_t k = preavviso_occupato(comp, c.preavviso);
    return comp.d.errore(numero_errore::preavviso_preso, dove,
                         rallentamento() + ": pre-warning, " + cella_occupata(comp, k), titolare_cella(comp, k));
  }
  for (int32_t j = 0; j < kCellePreavviso; ++j) {
    cella& p = at(comp, c.preavviso - j);
    p.tipo = kPreavviso;
    nota_titolare(comp, c.preavviso - j, dove);
    p.valore1 = static_cast<int16_t>(j + 1);
    if (d.d_v != 0) p.valore2 = static_cast<int16_t>(j + 1);
  }
}

bool memo_abbattimento(compilazione& comp, int32_t p, int32_t valore, const luogo& dove) {
  auto punto = [&] { return "restriction point at " + metri(p); };
  if (p < 0) return rifiuta(comp, numero_errore::restrizione_negativa, dove, punto() + ": a position below 0 m");
  const int32_t n = cella_al_metro(p);
  if (n > comp.s.ultima_cella()) {
    return rifiuta(comp, numero_errore::oltre_il_binario, dove,
                   punto() + ": its cell " + std::to_string(n) + " is beyond the last cell of the track, " +
                       std::to_string(comp.s.ultima_cella()));
  }
  cella& c = at(comp, n);
  if (!cella_libera(c))
    return rifiuta(comp, numero_errore::restrizione_su_cella_presa, dove, punto() + ": " + cella_occupata(comp, n),
                   titolare_cella(comp, n));
  nota_titolare(comp, n, dove);
  if (valore > 0) {
    c.tipo = kRestrizione;
    c.valore1 = basso16(comp, dove, "restriction value", valore);
  } else {
    c.tipo = kRestrizioneSenzaValore;
  }
  return true;
}

}  // namespace valdoro

#include "compiler/linea.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "compiler/arrotonda.h"
#include "model/errori.h"
#include "model/tabelle.h"

namespace valdoro {

namespace {

constexpr int32_t kLunghezzaMassima = 1000000;
constexpr int32_t kMetriOltreFine = 7000;
constexpr int32_t kUltimoMetroProfilo = 1000000;
constexpr int32_t kPendenzaMinima = -kScartoPendenza;  // the least the stored byte holds
constexpr int32_t kPendenzaMassima = UINT8_MAX - kScartoPendenza;
constexpr int kRigaTre = 81;
constexpr int kRigaDue = 82;
constexpr int kRigaUno = 83;

bool multiplo_di_50(int32_t v) { return v % kMetriCella == 0; }

// ---- general keys ----

esito lunghezza_percorso(compilazione& comp, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  int32_t l = r.leggi_intero("route_length");
  comp.s.tabella_stazioni[kRigaParametri].fine = l;
  if (l > kLunghezzaMassima) {
    return ferma(
        comp, r, chiave, numero_errore::lunghezza_eccessiva, esito::ferma_subito,
        "route length " + std::to_string(l) + " m is above the limit, " + std::to_string(kLunghezzaMassima) + " m");
  }
  if (l < 0) {
    return ferma(comp, r, chiave, numero_errore::lunghezza_negativa, esito::ferma_subito,
                 "route length " + std::to_string(l) + " m is below 0 m");
  }
  int32_t n = l + kMetriOltreFine;
  int32_t c = cella_al_metro(n);
  comp.s.celle.assign(static_cast<size_t>(c) + 1, cella{});
  if (comp.s.con_profilo != 0) comp.s.profilo_linea.crea(n);
  return esito::avanti;
}

void leggi_progressiva(compilazione& comp, lettore& r, int riga) {
  const lettore::punto chiave = r.punto_voce();
  riga_stazione& t = comp.s.tabella_stazioni[riga];
  t.inizio = r.leggi_intero("start");
  t.fine = r.leggi_intero("offset");
  t.progressiva = r.leggi_intero("flag");
  // The flag's 100 keeps an offset on or off the grid.
  const bool storta = !multiplo_di_50(t.inizio) || !multiplo_di_50(t.fine);
  comp.luoghi_progressive_storte[static_cast<size_t>(riga - kRigaTre)] = storta ? r.luogo_di(chiave) : luogo{};
}

esito progressiva_tre(compilazione& comp, lettore& r) {
  leggi_progressiva(comp, r, kRigaTre);
  return esito::avanti;
}
esito progressiva_due(compilazione& comp, lettore& r) {
  leggi_progressiva(comp, r, kRigaDue);
  return esito::avanti;
}
esito progressiva_uno(compilazione& comp, lettore& r) {
  leggi_progressiva(comp, r, kRigaUno);
  return esito::avanti;
}

// Row 85 keeps the crossing: background two in progressiva, three in fine.
esito sfondo_uno(compilazione& comp, lettore& r) {
  comp.s.tabella_stazioni[kRigaLinea].inizio = r.leggi_intero("background");
  return esito::avanti;
}
esito sfondo_due(compilazione& comp, lettore& r) {
  comp.s.tabella_stazioni[kRigaLinea].progressiva = r.leggi_intero("background");
  return esito::avanti;
}
esito sfondo_tre(compilazione& comp, lettore& r) {
  comp.s.tabella_stazioni[kRigaLinea].fine = r.leggi_intero("background");
  return esito::avanti;
}

esito ripetizione_segnali(compilazione& comp, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  riga_stazione& t = comp.s.tabella_stazioni[kRigaTreno];
  t.inizio = r.leggi_intero("start");
  t.fine = r.leggi_intero("end");
  if (!multiplo_di_50(t.inizio)) {
    return ferma(comp, r, chiave, numero_errore::inizio_ripetizione_fuori_griglia, esito::ferma_subito,
                 "signal repetition start " + std::to_string(t.inizio) + " m is not a multiple of 50 m");
  }
  if (!multiplo_di_50(t.fine)) {
    return ferma(comp, r, chiave, numero_errore::fine_ripetizione_fuori_griglia, esito::ferma_subito,
                 "signal repetition end " + std::to_string(t.fine) + " m is not a multiple of 50 m");
  }
  if (comp.voce_letta.find('4') != std::string::npos) {
    t.progressiva = 4;
  } else if (comp.voce_letta.find('9') != std::string::npos) {
    t.progressiva = 9;
  } else {
    return ferma(
        comp, r, chiave, numero_errore::codici_ripetizione, esito::ferma_subito,
        "signal repetition key \"" + comp.voce_letta + "\" names neither 4 nor 9 codes (no digit 4 or 9 in it)");
  }
  if (t.fine == 0) t.progressiva = 0;
  return esito::avanti;
}

struct chiave_generale {
  const char* prima;
  const char* seconda;
  bool esatta;
  esito (*azione)(compilazione&, lettore&);
};

constexpr chiave_generale kChiaviGenerali[] = {
    {"lunghezza", "percorso", false, lunghezza_percorso},
    {"progressiva", "tre", true, progressiva_tre},
    {"progressiva", "due", true, progressiva_due},
    {"progressiva", "uno", true, progressiva_uno},
    {"sfondo", "uno", true, sfondo_uno},
    {"sfondo", "due", true, sfondo_due},
    {"sfondo", "tre", true, sfondo_tre},
    {"ripetizione", "segnali", true, ripetizione_segnali},
};

bool corrisponde(std::string_view voce, const chiave_generale& k) {
  if (k.esatta) return contiene_esatto(voce, k.prima) && contiene_esatto(voce, k.seconda);
  return contiene(voce, k.prima) && contiene(voce, k.seconda);
}

// ---- progressives ----

struct terna {
  int32_t inizio = 0;
  int32_t scarto = 0;
  int32_t bandiera = 0;
};

terna leggi_terna(const scenario& s, int riga) {
  const riga_stazione& t = s.tabella_stazioni[riga];
  return {t.inizio, t.fine, t.progressiva};
}

void scrivi_terne(compilazione& comp, const terna& a, const terna& b, const terna& c) {
  const terna* ordine[] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    riga_stazione& t = comp.s.tabella_stazioni[kRigaTre + i];
    t.inizio = ordine[i]->inizio;
    t.fine = ordine[i]->scarto;
    t.progressiva = ordine[i]->bandiera;
  }
}

// The lower two in decreasing start; on a tie `primo` goes first.
void scrivi_dopo(compilazione& comp, const terna& massimo, const terna& primo, const terna& secondo) {
  if (secondo.inizio > primo.inizio) {
    scrivi_terne(comp, massimo, secondo, primo);
  } else {
    scrivi_terne(comp, massimo, primo, secondo);
  }
}

// ---- the plan ----

// Writes metre i and moves the pen on to it.
void traccia(profilo& p, penna& n, int32_t i, double x, double y) {
  p.imposta_punto(i, x, y);
  n = {n.x1, n.y1, x, y};
}

// The formulas are kept in this exact order and grouping: the plan must come
// out bit for bit the same on every build.
void passo_rettilineo(profilo& p, penna& n, int32_t i) {
  double dx = n.x1 - n.x2;
  double dy = n.y1 - n.y2;
  traccia(p, n, i, n.x1 + dx, n.y1 + dy);
}

void passo_curva(profilo& p, penna& n, int32_t i, double q) {
  double dx = n.x1 - n.x2;
  double dy = n.y1 - n.y2;
  traccia(p, n, i, n.x1 + (dx + q * dy), n.y1 + (dy - q * dx));
}

constexpr auto rettilineo = [](profilo& p, penna& n, int32_t i) { passo_rettilineo(p, n, i); };

// Draws the plan on up to metre `fino`; false when it would pass `limite`.
// The pen is copied into a local for the run: kept in the state, it would
// go through memory on every metre.
template <typename Passo>
bool disegna_fino(profilo& p, stato_linea& st, int64_t fino, int32_t limite, Passo passo) {
  penna n = st.punti;
  int32_t i = st.metro_profilo;
  bool entro = true;
  while (i <= fino) {
    passo(p, n, i);
    if (++i > limite) {
      entro = false;
      break;
    }
  }
  st.punti = n;
  st.metro_profilo = i;
  return entro;
}

// 0 when the key names no radius class.
double curvatura(std::string_view voce) {
  static constexpr std::array<double, 6> kCurvature = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
  for (size_t i = 0; i < kCurvature.size(); ++i) {
    if (voce.find(static_cast<char>('1' + i)) != std::string_view::npos) {
      return contiene(voce, "s") ? -kCurvature[i] : kCurvature[i];
    }
  }
  return 0;
}

void scrivi_pendenza(compilazione& comp, stato_linea& st) {
  comp.s.celle[static_cast<size_t>(st.cella_pendenza)].pendenza =
      static_cast<uint8_t>(st.pendenza_precedente + kScartoPendenza);
  ++st.cella_pendenza;
}

}  // namespace

esito applica_chiavi_generali(compilazione& comp, lettore& r) {
  for (const chiave_generale& k : kChiaviGenerali) {
    if (!corrisponde(comp.voce_letta, k)) continue;
    esito e = k.azione(comp, r);
    if (e != esito::avanti) return e;
  }
  return esito::avanti;
}

// Ties: between the two lower starts, the order below (with T largest U goes
// before D, with D largest U before T, with U largest D before T).  Two equal
// largest starts are ordered T before D before U, so the rows are always
// filled rather than left cleared.
void progressive_ordina(compilazione& comp) {
  const terna t = leggi_terna(comp.s, kRigaTre);
  const terna d = leggi_terna(comp.s, kRigaDue);
  const terna u = leggi_terna(comp.s, kRigaUno);
  int64_t somma = int64_t{t.inizio} + d.inizio + u.inizio;
  if (somma != 0) {
    if (t.inizio >= d.inizio && t.inizio >= u.inizio) {
      scrivi_dopo(comp, t, u, d);
    } else if (d.inizio >= u.inizio) {
      scrivi_dopo(comp, d, u, t);
    } else {
      scrivi_dopo(comp, u, d, t);
    }
  } else {
    const terna vuota;
    scrivi_terne(comp, vuota, vuota, vuota);
    if (t.scarto > 0) scrivi_terne(comp, t, d, u);
    if (d.scarto > 0) scrivi_terne(comp, d, t, u);
    if (u.scarto > 0) scrivi_terne(comp, u, d, t);
  }
  for (int riga = kRigaTre; riga <= kRigaUno; ++riga) {
    riga_stazione& r = comp.s.tabella_stazioni[riga];
    if (r.progressiva != 1) continue;
    int64_t scarto = int64_t{r.fine} + 100;
    if (scarto > INT32_MAX) throw std::range_error("progressive offset does not fit 32 bits");
    r.fine = static_cast<int32_t>(scarto);
  }
}

void semina_profilo(compilazione& comp, stato_linea& st) {
  st.metro_profilo = 2;
  if (comp.s.con_profilo == 0 || !comp.s.profilo_linea.esiste()) return;
  comp.s.profilo_linea.imposta_intero(0, 0, 0);
  comp.s.profilo_linea.imposta_intero(0, 1, 0);
  comp.s.profilo_linea.imposta_intero(1, 0, 0);
  comp.s.profilo_linea.imposta_intero(1, 1, 1);
  st.punti = {0, 0, 0, 1};
}

esito registra_pendenza(compilazione& comp, lettore& r, stato_linea& st) {
  lettore::punto chiave = r.punto_voce();
  int32_t p = r.leggi_intero("position");
  lettore::punto posizione = r.punto_voce();
  int32_t g = r.leggi_intero("gradient");
  if (oltre_il_binario(comp.s, p)) return ferma_oltre(comp, r, chiave, p);
  if (g < kPendenzaMinima || g > kPendenzaMassima) {
    return ferma(comp, r, chiave, numero_errore::pendenza_fuori_campo, esito::ferma_subito,
                 "gradient " + std::to_string(g) + " per mille is outside " + std::to_string(kPendenzaMinima) + " to " +
                     std::to_string(kPendenzaMassima));
  }
  controlla_ordine(comp, r, posizione, "gradient", p, st.ultima_pendenza);
  int32_t k = cella_al_metro(p);
  if (k > 0) {
    do {
      if (st.cella_pendenza > comp.s.ultima_cella()) {
        return ferma(comp, r, chiave, numero_errore::pendenza_oltre, esito::ferma_subito,
                     "gradient fill has reached cell " + std::to_string(st.cella_pendenza) +
                         ", past the last cell of the track, " + std::to_string(comp.s.ultima_cella()) +
                         ": each record at or before the one before it pushes the fill on by a cell");
      }
      scrivi_pendenza(comp, st);
    } while (st.cella_pendenza < k);
  }
  st.pendenza_precedente = g;
  return esito::avanti;
}

esito registra_curva(compilazione& comp, lettore& r, stato_linea& st) {
  lettore::punto chiave = r.punto_voce();
  int32_t a = r.leggi_intero("position");
  int32_t b = r.leggi_intero("length");
  if (oltre_il_binario(comp.s, a)) return ferma_oltre(comp, r, chiave, a);
  double q = curvatura(comp.voce_letta);
  if (q == 0) {
    return ferma(comp, r, chiave, numero_errore::curva, esito::ferma_subito,
                 "curve key \"" + comp.voce_letta + "\" names no radius class: no digit 1 to 6 in it");
  }
  const int64_t fine = int64_t{a} + b;
  if (fine > comp.s.profilo_linea.ultimo_metro()) {
    return ferma(comp, r, chiave, numero_errore::curva_oltre, esito::ferma_subito,
                 "curve ends at " + std::to_string(fine) + " m, beyond the last metre of the line profile, " +
                     std::to_string(comp.s.profilo_linea.ultimo_metro()) + " m");
  }
  profilo& p = comp.s.profilo_linea;
  auto curva = [q](profilo& pp, penna& n, int32_t i) { passo_curva(pp, n, i, q); };
  if (!disegna_fino(p, st, a, kUltimoMetroProfilo, rettilineo) ||
      !disegna_fino(p, st, fine, kUltimoMetroProfilo, curva)) {
    return ferma(comp, r, chiave, numero_errore::curva, esito::ferma_subito,
                 "curve from " + std::to_string(a) + " m to " + std::to_string(fine) +
                     " m would take the line profile past metre " + std::to_string(kUltimoMetroProfilo));
  }
  return esito::avanti;
}

// A record fill that reached the last cells leaves the closing fill nothing
// to write there; it never passes the table.
void riempimenti_finali(compilazione& comp, stato_linea& st) {
  const int32_t c = comp.s.ultima_cella();
  if (c < 0) return;
  do {
    if (st.cella_pendenza > c) break;
    scrivi_pendenza(comp, st);
  } while (st.cella_pendenza < c - 2);
  if (comp.s.con_profilo == 0 || !comp.s.profilo_linea.esiste()) return;
  const int32_t n = comp.s.profilo_linea.ultimo_metro();
  disegna_fino(comp.s.profilo_linea, st, n - 2, INT32_MAX, rettilineo);
}

}  // namespace valdoro

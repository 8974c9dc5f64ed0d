#include "output/passata_finale.h"

#include <initializer_list>
#include <string>

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "model/errori.h"

namespace valdoro {

namespace {

constexpr uint8_t kSegnale = 1;
constexpr uint8_t kFineRallentamento = 2;
constexpr uint8_t kInizioRallentamento = 3;
constexpr uint8_t kAvviso = 4;
constexpr uint8_t kRestrizione = 12;

constexpr int32_t kSguardoDietroAvviso = 20;  // cells looked at behind a warning board
constexpr int32_t kPrimaCellaSegnale = 3;     // keeps d - 2 at cell 1 or above
constexpr int16_t kVelocitaLenta = 110;       // below it a slowdown gets marks inside
constexpr int32_t kPassoMarche = 8;
constexpr int32_t kSguardoDopoFine = 12;

cella& at(scenario& s, int32_t i) { return s.celle[static_cast<size_t>(i)]; }

// The tables being finished and where to report: one pass over one track.
struct passata {
  scenario& s;
  diagnostiche& d;
  luoghi_record& luoghi;
};

std::string cella_n(int32_t i) { return "cell " + std::to_string(i); }

// The "rallentamento" record whose slowdown starts in cell `inizio`, where
// a fault of its marks is told; none for a track built from no source.
luogo luogo_rallentamento(const passata& p, int32_t inizio) {
  luogo trovato;
  for (const auto& [cella_inizio, dove] : p.luoghi.inizi_rallentamento) {
    if (cella_inizio == inizio) trovato = dove;
  }
  return trovato;
}

void marca(cella& c) {
  c.tipo = kRestrizione;
  c.valore1 = kVelocitaMarca;
}

// Marks the first free cell of `candidate`, tried in order.
bool marca_prima_libera(passata& p, std::initializer_list<int32_t> candidate) {
  for (int32_t c : candidate) {
    if (cella_libera(at(p.s, c))) {
      marca(at(p.s, c));
      return true;
    }
  }
  return false;
}

// A signal at d close behind a warning board: a mark in one of the two
// cells before it, or an existing restriction there brought down to 180.
void proteggi_segnale(passata& p, int32_t d, int32_t avviso) {
  if (marca_prima_libera(p, {d - 1, d - 2})) return;
  for (int32_t c : {d - 1, d - 2}) {
    if (at(p.s, c).tipo == kRestrizione) {
      at(p.s, c).valore1 = minimo(kVelocitaMarca, at(p.s, c).valore1);
      return;
    }
  }
  p.d.errore(numero_errore::marca_dopo_avviso, {},
             "no free cell for the speed mark before the signal in " + cella_n(d) + " (" + cella_n(d - 1) + " and " +
                 cella_n(d - 2) + " are taken), behind the slowdown warning in " + cella_n(avviso));
}

void dietro_avviso(passata& p, int32_t i) {
  for (int32_t k = 1; k <= kSguardoDietroAvviso && i - k >= kPrimaCellaSegnale; ++k) {
    if (at(p.s, i - k).tipo == kSegnale) proteggi_segnale(p, i - k, i);
  }
}

void finestre_prima_inizio(passata& p, int32_t i) {
  static const int32_t kFinestre[3][3] = {{5, 6, 7}, {11, 12, 13}, {18, 19, 20}};
  for (const auto& f : kFinestre) {
    if (i > f[2] && !marca_prima_libera(p, {i - f[0], i - f[1], i - f[2]})) {
      p.d.errore(numero_errore::finestra_inizio_rallentamento, luogo_rallentamento(p, i),
                 "no free cell among " + cella_n(i - f[0]) + ", " + std::to_string(i - f[1]) + " and " +
                     std::to_string(i - f[2]) + " for a speed mark before the slowdown starting in " + cella_n(i));
    }
  }
}

// The end cell of the slowdown that starts at i: the first cell of kind 2
// after it, or -1 when the track holds none.  Marks never add or remove a
// cell of kind 2, so the walk below reaches exactly this cell.
int32_t fine_rallentamento(const scenario& s, int32_t i) {
  for (int32_t m = i + 1; m <= s.ultima_cella(); ++m) {
    if (s.celle[static_cast<size_t>(m)].tipo == kFineRallentamento) return m;
  }
  return -1;
}

// A mark every 8 cells from the start to the end; where the cell at that
// distance is taken, the one before or after it, counting on from there.
// False when a mark would be looked for past the last cell.
bool marche_interne(passata& p, int32_t i, int32_t fine) {
  int32_t n = 0;
  for (int32_t m = i + 1; m <= fine; ++m) {
    if (++n != kPassoMarche) continue;
    if (cella_libera(at(p.s, m))) {
      marca(at(p.s, m));
      n = 0;
    } else if (cella_libera(at(p.s, m - 1))) {
      marca(at(p.s, m - 1));
      n = 1;
    } else if (m + 1 > p.s.ultima_cella()) {
      p.d.errore(numero_errore::passata_fuori, luogo_rallentamento(p, i),
                 "the marks inside the slowdown starting in " + cella_n(i) + " would look at " + cella_n(m + 1) +
                     ", past the last cell of the track, " + std::to_string(p.s.ultima_cella()));
      return false;
    } else if (cella_libera(at(p.s, m + 1))) {
      marca(at(p.s, m + 1));
      n = -1;
    } else {
      // n counts on past 8: no further marks here.
      p.d.errore(numero_errore::marca_ripetuta, luogo_rallentamento(p, i),
                 "no free cell among " + cella_n(m - 1) + ", " + std::to_string(m) + " and " + std::to_string(m + 1) +
                     " for a mark inside the slowdown starting in " + cella_n(i));
    }
  }
  return true;
}

void segnale_dopo_fine(passata& p, int32_t i, int32_t m) {
  if (m + kSguardoDopoFine > p.s.ultima_cella()) {
    p.d.errore(numero_errore::passata_fuori, luogo_rallentamento(p, i),
               "the look for a signal after the slowdown ending in " + cella_n(m) + " would reach " +
                   cella_n(m + kSguardoDopoFine) + ", past the last cell of the track, " +
                   std::to_string(p.s.ultima_cella()));
    return;
  }
  for (int32_t k = m; k <= m + kSguardoDopoFine; ++k) {
    if (at(p.s, k).tipo != kSegnale) continue;
    if (!marca_prima_libera(p, {k - 1, k - 2})) {
      p.d.errore(numero_errore::marca_ripetuta, luogo_rallentamento(p, i),
                 "no free cell for the mark before the signal in " + cella_n(k) + " (" + cella_n(k - 1) + " and " +
                     cella_n(k - 2) + " are taken), after the slowdown ending in " + cella_n(m));
    }
    return;
  }
}

// A mark in cell 1 takes a slot of the identity codes: the slowdown it was
// put for is the record the clash is told at.
void nota_cella_riservata(passata& p, int32_t inizio) {
  if (!p.luoghi.cella_riservata.file.empty() || !p.s.cella_riservata_presa()) return;
  const luogo dove = luogo_rallentamento(p, inizio);
  if (!dove.file.empty()) p.luoghi.cella_riservata = dove;
}

void attorno_rallentamento(passata& p, int32_t i) {
  finestre_prima_inizio(p, i);
  nota_cella_riservata(p, i);
  const int32_t fine = fine_rallentamento(p.s, i);
  if (fine < 0) {
    p.d.errore(numero_errore::passata_fuori, luogo_rallentamento(p, i),
               "the slowdown starting in " + cella_n(i) + " has no end cell after it on the track");
    return;
  }
  // A fast slowdown gets no walk; the search for the next signal still
  // starts from its own end cell, reached without marking.
  if (at(p.s, i).valore1 < kVelocitaLenta && !marche_interne(p, i, fine)) return;
  segnale_dopo_fine(p, i, fine);
}

}  // namespace

void passata_finale(scenario& s, diagnostiche& d, luoghi_record& luoghi) {
  passata p{s, d, luoghi};
  const int32_t ultima = s.ultima_cella() - 2;
  for (int32_t i = 1; i <= ultima; ++i) {
    if (at(s, i).tipo == kAvviso) dietro_avviso(p, i);
    if (at(s, i).tipo == kInizioRallentamento) attorno_rallentamento(p, i);
  }
}

}  // namespace valdoro

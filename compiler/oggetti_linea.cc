#include "compiler/oggetti_linea.h"

#include <cmath>
#include <iterator>
#include <stdexcept>
#include <string>

#include "compiler/arrotonda.h"
#include "compiler/memo.h"
#include "compiler/stretti.h"

namespace valdoro {

namespace {

constexpr int32_t kVicinanzaMontagne = 150;  // closer spans merge into kind 3
constexpr int32_t kTipoVicino = 3;
constexpr uint8_t kIndicatore = 6;
constexpr uint8_t kSegnaMontagna = 11;
constexpr uint8_t kCartello = 14;

constexpr int32_t kPosizioneNegativa = 212;
constexpr int32_t kTroppeMontagne = 211;
constexpr int32_t kMontagnaOltre = 213;
constexpr int32_t kTroppiCartelli = 214;

// The last cell of a mountain span that ends at metre fine.
int32_t cella_fine_span(int32_t fine) { return nearest(static_cast<double>(fine) / kMetriCella - 1); }

int16_t velocita_cartello(int32_t sinistra, int32_t destra) {
  const double v = static_cast<double>(destra) / 5 + static_cast<double>(sinistra) * 20;
  if (!(v >= INT16_MIN - 0.5 && v < INT16_MAX + 0.5)) {
    // nearest16 refuses it as well; this says which values.
    throw std::range_error("board speeds " + std::to_string(sinistra) + " (left) and " + std::to_string(destra) +
                           " (right) are stored as left * 20 + right / 5 = " + std::to_string(std::llround(v)) +
                           ", which does not fit 16 bits (-32768 to 32767)");
  }
  return nearest16(v);
}

// The refusals of memo_montagna and memo_indicatori_v_max, with the values
// that caused them.
std::string rifiuto_montagna(const scenario& s, int32_t numero, int32_t inizio, int32_t fine) {
  const std::string span = "mountain span from " + std::to_string(inizio) + " m to " + std::to_string(fine) + " m";
  switch (numero) {
    case kPosizioneNegativa:
      return span + ": a position below 0 m";
    case kTroppeMontagne:
      return span + ": more than " + std::to_string(kMontagneMax) + " mountain spans";
    case kMontagnaOltre:
      return span + " ends in cell " + std::to_string(cella_fine_span(fine)) +
             ", beyond the last cell of the track, " + std::to_string(s.ultima_cella());
  }
  return span;
}

std::string rifiuto_indicatori(const scenario& s, int32_t numero, int32_t p) {
  const std::string board = "maximum-speed board at " + std::to_string(p) + " m";
  switch (numero) {
    case kPosizioneNegativa:
      return board + ": a position below 0 m";
    case 15:
      return board + ": its cell " + std::to_string(cella_oggetto(p)) + " is beyond the last cell of the track, " +
             std::to_string(s.ultima_cella());
  }
  return board + ": " + cella_occupata(s, cella_oggetto(p));
}

}  // namespace

int32_t memo_montagna(scenario& s, int32_t& inizio, int32_t& fine, int32_t& tipo) {
  if (inizio < 0 || fine < 0) return kPosizioneNegativa;
  if (s.numero_montagne >= kMontagneMax) return kTroppeMontagne;
  const int32_t prima = cella_al_metro(inizio);
  const int32_t ultima = cella_fine_span(fine);
  if (prima <= ultima && ultima > s.ultima_cella()) return kMontagnaOltre;

  bool segni = false;
  if (tipo > 10) {
    tipo -= 10;
    segni = true;
  }
  const int32_t n = ++s.numero_montagne;
  s.inizi_montagne[static_cast<size_t>(n)] = inizio;
  s.fini_montagne[static_cast<size_t>(n)] = fine;
  if (n > 1 && int64_t{inizio} - s.fini_montagne[static_cast<size_t>(n - 1)] <= kVicinanzaMontagne) {
    tipo = kTipoVicino;
  }
  for (int32_t k = prima, conta = 1; k <= ultima; ++k, ++conta) {
    cella& c = s.celle[static_cast<size_t>(k)];
    c.montagna = static_cast<uint8_t>(tipo);
    if (segni && conta % 4 == 0 && c.tipo == 0) c.tipo = kSegnaMontagna;
  }
  return 0;
}

int32_t memo_indicatori_v_max(scenario& s, int32_t posizione, const int32_t& vas, const int32_t& vbs,
                              const int32_t& vcs, const int32_t& strisces, const int32_t& vad,
                              const int32_t& vbd, const int32_t& vcd, const int32_t& strisced) {
  if (posizione < 0) return kPosizioneNegativa;
  const int32_t x = cella_oggetto(posizione);
  if (x > s.ultima_cella()) return 15;
  cella& c = s.celle[static_cast<size_t>(x)];
  if (!cella_libera(c)) return 21;
  c.tipo = kIndicatore;
  c.valore1 = velocita_cartello(vas, vad);
  c.valore2 = velocita_cartello(vbs, vbd);
  c.valore3 = velocita_cartello(vcs, vcd);
  c.valore4 = basso16(int64_t{strisces} * 10 + strisced);
  return 0;
}

esito registra_montagna(scenario& s, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  int32_t inizio = r.leggi_intero("position");
  int32_t fine = r.leggi_intero("end");
  int32_t tipo = r.leggi_intero("kind");
  if (oltre_il_binario(s, inizio)) return ferma_oltre(s, r, chiave, inizio);
  const int32_t da = inizio, a = fine;
  int32_t rifiuto = memo_montagna(s, inizio, fine, tipo);
  if (rifiuto != 0) return ferma(s, r, chiave, rifiuto, esito::ferma_subito, rifiuto_montagna(s, rifiuto, da, a));
  // memo_montagna hands the kind back as it went into the cells.
  basso8(s, r.luogo_di(chiave), "mountain kind (less 10 where it asks for markers)", tipo);
  return esito::avanti;
}

esito registra_indicatori(scenario& s, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  static constexpr const char* kCampi[] = {"position",      "left_speed_a",  "left_speed_b",
                                           "left_speed_c",  "left_stripes",  "right_speed_a",
                                           "right_speed_b", "right_speed_c", "right_stripes"};
  int32_t v[9];
  for (size_t i = 0; i < std::size(v); ++i) v[i] = r.leggi_intero(kCampi[i]);
  if (oltre_il_binario(s, v[0])) return ferma_oltre(s, r, chiave, v[0]);
  int32_t rifiuto = memo_indicatori_v_max(s, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  if (rifiuto != 0) return ferma(s, r, chiave, rifiuto, esito::ferma_subito, rifiuto_indicatori(s, rifiuto, v[0]));
  basso16(s, r.luogo_di(chiave), "board stripes strisces * 10 + strisced", int64_t{v[4]} * 10 + v[8]);
  nota_cella_riservata(s, r, chiave);
  return esito::avanti;
}

// Sign-board texts fill station rows from 80 downward; row 0 is never
// written, so the 81st board is refused.
esito registra_cartello(scenario& s, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  int32_t p = r.leggi_intero("position");
  s.voce_letta.assign(r.leggi_testo("text"));
  if (oltre_il_binario(s, p)) return ferma_oltre(s, r, chiave, p);
  if (p < 0) {
    return ferma(s, r, chiave, kPosizioneNegativa, esito::ferma_subito,
                 "sign board at " + std::to_string(p) + " m: a position below 0 m");
  }
  if (s.riga_cartelli < 1 || s.riga_cartelli > kPrimaRigaCartelli) {
    return ferma(s, r, chiave, kTroppiCartelli, esito::ferma_subito,
                 "sign board " + std::to_string(kPrimaRigaCartelli + 1) + ": the station table has rows for " +
                     std::to_string(kPrimaRigaCartelli) + " sign-board texts");
  }
  const int32_t x = cella_oggetto(p);
  cella& c = s.celle[static_cast<size_t>(x)];
  if (!cella_libera(c)) {
    return ferma(s, r, chiave, 6, esito::ferma_subito,
                 "sign board at " + std::to_string(p) + " m: " + cella_occupata(s, x));
  }
  c.tipo = kCartello;
  c.valore1 = static_cast<int16_t>(s.riga_cartelli);
  s.tabella_stazioni[static_cast<size_t>(s.riga_cartelli)].nome = s.voce_letta;
  --s.riga_cartelli;
  nota_cella_riservata(s, r, chiave);
  return esito::avanti;
}

}  // namespace valdoro

#include "compiler/oggetti_linea.h"

#include <cmath>
#include <iterator>
#include <optional>
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
std::string rifiuto_montagna(const scenario& s, numero_errore numero, int32_t inizio, int32_t fine) {
  const std::string span = "mountain span from " + std::to_string(inizio) + " m to " + std::to_string(fine) + " m";
  switch (numero) {
    case numero_errore::posizione_negativa:
      return span + ": a position below 0 m";
    case numero_errore::troppe_montagne:
      return span + ": more than " + std::to_string(kMontagneMax) + " mountain spans";
    case numero_errore::montagna_oltre:
      return span + " ends in cell " + std::to_string(cella_fine_span(fine)) + ", beyond the last cell of the track, " +
             std::to_string(s.ultima_cella());
    default:
      return span;
  }
}

std::string rifiuto_indicatori(const compilazione& comp, numero_errore numero, int32_t p) {
  const scenario& s = comp.s;
  const std::string board = "maximum-speed board at " + std::to_string(p) + " m";
  switch (numero) {
    case numero_errore::posizione_negativa:
      return board + ": a position below 0 m";
    case numero_errore::oltre_il_binario:
      return board + ": its cell " + std::to_string(cella_oggetto(p)) + " is beyond the last cell of the track, " +
             std::to_string(s.ultima_cella());
    default:
      return board + ": " + cella_occupata(comp, cella_oggetto(p));
  }
}

}  // namespace

std::optional<numero_errore> memo_montagna(compilazione& comp, int32_t& inizio, int32_t& fine, int32_t& tipo) {
  if (inizio < 0 || fine < 0) return numero_errore::posizione_negativa;
  if (comp.numero_montagne >= kMontagneMax) return numero_errore::troppe_montagne;
  const int32_t prima = cella_al_metro(inizio);
  const int32_t ultima = cella_fine_span(fine);
  if (prima <= ultima && ultima > comp.s.ultima_cella()) return numero_errore::montagna_oltre;

  bool segni = false;
  if (tipo > 10) {
    tipo -= 10;
    segni = true;
  }
  const int32_t n = ++comp.numero_montagne;
  comp.inizi_montagne[static_cast<size_t>(n)] = inizio;
  comp.fini_montagne[static_cast<size_t>(n)] = fine;
  if (n > 1 && int64_t{inizio} - comp.fini_montagne[static_cast<size_t>(n - 1)] <= kVicinanzaMontagne) {
    tipo = kTipoVicino;
  }
  for (int32_t k = prima, conta = 1; k <= ultima; ++k, ++conta) {
    cella& c = comp.s.celle[static_cast<size_t>(k)];
    c.montagna = static_cast<uint8_t>(tipo);
    if (segni && conta % 4 == 0 && c.tipo == 0) c.tipo = kSegnaMontagna;
  }
  return std::nullopt;
}

std::optional<numero_errore> memo_indicatori_v_max(compilazione& comp, int32_t posizione, const int32_t& vas,
                                                   const int32_t& vbs, const int32_t& vcs, const int32_t& strisces,
                                                   const int32_t& vad, const int32_t& vbd, const int32_t& vcd,
                                                   const int32_t& strisced) {
  if (posizione < 0) return numero_errore::posizione_negativa;
  const int32_t x = cella_oggetto(posizione);
  if (x > comp.s.ultima_cella()) return numero_errore::oltre_il_binario;
  cella& c = comp.s.celle[static_cast<size_t>(x)];
  if (!cella_libera(c)) return numero_errore::cartello_velocita_preso;
  c.tipo = kIndicatore;
  c.valore1 = velocita_cartello(vas, vad);
  c.valore2 = velocita_cartello(vbs, vbd);
  c.valore3 = velocita_cartello(vcs, vcd);
  c.valore4 = basso16(int64_t{strisces} * 10 + strisced);
  return std::nullopt;
}

esito registra_montagna(compilazione& comp, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  int32_t inizio = r.leggi_intero("position");
  int32_t fine = r.leggi_intero("end");
  int32_t tipo = r.leggi_intero("kind");
  if (oltre_il_binario(comp.s, inizio)) return ferma_oltre(comp, r, chiave, inizio);
  const int32_t da = inizio, a = fine;
  const std::optional<numero_errore> rifiuto = memo_montagna(comp, inizio, fine, tipo);
  if (rifiuto) return ferma(comp, r, chiave, *rifiuto, esito::ferma_subito, rifiuto_montagna(comp.s, *rifiuto, da, a));
  // memo_montagna hands the kind back as it went into the cells.
  basso8(comp, r.luogo_di(chiave), "mountain kind (less 10 where it asks for markers)", tipo);
  return esito::avanti;
}

esito registra_indicatori(compilazione& comp, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  static constexpr const char* kCampi[] = {"position",      "left_speed_a",  "left_speed_b",
                                           "left_speed_c",  "left_stripes",  "right_speed_a",
                                           "right_speed_b", "right_speed_c", "right_stripes"};
  int32_t v[9];
  for (size_t i = 0; i < std::size(v); ++i) v[i] = r.leggi_intero(kCampi[i]);
  if (oltre_il_binario(comp.s, v[0])) return ferma_oltre(comp, r, chiave, v[0]);
  const std::optional<numero_errore> rifiuto =
      memo_indicatori_v_max(comp, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  if (rifiuto) {
    return ferma(
        comp, r, chiave, *rifiuto, esito::ferma_subito, rifiuto_indicatori(comp, *rifiuto, v[0]),
        *rifiuto == numero_errore::cartello_velocita_preso ? titolare_cella(comp, cella_oggetto(v[0])) : luogo{});
  }
  nota_titolare(comp, cella_oggetto(v[0]), r.luogo_di(chiave));
  basso16(comp, r.luogo_di(chiave), "board stripes strisces * 10 + strisced", int64_t{v[4]} * 10 + v[8]);
  nota_cella_riservata(comp, r, chiave);
  return esito::avanti;
}

// Sign-board texts fill station rows from 80 downward; row 0 is never
// written, so the 81st board is refused.
esito registra_cartello(compilazione& comp, lettore& r) {
  lettore::punto chiave = r.punto_voce();
  int32_t p = r.leggi_intero("position");
  comp.voce_letta.assign(r.leggi_testo("text"));
  if (oltre_il_binario(comp.s, p)) return ferma_oltre(comp, r, chiave, p);
  if (p < 0) {
    return ferma(comp, r, chiave, numero_errore::posizione_negativa, esito::ferma_subito,
                 "sign board at " + std::to_string(p) + " m: a position below 0 m");
  }
  if (comp.riga_cartelli < 1 || comp.riga_cartelli > kPrimaRigaCartelli) {
    return ferma(comp, r, chiave, numero_errore::troppi_cartelli, esito::ferma_subito,
                 "sign board " + std::to_string(kPrimaRigaCartelli + 1) + ": the station table has rows for " +
                     std::to_string(kPrimaRigaCartelli) + " sign-board texts");
  }
  const int32_t x = cella_oggetto(p);
  cella& c = comp.s.celle[static_cast<size_t>(x)];
  if (!cella_libera(c)) {
    return ferma(comp, r, chiave, numero_errore::cartello_su_cella_presa, esito::ferma_subito,
                 "sign board at " + std::to_string(p) + " m: " + cella_occupata(comp, x), titolare_cella(comp, x));
  }
  c.tipo = kCartello;
  nota_titolare(comp, x, r.luogo_di(chiave));
  c.valore1 = static_cast<int16_t>(comp.riga_cartelli);
  comp.s.tabella_stazioni[static_cast<size_t>(comp.riga_cartelli)].nome = comp.voce_letta;
  --comp.riga_cartelli;
  nota_cella_riservata(comp, r, chiave);
  return esito::avanti;
}

}  // namespace valdoro

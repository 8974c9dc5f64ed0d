#include "compiler/stazioni.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "compiler/arrotonda.h"
#include "compiler/memo.h"
#include "model/errori.h"

namespace valdoro {

namespace {

constexpr int32_t kMargineStazione = 800;   // keeps the station cell of a short area on the track
constexpr int32_t kDistanzaStazioni = 350;  // between one area's end and the next one's start
constexpr int32_t kLunghezzaConCampo5 = 600;
constexpr int32_t kCodaStazioneTesta = 150;  // kinds 5 and 6 end this far past the position
constexpr int32_t kProlungamento = 50;       // campo6 not 0 lengthens the area of other kinds
constexpr uint8_t kPrimoTipoSenzaCelle = 25;
constexpr uint8_t kCellaStazione = 10;
constexpr uint8_t kPrimoAnnuncio = 80;
constexpr int32_t kAnnunci = 4;

bool testa(uint8_t tipo) { return tipo == 5 || tipo == 6; }
bool lunga(uint8_t tipo) { return tipo == 7 || tipo == 8; }

bool stazione_oltre(const scenario& s, int32_t p) {
  return s.ultima_cella() < (static_cast<double>(p) + kMargineStazione) / kMetriCella;
}

// The highest row a station may take: rows above riga_cartelli hold the
// sign-board texts.
int32_t ultima_riga_stazioni(const compilazione& comp) { return std::min(comp.riga_cartelli, kPrimaRigaCartelli); }

int32_t orario(int32_t ore, int32_t minuti, int32_t secondi) {
  const int64_t t = (int64_t{ore} * 60 + minuti) * 60 + secondi;
  if (t < INT32_MIN || t > INT32_MAX) {
    throw std::range_error("time " + std::to_string(ore) + " h " + std::to_string(minuti) + " min " +
                           std::to_string(secondi) + " s is " + std::to_string(t) +
                           " s, which does not fit its field's 32 bits");
  }
  return static_cast<int32_t>(t);
}

// Values 4 to 17, each into its own width.
void leggi_campi(riga_stazione& riga, lettore& r) {
  riga.campo4 = r.leggi_byte("value_4");
  riga.campo5 = r.leggi_byte("value_5");
  riga.campo6 = r.leggi_byte("longer_area");
  riga.campo7 = r.leggi_intero16("value_7");
  riga.campo8 = r.leggi_intero16("value_8");
  riga.campo9 = r.leggi_byte("value_9");
  riga.campo10 = r.leggi_intero16("value_10");
  riga.campo11 = r.leggi_intero16("value_11");
  riga.campo12 = r.leggi_intero16("value_12");
  riga.campo13 = r.leggi_byte("stop_time");
  const int32_t ore = r.leggi_intero("hours");
  const int32_t minuti = r.leggi_intero("minutes");
  const int32_t secondi = r.leggi_intero("seconds");
  riga.orario = orario(ore, minuti, secondi);
  riga.nome.assign(r.leggi_testo("name"));
}

// Through nearest() so that an area that does not fit 32 bits is a fault.
void calcola_area(riga_stazione& riga, int32_t lunghezza) {
  const double p = riga.progressiva;
  if (testa(riga.tipo)) {
    riga.inizio = nearest(p - lunghezza);
    riga.fine = nearest(p + kCodaStazioneTesta);
    riga.campo6 = 0;
  } else if (lunga(riga.tipo)) {
    riga.inizio = nearest(p - lunghezza);
    riga.fine = nearest(p + lunghezza);
    riga.campo6 = 0;
  } else {
    riga.inizio = nearest(p - lunghezza / 2.0);
    riga.fine = nearest(p + lunghezza / 2.0 + (riga.campo6 != 0 ? kProlungamento : 0));
  }
}

// The station cell just before the end of the area, and the four
// announcement marks before it (not for kinds 5 and 6).
esito segna_binario(compilazione& comp, const lettore& r, lettore::punto chiave, const riga_stazione& riga,
                    int32_t numero_riga) {
  if (riga.tipo >= kPrimoTipoSenzaCelle) return esito::avanti;
  const double f = static_cast<double>(riga.fine) / kMetriCella;
  const bool cella_valida = f - 1 > 1;
  if (cella_valida && nearest(f - 1) > comp.s.ultima_cella()) {
    return ferma(comp, r, chiave, numero_errore::stazione_oltre, esito::ferma_subito,
                 "station area ends at " + std::to_string(riga.fine) + " m: its station cell " +
                     std::to_string(nearest(f - 1)) + " is beyond the last cell of the track, " +
                     std::to_string(comp.s.ultima_cella()));
  }
  if (!testa(riga.tipo)) {
    for (int32_t k = 1; k <= kAnnunci; ++k) {
      if (f - k - 1 > 1)
        comp.s.celle[static_cast<size_t>(nearest(f - k - 1))].annuncio = static_cast<uint8_t>(kPrimoAnnuncio + k);
    }
  }
  if (!cella_valida) {
    return ferma(comp, r, chiave, numero_errore::fine_stazione_in_testa, esito::ferma_subito,
                 "station area ends at " + std::to_string(riga.fine) +
                     " m: its station cell would fall on cell 1 or before; the area must end beyond 100 m");
  }
  cella& c = comp.s.celle[static_cast<size_t>(nearest(f - 1))];
  c.tipo = kCellaStazione;
  nota_titolare(comp, nearest(f - 1), r.luogo_di(chiave));
  c.valore1 = static_cast<int16_t>(numero_riga);
  return esito::avanti;
}

// Error 10: the row a station would take and the rows the sign-board
// texts of the line source hold.
std::string righe_esaurite(const compilazione& comp, int32_t riga) {
  const int32_t cartelli = kPrimaRigaCartelli - comp.riga_cartelli;
  return "station row " + std::to_string(riga) + " reaches the rows kept for the sign-board texts: with " +
         std::to_string(cartelli) + " sign boards at most " + std::to_string(std::max(comp.riga_cartelli - 2, 0)) +
         " stations fit";
}

}  // namespace

esito registra_stazione(compilazione& comp, lettore& r, int32_t& riga_corrente) {
  const lettore::punto chiave = r.punto_voce();
  const int32_t n = riga_corrente;
  if (n < 1 || n > ultima_riga_stazioni(comp))
    return ferma(comp, r, chiave, numero_errore::righe_stazioni_esaurite, esito::ferma_subito, righe_esaurite(comp, n));
  riga_stazione& riga = comp.s.tabella_stazioni[static_cast<size_t>(n)];
  riga.progressiva = r.leggi_intero("position");
  if (stazione_oltre(comp.s, riga.progressiva)) return ferma_oltre(comp, r, chiave, riga.progressiva, kMargineStazione);
  if (riga.progressiva % 50 != 0) {
    return ferma(comp, r, chiave, numero_errore::stazione_fuori_griglia, esito::ferma_subito,
                 "station position " + std::to_string(riga.progressiva) + " m is not a multiple of 50 m");
  }
  riga.tipo = r.leggi_byte("kind");
  const int32_t lunghezza = r.leggi_intero("length");
  if (lunghezza % 100 != 0) {
    return ferma(comp, r, chiave, numero_errore::lunghezza_stazione, esito::ferma_subito,
                 "station length " + std::to_string(lunghezza) + " m is not a multiple of 100 m");
  }
  leggi_campi(riga, r);
  calcola_area(riga, lunghezza);
  if (lunghezza < kLunghezzaConCampo5) riga.campo5 = 0;
  if (n == 1) riga.campo5 = riga.campo6 = 0;
  const esito e = segna_binario(comp, r, chiave, riga, n);
  if (e != esito::avanti) return e;
  const int32_t fine_prima = comp.s.tabella_stazioni[static_cast<size_t>(n - 1)].fine;
  if (n > 1 && int64_t{riga.inizio} - kDistanzaStazioni < fine_prima) {
    return ferma(comp, r, chiave, numero_errore::stazioni_vicine, esito::ferma_subito,
                 "station area starts at " + std::to_string(riga.inizio) + " m, less than " +
                     std::to_string(kDistanzaStazioni) + " m after the previous one ends, at " +
                     std::to_string(fine_prima) + " m: it must start at " +
                     std::to_string(int64_t{fine_prima} + kDistanzaStazioni) + " m or later");
  }
  riga_corrente = n + 1;
  if (riga_corrente >= comp.riga_cartelli) {
    return ferma(comp, r, chiave, numero_errore::righe_stazioni_esaurite, esito::ferma_subito,
                 righe_esaurite(comp, riga_corrente));
  }
  return esito::avanti;
}

}  // namespace valdoro

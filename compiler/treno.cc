#include "compiler/treno.h"

#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/arrotonda.h"
#include "compiler/lettore.h"
#include "compiler/memo.h"
#include "compiler/record.h"
#include "compiler/stazioni.h"
#include "compiler/stretti.h"
#include "model/errori.h"
#include "model/tabelle.h"

namespace valdoro {

namespace {

constexpr int kCodaBinario = 3;  // the last cells keep what the line half left
constexpr int kPrimaRigaProgressive = 81;
constexpr int kUltimaRigaProgressive = 83;

struct stato_treno {
  int32_t punto_riempimento_velocita = 0;
  int32_t punto_riempimento_aderenza = 0;
  int32_t velocita_in_vigore = 0;
  int32_t aderenza_in_vigore = 0;
  int32_t riga_corrente = 1;
  int64_t ultima_velocita = INT64_MIN;  // positions of the records before
  int64_t ultima_aderenza = INT64_MIN;
  // Where the values in force were written: a value that does not fit the
  // cells is found only when a later record or the tail fills them.
  lettore::punto dove_velocita, dove_aderenza;
  int32_t record_letti = 0;
  std::string chiave_linea;  // the first item that is a key of the line source
};

// The line source's route length: a train source never holds it, so a
// train source that does is the line source given in its place.
bool chiave_della_linea(std::string_view voce) { return contiene(voce, "lunghezza") && contiene(voce, "percorso"); }

// The highest speed a cell holds: nearest(kmh / 5) up to 255, halves to even.
constexpr int32_t kVelocitaMassima = 1277;

uint8_t velocita_in_cella(int32_t kmh) {
  const int32_t v = nearest(kmh / static_cast<double>(kPassoVelocita));
  if (v < 0 || v > UINT8_MAX) {
    throw std::range_error("speed " + std::to_string(kmh) +
                           " km/h does not fit its cell, which holds km/h / 5 in 8 bits: 0 to " +
                           std::to_string(kVelocitaMassima) + " km/h");
  }
  return static_cast<uint8_t>(v);
}

// A value in force that does not fit the cells is a fault of the record
// that wrote it, told at its value.
template <typename F>
void al_valore(const lettore& r, lettore::punto dove, F riempimento) {
  try {
    riempimento();
  } catch (const std::range_error& e) {
    throw errore_lettura(e.what(), r.luogo_di(dove));
  }
}

uint8_t aderenza_in_cella(int32_t a) { return basso8(a); }

using conversione = uint8_t (*)(int32_t);

// One of the two lists that fill a member of the cells from a position on.
struct elenco_lungo_linea {
  const char* nome;  // as the warnings name it
  uint8_t cella::*membro;
  conversione valore;
  bool tiene_bassi;  // the member keeps the low bits of the value as written
};

constexpr elenco_lungo_linea kVelocita{"speed", &cella::velocita, velocita_in_cella, false};
constexpr elenco_lungo_linea kAderenza{"adhesion", &cella::aderenza, aderenza_in_cella, true};

// The value in force into the cells from the fill point up to the one
// before k, at least one cell whenever k > 0.  The fill point never passes
// the last cell: out-of-order records would otherwise push it on by one each.
void riempi(compilazione& comp, int32_t& punto, int32_t k, uint8_t cella::*membro, conversione valore,
            int32_t in_vigore) {
  if (k <= 0) return;
  do {
    if (punto >= comp.s.ultima_cella()) return;
    comp.s.celle[static_cast<size_t>(punto)].*membro = valore(in_vigore);
    ++punto;
  } while (punto < k);
}

// From the fill point up to cell UB - 3, once at least, while on the track.
void coda(compilazione& comp, int32_t& punto, uint8_t cella::*membro, conversione valore, int32_t in_vigore) {
  do {
    if (punto > comp.s.ultima_cella()) return;
    comp.s.celle[static_cast<size_t>(punto)].*membro = valore(in_vigore);
    ++punto;
  } while (punto < comp.s.ultima_cella() - (kCodaBinario - 1));
}

// ---- records ----

esito massa_frenata(compilazione& comp, lettore& r, stato_treno&) {
  comp.s.tabella_stazioni[kRigaParametri].inizio = r.leggi_intero("braked_weight");
  return esito::avanti;
}

esito numero_vetture(compilazione& comp, lettore& r, stato_treno&) {
  comp.s.tabella_stazioni[kRigaParametri].progressiva = r.leggi_intero("coaches");
  return esito::avanti;
}

esito orologio(compilazione& comp, lettore& r, stato_treno&) {
  riga_stazione& riga = comp.s.tabella_stazioni[kRigaTreno];
  riga.campo10 = r.leggi_intero16("hours");
  riga.campo11 = r.leggi_intero16("minutes");
  riga.campo12 = r.leggi_intero16("seconds");
  return esito::avanti;
}

esito sabbia(compilazione& comp, lettore& r, stato_treno&) {
  comp.s.tabella_stazioni[kRigaTreno].campo7 = r.leggi_intero16("sand");
  return esito::avanti;
}

// A speed or adhesion record: position and value.  The value in force so
// far fills the cells up to the record's cell; the record's value is in
// force from there.
esito valore_lungo_linea(compilazione& comp, lettore& r, int32_t& punto, int32_t& in_vigore, int64_t& ultima,
                         lettore::punto& dove_in_vigore, const elenco_lungo_linea& e) {
  const lettore::punto chiave = r.punto_voce();
  const int32_t p = r.leggi_intero("position");
  const lettore::punto posizione = r.punto_voce();
  const int32_t nuovo = r.leggi_intero(e.nome);
  const lettore::punto valore = r.punto_voce();
  if (oltre_il_binario(comp.s, p)) return ferma_oltre(comp, r, chiave, p);
  controlla_ordine(comp, r, posizione, e.nome, p, ultima);
  if (e.tiene_bassi) basso8(comp, r.luogo_di(valore), e.nome, nuovo);
  al_valore(r, dove_in_vigore, [&] { riempi(comp, punto, cella_al_metro(p), e.membro, e.valore, in_vigore); });
  in_vigore = nuovo;
  dove_in_vigore = valore;
  return esito::avanti;
}

esito velocita(compilazione& comp, lettore& r, stato_treno& st) {
  return valore_lungo_linea(comp, r, st.punto_riempimento_velocita, st.velocita_in_vigore, st.ultima_velocita,
                            st.dove_velocita, kVelocita);
}

esito aderenza(compilazione& comp, lettore& r, stato_treno& st) {
  return valore_lungo_linea(comp, r, st.punto_riempimento_aderenza, st.aderenza_in_vigore, st.ultima_aderenza,
                            st.dove_aderenza, kAderenza);
}

// Signals and slowdowns stop on any pending code, a 15 left by the line
// half included, once they are stored.
esito dopo_memo(const compilazione& comp) { return comp.d.codice_errore() > 0 ? esito::ferma_subito : esito::avanti; }

esito segnale(compilazione& comp, lettore& r, stato_treno&) {
  const lettore::punto chiave = r.punto_voce();
  dati_segnale d;
  static constexpr const char* kCampi[] = {"position", "sx", "s1", "s2", "s3", "rapp", "dx", "d1", "d2", "d3", "tempo"};
  int32_t* const valori[] = {&d.posizione, &d.sx, &d.s1, &d.s2, &d.s3, &d.rapp, &d.dx, &d.d1, &d.d2, &d.d3, &d.tempo};
  for (size_t i = 0; i < std::size(valori); ++i) *valori[i] = r.leggi_intero(kCampi[i]);
  if (oltre_il_binario(comp.s, d.posizione)) return ferma_oltre(comp, r, chiave, d.posizione);
  memo_segnale(comp, d, r.luogo_di(chiave));
  nota_cella_riservata(comp, r, chiave);
  return dopo_memo(comp);
}

esito rallentamento(compilazione& comp, lettore& r, stato_treno&) {
  const lettore::punto chiave = r.punto_voce();
  dati_rallentamento d;
  static constexpr const char* kCampi[] = {"position", "speed", "length", "f_tt", "f_ta", "d_v"};
  int32_t* const valori[] = {&d.x, &d.v, &d.l, &d.f_tt, &d.f_ta, &d.d_v};
  for (size_t i = 0; i < std::size(valori); ++i) *valori[i] = r.leggi_intero(kCampi[i]);
  if (oltre_il_binario(comp.s, d.x)) return ferma_oltre(comp, r, chiave, d.x);
  memo_rallentamento(comp, d, r.luogo_di(chiave));
  nota_cella_riservata(comp, r, chiave);
  return dopo_memo(comp);
}

esito abbattimento(compilazione& comp, lettore& r, stato_treno&) {
  const lettore::punto chiave = r.punto_voce();
  const int32_t p = r.leggi_intero("position");
  const int32_t valore = r.leggi_intero("value");
  if (oltre_il_binario(comp.s, p)) return ferma_oltre(comp, r, chiave, p);
  const bool preso = memo_abbattimento(comp, p, valore, r.luogo_di(chiave));
  nota_cella_riservata(comp, r, chiave);
  return preso ? esito::avanti : esito::ferma_subito;
}

esito stazione(compilazione& comp, lettore& r, stato_treno& st) { return registra_stazione(comp, r, st.riga_corrente); }

// ---- dispatch ----

struct chiave_treno {
  const char* prima;
  const char* seconda;  // nullptr: the first alone decides
  esito (*azione)(compilazione&, lettore&, stato_treno&);
};

const chiave_treno kChiavi[] = {
    {"frenata", "massa", massa_frenata},     {"vetture", nullptr, numero_vetture},
    {"velocit", nullptr, velocita},          {"aderenza", nullptr, aderenza},
    {"orologio", nullptr, orologio},         {"sabbia", nullptr, sabbia},
    {"segnale", nullptr, segnale},           {"rallentamento", nullptr, rallentamento},
    {"abbattimento", nullptr, abbattimento}, {"stazione", nullptr, stazione},
};

bool corrisponde(const std::string& voce, const chiave_treno& k) {
  return contiene(voce, k.prima) && (k.seconda == nullptr || contiene(voce, k.seconda));
}

// Every key is tried on the same item, whatever the keys before it read.
esito applica_chiavi_treno(compilazione& comp, lettore& r, stato_treno& st) {
  const std::string voce = comp.voce_letta;
  if (st.chiave_linea.empty() && chiave_della_linea(voce)) st.chiave_linea = voce;
  for (const chiave_treno& k : kChiavi) {
    if (!corrisponde(voce, k)) continue;
    ++st.record_letti;
    const esito e = k.azione(comp, r, st);
    if (e != esito::avanti) return e;
  }
  return esito::avanti;
}

// Rows 81 to 83 come from the line source, but only here are both halves
// done with them.  The ordering moves whole records, so a row off the grid
// holds one of the records the line half noted as such.
void controlla_progressive(compilazione& comp) {
  for (int riga = kPrimaRigaProgressive; riga <= kUltimaRigaProgressive; ++riga) {
    const riga_stazione& t = comp.s.tabella_stazioni[riga];
    if (t.inizio % 50 == 0 && t.fine % 50 == 0) continue;
    luogo dove;
    for (const luogo& l : comp.luoghi_progressive_storte) {
      if (!l.file.empty() && (dove.file.empty() || l.riga < dove.riga)) dove = l;
    }
    comp.d.errore(numero_errore::progressiva_fuori_griglia, dove,
                  "kilometre progressive of row " + std::to_string(riga) + ": start " + std::to_string(t.inizio) +
                      " m and offset " + std::to_string(t.fine) +
                      " m (as stored, with its flag) must both be multiples of 50 m");
  }
}

// A train source of which nothing was compiled is no train at all: the
// compile goes on as it always has, but the author hears of it.
void avvisa_senza_generale(compilazione& comp, const lettore& r) {
  if (contiene(comp.voce_letta, "[generale]")) {
    avvisa(comp, kAvvisoTrenoVuoto, r, r.punto_voce(),
           "\"[generale]\" is the last item of the train source: nothing follows it, so nothing of it was compiled");
  } else {
    comp.d.segnala(kAvvisoTrenoVuoto, r.luogo_di({1, 1}),
                   "no \"[generale]\" in the train source: nothing of it was compiled");
  }
}

// The train source from its "[generale]" to the end of its records.
esito leggi_treno(compilazione& comp, lettore& r, stato_treno& st) {
  if (!cerca_generale(comp, r)) {
    avvisa_senza_generale(comp, r);
    return esito::avanti;
  }
  const lettore::punto generale = r.punto_voce();
  const esito e = fase_record(comp, r, [&] { return applica_chiavi_treno(comp, r, st); });
  controlla_fine(comp, r);
  if (st.record_letti == 0) {
    avvisa(comp, kAvvisoTrenoVuoto, r, generale,
           st.chiave_linea.empty()
               ? "no train record follows \"[generale]\" (is this a line source?): nothing of it was compiled"
               : "no train record follows \"[generale]\", but \"" + st.chiave_linea +
                     "\", a key of the line source, does: the line source was given as the train source, and "
                     "nothing of it was compiled");
  }
  return e;
}

}  // namespace

void compila_treno(compilazione& comp, const std::string& testo, const std::string& nome) {
  lettore r(testo, nome);
  stato_treno st;
  esito e = esito::avanti;
  try {
    e = leggi_treno(comp, r, st);
  } catch (const std::range_error& guasto) {
    // A value that reads but does not fit what it is stored in.
    throw errore_lettura(guasto.what(), r.luogo_voce(), true);
  }
  if (e == esito::ferma_subito) return;
  al_valore(r, st.dove_velocita, [&] {
    coda(comp, st.punto_riempimento_velocita, &cella::velocita, velocita_in_cella, st.velocita_in_vigore);
  });
  coda(comp, st.punto_riempimento_aderenza, &cella::aderenza, aderenza_in_cella, st.aderenza_in_vigore);
  controlla_progressive(comp);
}

}  // namespace valdoro

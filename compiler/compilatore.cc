#include "compiler/compilatore.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "compiler/lettore.h"
#include "compiler/linea.h"
#include "compiler/oggetti_linea.h"
#include "compiler/treno.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "util/file.h"

namespace valdoro {

namespace {

constexpr int32_t kTrappola = 25;
constexpr int32_t kSenzaLinea = 101;
constexpr int32_t kSenzaGenerale = 102;
constexpr int32_t kSenzaBinario = 210;
constexpr int kTrattiniGenerali = 10;  // items with "-" passed over in a row

// The first section header after "[generale]" ends the general phase.
bool e_intestazione(std::string_view voce) {
  size_t primo = voce.find_first_not_of(' ');
  bool trattino = primo != std::string_view::npos && voce[primo] == '-';
  return voce.find('[') != std::string_view::npos && voce.find(']') != std::string_view::npos && !trattino;
}

// The general keys of the train source, which a line source never holds:
// one of them in the line source's general section means the two sources
// were given the other way round.
bool chiave_del_treno(std::string_view voce) {
  for (const char* chiave : {"vetture", "frenata", "orologio", "sabbia"}) {
    if (contiene(voce, chiave)) return true;
  }
  return false;
}

esito fase_generale(scenario& s, lettore& r, std::string& chiave_treno) {
  for (;;) {
    if (r.esaurito()) return esito::avanti;
    s.voce_letta.assign(r.leggi_testo());
    if (r.esaurito()) return esito::avanti;
    for (int i = 0; i < kTrattiniGenerali && ha_trattino(s.voce_letta); ++i) s.voce_letta.assign(r.leggi_testo());
    if (chiave_treno.empty() && chiave_del_treno(s.voce_letta)) chiave_treno = s.voce_letta;
    esito e = applica_chiavi_generali(s, r);
    if (e != esito::avanti) return e;
    if (e_intestazione(s.voce_letta)) return esito::avanti;
  }
}

// Each key is tried on the same item whatever the keys before it read.
esito applica_chiavi_record(scenario& s, lettore& r, stato_linea& st) {
  const std::string& v = s.voce_letta;
  esito e = esito::avanti;
  if (contiene(v, "pendenza")) e = registra_pendenza(s, r, st);
  if (e == esito::avanti && s.con_profilo != 0 && contiene(v, "curva")) e = registra_curva(s, r, st);
  if (e == esito::avanti && contiene(v, "montagna")) e = registra_montagna(s, r);
  if (e == esito::avanti && contiene(v, "indicatori_v")) e = registra_indicatori(s, r);
  // Last: the sign-board record reads its text into voce_letta.
  if (e == esito::avanti && contiene(v, "cartello") && contiene(v, "indicat")) e = registra_cartello(s, r);
  return e;
}


// The line source after its "[generale]": general keys, then records.
esito leggi_dopo_generale(scenario& s, lettore& r, stato_linea& st) {
  std::string chiave_treno;
  esito e = fase_generale(s, r, chiave_treno);
  if (e != esito::avanti) return e;
  progressive_ordina(s);
  s.numero_montagne = 0;
  s.riga_cartelli = kPrimaRigaCartelli;
  // Every record and the closing fills write into the track.
  if (s.celle.empty()) {
    std::string testo = significato_errore(kSenzaBinario) +
                        " (no item of the general section, which ends here, holds \"lunghezza\" and \"percorso\")";
    if (!chiave_treno.empty()) {
      testo += "; its general section holds \"" + chiave_treno +
               "\", a key of the train source: are the line source and the train source given the other way round?";
    }
    return ferma(s, r, r.punto_voce(), kSenzaBinario, esito::ferma_subito, std::move(testo));
  }
  semina_profilo(s, st);
  return fase_record(s, r, [&] { return applica_chiavi_record(s, r, st); });
}

// Everything the line source says, up to the end of its records.
esito leggi_linea(scenario& s, lettore& r, stato_linea& st) {
  if (!cerca_generale(s, r)) {
    // An item "[generale]" that is the last one was found, but nothing of
    // the section follows it.
    std::string testo = contiene(s.voce_letta, "[generale]") ? kGeneraleVuota : "";
    registra_errore(s, kSenzaGenerale, r.luogo_voce(), testo);
    return esito::ferma_subito;
  }
  const esito e = leggi_dopo_generale(s, r, st);
  controlla_fine(s, r);
  return e;
}

// False when the line half stopped at once: the train source is not read.
bool compila_linea(scenario& s, lettore& r, const std::filesystem::path& sorgente) {
  stato_linea st;
  esito e = leggi_linea(s, r, st);
  cancella_file(sorgente);
  if (e == esito::ferma_subito) return false;
  riempimenti_finali(s, st);
  return true;
}

// What could not be read, and in which record: the keyword item the record
// was recognised by is still the current item.
std::string testo_trappola(const scenario& s, const errore_lettura& e) {
  if (!e.in_record()) return e.what();
  return "record \"" + s.voce_letta + "\", " + e.what();
}

void cancella_se_esiste(const std::filesystem::path& percorso) {
  try {
    if (esiste_file(percorso)) cancella_file(percorso);
  } catch (const std::exception&) {
    // The trap records 25 whatever happens to the files.
  }
}

}  // namespace

void memorizza_dati(scenario& s, const std::filesystem::path& cartella) {
  s.avvisi.clear();
  s.luogo_cella_riservata = {};
  s.luoghi_progressive_storte = {};
  s.luoghi_inizi_rallentamento.clear();
  s.tabella_stazioni[kRigaLinea].nome = s.nome_linea;
  s.tabella_stazioni[kRigaTreno].nome = s.nome_treno;
  const std::string nome_linea = file_sorgente_linea(s.nome_linea);
  const std::string nome_treno = file_sorgente_treno(s.nome_linea, s.nome_treno);
  const std::filesystem::path linea = cartella / nome_linea;
  const std::filesystem::path treno = cartella / nome_treno;
  if (!esiste_file(linea)) {
    registra_errore(s, kSenzaLinea, {nome_linea, 0, 0});
    return;
  }

  std::string testo;
  std::optional<lettore> r;
  bool in_treno = false;
  try {
    testo = leggi_file(linea);
    r.emplace(testo, nome_linea);
    if (!compila_linea(s, *r, linea)) return;
    in_treno = true;
    compila_treno(s, treno);
  } catch (const errore_file&) {
    // A source the file system lost or will not let go is no fault of the
    // source: the caller must not take the half-filled tables for a
    // compiled scenario.
    cancella_se_esiste(linea);
    cancella_se_esiste(treno);
    throw;
  } catch (const errore_lettura& e) {
    cancella_se_esiste(linea);
    cancella_se_esiste(treno);
    registra_errore(s, kTrappola, e.dove(), testo_trappola(s, e));
  } catch (const std::range_error& e) {
    // A value of the line half that reads but does not fit what it is
    // stored in (the train half tells its own as errore_lettura): the last
    // item read is the record's.
    cancella_se_esiste(linea);
    cancella_se_esiste(treno);
    luogo dove = in_treno ? luogo{nome_treno, 0, 0} : !r ? luogo{nome_linea, 0, 0} : r->luogo_voce();
    registra_errore(s, kTrappola, dove, "record \"" + s.voce_letta + "\", " + e.what());
  } catch (const std::exception&) {
    // Other faults carry no place: the last item read stands for it.
    cancella_se_esiste(linea);
    cancella_se_esiste(treno);
    luogo dove = in_treno ? luogo{nome_treno, 0, 0} : !r ? luogo{nome_linea, 0, 0} : r->luogo_voce();
    registra_errore(s, kTrappola, dove);
  }
}

}  // namespace valdoro

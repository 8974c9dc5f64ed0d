#include "compiler/compilatore.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "compiler/lettore.h"
#include "compiler/linea.h"
#include "compiler/oggetti_linea.h"
#include "compiler/record.h"
#include "compiler/treno.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "util/file.h"

namespace valdoro {

namespace {

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

esito fase_generale(compilazione& comp, lettore& r, std::string& chiave_treno) {
  for (;;) {
    if (r.esaurito()) return esito::avanti;
    comp.voce_letta.assign(r.leggi_testo());
    if (r.esaurito()) return esito::avanti;
    for (int i = 0; i < kTrattiniGenerali && ha_trattino(comp.voce_letta); ++i) comp.voce_letta.assign(r.leggi_testo());
    if (chiave_treno.empty() && chiave_del_treno(comp.voce_letta)) chiave_treno = comp.voce_letta;
    esito e = prova_record(comp, r, [&] { return applica_chiavi_generali(comp, r); });
    if (e != esito::avanti && !comp.recupera()) return e;
    if (e_intestazione(comp.voce_letta)) return esito::avanti;
  }
}

// Each key is tried on the same item whatever the keys before it read.
esito applica_chiavi_record(compilazione& comp, lettore& r, stato_linea& st) {
  const std::string& v = comp.voce_letta;
  esito e = esito::avanti;
  if (contiene(v, "pendenza")) e = registra_pendenza(comp, r, st);
  if (e == esito::avanti && comp.s.con_profilo != 0 && contiene(v, "curva")) e = registra_curva(comp, r, st);
  if (e == esito::avanti && contiene(v, "montagna")) e = registra_montagna(comp, r);
  if (e == esito::avanti && contiene(v, "indicatori_v")) e = registra_indicatori(comp, r);
  // Last: the sign-board record reads its text into voce_letta.
  if (e == esito::avanti && contiene(v, "cartello") && contiene(v, "indicat")) e = registra_cartello(comp, r);
  return e;
}

// The line source after its "[generale]": general keys, then records.
esito leggi_dopo_generale(compilazione& comp, lettore& r, stato_linea& st) {
  std::string chiave_treno;
  esito e = fase_generale(comp, r, chiave_treno);
  if (e != esito::avanti) return e;
  progressive_ordina(comp);
  comp.numero_montagne = 0;
  comp.riga_cartelli = kPrimaRigaCartelli;
  // Every record and the closing fills write into the track.  A run that
  // read on past a refused route length has already said why there is none.
  if (comp.s.celle.empty()) {
    if (comp.recupera() && comp.d.errori() > 0) return esito::ferma_subito;
    std::string testo = std::string(regola_di(numero_errore::senza_binario).descrizione) +
                        " (no item of the general section, which ends here, holds \"lunghezza\" and \"percorso\")";
    if (!chiave_treno.empty()) {
      testo += "; its general section holds \"" + chiave_treno +
               "\", a key of the train source: are the line source and the train source given the other way round?";
    }
    return ferma(comp, r, r.punto_voce(), numero_errore::senza_binario, esito::ferma_subito, std::move(testo));
  }
  semina_profilo(comp, st);
  return fase_record(comp, r, [&] { return applica_chiavi_record(comp, r, st); });
}

// Everything the line source says, up to the end of its records.
esito leggi_linea(compilazione& comp, lettore& r, stato_linea& st) {
  if (!cerca_generale(comp, r)) {
    // An item "[generale]" that is the last one was found, but nothing of
    // the section follows it.
    std::string testo = contiene(comp.voce_letta, "[generale]") ? kGeneraleVuota : "";
    comp.d.errore(numero_errore::senza_generale, r.luogo_voce(), testo);
    return esito::ferma_subito;
  }
  const esito e = leggi_dopo_generale(comp, r, st);
  controlla_fine(comp, r);
  return e;
}

// False when the line half stopped at once: the train source is not read.
bool compila_linea(compilazione& comp, lettore& r, fonte_sorgenti& fonte, const std::string& nome) {
  stato_linea st;
  esito e = leggi_linea(comp, r, st);
  fonte.consumata(nome);
  if (e == esito::ferma_subito) return false;
  riempimenti_finali(comp, st);
  return true;
}

// The sources are let go however the compile ends.
void lascia(fonte_sorgenti& fonte, const std::string& nome) {
  try {
    fonte.consumata(nome);
  } catch (const std::exception&) {
    // The fault already in hand is the one to tell.
  }
}

// The compiler's trap: a fault that ends the reading of both sources.  A
// file fault passes on; any other is error 25 at the place it knows, or at
// the last item read.
void leggi_sorgenti(compilazione& comp, fonte_sorgenti& fonte, const std::string& nome_linea,
                    const std::string& nome_treno) {
  std::optional<lettore> r;
  bool in_treno = false;
  try {
    const std::string* testo = fonte.leggi(nome_linea);
    if (testo == nullptr) {
      comp.d.errore(numero_errore::senza_linea, {nome_linea, 0, 0});
      return;
    }
    r.emplace(*testo, nome_linea);
    if (!compila_linea(comp, *r, fonte, nome_linea)) return;
    in_treno = true;
    const std::string* treno = fonte.leggi(nome_treno);
    if (treno == nullptr) throw errore_file("read", fonte.percorso(nome_treno), "No such file or directory");
    compila_treno(comp, *treno, nome_treno);
    fonte.consumata(nome_treno);
  } catch (const errore_file&) {
    // A source the file system lost or will not let go is no fault of the
    // source: the caller must not take the half-filled tables for a
    // compiled scenario.
    lascia(fonte, nome_linea);
    lascia(fonte, nome_treno);
    throw;
  } catch (const errore_lettura& e) {
    lascia(fonte, nome_linea);
    lascia(fonte, nome_treno);
    comp.d.errore(numero_errore::lettura, e.dove(), testo_lettura(comp, e));
  } catch (const std::range_error& e) {
    // A value of the line half that reads but does not fit what it is
    // stored in (the train half tells its own as errore_lettura): the last
    // item read is the record's.
    lascia(fonte, nome_linea);
    lascia(fonte, nome_treno);
    const luogo dove = in_treno ? luogo{nome_treno, 0, 0} : !r ? luogo{nome_linea, 0, 0} : r->luogo_voce();
    comp.d.errore(numero_errore::lettura, dove, "record \"" + comp.voce_letta + "\", " + e.what());
  } catch (const std::exception&) {
    // Other faults carry no place: the last item read stands for it.
    lascia(fonte, nome_linea);
    lascia(fonte, nome_treno);
    comp.d.errore(numero_errore::lettura, in_treno ? luogo{nome_treno, 0, 0}
                                          : !r     ? luogo{nome_linea, 0, 0}
                                                   : r->luogo_voce());
  }
}

}  // namespace

void memorizza_dati(scenario& s, diagnostiche& d, luoghi_record& luoghi, fonte_sorgenti& fonte, lettura modo) {
  s.riga_linea().nome = s.nome_linea;
  s.riga_treno().nome = s.nome_treno;
  compilazione comp(s, d, luoghi, modo);
  leggi_sorgenti(comp, fonte, file_sorgente_linea(s.nome_linea), file_sorgente_treno(s.nome_linea, s.nome_treno));
}

}  // namespace valdoro

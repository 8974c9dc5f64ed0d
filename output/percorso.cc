#include "output/percorso.h"

#include "compiler/compilatore.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "output/binari.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"
#include "util/file.h"

namespace valdoro {

namespace {

// A clash in the identity slots, told at the record that took cell 1 or as
// the finishing pass's doing.
diagnostica scontro_identita(const luoghi_record& luoghi, const errore_fatale& e, bool dal_passaggio_finale) {
  const regola& r = regola_di(e.numero());
  diagnostica d{gravita::errore, r.id, {}, r.descrizione, e.numero()};
  if (!luoghi.cella_riservata.file.empty()) {
    d.dove = luoghi.cella_riservata;
    d.messaggio += dal_passaggio_finale
                       ? ": the finishing pass put a speed mark for this slowdown into cell 1, where the identity "
                         "codes go"
                       : ": this record put a value into cell 1, where the identity codes go";
  } else if (dal_passaggio_finale) {
    d.messaggio += ": the finishing pass put a speed mark into cell 1, for a slowdown near the line start";
  }
  return d;
}

}  // namespace

void scrivi_binari(const scenario& s, const std::filesystem::path& cartella) {
  if (s.con_profilo != 0) {
    file_in_scrittura profilo(cartella / file_profilo(s.nome_linea));
    codifica_profilo(s.profilo_linea, [&](std::string_view pezzo) { profilo.aggiungi(pezzo); });
    profilo.concludi();
  }
  scrivi_file(cartella / file_stazioni(s.nome_linea, s.nome_treno), codifica_stazioni(s.tabella_stazioni));
  scrivi_file(cartella / file_celle(s.nome_linea, s.nome_treno), codifica_celle(s.celle));
  sincronizza_cartella(cartella);
}

esito_compilazione compila_scenario(fonte_sorgenti& fonte, const std::string& linea, const std::string& treno,
                                    bool con_profilo, lettura modo) {
  esito_compilazione e;
  e.s.nome_linea = linea;
  e.s.nome_treno = treno;
  e.s.con_profilo = con_profilo ? 1 : 0;
  // Read on past every fault, a hostile source could list millions.
  if (modo == lettura::recupera) e.d.limita(kMassimoPerRegola);
  memorizza_dati(e.s, e.d, e.luoghi, fonte, modo);
  const bool presa_prima = e.s.cella_riservata_presa();
  passata_finale(e.s, e.d, e.luoghi);
  try {
    timbra_codici(e.s, e.d);
  } catch (const errore_fatale& f) {
    e.fatale = true;
    const diagnostica x = scontro_identita(e.luoghi, f, !presa_prima && e.s.cella_riservata_presa());
    e.d.errore(f.numero(), x.dove, x.messaggio);
  }
  return e;
}

void memorizza_percorso(scenario& s, diagnostiche& d, int32_t j, const std::filesystem::path& cartella) {
  s.con_profilo = j;
  svuota_tabella_stazioni(s.tabella_stazioni);
  fonte_cartella fonte(cartella);
  luoghi_record luoghi;
  memorizza_dati(s, d, luoghi, fonte);
  // The caller wrote or copied the line source just before: missing now, it
  // was lost to the file system, and tables compiled from nothing must not
  // replace good binary files.
  if (d.codice_errore() == numero_di(numero_errore::senza_linea)) {
    throw errore_file("read", fonte.percorso(file_sorgente_linea(s.nome_linea)), "No such file or directory");
  }
  passata_finale(s, d, luoghi);
  timbra_codici(s, d);
  scrivi_binari(s, cartella);
}

}  // namespace valdoro

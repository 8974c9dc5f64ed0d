#include "output/percorso.h"

#include "compiler/compilatore.h"
#include "model/nomi_file.h"
#include "output/binari.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"
#include "util/file.h"

namespace valdoro {

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

void memorizza_percorso(scenario& s, int32_t j, const std::filesystem::path& cartella) {
  s.con_profilo = j;
  s.codice_errore = 0;
  s.luogo_errore = {};
  s.testo_errore.clear();
  svuota_tabella_stazioni(s.tabella_stazioni);
  memorizza_dati(s, cartella);
  // The caller wrote or copied the line source just before: missing now, it
  // was lost to the file system, and tables compiled from nothing must not
  // replace good binary files.
  if (s.codice_errore == 101) {
    throw errore_file("read", cartella / file_sorgente_linea(s.nome_linea), "No such file or directory");
  }
  passata_finale(s);
  timbra_codici(s);
  scrivi_binari(s, cartella);
}

}  // namespace valdoro

#include "app/driver.h"

#include <exception>

#include "compiler/diagnostica.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "model/tabelle.h"
#include "output/percorso.h"
#include "sources/scrittori.h"
#include "util/file.h"

namespace valdoro {

namespace {

std::chrono::milliseconds attesa_cartella = std::chrono::seconds(60);

// The window goes away however the run ends.
class finestra_aperta {
 public:
  explicit finestra_aperta(piattaforma& p) : p_(p) { p_.mostra_finestra(); }
  ~finestra_aperta() { p_.chiudi_finestra(); }
  finestra_aperta(const finestra_aperta&) = delete;
  finestra_aperta& operator=(const finestra_aperta&) = delete;

 private:
  piattaforma& p_;
};

void costruisci(scenario& s, diagnostiche& d, const std::filesystem::path& cartella) {
  dati_linea(s.nome_linea, cartella, durata::transitoria);
  dati_treno(s.nome_linea, s.nome_treno, cartella, durata::transitoria);
  dati_note(s.nome_linea, s.nome_treno, cartella);
  dati_rallentamenti(s.nome_linea, s.nome_treno, cartella);
  dati_scheda(s.nome_linea, s.nome_treno, cartella);
  // One flush of the folder, at the end of memorizza_percorso, puts the
  // papers' names on the disk together with the binary files'.
  memorizza_percorso(s, d, 1, cartella);
}

// The two sources live only while the run compiles them; a run ended by a
// file fault must not leave them behind.  Only files are removed: a
// directory that took a source's name is not ours.
void rimuovi_sorgenti(const scenario& s, const std::filesystem::path& cartella) {
  const std::string nomi[] = {file_sorgente_linea(s.nome_linea), file_sorgente_treno(s.nome_linea, s.nome_treno)};
  for (const std::string& nome : nomi) {
    try {
      if (esiste_file(cartella / nome)) cancella_file(cartella / nome);
    } catch (const errore_file&) {
      // The fault that ended the run is the one to report.
    }
  }
}

}  // namespace

void imposta_attesa_cartella_programma(std::chrono::milliseconds attesa) { attesa_cartella = attesa; }

int errore(piattaforma& p, const std::string& a) {
  p.messaggio_errore(" Errore n. " + a);
  return kUscitaInterrotta;
}

int form_load(piattaforma& p) {
  scenario s;
  diagnostiche d;
  s.nome_linea = kNomeLinea;
  s.nome_treno = kNomeTreno;
  finestra_aperta finestra(p);
  std::string fatale;
  std::exception_ptr guasto;
  try {
    const std::filesystem::path cartella = p.cartella_programma();
    // Runs in one folder share the sources' names and replace the same
    // files: one at a time, the next waiting for the one before.  What
    // went wrong is told once the lock is let go, so that a message box
    // left open holds up no other run.
    blocco_cartella blocco(cartella, file_scenario(s.nome_linea, s.nome_treno), attesa_cartella);
    try {
      costruisci(s, d, cartella);
    } catch (const errore_fatale& e) {
      fatale = std::to_string(numero_di(e.numero()));
    } catch (const std::exception& e) {
      rimuovi_sorgenti(s, cartella);
      guasto = std::current_exception();
      // The files replaced before the fault keep their new names.
      try {
        sincronizza_cartella(cartella);
      } catch (const errore_file&) {
      }
    }
  } catch (const std::exception&) {
    guasto = std::current_exception();
  }
  if (!fatale.empty()) return errore(p, fatale);
  if (guasto) {
    try {
      std::rethrow_exception(guasto);
    } catch (const std::exception& e) {
      p.guasto(e);
    }
    return kUscitaInterrotta;
  }
  if (const diagnostica* ultimo = d.ultimo_errore()) {
    p.avviso("valdoro: " + descrivi(*ultimo));
    return kUscitaErroreRegistrato;
  }
  return kUscitaPulita;
}

}  // namespace valdoro

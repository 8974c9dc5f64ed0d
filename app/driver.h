// The whole life of the program: Form_Load and errore.
#ifndef VALDORO_APP_DRIVER_H_
#define VALDORO_APP_DRIVER_H_

#include <chrono>
#include <string>

#include "app/piattaforma.h"
#include "sources/scrittori.h"

namespace valdoro {

// Exit statuses of a run.
constexpr int kUscitaPulita = 0;
constexpr int kUscitaErroreRegistrato = 1;  // files written, an error number recorded
constexpr int kUscitaInterrotta = 2;        // errore, or a file that could not be written

// Writes the sources and papers, builds the binary files, and returns the
// exit status.
int form_load(piattaforma& p);

// Shows " Errore n. " & a and returns the status that ends the run.
int errore(piattaforma& p, const std::string& a);

// Test seam, called only by test programs: how long a run waits for another
// run that holds its folder (a minute).
void imposta_attesa_cartella_programma(std::chrono::milliseconds attesa);

}  // namespace valdoro

#endif  // VALDORO_APP_DRIVER_H_

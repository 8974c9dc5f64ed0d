// The program's run as Valdoro.exe makes it, the window and its boxes, but
// waiting 2 s rather than a minute for another run to let go of the
// folder: the busy folder's box without the minute.  Writes into the
// directory that holds this program; the exit status is the run's.
//   prova_attesa
#include <chrono>

#include "app/driver.h"
#include "app/finestra_windows.h"

int main() {
  valdoro::imposta_attesa_cartella_programma(std::chrono::seconds(2));
  valdoro::piattaforma_windows windows;
  return windows.esegui(valdoro::form_load);
}

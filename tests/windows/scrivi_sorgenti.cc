// Writes the embedded scenario's two sources into the directory named on
// the command line (any name: it is read as UTF-16), as input for
// scenario.exe and the Linux scenario alike.
#include <windows.h>
#include <shellapi.h>

#include <filesystem>

#include "app/driver.h"
#include "sources/scrittori.h"

int main() {
  int n = 0;
  wchar_t** argomenti = CommandLineToArgvW(GetCommandLineW(), &n);
  if (argomenti == nullptr || n != 2) return 99;
  const std::filesystem::path cartella(argomenti[1]);
  valdoro::dati_linea(valdoro::kNomeLinea, cartella);
  valdoro::dati_treno(valdoro::kNomeLinea, valdoro::kNomeTreno, cartella);
  return 0;
}

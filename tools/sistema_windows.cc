// The authors' tool's dealings with the system on Windows: checked writes
// to standard output, and the private folder that Ctrl+C must not leave
// behind.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "tools/comandi.h"
#include "tools/sistema.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

// The folder the console handler removes.  The handler runs on a thread of
// its own while the tool's thread goes on, so the path is set before the
// handler is installed and cleared only after it is gone.
wchar_t cartella_da_togliere[32768];

BOOL WINAPI al_segnale_di_fine(DWORD) {
  std::error_code ec;
  fs::remove_all(fs::path(cartella_da_togliere), ec);
  return FALSE;  // the default handler then ends the process
}

}  // namespace

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  return ::_write(descrittore, dati, static_cast<unsigned>(std::min<size_t>(quanti, size_t{1} << 30)));
}

// The user's temporary folder is the user's alone; the name is one nobody
// can guess, created only if it is new.
cartella_privata::cartella_privata() {
  std::random_device caso;
  const fs::path base = fs::temp_directory_path();
  for (int prova = 0;; ++prova) {
    const fs::path candidata = base / ("scenario-compile-" + std::to_string(caso()) + std::to_string(caso()));
    if (CreateDirectoryW(candidata.c_str(), nullptr)) {
      percorso_ = candidata;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || prova == 100) {
      const int codice = static_cast<int>(GetLastError());
      throw errore_file("create directory", candidata, std::system_category().message(codice));
    }
  }
  const std::wstring largo = percorso_.wstring();
  if (largo.size() < std::size(cartella_da_togliere)) {
    std::wmemcpy(cartella_da_togliere, largo.c_str(), largo.size() + 1);
    SetConsoleCtrlHandler(al_segnale_di_fine, TRUE);
  }
}

void cartella_privata::rimuovi() {
  if (rimossa_) return;
  std::error_code ec;
  fs::remove_all(percorso_, ec);
  if (ec) throw errore_file("delete", percorso_, ec.message());
  rimossa_ = true;
}

cartella_privata::~cartella_privata() {
  SetConsoleCtrlHandler(al_segnale_di_fine, FALSE);
  std::error_code ec;
  if (!rimossa_) fs::remove_all(percorso_, ec);
}

}  // namespace valdoro

#endif  // _WIN32

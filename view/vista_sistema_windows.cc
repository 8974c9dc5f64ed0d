// `scenario view` on Windows.

// rand_s, the C runtime's door to the system's own randomness, is declared
// only on demand.
#define _CRT_RAND_S
#include <stdlib.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "view/vista_sistema.h"

namespace valdoro {

namespace {

void (*da_chiamare)() = nullptr;
HANDLE finito = nullptr;

// Runs on a thread of its own; the system ends the process when it returns,
// so it waits for the server to have let everything go and said so, and
// then ends the process itself with the status of a clean stop (returned,
// the system's would be its own).  Ctrl+C and Ctrl+Break pass on to the C
// runtime's handler, which raises SIGINT.
BOOL WINAPI alla_chiusura(DWORD evento) {
  if (evento != CTRL_CLOSE_EVENT && evento != CTRL_LOGOFF_EVENT && evento != CTRL_SHUTDOWN_EVENT) return FALSE;
  if (da_chiamare != nullptr) da_chiamare();
  if (finito != nullptr && WaitForSingleObject(finito, 4000) == WAIT_OBJECT_0) ExitProcess(0);
  return TRUE;
}

}  // namespace

firma_file firma_di(const std::filesystem::path& percorso) {
  WIN32_FILE_ATTRIBUTE_DATA dati;
  if (!GetFileAttributesExW(percorso.c_str(), GetFileExInfoStandard, &dati)) return {};
  firma_file f;
  f.esiste = true;
  f.dimensione = (static_cast<uint64_t>(dati.nFileSizeHigh) << 32) | dati.nFileSizeLow;
  f.tempo = static_cast<int64_t>((static_cast<uint64_t>(dati.ftLastWriteTime.dwHighDateTime) << 32) |
                                 dati.ftLastWriteTime.dwLowDateTime);
  // A file renamed over the old one was created anew.
  f.identita = (static_cast<uint64_t>(dati.ftCreationTime.dwHighDateTime) << 32) | dati.ftCreationTime.dwLowDateTime;
  return f;
}

std::string gettone_casuale() {
  static const char kCifre[] = "0123456789abcdef";
  std::string g;
  for (int k = 0; k < 4; ++k) {
    unsigned int n = 0;
    if (rand_s(&n) != 0) throw std::runtime_error("no source of randomness");
    for (int b = 28; b >= 0; b -= 4) g += kCifre[(n >> b) & 15];
  }
  return g;
}

std::optional<std::filesystem::path> cartella_segreta() { return std::nullopt; }

bool apri_nel_browser(const std::string& url) {
  const std::wstring largo(url.begin(), url.end());  // the URL is ASCII
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", largo.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
         32;
}

segnali_trattenuti::segnali_trattenuti() {}
segnali_trattenuti::~segnali_trattenuti() {}

void alla_chiusura_console(void (*ferma)()) {
  da_chiamare = ferma;
  finito = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(alla_chiusura, TRUE);
}

void chiusura_console_finita() {
  if (finito != nullptr) SetEvent(finito);
}

}  // namespace valdoro

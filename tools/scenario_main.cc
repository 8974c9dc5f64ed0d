#include <iostream>
#include <string>
#include <vector>

#include "tools/comandi.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

namespace {

#ifdef _WIN32
// The console's code page when the tool started, put back however it ends:
// the console outlives the tool, and the next program in it expects its
// own page.
UINT pagina_iniziale = 0;

void rimetti_pagina() {
  if (pagina_iniziale != 0) SetConsoleOutputCP(pagina_iniziale);
}

BOOL WINAPI al_segnale_di_fine(DWORD) {
  rimetti_pagina();
  return FALSE;  // the default handler then ends the process
}

struct pagina_console {
  pagina_console() {
    pagina_iniziale = GetConsoleOutputCP();
    SetConsoleCtrlHandler(al_segnale_di_fine, TRUE);
    SetConsoleOutputCP(CP_UTF8);
  }
  ~pagina_console() {
    rimetti_pagina();
    SetConsoleCtrlHandler(al_segnale_di_fine, FALSE);
  }
};

// Started by a double click, the tool has a console of its own, which
// closes as soon as it ends; from a prompt it shares the prompt's.
bool console_propria() {
  DWORD processi[2];
  return GetConsoleProcessList(processi, 2) == 1;
}
#endif

// The command line in UTF-8, the encoding every path of the tool is read
// in.  Windows hands main() its arguments in the ANSI code page, where a
// name outside it is lost; the wide command line keeps every name.
std::vector<std::string> argomenti_utf8(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  std::vector<std::string> argomenti;
  int n = 0;
  wchar_t** larghi = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 0; larghi != nullptr && i < n; ++i) {
    const int lunghezza = static_cast<int>(wcslen(larghi[i]));
    const int byte = WideCharToMultiByte(CP_UTF8, 0, larghi[i], lunghezza, nullptr, 0, nullptr, nullptr);
    std::string stretto(static_cast<size_t>(byte), '\0');
    WideCharToMultiByte(CP_UTF8, 0, larghi[i], lunghezza, stretto.data(), byte, nullptr, nullptr);
    argomenti.push_back(stretto);
  }
  LocalFree(larghi);
  // What the tool prints has the same line ends as on Linux: a dump is the
  // same bytes on both.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return argomenti;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

int esegui(const std::vector<std::string>& argomenti, std::ostream& out) {
  std::vector<const char*> puntatori;
  for (const std::string& a : argomenti) puntatori.push_back(a.c_str());
  return valdoro::esegui_scenario(static_cast<int>(puntatori.size()), puntatori.data(), out, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // What the tool prints is UTF-8.
  pagina_console pagina;
#endif
  const std::vector<std::string> argomenti = argomenti_utf8(argc, argv);
  // Results go out through write(2), so that a full disk or a closed output
  // is seen and reported rather than cutting the output short in silence.
  valdoro::uscita_controllata uscita(1);
  std::ostream out(&uscita);
#ifdef _WIN32
  // Double-clicked, it shows how it is used, and the window stays until
  // the user has read it.
  if (argomenti.size() == 1 && console_propria()) {
    esegui({argomenti[0], "--help"}, out);
    out << "\nscenario is a console program: run it from a Command Prompt or PowerShell.\n"
           "Press Enter to close this window.\n"
        << std::flush;
    std::string riga;
    std::getline(std::cin, riga);
    return valdoro::kEsitoBuono;
  }
#endif
  return esegui(argomenti, out);
}

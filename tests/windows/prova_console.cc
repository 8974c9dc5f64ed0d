// scenario.exe and its console:
//   prova_console SCENARIO_EXE
// Started alone in a console of its own, as a double click starts it, it
// must show its help and wait for Enter; started in a console it shares
// with another program, as from a prompt, it waits for nothing; and the
// console's code page is the one it found.  Prints one line per check.
//   prova_console SCENARIO_EXE LINE_SOURCE TRAIN_SOURCE
// also starts `scenario view` on the two sources in the shared console and
// ends it as a user does, with Ctrl+C.
#include <windows.h>

#include <string>

#include "tests/windows/uscita.h"

namespace {

struct figlio {
  HANDLE processo = nullptr;
  HANDLE scrivi_ingresso = nullptr;  // its standard input
  HANDLE leggi_uscita = nullptr;     // its standard output and error
};

figlio avvia(const std::wstring& riga_comando, DWORD modo) {
  SECURITY_ATTRIBUTES ereditabile = {sizeof ereditabile, nullptr, TRUE};
  HANDLE leggi_ingresso = nullptr;
  HANDLE scrivi_uscita = nullptr;
  figlio f;
  CreatePipe(&leggi_ingresso, &f.scrivi_ingresso, &ereditabile, 0);
  CreatePipe(&f.leggi_uscita, &scrivi_uscita, &ereditabile, 0);
  SetHandleInformation(f.scrivi_ingresso, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(f.leggi_uscita, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW avvio = {};
  avvio.cb = sizeof avvio;
  avvio.dwFlags = STARTF_USESTDHANDLES;
  avvio.hStdInput = leggi_ingresso;
  avvio.hStdOutput = scrivi_uscita;
  avvio.hStdError = scrivi_uscita;
  PROCESS_INFORMATION info = {};
  std::wstring comando = riga_comando;
  if (CreateProcessW(nullptr, &comando[0], nullptr, nullptr, TRUE, modo, nullptr, nullptr, &avvio, &info)) {
    CloseHandle(info.hThread);
    f.processo = info.hProcess;
  }
  CloseHandle(leggi_ingresso);
  CloseHandle(scrivi_uscita);
  return f;
}

// What the child printed so far, waiting up to millisecondi for fine to
// appear in it (or for the output to close).
std::string leggi_fino_a(HANDLE uscita, const std::string& fine, DWORD millisecondi) {
  std::string letto;
  for (DWORD atteso = 0; atteso < millisecondi && letto.find(fine) == std::string::npos; atteso += 20) {
    DWORD disponibili = 0;
    if (!PeekNamedPipe(uscita, nullptr, 0, nullptr, &disponibili, nullptr)) break;
    if (disponibili == 0) {
      Sleep(20);
      continue;
    }
    char pezzo[4096];
    DWORD n = 0;
    if (!ReadFile(uscita, pezzo, sizeof pezzo, &n, nullptr) || n == 0) break;
    letto.append(pezzo, n);
  }
  return letto;
}

DWORD stato_finale(HANDLE processo, DWORD millisecondi) {
  if (WaitForSingleObject(processo, millisecondi) != WAIT_OBJECT_0) return 999;
  DWORD stato = 999;
  GetExitCodeProcess(processo, &stato);
  return stato;
}

const char* si_no(bool b) { return b ? "yes" : "no"; }

std::wstring largo(const char* s) { return std::wstring(s, s + strlen(s)); }

const char kServito[] = "http://127.0.0.1:";

// The view started in this program's console, ended by Ctrl+C.
void vista_con_ctrl_c(const std::wstring& comando) {
  figlio v = avvia(comando, 0);
  const bool servito = leggi_fino_a(v.leggi_uscita, kServito, 60000).find(kServito) != std::string::npos;
  riga(std::string("view in a shared console, serving: ") + si_no(servito));
  // Ctrl+C goes to every program of the console: this one lets it pass.
  SetConsoleCtrlHandler(nullptr, TRUE);
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  riga("view, status after Ctrl+C: " + std::to_string(stato_finale(v.processo, 20000)));
  const std::string dopo = leggi_fino_a(v.leggi_uscita, "stopped\n", 2000);
  riga(std::string("view, said it stopped: ") + si_no(dopo.find("stopped\n") != std::string::npos));
  SetConsoleCtrlHandler(nullptr, FALSE);
  TerminateProcess(v.processo, 998);
}

// The console's first line once a command has written into it directly
// (its standard output and error are the console, not a pipe), blanks at
// the end cut off.
std::wstring prima_riga_in_console(const std::wstring& comando) {
  SECURITY_ATTRIBUTES ereditabile = {sizeof ereditabile, nullptr, TRUE};
  HANDLE schermo = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &ereditabile, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info = {};
  GetConsoleScreenBufferInfo(schermo, &info);
  const DWORD celle = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  DWORD fatte = 0;
  FillConsoleOutputCharacterW(schermo, L' ', celle, COORD{0, 0}, &fatte);
  SetConsoleCursorPosition(schermo, COORD{0, 0});
  STARTUPINFOW avvio = {};
  avvio.cb = sizeof avvio;
  avvio.dwFlags = STARTF_USESTDHANDLES;
  avvio.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  avvio.hStdOutput = schermo;
  avvio.hStdError = schermo;
  PROCESS_INFORMATION processo = {};
  std::wstring riga_comando = comando;
  if (CreateProcessW(nullptr, &riga_comando[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &avvio, &processo)) {
    stato_finale(processo.hProcess, 30000);
    CloseHandle(processo.hThread);
    CloseHandle(processo.hProcess);
  }
  std::wstring letta(static_cast<size_t>(info.dwSize.X), L' ');
  DWORD lette = 0;
  ReadConsoleOutputCharacterW(schermo, &letta[0], static_cast<DWORD>(letta.size()), COORD{0, 0}, &lette);
  letta.resize(lette);
  while (!letta.empty() && letta.back() == L' ') letta.pop_back();
  CloseHandle(schermo);
  return letta;
}

}  // namespace

int main(int argc, char** argv) {
  uscita_binaria();
  if (argc != 2 && argc != 4) return 99;
  const std::wstring scenario = L"\"" + std::wstring(argv[1], argv[1] + strlen(argv[1])) + L"\"";
  const std::string invio = "Press Enter to close this window.\n";

  // A console of its own, as Explorer gives a double-clicked program.
  figlio f = avvia(scenario, CREATE_NEW_CONSOLE);
  riga(std::string("own console, started: ") + si_no(f.processo != nullptr));
  if (f.processo == nullptr) return 1;
  const std::string letto = leggi_fino_a(f.leggi_uscita, invio, 60000);
  riga(std::string("own console, help shown: ") +
       si_no(letto.rfind("Tools for scenario authors", 0) == 0 && letto.find("--version") != std::string::npos));
  riga(std::string("own console, ends with: ") +
       si_no(letto.size() >= invio.size() && letto.compare(letto.size() - invio.size(), invio.size(), invio) == 0));
  riga(std::string("own console, waits for Enter: ") + si_no(WaitForSingleObject(f.processo, 1000) == WAIT_TIMEOUT));
  DWORD scritti = 0;
  WriteFile(f.scrivi_ingresso, "\r\n", 2, &scritti, nullptr);
  riga("own console, status after Enter: " + std::to_string(stato_finale(f.processo, 30000)));

  // The console this program shares with it, as a prompt does, in a code
  // page of its own.
  // This program's own console, started by wine, is none it may set: a
  // new one.
  FreeConsole();
  AllocConsole();
  SetConsoleOutputCP(850);
  for (const wchar_t* argomenti : {L"", L" --version"}) {
    figlio g = avvia(scenario + argomenti, 0);
    const std::string uscita = leggi_fino_a(g.leggi_uscita, "\n\n", 30000);
    riga("shared console, \"scenario" + std::string(argomenti, argomenti + wcslen(argomenti)) + "\": status " +
         std::to_string(stato_finale(g.processo, 30000)) + ", code page after it " +
         std::to_string(GetConsoleOutputCP()));
  }
  // A message that names a file whose name ends in an accented letter (an
  // odd number of bytes in UTF-8), as the console shows it; the system's
  // reason, after the name, is left out.
  const std::wstring messaggio = prima_riga_in_console(scenario + L" dump Perch\u00e9 --kind stations");
  const size_t motivo = messaggio.find(L": ", messaggio.find(L"cannot read"));
  riga("shared console, a message naming \"Perch\u00e9\": " + utf8(messaggio.substr(0, motivo)));
  if (argc == 4) {
    const std::wstring vista = scenario + L" view \"" + largo(argv[2]) + L"\" \"" + largo(argv[3]) + L"\"";
    vista_con_ctrl_c(vista);
  }
  return 0;
}

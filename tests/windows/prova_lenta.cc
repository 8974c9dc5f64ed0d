// A whole run of the program on a slow disk: every file waits before it is
// written, through the file layer's test seam, while a second thread asks
// the window to answer as Windows does before it calls a window "Not
// Responding".  Writes into the directory that holds this program.
//   prova_lenta aspetta   the run goes to its end
//   prova_lenta chiudi    the user closes the window during the run
// Prints what it found; the exit status is the run's.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/driver.h"
#include "app/finestra_windows.h"
#include "tests/windows/uscita.h"
#include "util/file.h"

namespace {

// Each file waits this long: more than the window may take to answer.
constexpr DWORD kAttesaFile = 500;
// Windows calls a window "Not Responding" when it has not taken a message
// for 5 s.  Each question must be answered within 2 s, and no two answers
// may be further apart than those 5 s: a busy machine that delays a
// thread for a moment fails neither, a window whose thread waits for the
// disk fails both.
constexpr UINT kRispostaMassima = 2000;
constexpr DWORD kSogliaNonRisponde = 5000;

HANDLE fine_run = nullptr;
bool chiudi = false;
int risposte = 0;
int mancate = 0;
DWORD intervallo_massimo = 0;  // between two answers
std::string intervalli;        // every one, for the log
bool vista = false;
bool nascosta_alla_chiusura = false;
bool risponde_dopo_chiusura = false;

DWORD WINAPI osservatore(LPVOID) {
  HWND form = nullptr;
  DWORD chiusa_a = 0;
  DWORD ultima_risposta = 0;
  const DWORD inizio = GetTickCount();
  while (WaitForSingleObject(fine_run, 50) == WAIT_TIMEOUT) {
    if (form == nullptr) {
      form = FindWindowW(nullptr, valdoro::kTitoloFinestra);
      if (form == nullptr) continue;
      vista = true;
    }
    DWORD_PTR risultato = 0;
    HWND etichetta = GetDlgItem(form, valdoro::kIdEtichetta);
    // The label's text comes from the window's thread as well.
    const bool risposto =
        SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kRispostaMassima, &risultato) != 0 &&
        SendMessageTimeoutW(etichetta, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kRispostaMassima, &risultato) != 0 &&
        risultato == wcslen(valdoro::kTestoEtichetta);
    // Held to answer from its first answer (while it is being shown it
    // does not) as long as it is shown: under wine without a window
    // manager, taking a window off the screen (hiding or destroying it)
    // waits two seconds for a manager that never answers.
    if (risposto) {
      const DWORD adesso = GetTickCount();
      if (ultima_risposta != 0) {
        const DWORD intervallo = adesso - ultima_risposta;
        intervallo_massimo = std::max(intervallo_massimo, intervallo);
        intervalli += " " + std::to_string(intervallo);
      }
      ultima_risposta = adesso;
      ++risposte;
      if (chiusa_a != 0 && nascosta_alla_chiusura) risponde_dopo_chiusura = true;
    } else if (IsWindowVisible(form) && risposte > 0) {
      ++mancate;
      std::fprintf(stderr, "missed at %lu ms\n", GetTickCount() - inizio);
    }
    if (chiudi && chiusa_a == 0 && GetTickCount() - inizio > 1000) {
      // What the close button sends.
      PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
      chiusa_a = GetTickCount();
      // Looked at before the next question: under wine the hiding itself
      // holds the window's thread for the two seconds it waits for a
      // window manager, and a question asked then would wait as long.
      while (IsWindowVisible(form) && GetTickCount() - chiusa_a < 1000) Sleep(10);
    }
    if (chiusa_a != 0 && !nascosta_alla_chiusura && !IsWindowVisible(form)) {
      nascosta_alla_chiusura = GetTickCount() - chiusa_a < 1000;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  uscita_binaria();
  if (argc != 2) return 99;
  chiudi = std::string(argv[1]) == "chiudi";
  valdoro::imposta_guasto_scrittura([](const std::filesystem::path&) { Sleep(kAttesaFile); });
  fine_run = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE filo = CreateThread(nullptr, 0, osservatore, nullptr, 0, nullptr);
  valdoro::piattaforma_windows windows;
  const int stato = windows.esegui(valdoro::form_load);
  SetEvent(fine_run);
  WaitForSingleObject(filo, INFINITE);
  std::fprintf(stderr, "answers %d, missed %d (each within %u ms), longest gap %lu ms (Windows: %lu ms)\n", risposte,
               mancate, kRispostaMassima, intervallo_massimo, kSogliaNonRisponde);
  std::fprintf(stderr, "gaps between answers (ms):%s\n", intervalli.c_str());
  riga("window seen: " + std::string(vista ? "yes" : "no"));
  riga("window answered all along: " +
       std::string(risposte >= 20 && mancate == 0 && intervallo_massimo < kSogliaNonRisponde ? "yes" : "no"));
  if (chiudi) {
    riga("closed by hand, gone at once: " + std::string(nascosta_alla_chiusura ? "yes" : "no"));
    riga("answers while hidden: " + std::string(risponde_dopo_chiusura ? "yes" : "no"));
  }
  riga("window gone after the run: " +
       std::string(windows.finestra() == nullptr && FindWindowW(nullptr, valdoro::kTitoloFinestra) == nullptr ? "yes"
                                                                                                              : "no"));
  riga("status: " + std::to_string(stato));
  return stato;
}

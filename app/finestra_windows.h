// The window backend: the waiting window "Form1" with its label, and the
// message boxes, on the Win32 API.  Shared by Valdoro.exe and the programs
// in tests/windows/ that open the window and look at it.
#ifndef VALDORO_APP_FINESTRA_WINDOWS_H_
#define VALDORO_APP_FINESTRA_WINDOWS_H_

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/piattaforma.h"

namespace valdoro {

// The caption of the message boxes: the application's title.
inline constexpr wchar_t kTitoloApplicazione[] = L"Valdoro";
inline constexpr wchar_t kTitoloFinestra[] = L"Form1";
inline constexpr wchar_t kTestoEtichetta[] = L"Attendere";
// Control identifier of Label1, for GetDlgItem.
constexpr int kIdEtichetta = 1;

// Sizes in twips, converted to pixels at the display's dpi.
constexpr int kLarghezzaClienteTwip = 4200;
constexpr int kAltezzaClienteTwip = 2688;
constexpr int kSinistraEtichettaTwip = 960;
constexpr int kAltoEtichettaTwip = 960;
constexpr int kLarghezzaEtichettaTwip = 2652;
constexpr int kAltezzaEtichettaTwip = 792;
constexpr int kPuntiCarattere = 24;

// UTF-8 text as UTF-16; bytes that are not UTF-8 are read in the ANSI code
// page, which is what the C runtime's own messages use.
std::wstring testo_largo(const std::string& testo);

// The window lives on the thread that shows it.  Called from another
// thread, every member hands its work to the window's thread and waits
// for it, so the work of a run may call them from its worker thread.
class piattaforma_windows : public piattaforma {
 public:
  piattaforma_windows() = default;
  ~piattaforma_windows() override;
  piattaforma_windows(const piattaforma_windows&) = delete;
  piattaforma_windows& operator=(const piattaforma_windows&) = delete;

  // Shows the window, runs lavoro on a worker thread while this thread
  // answers the window's messages, and returns lavoro's status once it has
  // ended and the window is gone.  A fault that escapes lavoro is shown as
  // guasto and ends it with kUscitaInterrotta.
  int esegui(const std::function<int(piattaforma&)>& lavoro);

  std::filesystem::path cartella_programma() override;
  void mostra_finestra() override;
  void chiudi_finestra() override;
  void messaggio_errore(const std::string& testo) override;
  void guasto(const std::exception& e) override;
  void avviso(const std::string& testo) override;

  // A message box with the application's caption, owned by the window
  // while it is shown.
  void mostra_messaggio(const std::string& testo, UINT stile);

  // Null while the window is not shown.
  HWND finestra() const { return finestra_; }

 private:
  static LRESULT CALLBACK procedura(HWND finestra, UINT messaggio, WPARAM w, LPARAM l);
  LRESULT gestisci(UINT messaggio, WPARAM w, LPARAM l);
  void sul_filo_finestra(const std::function<void()>& compito);
  void disponi(int dpi_x, int dpi_y);

  HWND finestra_ = nullptr;
  HWND etichetta_ = nullptr;
  HFONT carattere_ = nullptr;
  DWORD filo_finestra_ = 0;
};

}  // namespace valdoro

#endif  // VALDORO_APP_FINESTRA_WINDOWS_H_

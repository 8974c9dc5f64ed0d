// The Windows program: the waiting window, the message boxes and WinMain.
// The window's thread answers the window's messages for the whole run
// while the work runs on a worker thread, so that the window repaints and
// never turns "Not Responding", however slow the disk.
#include "app/finestra_windows.h"

#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <vector>

#include "app/argomenti.h"
#include "app/driver.h"
#include "app/messaggi.h"

namespace valdoro {

namespace {

constexpr wchar_t kClasseFinestra[] = L"Valdoro_Form1";
constexpr DWORD kStileFinestra = WS_OVERLAPPEDWINDOW;
// A task of another thread for the window's thread: lParam points to a
// std::function<void()>.
constexpr UINT kMessaggioCompito = WM_APP + 1;
// The scalable face that took the bitmap face's place in Windows.
constexpr wchar_t kFacciaScalabile[] = L"Microsoft Sans Serif";

// The system's own wording of its last error.
std::string motivo_sistema(DWORD codice) {
  wchar_t* testo = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, codice, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
  std::wstring largo(testo != nullptr ? testo : L"", n);
  if (testo != nullptr) LocalFree(testo);
  while (!largo.empty() && (largo.back() == L'\n' || largo.back() == L'\r' || largo.back() == L'.')) largo.pop_back();
  if (largo.empty()) return "system error " + std::to_string(codice);
  const int byte =
      WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), nullptr, 0, nullptr, nullptr);
  std::string stretto(static_cast<size_t>(byte), '\0');
  WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), stretto.data(), byte, nullptr, nullptr);
  return stretto;
}

std::runtime_error errore_sistema(const std::string& cosa) {
  return std::runtime_error(cosa + ": " + motivo_sistema(GetLastError()));
}

int pixel(int twip, int dpi) { return MulDiv(twip, dpi, 1440); }

HFONT crea_carattere(const wchar_t* faccia, int altezza) {
  return CreateFontW(-altezza, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, faccia);
}

// A bitmap face comes in a few sizes; asked for another, the system draws
// the nearest, which at a high dpi is far smaller than the window around it.
bool disegnato_alla_misura(HDC dc, HFONT carattere, int altezza) {
  HGDIOBJ prima = SelectObject(dc, carattere);
  TEXTMETRICW metrica = {};
  const bool letta = GetTextMetricsW(dc, &metrica) != 0;
  SelectObject(dc, prima);
  return letta &&
         ((metrica.tmPitchAndFamily & TMPF_VECTOR) != 0 || metrica.tmHeight - metrica.tmInternalLeading == altezza);
}

// "MS Sans Serif" where the system draws it at the size asked for, its
// scalable successor where it does not.
HFONT scegli_carattere(HDC dc, int dpi_y) {
  const int altezza = MulDiv(kPuntiCarattere, dpi_y, 72);
  HFONT carattere = crea_carattere(L"MS Sans Serif", altezza);
  if (carattere == nullptr || disegnato_alla_misura(dc, carattere, altezza)) return carattere;
  DeleteObject(carattere);
  return crea_carattere(kFacciaScalabile, altezza);
}

// The label's text as the face actually selected draws it.
SIZE misura_testo(HDC dc, HFONT carattere) {
  HGDIOBJ prima = SelectObject(dc, carattere);
  SIZE misura = {0, 0};
  GetTextExtentPoint32W(dc, kTestoEtichetta, static_cast<int>(wcslen(kTestoEtichetta)), &misura);
  SelectObject(dc, prima);
  return misura;
}

void registra_classe(HINSTANCE istanza, WNDPROC procedura) {
  WNDCLASSEXW classe = {};
  classe.cbSize = sizeof classe;
  classe.lpfnWndProc = procedura;
  classe.hInstance = istanza;
  // The program's own icon (resource 1); the generic one for programs
  // built without it.
  classe.hIcon = LoadIconW(istanza, MAKEINTRESOURCEW(1));
  if (classe.hIcon == nullptr) classe.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  classe.hIconSm = static_cast<HICON>(LoadImageW(istanza, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  classe.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_APPSTARTING));
  classe.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  classe.lpszClassName = kClasseFinestra;
  if (RegisterClassExW(&classe) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw errore_sistema("cannot register the window class");
  }
}

// The display's dpi.  The manifest declares the program dpi-aware; the
// call covers programs built without it, which the system would otherwise
// draw at 96 dpi and stretch as a bitmap.
void dpi_schermo(int& dpi_x, int& dpi_y) {
  SetProcessDPIAware();
  dpi_x = dpi_y = 96;
  HDC schermo = GetDC(nullptr);
  if (schermo != nullptr) {
    dpi_x = GetDeviceCaps(schermo, LOGPIXELSX);
    dpi_y = GetDeviceCaps(schermo, LOGPIXELSY);
    ReleaseDC(nullptr, schermo);
  }
}

struct dati_filo {
  piattaforma_windows* windows;
  const std::function<int(piattaforma&)>* lavoro;
  int esito;
};

unsigned __stdcall filo_lavoro(void* argomento) {
  dati_filo& dati = *static_cast<dati_filo*>(argomento);
  try {
    dati.esito = (*dati.lavoro)(*dati.windows);
  } catch (const std::exception& e) {
    dati.windows->guasto(e);
    dati.esito = kUscitaInterrotta;
  }
  return 0;
}

// A path as the file system spells it in full: the temporary folder often
// comes in 8.3 short names ("C:\Users\GIOVAN~1\..."), the program's own
// path in long ones.
std::string percorso_lungo(const std::wstring& percorso) {
  std::vector<wchar_t> lungo(32768);
  const DWORD n = GetLongPathNameW(percorso.c_str(), lungo.data(), static_cast<DWORD>(lungo.size()));
  const std::wstring esito = n > 0 && n < lungo.size() ? std::wstring(lungo.data(), n) : percorso;
  return std::filesystem::path(esito).u8string();
}

// An environment variable that holds a folder; empty when it is not set.
std::string variabile(const wchar_t* nome) {
  std::vector<wchar_t> valore(32768);
  const DWORD n = GetEnvironmentVariableW(nome, valore.data(), static_cast<DWORD>(valore.size()));
  return n > 0 && n < valore.size() ? percorso_lungo(std::wstring(valore.data(), n)) : std::string();
}

// The folders that Windows keeps for programs an administrator installs,
// and its own.
bool cartella_di_sistema(const std::filesystem::path& cartella) {
  const std::string percorso = percorso_lungo(cartella.wstring());
  for (const wchar_t* nome : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"ProgramData", L"SystemRoot"}) {
    const std::string base = variabile(nome);
    if (!base.empty() && dentro_cartella(percorso, base)) return true;
  }
  return false;
}

// The folders where archive tools put the copies they run from, and
// Windows its own: the user's (%TEMP%, %TMP%, which GetTempPath reads) and
// the system's (%SystemRoot%\Temp, and SystemTemp where the system's own
// programs get theirs).
std::vector<std::string> cartelle_temporanee() {
  std::vector<std::string> cartelle = {variabile(L"TEMP"), variabile(L"TMP")};
  wchar_t temporanea[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temporanea);
  if (n > 0 && n <= MAX_PATH) cartelle.push_back(percorso_lungo(std::wstring(temporanea, n)));
  const std::string sistema = variabile(L"SystemRoot");
  if (!sistema.empty()) {
    cartelle.push_back(sistema + "\\Temp");
    cartelle.push_back(sistema + "\\SystemTemp");
  }
  return cartelle;
}

bool in_copia_temporanea(const std::filesystem::path& cartella) {
  return in_cartella_temporanea(percorso_lungo(cartella.wstring()), cartelle_temporanee());
}

}  // namespace

std::wstring testo_largo(const std::string& testo) {
  if (testo.empty()) return std::wstring();
  const int lunghezza = static_cast<int>(testo.size());
  UINT pagina = CP_UTF8;
  DWORD opzioni = MB_ERR_INVALID_CHARS;
  int caratteri = MultiByteToWideChar(pagina, opzioni, testo.data(), lunghezza, nullptr, 0);
  if (caratteri == 0) {
    pagina = CP_ACP;
    opzioni = 0;
    caratteri = MultiByteToWideChar(pagina, opzioni, testo.data(), lunghezza, nullptr, 0);
  }
  std::wstring largo(static_cast<size_t>(caratteri), L'\0');
  MultiByteToWideChar(pagina, opzioni, testo.data(), lunghezza, largo.data(), caratteri);
  return largo;
}

piattaforma_windows::~piattaforma_windows() { chiudi_finestra(); }

int piattaforma_windows::esegui(const std::function<int(piattaforma&)>& lavoro) {
  mostra_finestra();
  dati_filo dati = {this, &lavoro, kUscitaInterrotta};
  HANDLE filo = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, filo_lavoro, &dati, 0, nullptr));
  if (filo == nullptr) throw errore_sistema("cannot start the work");
  // Messages until the work ends; the tasks it sends this thread (a message
  // box, closing the window) are run here too.
  for (;;) {
    const DWORD segnale = MsgWaitForMultipleObjects(1, &filo, FALSE, INFINITE, QS_ALLINPUT);
    if (segnale == WAIT_OBJECT_0 || segnale == WAIT_FAILED) break;
    MSG messaggio;
    while (PeekMessageW(&messaggio, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&messaggio);
      DispatchMessageW(&messaggio);
    }
  }
  WaitForSingleObject(filo, INFINITE);
  CloseHandle(filo);
  chiudi_finestra();
  return dati.esito;
}

std::filesystem::path piattaforma_windows::cartella_programma() {
  // Paths may be longer than MAX_PATH: grow until the name fits.
  std::vector<wchar_t> nome(MAX_PATH);
  for (;;) {
    const DWORD scritti = GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size()));
    if (scritti == 0) throw errore_sistema("cannot find the program's own file");
    if (scritti < nome.size()) return std::filesystem::path(std::wstring(nome.data(), scritti)).parent_path();
    nome.resize(nome.size() * 2);
  }
}

void piattaforma_windows::sul_filo_finestra(const std::function<void()>& compito) {
  if (finestra_ == nullptr || GetCurrentThreadId() == filo_finestra_) {
    compito();
  } else {
    SendMessageW(finestra_, kMessaggioCompito, 0, reinterpret_cast<LPARAM>(&compito));
  }
}

LRESULT CALLBACK piattaforma_windows::procedura(HWND finestra, UINT messaggio, WPARAM w, LPARAM l) {
  if (messaggio == WM_NCCREATE) {
    const auto* creazione = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(finestra, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creazione->lpCreateParams));
  }
  auto* windows = reinterpret_cast<piattaforma_windows*>(GetWindowLongPtrW(finestra, GWLP_USERDATA));
  if (windows == nullptr || windows->finestra_ != finestra) return DefWindowProcW(finestra, messaggio, w, l);
  return windows->gestisci(messaggio, w, l);
}

LRESULT piattaforma_windows::gestisci(UINT messaggio, WPARAM w, LPARAM l) {
  switch (messaggio) {
    case kMessaggioCompito:
      (*reinterpret_cast<const std::function<void()>*>(l))();
      return 0;
    case WM_CLOSE:
      // Closed by hand during the run: the window goes, the run finishes
      // its files (none is ever cut short) and then ends the program.
      ShowWindow(finestra_, SW_HIDE);
      return 0;
    case WM_DPICHANGED: {
      // Moved to a display of another dpi: the size the system proposes,
      // then the label and its face at the new dpi.
      const RECT* proposta = reinterpret_cast<const RECT*>(l);
      SetWindowPos(finestra_, nullptr, proposta->left, proposta->top, proposta->right - proposta->left,
                   proposta->bottom - proposta->top, SWP_NOZORDER | SWP_NOACTIVATE);
      disponi(LOWORD(w), HIWORD(w));
      return 0;
    }
    default:
      return DefWindowProcW(finestra_, messaggio, w, l);
  }
}

// The label and its face at a dpi, and the client area around them.  The
// label is at least its size in twips, and wide and tall enough for its
// text as drawn by the face actually selected, whatever the system put in
// place of the face asked for.
void piattaforma_windows::disponi(int dpi_x, int dpi_y) {
  HDC dc = GetDC(etichetta_);
  HFONT carattere = scegli_carattere(dc, dpi_y);
  const SIZE testo = carattere != nullptr ? misura_testo(dc, carattere) : SIZE{0, 0};
  ReleaseDC(etichetta_, dc);
  if (carattere != nullptr) {
    SendMessageW(etichetta_, WM_SETFONT, reinterpret_cast<WPARAM>(carattere), FALSE);
    if (carattere_ != nullptr) DeleteObject(carattere_);
    carattere_ = carattere;
  }
  const int sinistra = pixel(kSinistraEtichettaTwip, dpi_x);
  const int alto = pixel(kAltoEtichettaTwip, dpi_y);
  const int larghezza = std::max<int>(pixel(kLarghezzaEtichettaTwip, dpi_x), testo.cx);
  const int altezza = std::max<int>(pixel(kAltezzaEtichettaTwip, dpi_y), testo.cy);
  SetWindowPos(etichetta_, nullptr, sinistra, alto, larghezza, altezza, SWP_NOZORDER | SWP_NOACTIVATE);

  RECT area = {0, 0, std::max(pixel(kLarghezzaClienteTwip, dpi_x), sinistra + larghezza),
               std::max(pixel(kAltezzaClienteTwip, dpi_y), alto + altezza)};
  RECT cliente;
  GetClientRect(finestra_, &cliente);
  if (cliente.right != area.right || cliente.bottom != area.bottom) {
    AdjustWindowRectEx(&area, kStileFinestra, FALSE, 0);
    SetWindowPos(finestra_, nullptr, 0, 0, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  RedrawWindow(finestra_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void piattaforma_windows::mostra_finestra() {
  // The worker of a run finds the window already shown.
  if (finestra_ != nullptr) return;
  HINSTANCE istanza = GetModuleHandleW(nullptr);
  int dpi_x = 96;
  int dpi_y = 96;
  dpi_schermo(dpi_x, dpi_y);
  registra_classe(istanza, procedura);
  filo_finestra_ = GetCurrentThreadId();
  RECT area = {0, 0, pixel(kLarghezzaClienteTwip, dpi_x), pixel(kAltezzaClienteTwip, dpi_y)};
  AdjustWindowRectEx(&area, kStileFinestra, FALSE, 0);
  // The messages of the creation itself go to the default procedure:
  // finestra_ is set when CreateWindowExW returns.
  finestra_ = CreateWindowExW(0, kClasseFinestra, kTitoloFinestra, kStileFinestra, CW_USEDEFAULT, CW_USEDEFAULT,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr, istanza, this);
  if (finestra_ == nullptr) throw errore_sistema("cannot create the window");
  etichetta_ =
      CreateWindowExW(0, L"STATIC", kTestoEtichetta, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 0, finestra_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdEtichetta)), istanza, nullptr);
  if (etichetta_ == nullptr) {
    const std::runtime_error e = errore_sistema("cannot create the label");
    chiudi_finestra();
    throw e;
  }
  disponi(dpi_x, dpi_y);
  ShowWindow(finestra_, SW_SHOWNORMAL);
  UpdateWindow(finestra_);
}

void piattaforma_windows::chiudi_finestra() {
  sul_filo_finestra([this] {
    if (finestra_ != nullptr) {
      HWND finestra = finestra_;
      finestra_ = nullptr;
      etichetta_ = nullptr;
      DestroyWindow(finestra);
    }
    if (carattere_ != nullptr) {
      DeleteObject(carattere_);
      carattere_ = nullptr;
    }
  });
}

void piattaforma_windows::mostra_messaggio(const std::string& testo, UINT stile) {
  const std::wstring largo = testo_largo(testo);
  sul_filo_finestra([&] {
    // A window closed by hand owns no box: the box shows by itself.
    HWND proprietario = finestra_ != nullptr && IsWindowVisible(finestra_) ? finestra_ : nullptr;
    MessageBoxW(proprietario, largo.c_str(), kTitoloApplicazione, stile | (proprietario ? 0 : MB_SETFOREGROUND));
  });
}

void piattaforma_windows::messaggio_errore(const std::string& testo) { mostra_messaggio(testo, MB_OK); }

void piattaforma_windows::guasto(const std::exception& e) {
  std::filesystem::path cartella;
  try {
    cartella = cartella_programma();
  } catch (const std::exception&) {
    // Only a file fault names the folder, and it was found before one.
  }
  mostra_messaggio(testo_guasto(e, cartella, !cartella.empty() && cartella_di_sistema(cartella)), MB_OK | MB_ICONERROR);
}

// A recorded error number is told by the exit status alone.
void piattaforma_windows::avviso(const std::string&) {}

}  // namespace valdoro

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  valdoro::piattaforma_windows windows;
  // --help (or /?) and --version answer in a box, and so does a refused
  // argument: nothing is written, no window is shown.
  if (const std::optional<valdoro::risposta> r = valdoro::risposta_finestra(__argc, __argv)) {
    windows.mostra_messaggio(r->testo, MB_OK | (r->esito == 0 ? MB_ICONINFORMATION : MB_ICONERROR));
    return r->esito;
  }
  try {
    // Started from an archive that was not extracted, the files would go
    // into a temporary copy that is removed again: none is written.
    if (valdoro::in_copia_temporanea(windows.cartella_programma())) {
      windows.mostra_messaggio(valdoro::componi(valdoro::messaggio::dentro_archivio), MB_OK | MB_ICONWARNING);
      return valdoro::kUscitaInterrotta;
    }
    return windows.esegui(valdoro::form_load);
  } catch (const std::exception& e) {
    // Only the window itself can fail outside the work's own trap.
    windows.guasto(e);
    return valdoro::kUscitaInterrotta;
  }
}

// The Windows program: the waiting window, the message boxes and WinMain.
// All of it runs on the one thread; the window is painted once when shown
// and then left alone until the run ends, so no message loop is needed.
#include "app/finestra_windows.h"

#include <exception>
#include <stdexcept>
#include <vector>

#include "app/driver.h"

namespace valdoro {

namespace {

constexpr wchar_t kClasseFinestra[] = L"Valdoro_Form1";
constexpr DWORD kStileFinestra = WS_OVERLAPPEDWINDOW;

std::runtime_error errore_sistema(const std::string& cosa) {
  return std::runtime_error(cosa + " (system error " + std::to_string(GetLastError()) + ")");
}

LRESULT CALLBACK procedura_finestra(HWND finestra, UINT messaggio, WPARAM w, LPARAM l) {
  // The run ends the program by itself; closing the window while a message
  // box is up must not leave the box without its owner.
  if (messaggio == WM_CLOSE) return 0;
  return DefWindowProcW(finestra, messaggio, w, l);
}

void registra_classe(HINSTANCE istanza) {
  WNDCLASSEXW classe = {};
  classe.cbSize = sizeof classe;
  classe.lpfnWndProc = procedura_finestra;
  classe.hInstance = istanza;
  classe.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  classe.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
  classe.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  classe.lpszClassName = kClasseFinestra;
  if (RegisterClassExW(&classe) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw errore_sistema("cannot register the window class");
  }
}

struct punti_per_pollice {
  int x;
  int y;
};

// Without this the system reports 96 dpi on every display and stretches
// the window as a bitmap; declared, the twips become exact pixels.
punti_per_pollice dpi_schermo() {
  SetProcessDPIAware();
  HDC schermo = GetDC(nullptr);
  punti_per_pollice dpi = {96, 96};
  if (schermo != nullptr) {
    dpi = {GetDeviceCaps(schermo, LOGPIXELSX), GetDeviceCaps(schermo, LOGPIXELSY)};
    ReleaseDC(nullptr, schermo);
  }
  return dpi;
}

int pixel(int twip, int dpi) { return MulDiv(twip, dpi, 1440); }

HWND crea_finestra(HINSTANCE istanza, punti_per_pollice dpi) {
  RECT area = {0, 0, pixel(kLarghezzaClienteTwip, dpi.x), pixel(kAltezzaClienteTwip, dpi.y)};
  AdjustWindowRectEx(&area, kStileFinestra, FALSE, 0);
  HWND finestra = CreateWindowExW(0, kClasseFinestra, kTitoloFinestra, kStileFinestra, CW_USEDEFAULT, CW_USEDEFAULT,
                                  area.right - area.left, area.bottom - area.top, nullptr, nullptr, istanza, nullptr);
  if (finestra == nullptr) throw errore_sistema("cannot create the window");
  return finestra;
}

HFONT crea_carattere(punti_per_pollice dpi) {
  return CreateFontW(-MulDiv(kPuntiCarattere, dpi.y, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     L"MS Sans Serif");
}

void crea_etichetta(HWND finestra, HINSTANCE istanza, punti_per_pollice dpi, HFONT carattere) {
  HWND etichetta = CreateWindowExW(
      0, L"STATIC", kTestoEtichetta, WS_CHILD | WS_VISIBLE | SS_LEFT, pixel(kSinistraEtichettaTwip, dpi.x),
      pixel(kAltoEtichettaTwip, dpi.y), pixel(kLarghezzaEtichettaTwip, dpi.x), pixel(kAltezzaEtichettaTwip, dpi.y),
      finestra, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdEtichetta)), istanza, nullptr);
  if (etichetta == nullptr) throw errore_sistema("cannot create the label");
  if (carattere != nullptr) SendMessageW(etichetta, WM_SETFONT, reinterpret_cast<WPARAM>(carattere), FALSE);
}

void mostra_messaggio(HWND proprietario, const std::string& testo, UINT stile) {
  MessageBoxW(proprietario, testo_largo(testo).c_str(), kTitoloApplicazione, stile);
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

void piattaforma_windows::mostra_finestra() {
  if (finestra_ != nullptr) return;
  HINSTANCE istanza = GetModuleHandleW(nullptr);
  const punti_per_pollice dpi = dpi_schermo();
  registra_classe(istanza);
  finestra_ = crea_finestra(istanza, dpi);
  carattere_ = crea_carattere(dpi);
  crea_etichetta(finestra_, istanza, dpi, carattere_);
  ShowWindow(finestra_, SW_SHOWNORMAL);
  // The label is a child window: paint it together with the form, now,
  // since nothing will be painted again while the work runs.
  RedrawWindow(finestra_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  UpdateWindow(finestra_);
}

void piattaforma_windows::chiudi_finestra() {
  if (finestra_ != nullptr) {
    DestroyWindow(finestra_);
    finestra_ = nullptr;
  }
  if (carattere_ != nullptr) {
    DeleteObject(carattere_);
    carattere_ = nullptr;
  }
}

void piattaforma_windows::messaggio_errore(const std::string& testo) { mostra_messaggio(finestra_, testo, MB_OK); }

void piattaforma_windows::guasto(const std::string& testo) {
  mostra_messaggio(finestra_, testo, MB_OK | MB_ICONERROR);
}

// A recorded error number is told by the exit status alone.
void piattaforma_windows::avviso(const std::string&) {}

}  // namespace valdoro

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  valdoro::piattaforma_windows windows;
  try {
    return valdoro::form_load(windows);
  } catch (const std::exception& e) {
    // Only the window itself can fail outside the driver's own trap.
    windows.guasto(std::string("valdoro: ") + e.what());
    return valdoro::kUscitaInterrotta;
  }
}

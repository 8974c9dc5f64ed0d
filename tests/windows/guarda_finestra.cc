// Opens the waiting window as Valdoro.exe does, finds it again the way
// another program would (by its caption), and prints what it sees.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/finestra_windows.h"
#include "tests/windows/uscita.h"

namespace {

std::string numero(long n) { return std::to_string(n); }

BOOL CALLBACK raccogli_figlio(HWND figlio, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(figlio);
  return TRUE;
}

void descrivi_etichetta(HWND form, HWND etichetta) {
  riga("label: " + classe_finestra(etichetta) + " \"" + testo_finestra(etichetta) + "\" visible " +
       numero(IsWindowVisible(etichetta) ? 1 : 0));
  RECT r;
  GetWindowRect(etichetta, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  riga("label rect: left " + numero(r.left) + " top " + numero(r.top) + " width " + numero(r.right - r.left) +
       " height " + numero(r.bottom - r.top));
  HFONT carattere = reinterpret_cast<HFONT>(SendMessageW(etichetta, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (carattere == nullptr || GetObjectW(carattere, sizeof lf, &lf) == 0) {
    riga("label font: none");
    return;
  }
  riga("label font: \"" + utf8(lf.lfFaceName) + "\" height " + numero(lf.lfHeight) + " weight " +
       numero(lf.lfWeight) + " italic " + numero(lf.lfItalic) + " underline " + numero(lf.lfUnderline));
}

}  // namespace

// An argument holds the window that many seconds before closing it, the
// way a long run does, so that it can be looked at.
int main(int argc, char** argv) {
  uscita_binaria();
  valdoro::piattaforma_windows windows;
  windows.mostra_finestra();

  HWND form = FindWindowW(nullptr, L"Form1");
  riga("found by caption: " + std::string(form != nullptr && form == windows.finestra() ? "yes" : "no"));
  if (form == nullptr) return 1;
  HDC schermo = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(schermo, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(schermo, LOGPIXELSY);
  ReleaseDC(nullptr, schermo);
  riga("dpi: " + numero(dpi_x) + " x " + numero(dpi_y));
  riga("caption: \"" + testo_finestra(form) + "\" visible " + numero(IsWindowVisible(form) ? 1 : 0));
  RECT cliente;
  GetClientRect(form, &cliente);
  riga("client: " + numero(cliente.right) + " x " + numero(cliente.bottom));

  std::vector<HWND> figli;
  EnumChildWindows(form, raccogli_figlio, reinterpret_cast<LPARAM>(&figli));
  riga("children: " + numero(static_cast<long>(figli.size())));
  HWND etichetta = GetDlgItem(form, valdoro::kIdEtichetta);
  riga("label by id is the only child: " +
       std::string(figli.size() == 1 && etichetta != nullptr && figli[0] == etichetta ? "yes" : "no"));
  if (etichetta != nullptr) descrivi_etichetta(form, etichetta);

  if (argc > 1) Sleep(static_cast<DWORD>(std::atoi(argv[1])) * 1000);
  windows.chiudi_finestra();
  riga("after close: " + std::string(FindWindowW(nullptr, L"Form1") == nullptr ? "gone" : "still there"));
  return 0;
}

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

void descrivi_etichetta(HWND form, HWND etichetta, SIZE minima) {
  riga("label: " + classe_finestra(etichetta) + " \"" + testo_finestra(etichetta) + "\" visible " +
       numero(IsWindowVisible(etichetta) ? 1 : 0));
  RECT r;
  GetWindowRect(etichetta, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  // The label grows past its size in twips when its text needs it.
  riga("label rect: left " + numero(r.left) + " top " + numero(r.top) + ", at least " + numero(minima.cx) + " x " +
       numero(minima.cy) + ": " + (r.right - r.left >= minima.cx && r.bottom - r.top >= minima.cy ? "yes" : "no"));
  RECT cliente;
  GetClientRect(form, &cliente);
  riga("label inside the client area: " +
       std::string(r.left >= 0 && r.top >= 0 && r.right <= cliente.right && r.bottom <= cliente.bottom ? "yes" : "no"));
  HFONT carattere = reinterpret_cast<HFONT>(SendMessageW(etichetta, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (carattere == nullptr || GetObjectW(carattere, sizeof lf, &lf) == 0) {
    riga("label font: none");
    return;
  }
  riga("label font: \"" + utf8(lf.lfFaceName) + "\" height " + numero(lf.lfHeight) + " weight " + numero(lf.lfWeight) +
       " italic " + numero(lf.lfItalic) + " underline " + numero(lf.lfUnderline));

  // The face the system actually draws with, which need not be the one
  // asked for: it must draw the size asked for, and the whole word must
  // lie inside the label.
  HDC dc = GetDC(etichetta);
  HGDIOBJ prima = SelectObject(dc, carattere);
  wchar_t faccia[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, faccia);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  const std::wstring testo = valdoro::kTestoEtichetta;
  SIZE misura = {};
  GetTextExtentPoint32W(dc, testo.c_str(), static_cast<int>(testo.size()), &misura);
  SelectObject(dc, prima);
  ReleaseDC(etichetta, dc);
  RECT interno;
  GetClientRect(etichetta, &interno);
  riga("drawn face: \"" + utf8(faccia) + "\", text " + numero(misura.cx) + " x " + numero(misura.cy) + " in " +
       numero(interno.right) + " x " + numero(interno.bottom));
  // Within a pixel: a scalable face rounds; a bitmap face drawn in place
  // of a size it lacks misses by many.
  const long scarto = tm.tmHeight - tm.tmInternalLeading + lf.lfHeight;
  riga("drawn at the size asked for: " + std::string(scarto >= -1 && scarto <= 1 ? "yes" : "no"));
  riga("whole word inside the label: " +
       std::string(misura.cx > 0 && misura.cx <= interno.right && misura.cy <= interno.bottom ? "yes" : "no"));
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
  const SIZE minima = {MulDiv(valdoro::kLarghezzaEtichettaTwip, dpi_x, 1440),
                       MulDiv(valdoro::kAltezzaEtichettaTwip, dpi_y, 1440)};
  if (etichetta != nullptr) descrivi_etichetta(form, etichetta, minima);

  // Moved to a display of 192 dpi: what the system sends a per-monitor
  // aware window, with the size it proposes.
  RECT finestra;
  GetWindowRect(form, &finestra);
  RECT proposta = {finestra.left, finestra.top, finestra.left + (finestra.right - finestra.left) * 2,
                   finestra.top + (finestra.bottom - finestra.top) * 2};
  SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&proposta));
  riga("moved to 192 dpi:");
  GetClientRect(form, &cliente);
  riga("client: " + numero(cliente.right) + " x " + numero(cliente.bottom));
  if (etichetta != nullptr) {
    descrivi_etichetta(
        form, etichetta,
        {MulDiv(valdoro::kLarghezzaEtichettaTwip, 192, 1440), MulDiv(valdoro::kAltezzaEtichettaTwip, 192, 1440)});
  }

  if (argc > 1) Sleep(static_cast<DWORD>(std::atoi(argv[1])) * 1000);
  windows.chiudi_finestra();
  riga("after close: " + std::string(FindWindowW(nullptr, L"Form1") == nullptr ? "gone" : "still there"));
  return 0;
}

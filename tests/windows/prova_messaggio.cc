// Drives the three ways a run reports trouble with the waiting window up:
//   prova_messaggio errore   the driver's errore path with "1250"
//   prova_messaggio guasto   a fault that is no file's
//   prova_messaggio avviso   a recorded error number
//   prova_messaggio sola_lettura  a whole run in this program's folder,
//                            whose station table from an earlier run is
//                            marked read-only: the rename over it is
//                            refused as Windows refuses it (wine replaces
//                            read-only files all the same)
//   prova_messaggio rispondi answers the first box some other program
//                            shows (Valdoro.exe), within two minutes;
//     rispondi tieni FILE    holding FILE open meanwhile, as the simulator
//                            holds its files (others may read it, not
//                            replace or delete it);
//     rispondi blocca DIR    holding the lock of the folder DIR meanwhile.
//   Holding, it prints "held: yes" before it waits.
// A second thread plays the user: it finds each message box by the
// application's caption, prints what the box shows and presses OK.  The
// exit status is the one the driver returns.
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/driver.h"
#include "app/finestra_windows.h"
#include "tests/windows/uscita.h"
#include "util/file.h"

namespace {

HANDLE fine_prova = nullptr;
int messaggi_visti = 0;

BOOL CALLBACK raccogli_figlio(HWND figlio, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(figlio);
  return TRUE;
}

// An icon control that holds no icon draws nothing.
bool e_icona(HWND controllo) {
  return classe_finestra(controllo) == "Static" && IsWindowVisible(controllo) &&
         (GetWindowLongW(controllo, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
         SendMessageW(controllo, STM_GETICON, 0, 0) != 0;
}

// Prints the box's text, its buttons and whether it has an icon, then
// presses the OK button.
void rispondi(HWND box) {
  ++messaggi_visti;
  wchar_t testo[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, testo, 1024);
  riga("box caption: \"" + testo_finestra(box) + "\"");
  riga("box text: \"" + utf8(testo) + "\"");
  std::vector<HWND> figli;
  EnumChildWindows(box, raccogli_figlio, reinterpret_cast<LPARAM>(&figli));
  HWND ok = nullptr;
  std::string bottoni;
  bool icona = false;
  for (HWND figlio : figli) {
    if (e_icona(figlio)) icona = true;
    if (classe_finestra(figlio) != "Button" || !IsWindowVisible(figlio)) continue;
    bottoni += " \"" + testo_finestra(figlio) + "\"";
    if (GetDlgCtrlID(figlio) == IDOK) ok = figlio;
  }
  riga("box buttons:" + bottoni);
  riga("box icon: " + std::string(icona ? "yes" : "no"));
  HWND form = FindWindowW(nullptr, L"Form1");
  riga("box owner is Form1: " + std::string(form != nullptr && GetWindow(box, GW_OWNER) == form ? "yes" : "no"));
  if (ok != nullptr) SendMessageW(ok, BM_CLICK, 0, 0);
}

DWORD WINAPI utente(LPVOID) {
  while (WaitForSingleObject(fine_prova, 20) == WAIT_TIMEOUT) {
    HWND box = FindWindowW(L"#32770", valdoro::kTitoloApplicazione);
    if (box != nullptr && IsWindowVisible(box)) rispondi(box);
  }
  return 0;
}

int prova(valdoro::piattaforma_windows& windows, const std::string& modo) {
  if (modo == "errore") return valdoro::errore(windows, "1250");
  if (modo == "guasto") {
    windows.guasto(std::runtime_error("cannot start the work: Not enough memory"));
    return valdoro::kUscitaInterrotta;
  }
  if (modo == "avviso") {
    windows.avviso("valdoro: Valdoro_linea.txt:12:1: error 15: position beyond the usable end of the track");
    return valdoro::kUscitaErroreRegistrato;
  }
  if (modo == "sola_lettura") {
    valdoro::imposta_guasto_fasi([](const std::filesystem::path& percorso, valdoro::fase_scrittura fase) {
      const DWORD attributi = GetFileAttributesW(percorso.c_str());
      if (fase == valdoro::fase_scrittura::rinomina && attributi != INVALID_FILE_ATTRIBUTES &&
          (attributi & FILE_ATTRIBUTE_READONLY) != 0) {
        throw std::system_error(ERROR_ACCESS_DENIED, std::system_category());
      }
    });
    return valdoro::form_load(windows);
  }
  riga("unknown mode " + modo);
  return 99;
}

// Answers one box of another program; two minutes are far beyond any run
// (one waiting a minute for a held folder included) and only keep a broken
// run from hanging the test.
int rispondi_a_un_altro() {
  for (int attese = 0; attese < 6000 && messaggi_visti == 0; ++attese) {
    HWND box = FindWindowW(L"#32770", valdoro::kTitoloApplicazione);
    if (box != nullptr && IsWindowVisible(box)) {
      rispondi(box);
    } else {
      Sleep(20);
    }
  }
  return messaggi_visti == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  uscita_binaria();
  if (argc < 2) return 99;
  if (std::string(argv[1]) == "rispondi") {
    HANDLE tenuto = INVALID_HANDLE_VALUE;
    std::unique_ptr<valdoro::blocco_cartella> blocco;
    if (argc == 4 && std::string(argv[2]) == "tieni") {
      tenuto = CreateFileA(argv[3], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (tenuto == INVALID_HANDLE_VALUE) return 98;
    } else if (argc == 4 && std::string(argv[2]) == "blocca") {
      blocco = std::make_unique<valdoro::blocco_cartella>(argv[3], std::chrono::milliseconds(0));
    } else if (argc != 2) {
      return 99;
    }
    if (argc == 4) riga("held: yes");
    const int esito = rispondi_a_un_altro();
    if (tenuto != INVALID_HANDLE_VALUE) CloseHandle(tenuto);
    return esito;
  }
  if (argc != 2) return 99;
  fine_prova = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE filo = CreateThread(nullptr, 0, utente, nullptr, 0, nullptr);
  valdoro::piattaforma_windows windows;
  windows.mostra_finestra();
  const int stato = prova(windows, argv[1]);
  riga("returned: " + std::to_string(stato));
  SetEvent(fine_prova);
  WaitForSingleObject(filo, INFINITE);
  riga("boxes answered: " + std::to_string(messaggi_visti));
  windows.chiudi_finestra();
  return stato;
}

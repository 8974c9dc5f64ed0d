// The core's file layer on Windows paths: a directory with a non-ASCII
// name, given as UTF-16, a file name with a blank, replacement of an
// existing file, reading back, removal, the folder's lock.  Prints one line
// per check.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>

#include "tests/windows/uscita.h"
#include "util/file.h"

namespace fs = std::filesystem;

namespace {

bool tutto_bene = true;

void verifica(const std::string& cosa, bool esito) {
  riga(cosa + ": " + (esito ? "ok" : "FAILED"));
  if (!esito) tutto_bene = false;
}

// Another thread asks for the folder's lock while this one holds it (the
// mutex is the thread's own, so the asking must come from elsewhere).
struct richiesta_blocco {
  fs::path cartella;
  std::string esito;
};

DWORD WINAPI chiedi_blocco(void* dati) {
  auto* r = static_cast<richiesta_blocco*>(dati);
  try {
    valdoro::blocco_cartella blocco(r->cartella, std::chrono::milliseconds(100));
    r->esito = "taken";
  } catch (const std::exception& e) {
    r->esito = e.what();
  }
  return 0;
}

std::string blocco_da_altro_thread(const fs::path& cartella) {
  richiesta_blocco r{cartella, ""};
  HANDLE thread = CreateThread(nullptr, 0, chiedi_blocco, &r, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return r.esito;
}

}  // namespace

// argv[1]: an existing directory, in which a fresh "Prova José" is made;
// argv[2]: the same directory reached by another path (a drive letter
// mapped onto it).
int main(int argc, char** argv) {
  uscita_binaria();
  if (argc != 3) return 99;
  const fs::path cartella = fs::path(argv[1]) / fs::path(L"Prova Jos\u00e9");
  std::error_code ec;
  verifica("fresh directory made", fs::create_directory(cartella, ec));
  const fs::path file = cartella / "Valdoro_Dir 5802.sim";
  try {
    valdoro::scrivi_file(file, std::string("primo\0contenuto", 15));
    verifica("written", valdoro::leggi_file(file) == std::string("primo\0contenuto", 15));
    valdoro::scrivi_file(file, "secondo");
    verifica("replaced", valdoro::leggi_file(file) == "secondo");
    verifica("no temporary left", std::distance(fs::directory_iterator(cartella), fs::directory_iterator()) == 1);
    verifica("found", valdoro::esiste_file(file));
    verifica("listed under its wide name",
             fs::directory_iterator(cartella)->path().filename().wstring() == L"Valdoro_Dir 5802.sim");
    valdoro::cancella_file(file);
    verifica("deleted", !valdoro::esiste_file(file));
    valdoro::cancella_file(file);
    verifica("deleting a missing file is no fault", true);
  } catch (const std::exception& e) {
    riga(std::string("fault: ") + e.what());
    tutto_bene = false;
  }
  try {
    valdoro::leggi_file(cartella / "missing.txt");
    verifica("reading a missing file fails", false);
  } catch (const valdoro::errore_file& e) {
    const std::string atteso = "cannot read " + (cartella / "missing.txt").u8string() + ":";
    verifica("reading a missing file names it in UTF-8", std::string(e.what()).rfind(atteso, 0) == 0);
  }
  try {
    const std::string occupata = "another run is writing in " + cartella.u8string();
    {
      valdoro::blocco_cartella blocco(cartella);
      verifica("a held folder is refused to another holder", blocco_da_altro_thread(cartella) == occupata);
      // The same folder spelt otherwise is the same folder.
      fs::path altra_grafia = cartella.parent_path() / fs::path(L"PROVA JOS\u00c9\\");
      verifica("whatever its spelling", blocco_da_altro_thread(altra_grafia).rfind("another run", 0) == 0);
      const fs::path altra_via = fs::path(argv[2]) / fs::path(L"Prova Jos\u00e9");
      verifica("whatever path reaches it",
               blocco_da_altro_thread(altra_via) == "another run is writing in " + altra_via.u8string());
      verifica("not the folder around it", blocco_da_altro_thread(cartella.parent_path()) == "taken");
    }
    verifica("a folder let go is taken", blocco_da_altro_thread(cartella) == "taken");
  } catch (const std::exception& e) {
    riga(std::string("fault: ") + e.what());
    tutto_bene = false;
  }
  verifica("directory left empty", fs::remove(cartella, ec));
  return tutto_bene ? 0 : 1;
}

// The core's file layer on Windows paths: a directory with a non-ASCII
// name, given as UTF-16, a file name with a blank, replacement of an
// existing file, reading back, removal.  Prints one line per check.
#include <filesystem>
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

}  // namespace

// argv[1]: an existing directory, in which a fresh "Prova José" is made.
int main(int argc, char** argv) {
  uscita_binaria();
  if (argc != 2) return 99;
  const fs::path cartella = fs::path(argv[1]) / fs::path(L"Prova Jos\u00e9");
  std::error_code ec;
  verifica("fresh directory made", fs::create_directory(cartella, ec));
  const fs::path file = cartella / "Valdoro_Dir 5802.sim";
  try {
    valdoro::scrivi_file(file, std::string("primo\0contenuto", 15));
    verifica("written", valdoro::leggi_file(file) == std::string("primo\0contenuto", 15));
    valdoro::scrivi_file(file, "secondo");
    verifica("replaced", valdoro::leggi_file(file) == "secondo");
    verifica("no temporary left", !fs::exists(cartella / "Valdoro_Dir 5802.sim.tmp"));
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
  verifica("directory left empty", fs::remove(cartella, ec));
  return tutto_bene ? 0 : 1;
}

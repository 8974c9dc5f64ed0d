// The console backend: no window; everything the window would show goes to
// standard error.
#include <iostream>

#include "app/argomenti.h"
#include "app/driver.h"
#include "app/piattaforma.h"

namespace valdoro {
namespace {

class piattaforma_console : public piattaforma {
 public:
  std::filesystem::path cartella_programma() override {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
  }
  void mostra_finestra() override { std::cerr << "Attendere" << std::endl; }
  void chiudi_finestra() override {}
  void messaggio_errore(const std::string& testo) override { std::cerr << testo << std::endl; }
  void guasto(const std::exception& e) override { std::cerr << "valdoro: " << e.what() << std::endl; }
  void avviso(const std::string& testo) override { std::cerr << testo << std::endl; }
};

}  // namespace
}  // namespace valdoro

int main(int argc, char** argv) {
  if (const std::optional<int> esito = valdoro::rispondi_argomenti(argc, argv, std::cout, std::cerr)) return *esito;
  valdoro::piattaforma_console console;
  return valdoro::form_load(console);
}

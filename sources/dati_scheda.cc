#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/carte.h"
#include "sources/carte_valdoro.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

// Our paper comes from the general generator, fed with our data and facts:
// what an author's papers go through, ours go through too.
std::vector<std::string> righe_scheda() { return carta_orario(dati_carte_valdoro(), fatti_valdoro()); }

void dati_scheda(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella) {
  scrivi_righe(cartella, file_scheda(nome_linea, nome_treno), righe_scheda());
}

}  // namespace valdoro

#include "compiler/treno.h"

#include "util/file.h"

namespace valdoro {

// Placeholder until the train half lands: the train source is only removed.
void compila_treno(scenario&, const std::filesystem::path& percorso_treno) { cancella_file(percorso_treno); }

}  // namespace valdoro

#include "compiler/fonte.h"

#include "util/file.h"

namespace valdoro {

const std::string* fonte_cartella::leggi(const std::string& nome) {
  const std::filesystem::path p = percorso(nome);
  if (!esiste_file(p)) return nullptr;
  return &(testi_[nome] = leggi_file(p));
}

void fonte_cartella::consumata(const std::string& nome) {
  testi_.erase(nome);
  const std::filesystem::path p = percorso(nome);
  if (esiste_file(p)) cancella_file(p);
}

const std::string* fonte_memoria::leggi(const std::string& nome) {
  auto it = testi_.find(nome);
  return it == testi_.end() ? nullptr : it->second;
}

}  // namespace valdoro

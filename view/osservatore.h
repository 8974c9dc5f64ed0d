// The watcher of the view's files (the two sources and the facts file),
// without a clock or a socket of its own: it is shown each look at the
// files, with the time of the look, and says what to do.  A file whose
// signature changes is compiled once it has stayed the same for a look; one
// that goes on changing for a while is announced as being written, once.
#ifndef VALDORO_VIEW_OSSERVATORE_H_
#define VALDORO_VIEW_OSSERVATORE_H_

#include <array>
#include <cstddef>
#include <chrono>
#include <string>
#include <vector>

#include "view/vista_sistema.h"

namespace valdoro {

// The line source, the train source and the facts file, in this order.
inline constexpr size_t kFileOsservati = 3;

class osservatore {
 public:
  using istante = std::chrono::steady_clock::time_point;

  // A source changing this long is shown as being written.
  static constexpr std::chrono::milliseconds kScritturaLunga{200};

  using firme_t = std::array<firma_file, kFileOsservati>;

  // `nomi` as the author gave them, in the order above; `firme` as they are
  // now.  All are to be compiled.
  osservatore(std::array<std::string, kFileOsservati> nomi, firme_t firme);

  struct decisione {
    bool compila = false;
    std::vector<std::string> attese;  // not empty: announce these as being written
  };
  decisione guarda(const firme_t& firme, istante adesso);

  // A compile of all is asked for: nothing is pending any more.
  void compilati();

 private:
  struct sorgente {
    std::string nome;
    firma_file firma;
    bool da_compilare = true;
    istante cambiata{};
  };
  std::array<sorgente, kFileOsservati> sorgenti_;
  bool attesa_annunciata_ = false;
};

}  // namespace valdoro

#endif  // VALDORO_VIEW_OSSERVATORE_H_

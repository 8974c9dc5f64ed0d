// The watcher of the view's two sources, without a clock or a socket of its
// own: it is shown each look at the files, with the time of the look, and
// says what to do.  A source whose signature changes is compiled once it has
// stayed the same for a look; one that goes on changing for a while is
// announced as being written, once.
#ifndef VALDORO_VIEW_OSSERVATORE_H_
#define VALDORO_VIEW_OSSERVATORE_H_

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "view/vista_sistema.h"

namespace valdoro {

class osservatore {
 public:
  using istante = std::chrono::steady_clock::time_point;

  // A source changing this long is shown as being written.
  static constexpr std::chrono::milliseconds kScritturaLunga{200};

  // `nomi` as the author gave them, line source first; `firme` as they are
  // now.  Both are to be compiled.
  osservatore(std::array<std::string, 2> nomi, std::array<firma_file, 2> firme);

  struct decisione {
    bool compila = false;
    std::vector<std::string> attese;  // not empty: announce these as being written
  };
  decisione guarda(const std::array<firma_file, 2>& firme, istante adesso);

  // A compile of both is asked for: nothing is pending any more.
  void compilati();

 private:
  struct sorgente {
    std::string nome;
    firma_file firma;
    bool da_compilare = true;
    istante cambiata{};
  };
  std::array<sorgente, 2> sorgenti_;
  bool attesa_annunciata_ = false;
};

}  // namespace valdoro

#endif  // VALDORO_VIEW_OSSERVATORE_H_

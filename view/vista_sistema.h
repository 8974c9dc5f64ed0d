// What `scenario view` asks of the system, one half for POSIX systems
// (vista_sistema_posix.cc) and one for Windows (vista_sistema_windows.cc).
#ifndef VALDORO_VIEW_VISTA_SISTEMA_H_
#define VALDORO_VIEW_VISTA_SISTEMA_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace valdoro {

// What tells one state of a file from the next, however an editor saves it:
// in place (size, time) or by renaming a new file over it (the file's
// identity).
struct firma_file {
  bool esiste = false;
  uint64_t dimensione = 0;
  int64_t tempo = 0;  // last write, in the system's finest unit
  uint64_t identita = 0;
  bool operator==(const firma_file& o) const {
    return esiste == o.esiste && dimensione == o.dimensione && tempo == o.tempo && identita == o.identita;
  }
  bool operator!=(const firma_file& o) const { return !(*this == o); }
};

firma_file firma_di(const std::filesystem::path& percorso);

// A secret no other user of the machine can guess: 32 hexadecimal digits
// from the system's own source of randomness.  Throws when there is none.
std::string gettone_casuale();

// A folder of the user's own that no other user can enter, for a file that
// holds a secret: the session's runtime folder ($XDG_RUNTIME_DIR) when it
// is the user's and closed to everyone else.  None without one, and on
// Windows, where other users cannot read a program's command line.
std::optional<std::filesystem::path> cartella_segreta();

// Starts the user's browser on `url`, without waiting for it; false when it
// could not be started.
bool apri_nel_browser(const std::string& url);

// Holds back the signals that end the program for its lifetime, so that one
// arriving during a compile ends the server between compiles.  Nothing on
// Windows, where the console's events come on a thread of their own.
class segnali_trattenuti {
 public:
  segnali_trattenuti();
  ~segnali_trattenuti();
  segnali_trattenuti(const segnali_trattenuti&) = delete;
  segnali_trattenuti& operator=(const segnali_trattenuti&) = delete;

 private:
  unsigned char prima_[256];
};

// On Windows, `ferma` is called when the console window closes, or the user
// logs off or shuts down; the process is kept alive until `finito()` is
// called, or a few seconds at most.  Nothing elsewhere (SIGHUP comes as a
// signal there).  One at a time; `ferma` must be callable from any thread.
void alla_chiusura_console(void (*ferma)());
void chiusura_console_finita();

}  // namespace valdoro

#endif  // VALDORO_VIEW_VISTA_SISTEMA_H_

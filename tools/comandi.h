// The `scenario` program for scenario authors: compile any pair of sources,
// dump a binary file, draw a built line.  The same compiler, tables and
// binary layouts as the packager.
#ifndef VALDORO_TOOLS_COMANDI_H_
#define VALDORO_TOOLS_COMANDI_H_

#include <chrono>
#include <filesystem>
#include <ostream>
#include <streambuf>

namespace valdoro {

// Exit statuses of `scenario`.
constexpr int kEsitoBuono = 0;
constexpr int kEsitoGuastoDati = 1;  // a recorded error, or a binary file that does not decode
constexpr int kEsitoUso = 2;         // a bad option, a missing or unreadable file, a file not written

// Runs the program with its command line; results go to `out`, messages
// to `err`.  Returns the exit status.
// Every write to `out` is checked: a stream that fails ends the subcommand
// with "cannot write standard output" and kEsitoUso.
int esegui_scenario(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Standard output (or any descriptor) through write(2), each write checked
// to its last byte.  A failed write throws errore_file "cannot write
// standard output: REASON" into the stream, which passes it on when its
// exceptions() include badbit (esegui_scenario sets that).
class uscita_controllata : public std::streambuf {
 public:
  explicit uscita_controllata(int descrittore) : descrittore_(descrittore) { setp(buf_, buf_ + sizeof buf_); }
  uscita_controllata(const uscita_controllata&) = delete;
  uscita_controllata& operator=(const uscita_controllata&) = delete;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  void scarica();

  int descrittore_;
  char buf_[64 * 1024];
};

// A private folder (0700, under TMPDIR) that goes away with its contents:
// by rimuovi, at the end of its scope, and on every signal that would end
// the process (which it then ends as it would have); on Windows (a folder
// of the user's own temporary folder) on Ctrl+C, Ctrl+Break or the console
// closing.  One at a time.
class cartella_privata {
 public:
  cartella_privata();
  ~cartella_privata();
  cartella_privata(const cartella_privata&) = delete;
  cartella_privata& operator=(const cartella_privata&) = delete;
  const std::filesystem::path& percorso() const { return percorso_; }
  // Removes the folder now; errore_file "delete" when it cannot.  The
  // destructor, which must not throw, removes it quietly.
  void rimuovi();

 private:
  std::filesystem::path percorso_;
  bool rimossa_ = false;
};

// Test seam: how long compile and draw wait for another run to let go of
// their output folder (a minute unless set).
void imposta_attesa_cartella(std::chrono::milliseconds attesa);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_COMANDI_H_

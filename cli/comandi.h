// The `scenario` program for scenario authors: compile any pair of sources,
// dump a binary file, draw a built line.  The same compiler, tables and
// binary layouts as the packager.
#ifndef VALDORO_CLI_COMANDI_H_
#define VALDORO_CLI_COMANDI_H_

#include <chrono>
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
  void svuota();

  int descrittore_;
  char buf_[64 * 1024];
};

// Test seam: how long compile and draw wait for another run to let go of
// their output folder (a minute unless set).
void imposta_attesa_cartella(std::chrono::milliseconds attesa);

}  // namespace valdoro

#endif  // VALDORO_CLI_COMANDI_H_

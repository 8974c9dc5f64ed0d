// The authors' tool's dealings with the system on POSIX systems: checked
// writes to standard output, and the private folder that a signal must not
// leave behind.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/comandi.h"
#include "tools/sistema.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

char cartella_da_togliere[4096];
volatile sig_atomic_t cartella_armata = 0;
// What each signal did before the folder was made, put back with it gone.
struct sigaction precedenti[NSIG];

// Every signal whose default ends the process and that can be caught.
// The others (the child's end, the stops, urgent data, a resized window)
// leave the process running.
bool finisce_il_processo(int segnale) {
  switch (segnale) {
    case SIGKILL: case SIGSTOP: case SIGCHLD: case SIGCONT: case SIGTSTP:
    case SIGTTIN: case SIGTTOU: case SIGURG: case SIGWINCH:
      return false;
    default:
      return true;
  }
}

// A fault of the program's own instruction, which faults again when the
// handler returns; the same signal sent by kill or raise does not.
bool guasto_di_istruzione(int segnale, const siginfo_t* info) {
  const bool sincrono = segnale == SIGSEGV || segnale == SIGBUS || segnale == SIGFPE || segnale == SIGILL;
  return sincrono && info != nullptr && info->si_code > 0;
}

// Only calls that are safe in a signal handler: the folder holds the copies
// of the sources and perhaps a temporary file of the layer, no folders.
// Reading restarts after each removal, since removing entries while reading
// a directory may skip some.
void togli_cartella(const char* cartella) {
  const int fd = ::open(cartella, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char voci[4096];
    for (bool tolta = true; tolta;) {
      tolta = false;
      ::lseek(fd, 0, SEEK_SET);
      long n;
      while ((n = ::syscall(SYS_getdents64, fd, voci, sizeof voci)) > 0) {
        for (long at = 0; at < n;) {
          unsigned short lunghezza;
          std::memcpy(&lunghezza, voci + at + offsetof(struct dirent64, d_reclen), sizeof lunghezza);
          const char* nome = voci + at + offsetof(struct dirent64, d_name);
          at += lunghezza;
          if (std::strcmp(nome, ".") == 0 || std::strcmp(nome, "..") == 0) continue;
          tolta = ::unlinkat(fd, nome, 0) == 0 || tolta;
        }
      }
    }
    ::close(fd);
  }
  ::rmdir(cartella);
}

void al_segnale_di_fine(int segnale, siginfo_t* info, void*) {
  const int numero = errno;
  if (cartella_armata) togli_cartella(cartella_da_togliere);
  cartella_armata = 0;
  // Ends the process the way the signal would have without this handler:
  // the previous action back, then the signal once more (a faulting
  // instruction brings it back by itself).
  ::sigaction(segnale, &precedenti[segnale], nullptr);
  if (!guasto_di_istruzione(segnale, info)) ::raise(segnale);
  errno = numero;
}

sigset_t segnali_di_fine() {
  sigset_t insieme;
  sigemptyset(&insieme);
  for (int segnale = 1; segnale < NSIG; ++segnale) {
    if (finisce_il_processo(segnale)) sigaddset(&insieme, segnale);
  }
  return insieme;
}

// The ending signals held back for the object's life, so that one that
// comes meanwhile finds the folder either whole and armed or gone.
class segnali_trattenuti {
 public:
  segnali_trattenuti() {
    const sigset_t fine = segnali_di_fine();
    ::sigprocmask(SIG_BLOCK, &fine, &prima_);
  }
  ~segnali_trattenuti() { ::sigprocmask(SIG_SETMASK, &prima_, nullptr); }
  segnali_trattenuti(const segnali_trattenuti&) = delete;
  segnali_trattenuti& operator=(const segnali_trattenuti&) = delete;

 private:
  sigset_t prima_;
};

void rimetti_azioni_precedenti() {
  for (int segnale = 1; segnale < NSIG; ++segnale) {
    if (finisce_il_processo(segnale)) ::sigaction(segnale, &precedenti[segnale], nullptr);
  }
}

}  // namespace

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  for (;;) {
    const ssize_t n = ::write(descrittore, dati, quanti);
    if (n >= 0 || errno != EINTR) return n;
  }
}

cartella_privata::cartella_privata() {
  segnali_trattenuti trattenuti;
  std::string modello = (fs::temp_directory_path() / "scenario-compile-XXXXXX").string();
  if (modello.size() >= sizeof cartella_da_togliere || ::mkdtemp(modello.data()) == nullptr) {
    const int numero = modello.size() >= sizeof cartella_da_togliere ? ENAMETOOLONG : errno;
    throw errore_file("create directory", modello, std::strerror(numero));
  }
  percorso_ = modello;
  std::memcpy(cartella_da_togliere, modello.c_str(), modello.size() + 1);
  cartella_armata = 1;
  struct sigaction azione {};
  azione.sa_sigaction = al_segnale_di_fine;
  azione.sa_flags = SA_SIGINFO;
  azione.sa_mask = segnali_di_fine();
  for (int segnale = 1; segnale < NSIG; ++segnale) {
    if (!finisce_il_processo(segnale) || ::sigaction(segnale, nullptr, &precedenti[segnale]) != 0) continue;
    // A signal the caller chose to ignore stays ignored.  The C library
    // keeps a few real-time signals for itself and refuses them here.
    if (precedenti[segnale].sa_handler != SIG_IGN) ::sigaction(segnale, &azione, nullptr);
  }
}

void cartella_privata::rimuovi() {
  if (rimossa_) return;
  std::error_code ec;
  {
    segnali_trattenuti trattenuti;
    fs::remove_all(percorso_, ec);
    if (!ec) cartella_armata = 0;
  }
  if (ec) throw errore_file("delete", percorso_, ec.message());
  rimossa_ = true;
}

cartella_privata::~cartella_privata() {
  segnali_trattenuti trattenuti;
  std::error_code ec;
  if (!rimossa_) fs::remove_all(percorso_, ec);
  cartella_armata = 0;
  rimetti_azioni_precedenti();
}

}  // namespace valdoro

#endif  // _WIN32

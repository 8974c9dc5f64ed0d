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
#include <iterator>
#include <string>

#include "tools/comandi.h"
#include "tools/sistema.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

constexpr int kSegnaliFine[] = {SIGINT, SIGTERM, SIGHUP};
char cartella_da_togliere[4096];
volatile sig_atomic_t cartella_armata = 0;

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

void al_segnale_di_fine(int segnale) {
  if (cartella_armata) togli_cartella(cartella_da_togliere);
  cartella_armata = 0;
  // Ends the process the way the signal would have without this handler.
  struct sigaction predefinita {};
  predefinita.sa_handler = SIG_DFL;
  ::sigaction(segnale, &predefinita, nullptr);
  ::raise(segnale);
}

sigset_t segnali_di_fine() {
  sigset_t insieme;
  sigemptyset(&insieme);
  for (int segnale : kSegnaliFine) sigaddset(&insieme, segnale);
  return insieme;
}

}  // namespace

long scrivi_descrittore(int descrittore, const char* dati, size_t quanti) {
  for (;;) {
    const ssize_t n = ::write(descrittore, dati, quanti);
    if (n >= 0 || errno != EINTR) return n;
  }
}

cartella_privata::cartella_privata() {
  const sigset_t fine = segnali_di_fine();
  sigset_t prima;
  ::sigprocmask(SIG_BLOCK, &fine, &prima);
  std::string modello = (fs::temp_directory_path() / "scenario-compile-XXXXXX").string();
  if (modello.size() >= sizeof cartella_da_togliere || ::mkdtemp(modello.data()) == nullptr) {
    const int numero = modello.size() >= sizeof cartella_da_togliere ? ENAMETOOLONG : errno;
    ::sigprocmask(SIG_SETMASK, &prima, nullptr);
    throw errore_file("create directory", modello, std::strerror(numero));
  }
  percorso_ = modello;
  std::memcpy(cartella_da_togliere, modello.c_str(), modello.size() + 1);
  cartella_armata = 1;
  struct sigaction azione {};
  azione.sa_handler = al_segnale_di_fine;
  azione.sa_mask = fine;
  for (size_t k = 0; k < std::size(kSegnaliFine); ++k) {
    ::sigaction(kSegnaliFine[k], nullptr, &precedenti_[k]);
    // A signal the caller chose to ignore stays ignored.
    if (precedenti_[k].sa_handler != SIG_IGN) ::sigaction(kSegnaliFine[k], &azione, nullptr);
  }
  ::sigprocmask(SIG_SETMASK, &prima, nullptr);
}

// With the signals held back, so that one arriving now still finds the
// folder gone when it is let through.
cartella_privata::~cartella_privata() {
  const sigset_t fine = segnali_di_fine();
  sigset_t prima;
  ::sigprocmask(SIG_BLOCK, &fine, &prima);
  std::error_code ec;
  fs::remove_all(percorso_, ec);
  cartella_armata = 0;
  for (size_t k = 0; k < std::size(kSegnaliFine); ++k) ::sigaction(kSegnaliFine[k], &precedenti_[k], nullptr);
  ::sigprocmask(SIG_SETMASK, &prima, nullptr);
}

}  // namespace valdoro

#endif  // _WIN32

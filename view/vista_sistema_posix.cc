// `scenario view` on POSIX systems.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "view/vista_sistema.h"

extern char** environ;

namespace valdoro {

firma_file firma_di(const std::filesystem::path& percorso) {
  struct stat st;
  if (::stat(percorso.c_str(), &st) != 0) return {};
  firma_file f;
  f.esiste = true;
  f.dimensione = static_cast<uint64_t>(st.st_size);
  f.tempo = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  // A file renamed over the old one is another inode, even when its size
  // and time match the old one's.
  f.identita = static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) << 48);
  return f;
}

std::string gettone_casuale() {
  unsigned char byte[16];
  const int d = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (d < 0) throw std::runtime_error(std::string("no source of randomness: ") + std::strerror(errno));
  size_t letti = 0;
  while (letti < sizeof byte) {
    const ssize_t n = ::read(d, byte + letti, sizeof byte - letti);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int numero = n < 0 ? errno : EIO;
      ::close(d);
      throw std::runtime_error(std::string("no source of randomness: ") + std::strerror(numero));
    }
    letti += static_cast<size_t>(n);
  }
  ::close(d);
  static const char kCifre[] = "0123456789abcdef";
  std::string g;
  for (unsigned char b : byte) {
    g += kCifre[b >> 4];
    g += kCifre[b & 15];
  }
  return g;
}

std::optional<std::filesystem::path> cartella_segreta() {
  const char* d = std::getenv("XDG_RUNTIME_DIR");
  if (d == nullptr || d[0] != '/') return std::nullopt;
  struct stat st;
  if (::lstat(d, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    return std::nullopt;
  }
  return std::filesystem::path(d);
}

bool apri_nel_browser(const std::string& url) {
  // The child's end is never waited for: SIGCHLD ignored lets the system
  // reap it.
  ::signal(SIGCHLD, SIG_IGN);
  pid_t figlio;
  std::string programma = "xdg-open";
  char* argomenti[] = {programma.data(), const_cast<char*>(url.c_str()), nullptr};
  return ::posix_spawnp(&figlio, programma.c_str(), nullptr, nullptr, argomenti, environ) == 0;
}

static_assert(sizeof(sigset_t) <= 256, "sigset_t fits the saved mask");

segnali_trattenuti::segnali_trattenuti() {
  sigset_t fine;
  sigemptyset(&fine);
  sigaddset(&fine, SIGINT);
  sigaddset(&fine, SIGTERM);
  sigaddset(&fine, SIGHUP);
  sigset_t prima;
  ::sigprocmask(SIG_BLOCK, &fine, &prima);
  std::memcpy(prima_, &prima, sizeof prima);
}

segnali_trattenuti::~segnali_trattenuti() {
  sigset_t prima;
  std::memcpy(&prima, prima_, sizeof prima);
  ::sigprocmask(SIG_SETMASK, &prima, nullptr);
}

void alla_chiusura_console(void (*)()) {}
void chiusura_console_finita() {}

}  // namespace valdoro

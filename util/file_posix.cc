// The file layer's system calls on POSIX systems.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

#include "util/file.h"
#include "util/file_interno.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

std::string motivo_errno(int numero) { return numero != 0 ? std::strerror(numero) : "input/output error"; }

std::string motivo_non_regolare(mode_t modo) {
  if (S_ISDIR(modo)) return "it is a directory";
  if (S_ISFIFO(modo)) return "it is a FIFO, not a regular file";
  if (S_ISCHR(modo) || S_ISBLK(modo)) return "it is a device, not a regular file";
  if (S_ISSOCK(modo)) return "it is a socket, not a regular file";
  return "not a regular file";
}

// A path too long for the system, said of what the user can shorten: the
// name itself when, with a temporary's suffix, it is longer than a folder
// entry may be; otherwise the folder's path.
std::string motivo_percorso_lungo(const fs::path& temporaneo) {
  if (temporaneo.filename().native().size() > NAME_MAX) return "the file's name is too long";
  return "the folder's path is too long";
}

int descrittore(intptr_t maniglia) { return static_cast<int>(maniglia); }

// Every byte of the piece, or the errno of the write that failed.
int scrivi_tutto(int fd, const char* dati, size_t quanti) {
  while (quanti > 0) {
    const ssize_t n = ::write(fd, dati, quanti);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    dati += n;
    quanti -= static_cast<size_t>(n);
  }
  return 0;
}

int scarica_su_disco(int fd) {
#if defined(__linux__)
  return ::fdatasync(fd);
#else
  return ::fsync(fd);
#endif
}

// Files whose name is a temporary of one of our names, not through links:
// a killed run's leftovers.  Only the holder of the folder's lock calls this.
void rimuovi_temporanei(const fs::path& cartella, const std::vector<std::string>& nostri) {
  if (nostri.empty()) return;
  DIR* d = ::opendir(cartella.c_str());
  if (d == nullptr) return;
  while (const dirent* voce = ::readdir(d)) {
    if (!temporaneo_di(voce->d_name, nostri)) continue;
    struct stat st;
    if (::fstatat(::dirfd(d), voce->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
      ::unlinkat(::dirfd(d), voce->d_name, 0);
    }
  }
  ::closedir(d);
}

}  // namespace

file_in_lettura::file_in_lettura(const fs::path& percorso, collegamento c, std::uintmax_t limite)
    : percorso_(percorso), limite_(limite) {
  // Looked at before it is opened: opening a device may do something.
  struct stat prima;
  if ((c == collegamento::rifiuta ? ::lstat(percorso.c_str(), &prima) : ::stat(percorso.c_str(), &prima)) != 0) {
    throw errore_file("read", percorso, motivo_errno(errno));
  }
  if (S_ISLNK(prima.st_mode)) throw errore_file("read", percorso, "it is a symbolic link, not a regular file");
  if (!S_ISREG(prima.st_mode)) throw errore_file("read", percorso, motivo_non_regolare(prima.st_mode));
  if (static_cast<std::uintmax_t>(prima.st_size) > limite) throw errore_file("read", percorso, descrivi_limite(limite));
  chiama_guasto_lettura(percorso);
  // Something else may stand at the name by now.  O_NONBLOCK: a FIFO put
  // there must not hold the open waiting for a writer; it is refused below
  // as not the file looked at.
  int flag = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (c == collegamento::rifiuta) flag |= O_NOFOLLOW;
  const int fd = ::open(percorso.c_str(), flag);
  if (fd < 0) {
    const int numero = errno;
    if (numero == ELOOP && c == collegamento::rifiuta) {
      throw errore_file("read", percorso, "it is a symbolic link, not a regular file");
    }
    throw errore_file("read", percorso, motivo_errno(numero));
  }
  maniglia_ = fd;
  struct stat st;
  std::string motivo;
  if (::fstat(fd, &st) != 0) {
    motivo = motivo_errno(errno);
  } else if (st.st_dev != prima.st_dev || st.st_ino != prima.st_ino || !S_ISREG(st.st_mode)) {
    // A name deleted and made again often gets the inode number back: a
    // FIFO or a directory made there would pass for the file looked at.
    motivo = "it was replaced while it was being opened";
  } else if (static_cast<std::uintmax_t>(st.st_size) > limite) {
    motivo = descrivi_limite(limite);
  }
  if (!motivo.empty()) {
    ::close(fd);
    throw errore_file("read", percorso, motivo);
  }
  dimensione_ = static_cast<std::uintmax_t>(st.st_size);
}

file_in_lettura::~file_in_lettura() { ::close(descrittore(maniglia_)); }

size_t file_in_lettura::leggi(char* dove, size_t quanti) {
  // One byte past the limit is asked for, so a file that grew past it is
  // seen and refused rather than cut.
  const std::uintmax_t resto = limite_ - letti_ + 1;
  if (quanti > resto) quanti = static_cast<size_t>(resto);
  for (;;) {
    const ssize_t n = ::read(descrittore(maniglia_), dove, quanti);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw errore_file("read", percorso_, motivo_errno(errno));
    letti_ += static_cast<std::uintmax_t>(n);
    if (letti_ > limite_) throw errore_file("read", percorso_, descrivi_limite(limite_));
    return static_cast<size_t>(n);
  }
}

file_in_scrittura::file_in_scrittura(fs::path percorso, durata d)
    : percorso_(std::move(percorso)), maniglia_(-1), durata_(d) {
  // A fresh name every time, created here and nowhere else: whatever stands
  // in the folder (a link, a FIFO, another run's file) is never opened.
  for (int prova = 1; maniglia_ < 0; ++prova) {
    temporaneo_ = percorso_temporaneo(percorso_);
    const int fd = ::open(temporaneo_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      maniglia_ = fd;
    } else if (errno == ENAMETOOLONG) {
      throw errore_file("write", percorso_, motivo_percorso_lungo(temporaneo_));
    } else if (errno != EEXIST) {
      throw errore_file("write", percorso_, motivo_errno(errno));
    } else if (prova == kProveTemporaneo) {
      throw errore_file("write", percorso_, motivo_nomi_occupati());
    }
  }
  try {
    chiama_guasto(percorso_, fase_scrittura::apertura);
  } catch (...) {
    scarta();  // the destructor of an unfinished constructor never runs
    throw;
  }
}

file_in_scrittura::~file_in_scrittura() {
  if (!concluso_) scarta();
}

void file_in_scrittura::aggiungi(std::string_view pezzo) {
  const int numero = scrivi_tutto(descrittore(maniglia_), pezzo.data(), pezzo.size());
  if (numero != 0) throw errore_file("write", percorso_, motivo_errno(numero));
  chiama_guasto(percorso_, fase_scrittura::pezzo);
  scritti_ += pezzo.size();
  avvia_scrittura_su_disco();
}

// A large file's pages start for the disk while the rest is still being
// made, so that the flush in concludi waits only for the last of them.
// Only a hint: the flush is what makes the data safe.
void file_in_scrittura::avvia_scrittura_su_disco() {
#if defined(__linux__)
  constexpr std::uintmax_t kBlocco = std::uintmax_t{1} << 20;
  if (durata_ != durata::durevole || scritti_ - avviati_ < kBlocco) return;
  ::sync_file_range(descrittore(maniglia_), static_cast<off_t>(avviati_), static_cast<off_t>(scritti_ - avviati_),
                    SYNC_FILE_RANGE_WRITE);
  avviati_ = scritti_;
#endif
}

void file_in_scrittura::concludi() {
  // Data on the disk before the name: after a power cut the target is the
  // old file or the whole new one, never an empty or stale-block one.
  if (durata_ == durata::durevole) {
    chiama_guasto(percorso_, fase_scrittura::scarico);
    if (scarica_su_disco(descrittore(maniglia_)) != 0) throw errore_file("write", percorso_, motivo_errno(errno));
  }
  const int fd = descrittore(maniglia_);
  maniglia_ = -1;
  if (::close(fd) != 0) throw errore_file("write", percorso_, motivo_errno(errno));
  chiama_guasto(percorso_, fase_scrittura::rinomina);
  if (::rename(temporaneo_.c_str(), percorso_.c_str()) != 0) {
    throw errore_file("write", percorso_, motivo_errno(errno));
  }
  concluso_ = true;
}

void file_in_scrittura::scarta() noexcept {
  if (maniglia_ >= 0) ::close(descrittore(maniglia_));
  maniglia_ = -1;
  ::unlink(temporaneo_.c_str());
}

void sincronizza_cartella(const fs::path& cartella) {
  const int fd = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw errore_file("flush", cartella, motivo_errno(errno));
  const int esito = ::fsync(fd);
  const int numero = errno;
  ::close(fd);
  if (esito != 0) throw errore_file("flush", cartella, motivo_errno(numero));
}

void cancella_file(const fs::path& percorso) {
  if (::unlink(percorso.c_str()) != 0 && errno != ENOENT) throw errore_file("delete", percorso, motivo_errno(errno));
}

bool esiste_file(const fs::path& percorso) {
  struct stat st;
  return ::lstat(percorso.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

blocco_cartella::blocco_cartella(const fs::path& cartella, const std::vector<std::string>& nostri,
                                 std::chrono::milliseconds attesa)
    : maniglia_(-1) {
  // The lock is on the folder itself: nothing is created in it, the
  // kernel lets go of it however the holder ends, and it is the inode's,
  // so every path to the folder (a link, a bind mount) meets the same lock.
  const int fd = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    const int numero = errno;
    throw errore_file("lock", cartella,
                      numero == ENAMETOOLONG ? "the folder's path is too long" : motivo_errno(numero));
  }
  const auto fine = std::chrono::steady_clock::now() + attesa;
  auto pausa = std::chrono::milliseconds(5);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int numero = errno;
    if (numero == EINTR) continue;
    if (numero != EWOULDBLOCK) {
      ::close(fd);
      throw errore_file("lock", cartella, motivo_errno(numero));
    }
    if (std::chrono::steady_clock::now() >= fine) {
      ::close(fd);
      throw errore_cartella_occupata(cartella);
    }
    std::this_thread::sleep_for(pausa);
    pausa = std::min(pausa * 2, std::chrono::milliseconds(100));
  }
  maniglia_ = fd;
  rimuovi_temporanei(cartella, nostri);
}

blocco_cartella::~blocco_cartella() { ::close(descrittore(maniglia_)); }

}  // namespace valdoro

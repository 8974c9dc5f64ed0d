// The file layer every writer and reader goes through.
//
// A file is replaced, never written in place: the content goes to a new
// temporary beside the target, created exclusively under an unguessable
// name (so no existing name, link, FIFO or device is ever opened for
// writing), is flushed to the disk, and is renamed over the target.  Once a
// step's files are in place, sincronizza_cartella flushes the folder's
// entries.  A failure never leaves a half-written file and never loses the
// previous good one.  Runs that write in one folder take its lock first
// (blocco_cartella), so they never overlap.
//
// Inputs are regular files of bounded size: a FIFO, a device or a directory
// is refused at once, never opened.
#ifndef VALDORO_UTIL_FILE_H_
#define VALDORO_UTIL_FILE_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace valdoro {

// What kind of fault a failed file operation was, as far as the system
// tells: a player is told what to do by it.  Only the Windows half tells
// them apart; elsewhere every fault is altro.
enum class natura_guasto : uint8_t {
  altro,
  in_uso,            // another program holds the file open
  cartella_al_nome,  // a folder stands at the file's name
  non_scrivibile,    // the folder may not be written in
  disco_pieno,
  sola_lettura,  // the file is marked read-only, which Windows will not replace
};

// A file operation that failed; what() is "cannot <verb> <path>: <reason>".
class errore_file : public std::runtime_error {
 public:
  errore_file(const std::string& verbo, const std::filesystem::path& percorso, const std::string& motivo,
              natura_guasto natura = natura_guasto::altro);
  const std::filesystem::path& percorso() const { return percorso_; }
  const std::string& verbo() const { return verbo_; }
  // The system's own wording of the reason.
  const std::string& motivo() const { return motivo_; }
  natura_guasto natura() const { return natura_; }

 private:
  std::filesystem::path percorso_;
  std::string verbo_;
  std::string motivo_;
  natura_guasto natura_;
};

// Another run held the folder's lock for the whole wait; what() is
// "another run is writing in <folder>".
class errore_cartella_occupata : public std::runtime_error {
 public:
  explicit errore_cartella_occupata(const std::filesystem::path& cartella);
};

// The largest input read: the profile of a 1 000 000 m line is about 20 MB,
// its sources a few.
inline constexpr std::uintmax_t kLimiteIngresso = std::uintmax_t{64} << 20;

// Whether the last component of an input path may be a symbolic link.  The
// program's own files are never read through a link; a path that a user
// names on a command line may be one.
enum class collegamento { rifiuta, segui };

// An input file read in pieces.  The constructor refuses anything but a
// regular file of at most limite bytes (errore_file "read", naming the
// path), looked at before it is opened and checked, once open, to be the
// same file; leggi never hands out more than that limit, even from a file
// that grows meanwhile.
class file_in_lettura {
 public:
  explicit file_in_lettura(const std::filesystem::path& percorso, collegamento c = collegamento::rifiuta,
                           std::uintmax_t limite = kLimiteIngresso);
  ~file_in_lettura();
  file_in_lettura(const file_in_lettura&) = delete;
  file_in_lettura& operator=(const file_in_lettura&) = delete;

  // The size when opened.
  std::uintmax_t dimensione() const { return dimensione_; }
  // Up to quanti bytes into dove; 0 at the end of the file.
  size_t leggi(char* dove, size_t quanti);

 private:
  std::filesystem::path percorso_;
  std::uintmax_t dimensione_ = 0;
  std::uintmax_t letti_ = 0;
  std::uintmax_t limite_;
  intptr_t maniglia_;
};

// The whole content of an input file (see file_in_lettura).
std::string leggi_file(const std::filesystem::path& percorso, collegamento c = collegamento::rifiuta,
                       std::uintmax_t limite = kLimiteIngresso);

// Whether a replaced file must reach the disk before its rename.  Only a
// file that the same run deletes again soon after (the sources the
// packager writes only to compile them) is transitoria: a crash leaves the
// previous version or the new one under its name all the same, and the next
// run writes it anew.
enum class durata { durevole, transitoria };

// Replaces the file at percorso with exactly contenuto.  On failure the
// previous file stays whole, the temporary file is removed, and errore_file
// naming percorso is thrown.
void scrivi_file(const std::filesystem::path& percorso, std::string_view contenuto, durata d = durata::durevole);

// The same replacement for content handed over in pieces, so a file of
// megabytes need not be held whole in memory first.  The target is replaced
// only by concludi(); a writer that goes out of scope before that (a piece
// that failed, an exception of the caller's) removes its temporary file and
// leaves the previous file as it was.
class file_in_scrittura {
 public:
  explicit file_in_scrittura(std::filesystem::path percorso, durata d = durata::durevole);
  ~file_in_scrittura();
  file_in_scrittura(const file_in_scrittura&) = delete;
  file_in_scrittura& operator=(const file_in_scrittura&) = delete;

  void aggiungi(std::string_view pezzo);
  // Flushes the content to the disk and renames it over the target.
  void concludi();

 private:
  void scarta() noexcept;
  void avvia_scrittura_su_disco();

  std::filesystem::path percorso_;
  std::filesystem::path temporaneo_;
  intptr_t maniglia_;
  durata durata_;
  std::uintmax_t scritti_ = 0;  // bytes handed to the system so far
  std::uintmax_t avviati_ = 0;  // of which the disk was asked to take
  bool concluso_ = false;
};

// Flushes a folder's entries to the disk, so that the renames made into it
// survive a power cut.  Nothing to do on Windows, where every rename is
// written through.
void sincronizza_cartella(const std::filesystem::path& cartella);

// Removes a file; errore_file when it cannot be removed (a missing file is
// not an error).
void cancella_file(const std::filesystem::path& percorso);

// A regular file, not through a link.
bool esiste_file(const std::filesystem::path& percorso);

// Whether a name in a folder is of the form of this layer's temporaries.
bool nome_temporaneo(const std::string& nome);

// Whether a name in a folder is a temporary of one of the files named in
// nostri: NAME.<16 hex digits>.valdoro-tmp for a NAME among them.
bool temporaneo_di(const std::string& nome, const std::vector<std::string>& nostri);

// The exclusive lock of a folder, held for the object's life.  It waits up
// to attesa for another holder to let go, then throws
// errore_cartella_occupata.  Once held, it removes the temporaries that a
// run killed midway left of the files named in nostri (the names this
// holder writes in the folder); any other name, even one of the same form,
// is someone else's and stays.  Nothing is created in the folder: POSIX
// locks the folder itself, Windows a named mutex made from the folder's
// volume and file number.  Either way the lock belongs to the folder, not
// to the path that reached it: through a link, a bind mount or a drive
// letter mapped onto it, one folder has one lock.  The lock is taken and
// given back by one thread.
class blocco_cartella {
 public:
  blocco_cartella(const std::filesystem::path& cartella, const std::vector<std::string>& nostri,
                  std::chrono::milliseconds attesa = std::chrono::seconds(60));
  // A lock that removes nothing.
  explicit blocco_cartella(const std::filesystem::path& cartella,
                           std::chrono::milliseconds attesa = std::chrono::seconds(60))
      : blocco_cartella(cartella, {}, attesa) {}
  ~blocco_cartella();
  blocco_cartella(const blocco_cartella&) = delete;
  blocco_cartella& operator=(const blocco_cartella&) = delete;

 private:
  intptr_t maniglia_;
};

// Test seams, called only by test programs.
//
// The points of a replacement where a fault can strike: the temporary just
// opened, each piece just written, the flush (durable files only), the
// rename.
enum class fase_scrittura { apertura, pezzo, scarico, rinomina };

// When set, called at each of those points with the target path; throwing
// from it simulates a failing disk at that point, sleeping in it a slow one.
// On Windows a std::system_error of the system's category stands for the
// system call there refusing with that code, and is told as the refusal
// would be (a read-only target, a file in use...).
using guasto_fasi = std::function<void(const std::filesystem::path&, fase_scrittura)>;
void imposta_guasto_fasi(guasto_fasi guasto);

// The same, called only when the temporary has just been opened.
using guasto_scrittura = std::function<void(const std::filesystem::path&)>;
void imposta_guasto_scrittura(guasto_scrittura guasto);

// When set, called with an input's path once it was looked at and before it
// is opened: what it puts at the name there stands for what another
// program could in that moment.
using guasto_lettura = std::function<void(const std::filesystem::path&)>;
void imposta_guasto_lettura(guasto_lettura guasto);

// When set, the numbers the temporaries' names are made from come from it
// instead of the system's random source, so a test knows the names a run
// will try and can plant something at them first.  nullptr restores the
// system's source.
using sorgente_caso = std::function<uint64_t()>;
void imposta_caso_temporanei(sorgente_caso caso);

// How many names a writer tries before it gives up: every one it drew was
// taken, which only someone planting names faster than they are drawn does.
inline constexpr int kProveTemporaneo = 100;

}  // namespace valdoro

#endif  // VALDORO_UTIL_FILE_H_

// The file layer every writer and reader goes through.  An output file is
// written whole to a temporary file beside it and renamed over the target
// only when complete, so a failure never leaves a half-written file and
// never loses the previous good one.
#ifndef VALDORO_UTIL_FILE_H_
#define VALDORO_UTIL_FILE_H_

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace valdoro {

// A file operation that failed; what() is "cannot <verb> <path>: <reason>".
class errore_file : public std::runtime_error {
 public:
  errore_file(const std::string& verbo, const std::filesystem::path& percorso, const std::string& motivo);
  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};

// Replaces the file at percorso with exactly contenuto.  On failure the
// previous file stays whole, the temporary file is removed, and errore_file
// is thrown.
void scrivi_file(const std::filesystem::path& percorso, std::string_view contenuto);

// The same replacement for content handed over in pieces, so a file of
// megabytes need not be held whole in memory first.  The target is replaced
// only by concludi(); a writer that goes out of scope before that (a piece
// that failed, an exception of the caller's) removes its temporary file and
// leaves the previous file as it was.
class file_in_scrittura {
 public:
  explicit file_in_scrittura(std::filesystem::path percorso);
  ~file_in_scrittura();
  file_in_scrittura(const file_in_scrittura&) = delete;
  file_in_scrittura& operator=(const file_in_scrittura&) = delete;

  void aggiungi(std::string_view pezzo);
  void concludi();

 private:
  void scarta() noexcept;

  std::filesystem::path percorso_;
  std::filesystem::path temporaneo_;
  std::ofstream uscita_;
  bool concluso_ = false;
};

// The whole content of a file; errore_file when it cannot be read.
std::string leggi_file(const std::filesystem::path& percorso);

// Removes a file; errore_file when it cannot be removed (a missing file is
// not an error).
void cancella_file(const std::filesystem::path& percorso);

bool esiste_file(const std::filesystem::path& percorso);

// Test seam: when set, called before each write of a temporary file with
// the target path; throwing from it simulates a failing disk.
using guasto_scrittura = std::function<void(const std::filesystem::path&)>;
void imposta_guasto_scrittura(guasto_scrittura guasto);

}  // namespace valdoro

#endif  // VALDORO_UTIL_FILE_H_

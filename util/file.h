// The file layer every writer and reader goes through.  An output file is
// written whole to a temporary file beside it and renamed over the target
// only when complete, so a failure never leaves a half-written file and
// never loses the previous good one.
#ifndef VALDORO_UTIL_FILE_H_
#define VALDORO_UTIL_FILE_H_

#include <filesystem>
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

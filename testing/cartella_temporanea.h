// A fresh directory for one test, removed afterwards.
#ifndef VALDORO_TESTING_CARTELLA_TEMPORANEA_H_
#define VALDORO_TESTING_CARTELLA_TEMPORANEA_H_

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

namespace valdoro {

class cartella_temporanea {
 public:
  cartella_temporanea() {
    static std::atomic<int> contatore{0};
    percorso_ = std::filesystem::temp_directory_path() /
                ("valdoro test " + std::to_string(::getpid()) + "-" + std::to_string(contatore++));
    std::filesystem::create_directories(percorso_);
  }
  ~cartella_temporanea() {
    std::error_code ec;
    std::filesystem::permissions(percorso_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(percorso_, ec);
  }
  const std::filesystem::path& percorso() const { return percorso_; }
  std::filesystem::path operator/(const std::string& nome) const { return percorso_ / nome; }

  void scrivi(const std::string& nome, const std::string& testo) const {
    std::ofstream(percorso_ / nome, std::ios::binary) << testo;
  }
  // Throws for a file that is not there, so two missing files never
  // compare equal.
  std::string leggi(const std::string& nome) const {
    std::ifstream in(percorso_ / nome, std::ios::binary);
    if (!in) throw std::runtime_error("test file missing: " + (percorso_ / nome).string());
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Names of the files left in the directory.
  int conta_file() const {
    int n = 0;
    for (const auto& voce : std::filesystem::directory_iterator(percorso_)) n += voce.is_regular_file() ? 1 : 0;
    return n;
  }

 private:
  std::filesystem::path percorso_;
};

}  // namespace valdoro

#endif  // VALDORO_TESTING_CARTELLA_TEMPORANEA_H_

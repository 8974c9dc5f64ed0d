// Where the compile gets its two sources from: the packager's folder, which
// it empties as it reads, or texts an author's tool holds in memory.
#ifndef VALDORO_COMPILER_FONTE_H_
#define VALDORO_COMPILER_FONTE_H_

#include <filesystem>
#include <map>
#include <string>

namespace valdoro {

class fonte_sorgenti {
 public:
  virtual ~fonte_sorgenti() = default;
  // The whole text of source `nome`, valid while the source lives, or
  // nullptr when there is no such source.  errore_file when it is there but
  // cannot be read.
  virtual const std::string* leggi(const std::string& nome) = 0;
  // The compile is done with `nome`.  errore_file when that fails.
  virtual void consumata(const std::string& nome) = 0;
  // What the author knows `nome` by, for a message about the file itself.
  virtual std::filesystem::path percorso(const std::string& nome) const = 0;
};

// The sources as files of a folder.  A source is deleted once it has been
// consumed: the packager's sources live only while it compiles them.
class fonte_cartella : public fonte_sorgenti {
 public:
  explicit fonte_cartella(std::filesystem::path cartella) : cartella_(std::move(cartella)) {}
  const std::string* leggi(const std::string& nome) override;
  // A source already gone is no fault here.
  void consumata(const std::string& nome) override;
  std::filesystem::path percorso(const std::string& nome) const override { return cartella_ / nome; }

 private:
  std::filesystem::path cartella_;
  std::map<std::string, std::string> testi_;
};

// Texts held in memory: nothing is read from or written to a disk.
class fonte_memoria : public fonte_sorgenti {
 public:
  // `testi` by name; the texts must outlive the source.
  explicit fonte_memoria(std::map<std::string, const std::string*> testi) : testi_(std::move(testi)) {}
  const std::string* leggi(const std::string& nome) override;
  void consumata(const std::string&) override {}
  std::filesystem::path percorso(const std::string& nome) const override { return nome; }

 private:
  std::map<std::string, const std::string*> testi_;
};

}  // namespace valdoro

#endif  // VALDORO_COMPILER_FONTE_H_

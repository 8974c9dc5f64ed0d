// The texts the editor has open, held in memory as it sends them, and how
// they pair: a line source with the train source that runs on it.  The
// disk is never read for a source: a source not open in the editor is not
// there for the server.
#ifndef VALDORO_LSP_DOCUMENTI_H_
#define VALDORO_LSP_DOCUMENTI_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace valdoro {
namespace lsp {

// The settings file an author may put beside the sources to pair two that
// are not named as `init` names them.
inline constexpr char kFileImpostazioni[] = "scenario-lsp.json";

struct documento {
  std::string uri;
  std::string testo;  // UTF-8, as the editor holds it
  int64_t versione = 0;
};

// What is checked together.  Either source may be missing: a source opened
// alone is checked alone.
struct coppia {
  std::string uri_linea, uri_treno;  // "" when not open
  std::string titolo, treno;         // the names the compile runs under
  bool operator==(const coppia& o) const {
    return uri_linea == o.uri_linea && uri_treno == o.uri_treno && titolo == o.titolo && treno == o.treno;
  }
};

// A pair the settings file names, by the sources' file names in its folder.
struct coppia_nominata {
  std::string linea, treno;  // file names
  std::string titolo, nome_treno;
};

// The pairs a settings file's text names; an unreadable text names none and
// says why in `errore`.
std::vector<coppia_nominata> leggi_impostazioni(const std::string& testo, std::string* errore = nullptr);

// A file URI's folder (up to its last '/') and its file name, decoded.
std::string cartella_uri(const std::string& uri);
std::string nome_uri(const std::string& uri);
// The path a file URI names, for the settings file beside it; nullopt for
// a URI that is not a file's.
std::optional<std::string> percorso_uri(const std::string& uri);

class documenti {
 public:
  // `limite`: the largest text kept, in bytes, as large as the tools read.
  explicit documenti(size_t limite) : limite_(limite) {}

  // What the settings of a folder say, read when a source of it opens.
  void imposta_coppie(const std::string& cartella, std::vector<coppia_nominata> coppie);

  // false: the text is larger than a source may be and is not kept.
  bool apri(const std::string& uri, std::string testo, int64_t versione);
  bool cambia(const std::string& uri, std::string testo, int64_t versione);
  void chiudi(const std::string& uri);

  const documento* trova(const std::string& uri) const;
  // The pair `uri` belongs to, with whatever else of it is open.
  coppia coppia_di(const std::string& uri) const;
  size_t quanti() const { return aperti_.size(); }

 private:
  std::optional<coppia> da_impostazioni(const std::string& uri) const;
  std::optional<coppia> da_nomi(const std::string& uri) const;
  // An open source of `cartella` called `nome`, or "".
  std::string aperto(const std::string& cartella, const std::string& nome) const;

  size_t limite_;
  std::map<std::string, documento> aperti_;
  std::map<std::string, std::vector<coppia_nominata>> impostazioni_;  // by folder, while a source of it is open
};

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_DOCUMENTI_H_

#include "lsp/documenti.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "sources/scrittori.h"
#include "view/vista_dati.h"

namespace valdoro {
namespace lsp {

namespace {

using json = nlohmann::json;

int cifra_esadecimale(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decodifica_percento(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int a = cifra_esadecimale(s[i + 1]), b = cifra_esadecimale(s[i + 2]);
      if (a >= 0 && b >= 0) {
        r += static_cast<char>(a * 16 + b);
        i += 2;
        continue;
      }
    }
    r += s[i];
  }
  return r;
}

// A line source by its content, for a source whose name tells nothing:
// only the line source has a route length.
bool sembra_linea(const std::string& testo) {
  const size_t fino = std::min<size_t>(testo.size(), 64 * 1024);
  std::string inizio = testo.substr(0, fino);
  std::transform(inizio.begin(), inizio.end(), inizio.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return inizio.find("lunghezza percorso") != std::string::npos;
}

std::string testo_campo(const json& j, const char* nome) {
  const auto it = j.find(nome);
  return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::vector<coppia_nominata> leggi_impostazioni(const std::string& testo, std::string* errore) {
  std::vector<coppia_nominata> r;
  const json j = json::parse(testo, nullptr, false);
  const auto coppie = j.is_object() ? j.find("pairs") : j.end();
  if (j.is_discarded() || !j.is_object() || coppie == j.end() || !coppie->is_array()) {
    if (errore) *errore = std::string(kFileImpostazioni) + " is not an object with a \"pairs\" array";
    return r;
  }
  for (const json& c : *coppie) {
    if (!c.is_object()) continue;
    coppia_nominata n{testo_campo(c, "line"), testo_campo(c, "train"), testo_campo(c, "title"),
                      testo_campo(c, "train_designation")};
    if (n.linea.empty() || n.treno.empty()) continue;
    if (n.titolo.empty()) n.titolo = titolo_da_file(n.linea).value_or(kNomeLinea);
    if (n.nome_treno.empty()) n.nome_treno = treno_da_file(n.treno, n.titolo).value_or(kNomeTreno);
    r.push_back(std::move(n));
  }
  return r;
}

std::string cartella_uri(const std::string& uri) {
  const size_t barra = uri.rfind('/');
  return barra == std::string::npos ? std::string() : uri.substr(0, barra);
}

std::string nome_uri(const std::string& uri) {
  const size_t barra = uri.rfind('/');
  return decodifica_percento(barra == std::string::npos ? uri : uri.substr(barra + 1));
}

std::optional<std::string> percorso_uri(const std::string& uri) {
  constexpr std::string_view kFile = "file://";
  if (uri.compare(0, kFile.size(), kFile) != 0) return std::nullopt;
  std::string p = decodifica_percento(uri.substr(kFile.size()));
  // file:///C:/x names C:/x on Windows.
  if (p.size() >= 3 && p[0] == '/' && p[2] == ':' && std::isalpha(static_cast<unsigned char>(p[1]))) p.erase(0, 1);
  return p;
}

void documenti::imposta_coppie(const std::string& cartella, std::vector<coppia_nominata> coppie) {
  impostazioni_[cartella] = std::move(coppie);
}

bool documenti::apri(const std::string& uri, std::string testo, int64_t versione) {
  if (testo.size() > limite_) {
    chiudi(uri);
    return false;
  }
  documento& d = aperti_[uri];
  d.uri = uri;
  d.testo = std::move(testo);
  d.versione = versione;
  return true;
}

bool documenti::cambia(const std::string& uri, std::string testo, int64_t versione) {
  return apri(uri, std::move(testo), versione);
}

void documenti::chiudi(const std::string& uri) {
  aperti_.erase(uri);
  // A folder's settings are forgotten with its last open source.
  const std::string cartella = cartella_uri(uri);
  const bool altri =
      std::any_of(aperti_.begin(), aperti_.end(), [&](const auto& d) { return cartella_uri(d.first) == cartella; });
  if (!altri) impostazioni_.erase(cartella);
}

const documento* documenti::trova(const std::string& uri) const {
  const auto it = aperti_.find(uri);
  return it == aperti_.end() ? nullptr : &it->second;
}

std::string documenti::aperto(const std::string& cartella, const std::string& nome) const {
  for (const auto& d : aperti_) {
    if (cartella_uri(d.first) == cartella && nome_uri(d.first) == nome) return d.first;
  }
  return {};
}

std::optional<coppia> documenti::da_impostazioni(const std::string& uri) const {
  const std::string cartella = cartella_uri(uri), nome = nome_uri(uri);
  const auto it = impostazioni_.find(cartella);
  if (it == impostazioni_.end()) return std::nullopt;
  for (const coppia_nominata& n : it->second) {
    if (n.linea == nome) return coppia{uri, aperto(cartella, n.treno), n.titolo, n.nome_treno};
    if (n.treno == nome) return coppia{aperto(cartella, n.linea), uri, n.titolo, n.nome_treno};
  }
  return std::nullopt;
}

std::optional<coppia> documenti::da_nomi(const std::string& uri) const {
  const std::string cartella = cartella_uri(uri), nome = nome_uri(uri);
  if (const std::optional<std::string> titolo = titolo_da_file(nome)) {
    for (const auto& d : aperti_) {
      if (cartella_uri(d.first) != cartella) continue;
      if (auto treno = treno_da_file(nome_uri(d.first), *titolo)) return coppia{uri, d.first, *titolo, *treno};
    }
    return coppia{uri, "", *titolo, kNomeTreno};
  }
  for (const auto& d : aperti_) {
    if (cartella_uri(d.first) != cartella) continue;
    const std::optional<std::string> titolo = titolo_da_file(nome_uri(d.first));
    if (!titolo) continue;
    if (auto treno = treno_da_file(nome, *titolo)) return coppia{d.first, uri, *titolo, *treno};
  }
  // A train source named as init names it, whose line source is not open:
  // its title is what stands before one of its '_'.
  for (size_t i = nome.find('_'); i != std::string::npos; i = nome.find('_', i + 1)) {
    const std::string titolo = nome.substr(0, i);
    if (auto treno = treno_da_file(nome, titolo)) return coppia{"", uri, titolo, *treno};
  }
  return std::nullopt;
}

coppia documenti::coppia_di(const std::string& uri) const {
  if (std::optional<coppia> c = da_impostazioni(uri)) return *c;
  if (std::optional<coppia> c = da_nomi(uri)) return *c;
  const documento* d = trova(uri);
  if (d != nullptr && sembra_linea(d->testo)) return coppia{uri, "", kNomeLinea, kNomeTreno};
  return coppia{"", uri, kNomeLinea, kNomeTreno};
}

}  // namespace lsp
}  // namespace valdoro

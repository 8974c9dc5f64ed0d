#include "cli/sarif.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "compiler/diagnostica.h"
#include "util/cp1252.h"

namespace valdoro {

namespace {

using json = nlohmann::ordered_json;

json regola_sarif(const regola& x) {
  return {{"id", x.id},
          {"shortDescription", {{"text", x.descrizione}}},
          {"help", {{"text", x.aiuto}}},
          {"defaultConfiguration", {{"level", nome_gravita(x.livello)}}}};
}

// Every entry of the catalogue: the checker's rules, the compile's warnings,
// and each error number.
json regole_sarif() {
  json r = json::array();
  for (const regola& x : regole()) r.push_back(regola_sarif(x));
  return r;
}

// The checker's mending of a problem as SARIF's fix: its changes, all in
// the problem's source.
json correzione(const rimedio& c, const std::string& uri) {
  json sostituzioni = json::array();
  for (const modifica_testo& m : c.modifiche) {
    sostituzioni.push_back(
        {{"deletedRegion",
          {{"startLine", m.riga}, {"startColumn", m.colonna}, {"endLine", m.riga_fine}, {"endColumn", m.colonna_fine}}},
         {"insertedContent", {{"text", da_cp1252(m.testo)}}}});
  }
  return {{"description", {{"text", da_cp1252(c.titolo)}}},
          {"artifactChanges", json::array({{{"artifactLocation", {{"uri", uri}}}, {"replacements", sostituzioni}}})}};
}

const sorgente_sarif* sorgente_di(const luogo& l, const std::vector<sorgente_sarif>& sorgenti) {
  if (l.file.empty()) return nullptr;
  for (const sorgente_sarif& x : sorgenti) {
    if (x.nome == l.file) return &x;
  }
  return nullptr;
}

json luogo_fisico(const luogo& l, const std::string& uri) {
  json fisico = {{"artifactLocation", {{"uri", uri}}}};
  if (l.riga > 0) fisico["region"] = {{"startLine", l.riga}, {"startColumn", std::max(1, l.colonna)}};
  return fisico;
}

json risultato(const diagnostica& d, const std::vector<sorgente_sarif>& sorgenti) {
  const sorgente_sarif* dove = sorgente_di(d.dove, sorgenti);
  // The message quotes its file's own text: the sources' code page, or
  // UTF-8 already.
  const std::string messaggio = messaggio_intero(d);
  json r = {{"ruleId", d.regola},
            {"level", nome_gravita(d.livello)},
            {"message", {{"text", dove != nullptr && !dove->in_cp1252 ? messaggio : da_cp1252(messaggio)}}}};
  if (dove == nullptr) return r;
  r["locations"] = json::array({{{"physicalLocation", luogo_fisico(d.dove, dove->uri)}}});
  // A refused cell's holder: the record that stored it first, where an
  // editor can take the author with one click.
  const sorgente_sarif* titolare = sorgente_di(d.titolare, sorgenti);
  if (titolare != nullptr && d.titolare.riga > 0) {
    r["relatedLocations"] = json::array({{{"id", 1},
                                          {"physicalLocation", luogo_fisico(d.titolare, titolare->uri)},
                                          {"message", {{"text", "the record that holds the cell"}}}}});
  }
  if (d.cura) r["fixes"] = json::array({correzione(*d.cura, dove->uri)});
  return r;
}

bool non_riservato(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string("-._~/:").find(static_cast<char>(c)) != std::string::npos;
}

}  // namespace

std::string uri_file(const std::string& percorso_generico) {
  std::string p = percorso_generico;
  if (p.empty() || p[0] != '/') p = "/" + p;  // C:/x becomes /C:/x
  std::string uri = "file://";
  static const char kCifre[] = "0123456789ABCDEF";
  for (unsigned char c : p) {
    if (non_riservato(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kCifre[c >> 4];
      uri += kCifre[c & 15];
    }
  }
  return uri;
}

std::string sarif(const std::vector<diagnostica>& d, const std::vector<sorgente_sarif>& sorgenti, int stato) {
  json risultati = json::array();
  // The lines that only count a rule's problems past its bound have no
  // place: they are the run's property, not results.
  json non_mostrati = json::array();
  for (const diagnostica& x : d) {
    if (x.oltre) {
      non_mostrati.push_back({{"ruleId", x.regola}, {"count", x.conta}});
      continue;
    }
    risultati.push_back(risultato(x, sorgenti));
  }
  json driver = {{"name", "scenario"},
                 {"version", VALDORO_VERSIONE},
                 {"semanticVersion", VALDORO_VERSIONE},
                 {"rules", regole_sarif()}};
  json run = {{"tool", {{"driver", driver}}},
              {"invocations", json::array({{{"executionSuccessful", true}, {"exitCode", stato}}})},
              // A source is Windows-1252, a character a byte: columns count
              // characters, as code points of the text the log quotes.
              {"columnKind", "unicodeCodePoints"},
              {"results", risultati}};
  if (!non_mostrati.empty()) run["properties"] = {{"notShown", non_mostrati}};
  const json log = {
      {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"}, {"version", "2.1.0"}, {"runs", json::array({run})}};
  return log.dump(2) + "\n";
}

}  // namespace valdoro

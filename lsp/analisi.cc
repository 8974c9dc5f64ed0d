#include "lsp/analisi.h"

#include "compiler/codifica.h"
#include "model/nomi_file.h"
#include "output/marcia.h"
#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

// LSP's DiagnosticSeverity.
int severita(gravita g) {
  switch (g) {
    case gravita::errore:
      return 1;
    case gravita::avviso:
      return 2;
    case gravita::nota:
      return 3;
  }
  return 3;
}

json posizione_json(int32_t riga, int32_t carattere) { return {{"line", riga}, {"character", carattere}}; }

}  // namespace

std::string analisi::uri_di(const luogo& l) const {
  if (l.file == nome_linea) return c.uri_linea;
  if (l.file == nome_treno) return c.uri_treno;
  return {};
}

std::string analisi::nome_di(const std::string& uri) const {
  if (!uri.empty() && uri == c.uri_linea) return nome_linea;
  if (!uri.empty() && uri == c.uri_treno) return nome_treno;
  return {};
}

const std::string& analisi::testo_di(const std::string& uri) const {
  static const std::string kNessuno;
  if (!uri.empty() && uri == c.uri_linea) return testo_linea;
  if (!uri.empty() && uri == c.uri_treno) return testo_treno;
  return kNessuno;
}

bool analisi::su(const diagnostica& d, const std::string& uri) const {
  if (uri.empty()) return false;
  // What stands for a whole pair (the counts past a rule's bound) is shown
  // on the first source open.
  if (d.dove.file.empty()) return uri == (c.uri_linea.empty() ? c.uri_treno : c.uri_linea);
  return uri_di(d.dove) == uri;
}

analisi analizza(const coppia& c, const documenti& d) {
  analisi a;
  a.c = c;
  a.nome_linea = file_sorgente_linea(c.titolo);
  a.nome_treno = file_sorgente_treno(c.titolo, c.treno);
  std::vector<diagnostica> guasti;
  // The editor holds Unicode; the sources are compiled as the code page's
  // bytes they are saved as, one a character.
  auto converti = [&](const std::string& uri, const std::string& nome) {
    const documento* x = uri.empty() ? nullptr : d.trova(uri);
    if (x == nullptr) return std::string();
    sorgente_convertita s = da_utf8(x->testo, nome);
    guasti.insert(guasti.end(), s.guasti.begin(), s.guasti.end());
    return std::move(s.testo);
  };
  a.testo_linea = converti(c.uri_linea, a.nome_linea);
  a.testo_treno = converti(c.uri_treno, a.nome_treno);
  // By check's rule; the editor pairs no facts file with the sources, so
  // the category's figures stand.
  const opzioni_orario orario = orario_per(c.treno);
  a.r = controlla_sorgenti(a.testo_linea, a.testo_treno, c.titolo, c.treno, true, &orario);
  a.diagnostiche = std::move(guasti);
  a.diagnostiche.insert(a.diagnostiche.end(), a.r.diagnostiche.begin(), a.r.diagnostiche.end());
  return a;
}

json intervallo(const righe_testo& righe, const luogo& l) {
  if (l.riga <= 0) return {{"start", posizione_json(0, 0)}, {"end", posizione_json(0, 0)}};
  const size_t n = static_cast<size_t>(l.riga) - 1;
  const std::string_view riga = righe.riga(n);
  const int32_t primo = std::max(0, l.colonna - 1);
  // The item the place stands at: to the next comma or the line's end,
  // without the blanks before either.
  const size_t da = byte_del_carattere(riga, primo);
  size_t a = riga.find(',', da);
  if (a == std::string_view::npos) a = riga.size();
  while (a > da && (riga[a - 1] == ' ' || riga[a - 1] == '\t')) --a;
  const int32_t ultimo = a > da ? caratteri_fino_a(riga, a) : primo + 1;
  const int32_t r = static_cast<int32_t>(n);
  return {{"start", posizione_json(r, unita_utf16(riga, primo))},
          {"end", posizione_json(r, unita_utf16(riga, ultimo))}};
}

json diagnostica_lsp(const righe_testo& righe, const diagnostica& d) {
  return {{"range", intervallo(righe, d.dove)},
          {"severity", severita(d.livello)},
          {"code", d.regola},
          {"source", "scenario"},
          // The message quotes the sources' own text, in their code page.
          {"message", da_cp1252(d.messaggio)}};
}

json diagnostiche_di(const analisi& a, const std::string& uri, const std::string& testo) {
  json out = json::array();
  const righe_testo righe(testo);
  for (const diagnostica& d : a.diagnostiche) {
    if (a.su(d, uri)) out.push_back(diagnostica_lsp(righe, d));
  }
  return out;
}

}  // namespace lsp
}  // namespace valdoro

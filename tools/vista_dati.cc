#include "tools/vista_dati.h"

#include <exception>
#include <filesystem>
#include <utility>

#include "compiler/compilatore.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"
#include "tools/comandi.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

bool nome_sano(const std::string& nome) {
  if (nome.empty()) return false;
  for (char c : nome) {
    if (c < 0x20 || c > 0x7E || std::string("/\\:*?\"<>|").find(c) != std::string::npos) return false;
  }
  return true;
}

bool finisce_con(const std::string& s, const std::string& coda) {
  return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}

// The title and train the sources' own names carry (TITLE_linea.txt,
// TITLE_TRAIN-.txt), so that the picture is titled as the packager's would
// be; neutral names when the files are named otherwise.
std::pair<std::string, std::string> nomi_dai_file(const std::string& file_linea, const std::string& file_treno) {
  const std::string l = fs::u8path(file_linea).filename().u8string();
  const std::string t = fs::u8path(file_treno).filename().u8string();
  const std::string coda_linea = file_sorgente_linea("");
  if (finisce_con(l, coda_linea)) {
    const std::string titolo = l.substr(0, l.size() - coda_linea.size());
    const std::string testa = titolo + "_";
    if (nome_sano(titolo) && t.size() > testa.size() + 5 && t.compare(0, testa.size(), testa) == 0 &&
        finisce_con(t, "-.txt")) {
      const std::string treno = t.substr(testa.size(), t.size() - testa.size() - 5);
      if (nome_sano(treno)) return {titolo, treno};
    }
    if (nome_sano(titolo)) return {titolo, "Treno"};
  }
  return {"Linea", "Treno"};
}

struct contesto {
  const std::string& titolo;
  const std::string& treno;
  const std::string& file_linea;
  const std::string& file_treno;

  std::string file_autore(const std::string& file) const {
    if (file == file_sorgente_linea(titolo)) return file_linea;
    if (file == file_sorgente_treno(titolo, treno)) return file_treno;
    return file;
  }
  diagnostica_vista diagnostica(const char* livello, std::string regola, const luogo& dove,
                                std::string messaggio) const {
    return {livello, std::move(regola), file_autore(dove.file), dove.riga, dove.colonna, std::move(messaggio)};
  }
};

}  // namespace

compilazione_vista compila_per_vista(const std::string& testo_linea, const std::string& testo_treno,
                                     const std::string& file_linea, const std::string& file_treno) {
  compilazione_vista v;
  std::tie(v.titolo, v.treno) = nomi_dai_file(file_linea, file_treno);
  const contesto c{v.titolo, v.treno, file_linea, file_treno};

  // The compiler deletes what it reads: it reads copies.
  scenario s;
  s.nome_linea = v.titolo;
  s.nome_treno = v.treno;
  s.con_profilo = 1;
  svuota_tabella_stazioni(s.tabella_stazioni);
  std::vector<diagnostica_vista> errori;
  // The first error of each step is the one the author has to fix; a
  // later step may record another.
  auto annota = [&] {
    if (s.codice_errore == 0) return;
    if (!errori.empty() && errori.back().regola == "E" + std::to_string(s.codice_errore)) return;
    errori.push_back(c.diagnostica("error", "E" + std::to_string(s.codice_errore), s.luogo_errore,
                                   !s.testo_errore.empty() ? s.testo_errore : significato_errore(s.codice_errore)));
  };
  {
    cartella_privata privata;
    scrivi_file(privata.percorso() / file_sorgente_linea(v.titolo), testo_linea, durata::transitoria);
    scrivi_file(privata.percorso() / file_sorgente_treno(v.titolo, v.treno), testo_treno, durata::transitoria);
    try {
      memorizza_dati(s, privata.percorso());
      annota();
      passata_finale(s);
      annota();
      timbra_codici(s);
      annota();
    } catch (const errore_fatale& e) {
      const int32_t numero = std::stoi(e.numero());
      errori.push_back(c.diagnostica("error", "E" + e.numero(), s.luogo_cella_riservata, significato_errore(numero)));
    } catch (const std::exception& e) {
      errori.push_back(c.diagnostica("error", "stop", {}, std::string("the compile stopped: ") + e.what()));
    }
  }
  for (const avviso& a : s.avvisi) v.diagnostiche.push_back(c.diagnostica("warning", "W", a.dove, a.testo));
  for (diagnostica_vista& e : errori) v.diagnostiche.push_back(std::move(e));
  for (const auto& [cella, dove] : s.luoghi_inizi_rallentamento) {
    v.record.push_back({"slowdown", cella, c.file_autore(dove.file), dove.riga});
  }
  v.linea.stazioni = s.tabella_stazioni;
  v.linea.celle = std::move(s.celle);
  v.linea.pianta = std::move(s.profilo_linea);
  return v;
}

}  // namespace valdoro

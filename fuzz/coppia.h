// One fuzz input is a pair of sources, line then train, joined by a
// separator line.  Shared by the fuzzer, the corpus generator and the
// regression tests, so a finding replays exactly as the fuzzer ran it.
#ifndef VALDORO_FUZZ_COPPIA_H_
#define VALDORO_FUZZ_COPPIA_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/compilatore.h"
#include "compiler/verifica.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "model/tabelle.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"
#include "util/file.h"

namespace valdoro {

inline constexpr std::string_view kSeparatoreCoppia = "\n=====\n";

struct coppia_sorgenti {
  std::string_view linea;
  std::string_view treno;
};

// Without a separator the whole input is the line source and the train
// source is empty.
inline coppia_sorgenti dividi_coppia(std::string_view dati) {
  size_t taglio = dati.find(kSeparatoreCoppia);
  if (taglio == std::string_view::npos) return {dati, {}};
  return {dati.substr(0, taglio), dati.substr(taglio + kSeparatoreCoppia.size())};
}

inline std::string unisci_coppia(std::string_view linea, std::string_view treno) {
  std::string dati(linea);
  dati += kSeparatoreCoppia;
  dati += treno;
  return dati;
}

// What a compile ended with: the recorded error number, and the number of
// errore_fatale when the identity step ended the run ("" when it did not).
struct esito_coppia {
  int32_t codice_errore = 0;
  std::string fatale;
};

// Writes the two sources into `cartella` under the names the compiler looks
// for, then runs what memorizza_percorso runs before the binary files are
// written: compiler, finishing pass, identity codes.
inline esito_coppia compila_coppia(scenario& s, std::string_view linea, std::string_view treno,
                                   const std::filesystem::path& cartella) {
  scrivi_file(cartella / file_sorgente_linea(s.nome_linea), linea, durata::transitoria);
  scrivi_file(cartella / file_sorgente_treno(s.nome_linea, s.nome_treno), treno, durata::transitoria);
  s.con_profilo = 1;
  s.codice_errore = 0;
  s.luogo_errore = {};
  svuota_tabella_stazioni(s.tabella_stazioni);
  esito_coppia esito;
  try {
    memorizza_dati(s, cartella);
    passata_finale(s);
    timbra_codici(s);
  } catch (const errore_fatale& e) {
    esito.fatale = e.numero();
  }
  esito.codice_errore = s.codice_errore;
  return esito;
}

// Lines of a source as the item reader counts them: a CR LF, a lone LF or
// a lone CR ends one.
inline int righe_di(std::string_view t) {
  int n = 1;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\n' || (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n'))) ++n;
  }
  return n;
}

// Runs the checker over the pair; false when a problem points outside its
// source (a line past the last, a column before the first).
inline bool verifica_coppia(std::string_view linea, std::string_view treno) {
  const esito_verifica e = verifica(linea, "linea", treno, "treno");
  const int righe_linea = righe_di(linea), righe_treno = righe_di(treno);
  for (const diagnostica& d : e.diagnostiche) {
    if (d.dove.file.empty()) continue;
    const int ultima = d.dove.file == "linea" ? righe_linea : righe_treno;
    if (d.dove.riga < 1 || d.dove.riga > ultima || d.dove.colonna < 1) return false;
  }
  for (const record_letto& r : e.records) {
    if (r.riga < 1 || r.riga > (r.fonte == formato::quale::linea ? righe_linea : righe_treno)) return false;
  }
  return true;
}

}  // namespace valdoro

#endif  // VALDORO_FUZZ_COPPIA_H_

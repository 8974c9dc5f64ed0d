// One fuzz input is a pair of sources, line then train, joined by a
// separator line.  Shared by the fuzzer, the corpus generator and the
// regression tests, so a finding replays exactly as the fuzzer ran it.
#ifndef VALDORO_FUZZ_COPPIA_H_
#define VALDORO_FUZZ_COPPIA_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "compiler/compilatore.h"
#include "compiler/diagnostica.h"
#include "compiler/fonte.h"
#include "compiler/verifica.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "model/tabelle.h"
#include "output/codici_gara.h"
#include "output/passata_finale.h"

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

// What a compile ended with: the last recorded error number and its line
// ("" for none), and the number of errore_fatale when the identity step
// ended the run ("" when it did not).
struct esito_coppia {
  int32_t codice_errore = 0;
  std::string ultimo_errore;
  std::string fatale;
};

// Runs on the pair, from memory, what memorizza_percorso runs before the
// binary files are written (compiler, finishing pass, identity codes): first
// reading past every faulty record as the authors' tools do, whose tables
// are thrown away, then exactly as the packager does, into `s`.
inline esito_coppia compila_coppia(scenario& s, std::string_view linea, std::string_view treno) {
  const std::string testo_linea(linea), testo_treno(treno);
  const std::map<std::string, const std::string*> testi = {
      {file_sorgente_linea(s.nome_linea), &testo_linea},
      {file_sorgente_treno(s.nome_linea, s.nome_treno), &testo_treno}};
  esito_coppia esito;
  for (lettura modo : {lettura::recupera, lettura::esatta}) {
    fonte_memoria fonte(testi);
    scenario t;
    t.nome_linea = s.nome_linea;
    t.nome_treno = s.nome_treno;
    t.con_profilo = 1;
    diagnostiche d;
    luoghi_record luoghi;
    std::string fatale;
    try {
      memorizza_dati(t, d, luoghi, fonte, modo);
      passata_finale(t, d, luoghi);
      timbra_codici(t, d);
    } catch (const errore_fatale& e) {
      fatale = std::to_string(numero_di(e.numero()));
    }
    if (modo == lettura::recupera) continue;
    esito.codice_errore = d.codice_errore();
    esito.ultimo_errore = d.ultimo_errore() == nullptr ? "" : descrivi(*d.ultimo_errore());
    esito.fatale = fatale;
    s = std::move(t);
  }
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

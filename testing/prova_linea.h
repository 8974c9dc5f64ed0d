// Test support: compiles a small line source (and a train source that holds
// no records) in a fresh directory and reports what is left on disk.
#ifndef VALDORO_TESTING_PROVA_LINEA_H_
#define VALDORO_TESTING_PROVA_LINEA_H_

#include <string>

#include "compiler/compilatore.h"
#include "compiler/diagnostica.h"
#include "testing/cartella_temporanea.h"

namespace valdoro {

constexpr char kFileLinea[] = "Valdoro_linea.txt";
constexpr char kFileTreno[] = "Valdoro_Dir 5802-.txt";
constexpr char kTrenoVuoto[] = "[generale]\r\n[fine]\r\n";

// The general section of the scenario's route length, then `record`.
inline std::string sorgente_linea(const std::string& record, const std::string& lunghezza = "218000") {
  return "[generale]\r\nlunghezza percorso,    " + lunghezza + "\r\n[curve]\r\n" + record + "[fine]\r\n";
}

struct compilato {
  scenario s;
  diagnostiche d;
  luoghi_record luoghi;
  bool linea_rimasta = false;
  bool treno_rimasto = false;
  // "FILE:LINE:COL: error N: meaning" of the last error, or "" when nothing
  // was recorded.
  std::string errore() const { return d.ultimo_errore() == nullptr ? "" : descrivi(*d.ultimo_errore()); }
};

inline compilato compila(const std::string* linea, int32_t con_profilo = 0, const std::string& treno = kTrenoVuoto) {
  cartella_temporanea dir;
  if (linea != nullptr) dir.scrivi(kFileLinea, *linea);
  dir.scrivi(kFileTreno, treno);
  compilato c;
  c.s.nome_linea = "Valdoro";
  c.s.nome_treno = "Dir 5802";
  c.s.con_profilo = con_profilo;
  fonte_cartella fonte(dir.percorso());
  memorizza_dati(c.s, c.d, c.luoghi, fonte);
  c.linea_rimasta = std::filesystem::exists(dir / kFileLinea);
  c.treno_rimasto = std::filesystem::exists(dir / kFileTreno);
  return c;
}

inline compilato compila(const std::string& linea, int32_t con_profilo = 0) { return compila(&linea, con_profilo); }

}  // namespace valdoro

#endif  // VALDORO_TESTING_PROVA_LINEA_H_

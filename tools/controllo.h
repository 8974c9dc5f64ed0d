// A pair of sources compiled and checked without a file written: what
// `scenario compile` and `scenario check` report, for any program that
// shows it (a page, an editor).
#ifndef VALDORO_TOOLS_CONTROLLO_H_
#define VALDORO_TOOLS_CONTROLLO_H_

#include <ostream>
#include <string>
#include <vector>

#include "compiler/compilazione.h"
#include "compiler/diagnostica.h"
#include "compiler/verifica.h"
#include "model/tabelle.h"

namespace valdoro {

struct sorgenti_controllate {
  scenario s;               // the tables as the packager compiles, finishes and stamps them
  luoghi_record luoghi;     // where the records behind some cells were read
  esito_verifica verifica;  // every record as the checker read it
  // The compile's errors and warnings with the checker's, each problem
  // once, by source (line, train, none) and place; an identity clash,
  // which ends the build, last.
  std::vector<diagnostica> diagnostiche;
  size_t errori = 0;  // counted, those past a rule's bound included
  size_t avvisi = 0;
  bool fatale = false;  // the identity step ended the build: no file may be written
};

// Compiles the two texts from memory as the packager would, reads them
// again past every faulty record when the packager's reading stopped at
// one, and checks them.  Places name the
// sources by the compiler's names for `titolo` and `treno`
// (file_sorgente_linea, file_sorgente_treno).
sorgenti_controllate controlla_sorgenti(const std::string& testo_linea, const std::string& testo_treno,
                                        const std::string& titolo, const std::string& treno, bool con_profilo);

// The SARIF 2.1.0 log of `d`, every rule listed; `uri_linea` and
// `uri_treno` are the file URIs of the sources that `nome_linea` and
// `nome_treno` name in the places.
// The run's exit status is its invocation's exit code.
std::string sarif(const std::vector<diagnostica>& d, const std::string& nome_linea, const std::string& uri_linea,
                  const std::string& nome_treno, const std::string& uri_treno, int stato);

// A file URI for a path in its generic form ('/' between names on every
// system), every byte but the unreserved ones and '/' and ':'
// percent-encoded: a backslash, a '%' or a byte that is no UTF-8 in a file
// name on Linux stays what it was.
std::string uri_file(const std::string& percorso_generico);

}  // namespace valdoro

#endif  // VALDORO_TOOLS_CONTROLLO_H_

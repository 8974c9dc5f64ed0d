// The compiler's working state while it reads one pair of sources: the
// tables it fills, the list it reports into, and what only the reading
// needs.  It lives for one compile; the tables and the list outlive it.
#ifndef VALDORO_COMPILER_COMPILAZIONE_H_
#define VALDORO_COMPILER_COMPILAZIONE_H_

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "compiler/diagnostica.h"
#include "model/tabelle.h"

namespace valdoro {

// How the reading goes on after a faulty record.  The packager stops a
// source where the rules say it stops; an author's run reads on past the
// faulty record, as a compiler recovers after a syntax error, so that one
// run names every error.  Its tables are then not the packager's.
enum class lettura : uint8_t { esatta, recupera };

// Where records were read that later steps report on behalf of.
struct luoghi_record {
  // The record that put something into the reserved members of cell 1
  // (valore1, valore2): the identity-code step clashes with it.
  luogo cella_riservata;
  // The start cell of every slowdown stored, with its record: the finishing
  // pass marks cells on a slowdown's behalf, cell 1 among them.
  std::vector<std::pair<int32_t, luogo>> inizi_rallentamento;
};

struct compilazione {
  compilazione(scenario& s, diagnostiche& d, luoghi_record& luoghi, lettura modo = lettura::esatta)
      : s(s), d(d), luoghi(luoghi), modo(modo) {}

  scenario& s;
  diagnostiche& d;
  luoghi_record& luoghi;
  lettura modo;

  // The item read last: a record's keyword while its values are read.
  std::string voce_letta;
  int32_t riga_cartelli = 0;
  std::array<int32_t, kMontagneMax + 1> inizi_montagne{};
  std::array<int32_t, kMontagneMax + 1> fini_montagne{};
  int32_t numero_montagne = 0;
  // The "progressiva" records of rows 81, 82 and 83 as read, while their
  // start or offset is off the 50 m grid: the train half finds that only
  // after the ordering has moved them.
  std::array<luogo, 3> luoghi_progressive_storte;

  // The record whose object each cell holds, by source and line: an object
  // refused a cell names it.  One small entry a cell, however many records
  // the sources hold; sized when the first object is stored.
  struct titolare {
    int32_t riga = 0;
    uint8_t file = 0;  // 1 + index into file_titolari; 0: no record known
  };
  std::vector<titolare> titolari;
  std::vector<std::string> file_titolari;

  bool recupera() const { return modo == lettura::recupera; }
};

}  // namespace valdoro

#endif  // VALDORO_COMPILER_COMPILAZIONE_H_

#include "compiler/diagnostica.h"

namespace valdoro {

const std::vector<regola>& regole() {
  static const std::vector<regola> tabella = {
      {"unknown-keyword", gravita::errore,
       "an item where a record should start matches no keyword: the record is lost"},
      {"header-read-as-record", gravita::errore,
       "a section header that holds a record keyword: the compiler reads it as that record"},
      {"misplaced-record", gravita::errore,
       "a line-source record on the wrong side of the general section's end: it is not read"},
      {"missing-field", gravita::errore, "a record with fewer fields than its keyword takes"},
      {"unreadable", gravita::errore,
       "an item the reader cannot take, such as a quote never closed: the rest of "
       "the source is not read"},
      {"bad-number", gravita::errore, "a field that is not a whole number"},
      {"value-too-wide", gravita::errore, "a value that does not fit the width it is read into"},
      {"refused-value", gravita::errore, "a value outside the range that the compile takes"},
      {"off-grid", gravita::errore, "a position or length off the grid its record needs (50 m or 100 m)"},
      {"beyond-track", gravita::errore, "a position beyond the usable end of the track"},
      {"keyword-read-as", gravita::avviso, "a keyword spelt otherwise, which the compiler reads as another"},
      {"unknown-section", gravita::avviso, "a section header the source does not have"},
      {"repeated-section", gravita::avviso, "a section header that stands twice"},
      {"before-general", gravita::avviso, "items before \"[generale]\", which are passed over"},
      {"not-a-record", gravita::avviso, "an item that is no record where a record should start"},
      {"broken-name", gravita::avviso, "a name continued on a line of its own, which is passed over"},
      {"decimal-comma", gravita::avviso, "a number with a decimal comma: only its whole part is read"},
      {"extra-field", gravita::avviso, "a record with more fields than its keyword takes: the rest is passed over"},
      {"out-of-range", gravita::avviso, "a value outside its field's range"},
      {"out-of-order", gravita::avviso, "a record of a positioned list that does not come after the one before"},
      {"overlap", gravita::avviso, "a span that starts before the one before it ends"},
      {"backward-span", gravita::avviso, "a span that ends before it starts, or a negative length"},
      {"before-start", gravita::avviso, "a position before the start of the line"},
      {"beyond-route", gravita::avviso, "a position past the end of the route, on the track beyond it"},
      {"no-station", gravita::avviso, "a train source without a station"},
  };
  return tabella;
}

const regola* trova_regola(const std::string& id) {
  for (const regola& r : regole()) {
    if (id == r.id) return &r;
  }
  return nullptr;
}

const char* nome_gravita(gravita g) { return g == gravita::errore ? "error" : "warning"; }

}  // namespace valdoro

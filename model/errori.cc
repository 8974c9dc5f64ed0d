#include "model/errori.h"

#include <algorithm>

#include "model/tabelle.h"

namespace valdoro {

const std::vector<voce_errore>& tabella_errori() {
  static const std::vector<voce_errore> tabella = {
      {1, "route length above 1000000 m"},
      {2, "a kilometre-progressive start or offset is not a multiple of 50"},
      {3, "signal repetition start is not a multiple of 50"},
      {4, "signal repetition end is not a multiple of 50"},
      {5, "signal repetition key names neither 4 nor 9 codes"},
      {6, "sign board on a cell already taken"},
      {7, "restriction point on a cell already taken"},
      {8, "station position is not a multiple of 50"},
      {9, "station length is not a multiple of 100"},
      {10, "station rows have reached the rows of the sign-board texts"},
      {11, "no free cell for the speed mark behind a slowdown warning"},
      {12, "no free cell in a window behind a slowdown start"},
      {13, "no free cell for a repeated mark in a slowdown or before the next signal"},
      {15, "position beyond the usable end of the track"},
      {16, "signal on a cell already taken"},
      {17, "slowdown warning-board cell already taken"},
      {18, "slowdown start cell already taken"},
      {19, "slowdown end cell already taken"},
      {20, "slowdown pre-warning cell already taken"},
      {21, "maximum-speed board on a cell already taken"},
      {22, "station area starts less than 350 m after the previous one ends"},
      {24, "station end cell falls on cell 1 or before"},
      {25, "the sources could not be read (bad number, value too wide, or source ended inside a record)"},
      {101, "line source missing"},
      {102, "line source has no [generale] section"},
      {103, "curve key names no radius class, or the profile would pass 1000000 m"},
      {201, "track has fewer than two cells: identity codes not stamped into the track"},
      {210, "line source gives no route length: the track does not exist"},
      {211, "more than 80 mountain spans"},
      {212, "negative position of a mountain span, board or sign board"},
      {213, "mountain span ends beyond the last cell of the track"},
      {214, "more sign boards than the station table has rows for"},
      {215, "gradient fill would pass the last cell of the track"},
      {216, "curve reaches beyond the last metre of the line profile"},
      {217, "gradient outside -100 to 155"},
      {218, "route length below 0 m"},
      {230, "station cell beyond the last cell of the track"},
      {231, "signal closer than 350 m to the line start"},
      {232, "slowdown cells outside the track"},
      {233, "restriction point at a negative position"},
      {250, "finishing pass would leave the track"},
      {1250, "reserved slots are not empty before stamping"},
      {1251, "identity-code slots are not empty before stamping"},
  };
  return tabella;
}

std::string significato_errore(int32_t numero) {
  const auto& tabella = tabella_errori();
  auto it = std::find_if(tabella.begin(), tabella.end(),
                         [numero](const voce_errore& v) { return v.numero == numero; });
  return it == tabella.end() ? "unknown error" : it->significato;
}

void registra_errore(scenario& s, int32_t numero, luogo dove, std::string testo) {
  s.codice_errore = numero;
  s.luogo_errore = std::move(dove);
  s.testo_errore = std::move(testo);
}

void annota_avviso(scenario& s, luogo dove, std::string testo) {
  s.avvisi.push_back({std::move(dove), std::move(testo)});
}

std::string descrivi_errore(const scenario& s) {
  std::string riga;
  const luogo& l = s.luogo_errore;
  if (!l.file.empty()) {
    // A fault of the file as a whole (a missing source) has no line to name.
    riga = l.riga > 0 ? l.file + ":" + std::to_string(l.riga) + ":" + std::to_string(l.colonna) + ": "
                      : l.file + ": ";
  }
  return riga + "error " + std::to_string(s.codice_errore) + ": " +
         (s.testo_errore.empty() ? significato_errore(s.codice_errore) : s.testo_errore);
}

}  // namespace valdoro

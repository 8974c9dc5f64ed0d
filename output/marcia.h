// The fastest run of the scenario's train over its line: the most
// restrictive speed along the track, braking worked backwards from every
// stop and every lower limit, traction against resistance and gradient
// forwards, integrated metre by metre.  What `check` compares the
// timetable with, and what `timetable` prints.  docs/timetable.md gives the
// model, its formulas and where they come from.
#ifndef VALDORO_OUTPUT_MARCIA_H_
#define VALDORO_OUTPUT_MARCIA_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/diagnostica.h"
#include "compiler/verifica.h"
#include "model/tabelle.h"

namespace valdoro {

// The few figures of the train the sources do not carry.  The defaults are
// those of a locomotive-hauled passenger train ("Dir").
struct figure_treno {
  double massa_locomotiva = 110;     // t
  double massa_vettura = 40;         // t, one coach, loaded
  double lunghezza_locomotiva = 18;  // m
  double lunghezza_vettura = 26.4;   // m, one coach over buffers
  double forza = 200;                // kN, the largest tractive effort, at the start
  double potenza = 4000;             // kW, at the rail
  // Running resistance of the Davis form, per tonne of train:
  // A + B v + C v² newtons, v in m/s.
  double davis_a = 15;
  double davis_b = 0.3;
  double davis_c = 0.035;
  double masse_rotanti = 0.06;  // the share the turning wheels and motors add to the mass
  double psi = 1.0;             // the brake-kind coefficient of the Minden formula
  char rango = 'B';             // the rank of the maximum-speed boards that apply
};

// The figures that fit the train's category, the first word of its
// designation: "R" and "Reg" a regional train (rank A), "IC" and "Ex" a
// faster one; anything else, "Dir" among them, the defaults above.
figure_treno figure_per_categoria(const std::string& designazione);

// One figure an author may give, on the command line or in the facts
// file, and the values it may take.
struct figura_treno {
  const char* nome;              // as --train-figures names it: "power"
  const char* chiave;            // as the facts file names it: "potenza"
  const char* cosa;              // what it is, with its unit
  bool sopra_zero;               // 0 is no value for it: no train moves, or stops, with it
  double figure_treno::*membro;  // nullptr: the rank, a letter
};

// Every figure, in the order of docs/timetable.md.
const std::vector<figura_treno>& figure_del_treno();

// What a value of `d` must be: "a number above 0", "A, B or C".
std::string forma_figura(const figura_treno& d);

// Sets the figure `d` of `f` from the text `valore`; returns what is wrong
// with the value (`"x" must be a number above 0`), or nothing.
std::optional<std::string> imposta_figura(figure_treno& f, const figura_treno& d, const std::string& valore);

// Sets figures from "name=value,name=value" (names as in docs/timetable.md:
// power, effort, loco-mass, coach-mass, loco-length, coach-length, davis-a,
// davis-b, davis-c, rotating, psi, rank).  Returns what is wrong, or nothing.
std::optional<std::string> imposta_figure(figure_treno& f, const std::string& testo);

// Figures as an author wrote them, by their --train-figures name, in order:
// {"power", "4300"}.
using figure_scritte = std::vector<std::pair<std::string, std::string>>;

// Mean deceleration of a full brake application, m/s², for a braked-weight
// percentage and a gradient in per mille (rising positive), from a
// stopping distance of the Minden form, s = 3.85 V² / (6.1 psi (1 +
// lambda/10) + i) with V in km/h, read as a constant deceleration.  The
// relation is assumed, not confirmed against a published source
// (docs/timetable.md).
double decelerazione(int32_t massa_frenata, double psi, double pendenza);

// The track as the model reads it, one entry for each 50 m cell: the most
// restrictive limit in km/h for the train's front standing in that cell
// (train limit, boards of its rank, slowdowns; 0 for none known) and the
// gradient in per mille.
struct linea_marcia {
  std::vector<double> limite;
  std::vector<double> pendenza;
};

// Reads the limits and gradients from the compiled tables.
linea_marcia linea_da_scenario(const scenario& s, char rango);
linea_marcia linea_da_celle(const std::vector<cella>& celle, char rango);

// The train as the integration sees it.
struct treno_marcia {
  figure_treno figure;
  int32_t vetture = 0;
  int32_t massa_frenata = 0;  // percent
  double massa() const;       // t
  double lunghezza() const;   // m
};

// The integration's step, in metres.
inline constexpr double kPassoMetri = 1.0;

// One run from a stop to the next.
struct corsa {
  double tempo_limiti = 0;    // s, at the limits alone, with no time to speed up or slow down
  double tempo_minimo = 0;    // s, the modelled fastest run
  bool raggiungibile = true;  // false: the train stalls on a climb
  // Speed in m/s at every metre from the start (the last entry at the
  // stop), when asked for.
  std::vector<double> velocita;
};

// The fastest run from `da` to `a` (metres from the line start, a > da),
// at rest at both.  The speeds at every metre only `con_velocita`: the
// times alone need no memory that grows with the leg.
corsa corri(const linea_marcia& l, const treno_marcia& t, int32_t da, int32_t a, bool con_velocita = true);

// A stop of the timetable: a station row with a clock time.
struct fermata_marcia {
  int riga = 0;  // in the station table
  std::string nome;
  int32_t posizione = 0;
  int32_t arrivo = 0;    // s from midnight: the time less the stop
  int32_t partenza = 0;  // s from midnight: the station's time
};

// One leg from a stop to the next, and what the model makes of it.
struct tratta_marcia {
  fermata_marcia da, a;
  int32_t prevista = 0;  // s, the timetable's running time
  corsa c;
  double arrivo_minimo = 0;  // s from midnight: the earliest arrival, late departures carried on
};

// The stops of the station table, in running order.
std::vector<fermata_marcia> fermate(const scenario& s);
std::vector<fermata_marcia> fermate(const tabella_stazioni_t& tabella);

// Every leg of the scenario's timetable, worked out; with the speeds at
// every metre `con_velocita` (for a picture of the run).
std::vector<tratta_marcia> calcola_orario(const scenario& s, const figure_treno& f, bool con_velocita = false);
// The same from the tables as the built files hold them.
std::vector<tratta_marcia> calcola_orario(const tabella_stazioni_t& tabella, const std::vector<cella>& celle,
                                          const figure_treno& f, bool con_velocita = false);

// How a leg compares, with the tolerance and the thin-margin threshold of
// docs/timetable.md.  `incertezza` is the share of the modelled minimum
// that guessed figures may be wrong by: a shortfall within it is only thin.
enum class giudizio { buono, margine_sottile, stretto, impossibile };
inline constexpr double kTolleranza = 2.0;         // s, twice the integration's bound
inline constexpr double kIncertezzaFigure = 0.05;  // the default figures' share
giudizio giudica(const tratta_marcia& t, double incertezza = 0);

// As the timetable names a judgement: "impossible", "tight", "thin"; ""
// for a good margin.
const char* parola_giudizio(giudizio g);

// The margin as the timetable prints it: "17 s (thin)", "1 min 44 s".
std::string testo_margine(const tratta_marcia& t, double incertezza);

// What `check` compares the timetable with: the train's figures, and
// whether the author gave them (else they are the category's, guessed).
struct opzioni_orario {
  figure_treno figure;
  bool figure_date = false;
  bool con_velocita = false;  // keep the speeds at every metre too, for a picture of the run
};

// What the tools (check, timetable, view, draw, the language server)
// compare the timetable with and time the train by: the figures of the
// train's category, the first word of `designazione`; the facts file's
// (`dai_fatti`, checked as it was read) in their place; and those of
// `da_opzione` ("power=4300,rank=B", the command line) in theirs, figure
// by figure.  Throws std::invalid_argument saying what is wrong with
// `da_opzione`.
opzioni_orario orario_per(const std::string& designazione, const figure_scritte& dai_fatti = {},
                          const std::string& da_opzione = "");

// The station rows' records in the train source, by row (row 0 unused):
// where a stop's finding is told.
std::vector<luogo> luoghi_stazioni(const esito_verifica& v);

// One finding for each leg that is impossible, tight or thin, at its
// arrival station's record.  `figure_date`: the author gave the figures,
// so no uncertainty is allowed them.
std::vector<diagnostica> confronta_orario(const std::vector<tratta_marcia>& tratte, const std::vector<luogo>& luoghi,
                                          bool figure_date);

// "9 min 55 s", "45 s", "1 h 2 min 0 s".
std::string testo_durata(double secondi);
// "14:38:55".
std::string testo_ora(double secondi);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_MARCIA_H_

// The facts of the Valdoro scenario, held once: the line (numbering,
// geometry, boards and signs), the train (stations with the timetable,
// slowdowns, signals, limits) and what the driver's papers show of them.
// The writers format their lines from these tables; nothing here knows a
// file layout.
#ifndef VALDORO_SOURCES_SCENARIO_H_
#define VALDORO_SOURCES_SCENARIO_H_

#include <cstdint>
#include <string>
#include <vector>

namespace valdoro {

// ---------------------------------------------------------------- the line

constexpr int32_t kLunghezzaPercorso = 218000;  // metres

// One "progressiva chilometrica": from `inizio` on, the kilometre shown is
// (position + scostamento) / 1000.
struct progressiva_chilometrica {
  const char* nome;  // "uno", "due", "tre": the key word of the general line
  int32_t inizio;
  int32_t scostamento;
  int32_t segnale;  // 1 would add 100 to the offset; unused here
};
// In the order the general section writes them: uno, due, tre.
const std::vector<progressiva_chilometrica>& progressive();

// Metres as the kilometre numbering counts them at a position: 194700 gives
// 178300.  The numbering restarts at the junction (180350) and takes up the
// line's own count again where the shared stretch ends (194700).
int32_t metri_progressivi(int32_t posizione);
// The kilometre of a position as the papers print it: "178.300" with three
// decimals, "102.90" with two (stations).  Truncated, never rounded up.
std::string chilometro(int32_t posizione, int decimali);

constexpr int32_t kSfondoUno = 1;
constexpr int32_t kSfondoDue = 0;
constexpr int32_t kSfondoTre = 0;
// Four-code signal repetition over this stretch.
constexpr int32_t kRipetizioneInizio = 2100;
constexpr int32_t kRipetizioneFine = 211050;
constexpr int32_t kRipetizioneCodici = 4;

struct curva {
  char verso;  // 's' left, 'd' right
  int classe;  // 1 (radius 10000 m) to 6 (about 333 m)
  int32_t inizio;
  int32_t lunghezza;
};
const std::vector<curva>& curve();

struct pendenza {
  int32_t posizione;
  int32_t valore;  // per mille, whole part
  int32_t decimi;  // 0, or the tenths the one gradient with a decimal comma carries
};
const std::vector<pendenza>& pendenze();

// Tunnels: mountain spans of kind 1, or 11 where the simulator wants the
// neutral markers of a long bore.  The board naming the tunnel stands at
// `cartello`, just before the portal.
struct galleria {
  const char* nome;  // as on the board and, in capitals, in the booklet
  int32_t inizio;
  int32_t fine;
  bool marcatori;
  int32_t cartello;
};
const std::vector<galleria>& gallerie();

// Rock cuttings and the gorge: mountain spans in the open, of kind 2, the
// kind the simulator calls a summit (12 with markers).
struct trincea {
  int32_t inizio;
  int32_t fine;
  bool marcatori;
};
const std::vector<trincea>& trincee();

// The eight mountain records, tunnels and cuttings together by start.
struct montagna {
  int32_t inizio;
  int32_t fine;
  int32_t tipo;  // 1, 2, 11, 12
};
std::vector<montagna> montagne();

// The highest points of the profile, each with its "Culmine" board.
struct culmine {
  int32_t posizione;
  bool in_galleria;  // the summit lies inside the Valdoro tunnel
};
const std::vector<culmine>& culmini();

// Kilometre posts.  The board stands 50 m short of the kilometre it marks,
// so that the cell it takes begins at that kilometre: the post of km 11
// stands at 10950.
const std::vector<int32_t>& cippi();
// The kilometre a post marks, in metres as numbered: 11000 for 10950.
int32_t metri_cippo(int32_t posizione);

// Other points with a kilometre board: "Km 166.700", the overpass.
struct punto_notevole {
  int32_t posizione;
  const char* nome;  // "" for a bare kilometre board, else "Cavalcavia"
};
const std::vector<punto_notevole>& punti_notevoli();

// Where the line joins the shared stretch and its numbering restarts.
struct bivio_linea {
  const char* nome;        // second group of the board
  const char* nome_carte;  // "BIVIO ...", on the timetable card
  int32_t posizione;
  int32_t cartello;
  const char* passaggio;  // passing time on the card
};
const bivio_linea& bivio();

// A maximum-speed board, in km/h by rank.  A board that lowers the speed
// comes with two stripe boards 600 m and 300 m ahead (`preavviso`); the
// position is the one of the board without stripes, where the speed holds.
// P is the rank the line source does not carry; the booklet shows it.
struct cartello_velocita {
  int32_t posizione;
  int32_t a, b, c, p;
  bool preavviso;
};
const std::vector<cartello_velocita>& cartelli_velocita();
constexpr int32_t kDistanzaStrisce = 300;

// ---------------------------------------------------------------- the train

constexpr int32_t kNumeroVetture = 7;
constexpr int32_t kMassaFrenata = 125;
constexpr int32_t kSabbia = 100;
constexpr int32_t kOrologioOre = 14;
constexpr int32_t kOrologioMinuti = 16;
constexpr int32_t kOrologioSecondi = 30;
constexpr char kNumeroTreno[] = "5802";
constexpr char kCategoria[] = "DIR";
constexpr char kLocomotive[] = "E.646 - E.656";

struct aderenza {
  int32_t posizione;
  int32_t valore;
};
const std::vector<aderenza>& aderenze();

struct limite_velocita {
  int32_t posizione;
  int32_t velocita;  // km/h
  bool stretto;      // written with the position in 4 places, as the first one always was
};
const std::vector<limite_velocita>& limiti_velocita();

// A station as the train source carries it, and as the timetable card
// shows it.  The numbered fields are the values of the station record.
struct stazione {
  const char* nome;        // as written in the train source
  const char* nome_carte;  // in capitals, on the papers
  int32_t posizione;
  int32_t tipo;
  int32_t lunghezza;
  int32_t campo4, campo5, campo6;
  int32_t campo7, campo8, campo9;
  int32_t campo10, campo11, campo12;
  int32_t sosta;                 // seconds, field 13; 0 where the train does not stop
  int32_t ore, minuti, secondi;  // departure (arrival at the last); 0, 0, 0 when passed
  const char* arrivo;            // card, "" none: "14.27"
  const char* partenza;          // card, departure or passing time, "" none: "15.26½"
  const char* seguito;           // the rest of the name, carried on a line of its own; nullptr none
};
const std::vector<stazione>& stazioni();
const stazione& origine();
const stazione& destinazione();

// The line's short name, its two end points joined by a hyphen.
std::string nome_breve();

// One row of the timetable card: the stations and the junction in running order.
struct fermata {
  std::string localita;  // capitals
  int32_t posizione;
  std::string arrivo;    // "" none
  std::string partenza;  // "" none
};
std::vector<fermata> fermate_scheda();

struct rallentamento {
  int32_t posizione;  // x, start
  int32_t velocita;   // v, km/h
  int32_t lunghezza;  // l, metres
  int32_t f_tt;
  int32_t f_ta;
  int32_t d_v;
};
const std::vector<rallentamento>& rallentamenti();
// The stations whose stretch holds the slowdown: the last station at or
// before its start and the first after its end.
struct tratta {
  const stazione* da;
  const stazione* a;
};
tratta stazioni_attorno(const rallentamento& r);

struct segnale {
  int32_t posizione;
  int32_t sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo;
};
const std::vector<segnale>& segnali();

}  // namespace valdoro

#endif  // VALDORO_SOURCES_SCENARIO_H_

// The driver's papers made from data: the timetable card with its line
// booklet, the slowdown order and the notes, in the forms' ruled layouts.
// The packager's own papers and an author's come from this one code: what
// differs is the data (stops, places along the line, slowdowns) and the
// facts the sources do not carry (train number, validity, prose...).
// Texts are UTF-8 here; scrivi_righe puts them on paper in Windows-1252.
#ifndef VALDORO_SOURCES_CARTE_H_
#define VALDORO_SOURCES_CARTE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace valdoro {

// A text that does not fit its place on a form.  The papers never cut a
// text: the author is told which one, and where it should have gone.
struct fuori_modulo : std::length_error {
  using std::length_error::length_error;
};

// One row of the card's stops table.
struct fermata_carta {
  std::string localita;  // capitals
  std::string arrivo;    // "14.27", "15.26½", "" none
  std::string partenza;
  std::string stazione = "";  // as the train source names it: what the facts' rows name
  int32_t posizione = 0;      // metres from the start, for the facts' passing points
  bool passata = false;       // passed without a time: printed only where the facts give one
};

// One row of the slowdown order.
struct rallentamento_carta {
  std::string da, a;    // the stations that bound it
  int32_t metri_cippo;  // the post after which it begins, in metres; printed in whole kilometres
  int32_t velocita;     // km/h
  int32_t lunghezza;    // metres
};

// ---- The line booklet.

enum class genere_luogo { binario, stazione, punto };

// A place along the route as the booklet lists it, one row each.
struct luogo_libretto {
  int32_t posizione;
  genere_luogo g;
  std::string disegno;                       // the track as drawn at this place
  std::string km = "";                       // a station's kilometre, or where the numbering changes
  std::string testo = "";                    // a station's name, or the whole text of a point
  std::array<std::string, 4> velocita = {};  // A, B, C, P as printed where they change; "" none
  std::string testo_breve = "";              // the text where the page is too narrow for the whole one
};

// The booklet's drawings: the same characters on every line's pages.
inline constexpr char kDisegnoBinario[] = "      ||";
inline constexpr char kDisegnoStazione[] = "      |||";
inline constexpr char kDisegnoStazioneBox[] = "    |____|";
inline constexpr char kDisegnoDiramazione[] = "   \\\\_||_";
inline constexpr char kDisegnoRespingenti[] = "     _||_";

struct libretto {
  // Places in any order; sorted by position, boards merged into neighbours
  // and plain track added until the two pages' rows are full.
  std::vector<luogo_libretto> luoghi;
  // Rows that close the second page after the places: the buffer stops
  // and the terminal.
  std::vector<luogo_libretto> arrivo;
  // The drawings of the places' last rows before `arrivo`, the tracks
  // fanning into the terminal; a station keeps its own.
  std::vector<std::string> ventaglio;
  // A box right of the second page's bar, from row `riga_riquadro` on.
  std::vector<std::string> riquadro;
  size_t riga_riquadro = 0;
  // Text right of the bar on single rows of the second page.
  std::vector<std::pair<size_t, std::string>> code;
};

// A row of the card as the facts give it.  The printed card is the
// operator's document and the record the simulator's: where they part (a
// time the card rounds otherwise, a passing time, a name the card writes
// whole, a junction the train source has no record for), the card follows
// the facts.
struct fermata_fatti {
  std::string stazione;   // a station as the train source names it; empty for a passing point
  int32_t posizione = 0;  // a passing point's position, metres from the start
  std::string localita;   // as printed; empty: the station's name in capitals
  std::string arrivo, partenza;
  int riga = 0;  // its line in the facts file
};

// What the papers carry that the two sources do not.  Every member has the
// default an author gets when the facts file leaves it out.
struct fatti_carte {
  std::string numero = "0000";    // the train number alone: "5802"
  std::string categoria = "REG";  // the classification on the card: "DIR"
  std::string valida_dal = "dal 01/01/2001";
  std::string valida_al = "al 31/12/2001";
  std::string periodicita = "Periodico: giornaliero";
  std::string rango = "B";  // the speed rank the train runs at
  std::string locomotive = "";
  std::string ripetizione = "";   // the signal repetition: "RS 4COD"
  std::string nome_breve = "";    // the line's two end points: "A-B"; empty: from the stations
  std::vector<std::string> note;  // the notes' prose, one entry a line, as laid out by hand
  std::vector<std::string> firma = {"    Saluti."};
  std::vector<fermata_fatti> fermate;  // the card's rows where it parts from the records
  // The booklet as its author draws it; none: made from the sources.
  std::optional<libretto> libretto_disegnato;
  // The train's figures for its running times, by their command-line name
  // ("power", "4300"), as the facts file gives them; none: the category's.
  std::vector<std::pair<std::string, std::string>> figure;
};

struct dati_carte {
  std::string origine, destinazione;  // capitals
  std::vector<fermata_carta> fermate;
  int32_t massa_frenata = 0;
  std::vector<rallentamento_carta> rallentamenti;
  libretto lib;
};

// Rows of the forms: the card's stops, the order's slowdowns (more make
// the tables longer), the booklet's two pages (more places add pages like
// the second, once the boards share rows with the places near them).
inline constexpr size_t kRigheFermate = 26;
inline constexpr size_t kRigheRallentamenti = 26;
inline constexpr size_t kRighePrimaPagina = 32;
inline constexpr size_t kRigheSecondaPagina = 35;

// The lines of each paper.  Throw fuori_modulo, naming the text or the
// count, when the data do not fit the form.
std::vector<std::string> carta_orario(const dati_carte& d, const fatti_carte& f);
std::vector<std::string> carta_rallentamenti(const dati_carte& d, const fatti_carte& f);
std::vector<std::string> carta_note(const fatti_carte& f);

// The card's stops as printed: the stations' rows with the facts' times
// and names, the facts' passing points in their places, and no station
// passed without a time.
std::vector<fermata_carta> fermate_stampate(const dati_carte& d, const fatti_carte& f);

// A station's row by the records: the first departs at its time, the last
// arrives at it; between them the time is the departure and the arrival
// is that time less the stop.  Times are seconds after midnight.
fermata_carta fermata_da_record(const std::string& nome, int32_t posizione, int64_t orario, int64_t sosta, bool prima,
                                bool ultima);

// A time of day as the card prints it, from seconds after midnight:
// "14.27", "15.26½" from the half minute on.
std::string orario_carta(int64_t secondi);

// A tunnel's name as a narrow page prints it, in capitals: "Monte"
// shortened to "M.", a leading article dropped ("Monte Cervo" gives
// "M.CERVO", "Le Scalette" gives "SCALETTE").
std::string galleria_breve(const std::string& nome);

// The line's short name the papers print: the facts', or the two end points.
std::string nome_breve_carte(const dati_carte& d, const fatti_carte& f);

// A kilometre as the papers print it, from metres as numbered: "102.90"
// with two decimals (stations), "4.000" with three (posts and points).
std::string km_carte(int32_t metri, int decimali);

}  // namespace valdoro

#endif  // VALDORO_SOURCES_CARTE_H_

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

namespace {

// ---- Layout helpers.  Texts are UTF-8 here and one byte each on paper, so
// widths count characters, not bytes.

size_t larghezza(const std::string& testo) {
  size_t n = 0;
  for (char c : testo) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// A cell never runs past its bar: a text too long for it is a fault in the
// scenario's data, not something to cut silently.
void controlla_spazio(const std::string& testo, size_t n) {
  if (larghezza(testo) > n) throw std::length_error("\"" + testo + "\" does not fit its column");
}

std::string a_sinistra(const std::string& testo, size_t n, char riempitivo = ' ') {
  controlla_spazio(testo, n);
  return testo + std::string(n - larghezza(testo), riempitivo);
}

std::string a_destra(const std::string& testo, size_t n) {
  controlla_spazio(testo, n);
  return std::string(n - larghezza(testo), ' ') + testo;
}

std::string blanks(size_t n) { return std::string(n, ' '); }
std::string trattini(size_t n) { return std::string(n, '_'); }

std::string riga_celle(const std::string& inizio, const std::vector<std::string>& celle) {
  std::string riga = inizio;
  for (const std::string& c : celle) riga += c + "|";
  return riga;
}

// ---- Paper-only facts: what the card and the booklet carry that the
// sources do not.

const char kValidaDal[] = "dal 10/06/2001";
const char kValidaAl[] = "al 15/06/2002";
const char kLocomotive[] = "E656/E646";

// ---- PLACEHOLDER scenario facts, until the scenario's own data are in.

struct ora_carta {
  int ore;
  int minuti;
  bool mezzo;  // departs on the half minute
};

struct fermata_carta {
  std::string nome;
  std::optional<ora_carta> arrivo, partenza;
};

std::string origine() { return "ORIGINE"; }
std::string destino() { return "DESTINO"; }
std::string nome_tratta() { return "Origine-Destino"; }
int massa_frenata() { return 125; }

std::vector<fermata_carta> fermate() {
  std::vector<fermata_carta> f(26);
  for (size_t i = 0; i < f.size(); ++i) f[i].nome = "STAZIONE " + std::to_string(i + 1);
  f[0].partenza = ora_carta{14, 16, false};
  f[5].arrivo = ora_carta{15, 25, false};
  f[5].partenza = ora_carta{15, 26, true};
  f[9].arrivo = ora_carta{15, 45, false};
  f[9].partenza = ora_carta{15, 47, true};
  f[25].arrivo = ora_carta{16, 54, false};
  return f;
}

// ---- The timetable card.

std::string ora(const std::optional<ora_carta>& o) {
  if (!o) return "";
  std::string minuti = std::to_string(o->minuti);
  if (minuti.size() < 2) minuti = "0" + minuti;
  return std::to_string(o->ore) + "." + minuti + (o->mezzo ? "½" : "");
}

std::vector<std::string> riquadro_treno() {
  return {
      "  " + trattini(80),
      " |" + blanks(33) + "Treno 5802" + blanks(37) + "|",
      " |Origine Treno: " + a_sinistra(origine(), 65) + "|",
      " |Destino Treno: " + a_sinistra(destino(), 65) + "|",
      " |" + blanks(56) + "Validità Treno:" + blanks(9) + "|",
      " |Da: " + a_sinistra(origine(), 27) + "Denominazione:" + blanks(21) + kValidaDal + "|",
      " |A_:_" + a_sinistra(destino(), 27, '_') + "Classifica: DIR" + trattini(21) + kValidaAl + "|" + blanks(14),
  };
}

// Every stop row but the last is ruled with underscores: a row and the
// rule under it share one text line.
std::string riga_fermata(int numero, const fermata_carta& f, bool prima, bool ultima) {
  const char c = ultima ? ' ' : '_';
  return riga_celle(" |", {
                              a_sinistra(std::string(1, c) + std::to_string(numero), 4, c),
                              prima ? "__5802_" : std::string(7, c),
                              prima ? "__DIR__" : std::string(7, c),
                              a_sinistra(f.nome, 27, c),
                              a_sinistra(ora(f.arrivo), 8, c),
                              a_sinistra(ora(f.partenza), 8, c),
                              std::string(6, c),
                              std::string(6, c),
                          });
}

std::vector<std::string> tabella_fermate() {
  const std::vector<fermata_carta> elenco = fermate();
  if (elenco.size() != 26) throw std::length_error("the timetable card has room for 26 stops");
  std::vector<std::string> righe = {
      "  " + trattini(80),
      " |_Pr_|N.Treno|_Class_|_______Località____________|__Arr___|__Part__|______|______|",
  };
  for (size_t i = 0; i < elenco.size(); ++i) {
    righe.push_back(riga_fermata(static_cast<int>(i) + 1, elenco[i], i == 0, i + 1 == elenco.size()));
  }
  righe.push_back(" |____|_______|_______|___________________________|________|________|______|______|");
  return righe;
}

std::vector<std::string> periodicita() {
  return {
      "  " + trattini(80),
      " |____________________________Periodicità treno___________________________________|",
      " |__________Da________|_____________A_________|______________Testo________________|" + blanks(6),
      riga_celle(" |", {a_sinistra(origine(), 20), a_sinistra(destino(), 23), "Periodico: feriali compreso Sabato "}),
      " |____________________|_______________________|___________________________________|",
  };
}

std::vector<std::string> riquadro_note() {
  return {
      "  " + trattini(80),
      " |_____________________________________NOTE_______________________________________|",
      riga_celle(" |", {" Rango V.Max : B ", a_sinistra(" Massa Frenata : " + std::to_string(massa_frenata()) + "% ", 22),
                        " Loc " + a_sinistra(kLocomotive, 13), " RS 4COD            "}) +
          blanks(3),
      " |_________________|______________________|__________________|____________________|" + blanks(6),
  };
}

// ---- The line booklet.

// One row of a booklet page: four speed cells and the wide column.
struct riga_libretto {
  std::array<std::string, 4> velocita;  // A, B, C, P as printed; empty for none
  std::string colonna;                  // the wide column, unpadded
  std::string dopo = "";                // text right of the closing bar
};

std::string cella_velocita(const std::string& v) { return v.empty() ? blanks(5) : a_destra(v, 4) + " "; }

std::string riga_pagina(const riga_libretto& r, size_t larghezza_colonna) {
  std::vector<std::string> celle;
  for (const std::string& v : r.velocita) celle.push_back(cella_velocita(v));
  celle.push_back(a_sinistra(r.colonna, larghezza_colonna));
  return riga_celle("  |", celle) + r.dopo;
}

// Where the texts of a place stand in the wide column of a page (1-based
// character positions, as the pages are ruled).
struct impaginazione {
  size_t colonna;       // width of the wide column
  size_t fine_km;       // a station's kilometre ends here
  size_t stacco_nome;   // blanks between that kilometre and the name
  size_t inizio_punto;  // a point's text starts here when it fits
};
constexpr impaginazione kPrima{51, 18, 9, 29};
constexpr impaginazione kSeconda{37, 16, 3, 21};
constexpr size_t kRighePrima = 32;
constexpr size_t kRigheSeconda = 35;
constexpr size_t kRigheDisegnoCapolinea = 12;  // the drawn approach closing page two

enum class genere { binario, stazione, punto };

// A place along the route as the booklet lists it.
struct luogo_libretto {
  int32_t posizione;
  genere g;
  std::string disegno;  // the track as drawn at this place
  std::string km = "";     // a station's kilometre, or where the numbering changes
  std::string testo = "";  // a station's name, or the whole text of a point
  std::array<std::string, 4> velocita = {};
};

std::string colonna_larga(const luogo_libretto& l, const impaginazione& p) {
  switch (l.g) {
    case genere::binario:
      return l.disegno;
    case genere::stazione:
      return a_sinistra(l.disegno, p.fine_km - larghezza(l.km)) + l.km + blanks(p.stacco_nome) + l.testo;
    case genere::punto: {
      // A text too long to start in its place ends at the bar instead.
      size_t prima = p.inizio_punto - 1;
      if (prima + larghezza(l.testo) > p.colonna && larghezza(l.testo) <= p.colonna) {
        prima = p.colonna - larghezza(l.testo);
      }
      return a_sinistra(l.disegno, prima) + l.testo;
    }
  }
  return l.disegno;
}

const char kBinario[] = "      ||";
const char kStazione[] = "      |||";
const char kStazioneBox[] = "    |____|";
const char kDiramazione[] = "   \\\\_||_";


// PLACEHOLDER places, until the scenario's own data are in.
std::vector<luogo_libretto> luoghi() {
  std::vector<luogo_libretto> l;
  l.push_back({0, genere::stazione, kStazioneBox, "0.00", "ORIGINE", {"140", "150", "160", "180"}});
  l.push_back({4000, genere::punto, kDiramazione, "", "Cippo Km 4.000", {"140", "145", "155", "180"}});
  for (int i = 0; i < 50; ++i) l.push_back({8000 + 4000 * i, genere::punto, kBinario, "", "Cippo Km " + std::to_string(8 + 4 * i) + ".000"});
  return l;
}

// Plain track rows go where the route runs longest without a listed place,
// until the pages are full.
void riempi_tratti(std::vector<luogo_libretto>& l, size_t righe) {
  while (l.size() < righe && l.size() >= 2) {
    size_t dove = 1;
    for (size_t i = 2; i < l.size(); ++i) {
      if (l[i].posizione - l[i - 1].posizione > l[dove].posizione - l[dove - 1].posizione) dove = i;
    }
    const int32_t mezzo = l[dove - 1].posizione + (l[dove].posizione - l[dove - 1].posizione) / 2;
    l.insert(l.begin() + static_cast<std::ptrdiff_t>(dove), luogo_libretto{mezzo, genere::binario, kBinario});
  }
  if (l.size() != righe) throw std::length_error("the route's places do not fit the booklet's rows");
}

riga_libretto riga_luogo(const luogo_libretto& l, const impaginazione& p) {
  return riga_libretto{l.velocita, colonna_larga(l, p)};
}

// The drawn approach to the terminal: the fan of its tracks, then the
// buffer stops over the station building.
std::vector<riga_libretto> disegno_capolinea() {
  std::vector<riga_libretto> r;
  for (const char* d : {"      ||", "      ||", "     ||||", "     ||||", "    ||||||", "    ||||||", "   ||||||||",
                        "   ||||||||", "   ||||||||", "    ||||||", "     _||_", "    |____|"}) {
    r.push_back(riga_libretto{{}, d});
  }
  return r;
}

std::vector<riga_libretto> righe_prima_pagina(const std::vector<luogo_libretto>& l) {
  std::vector<riga_libretto> r;
  for (size_t i = 0; i < kRighePrima; ++i) r.push_back(riga_luogo(l[i], kPrima));
  return r;
}

std::vector<riga_libretto> righe_seconda_pagina(const std::vector<luogo_libretto>& l) {
  std::vector<riga_libretto> r;
  for (size_t i = kRighePrima; i < l.size(); ++i) r.push_back(riga_luogo(l[i], kSeconda));
  for (const riga_libretto& d : disegno_capolinea()) r.push_back(d);
  return r;
}

std::vector<luogo_libretto> luoghi_in_righe() {
  std::vector<luogo_libretto> l = luoghi();
  riempi_tratti(l, kRighePrima + kRigheSeconda - kRigheDisegnoCapolinea);
  return l;
}

// The box of the branch lines' speeds stands right of the second page,
// beside the tracks into the terminal.
constexpr size_t kPrimaRigaRiquadro = 135 - 116;
std::vector<std::string> riquadro_diramata() {
  return {
      trattini(17),
      "Velocità Max Km/h|",
      "_____Diramata____|",
      "__A__|__B__|__C__|",
      "  30 |  30 | --- |",
      "     |     |     |",
      "_____|_____|_____|",
      trattini(17),
      "  30 |  30 |  30 |",
      "     |     |     |",
      "     |     |     |",
      " ___ | ___ | ___ |",
      "_____|_____|_____|",
  };
}

std::vector<std::string> pagina(const std::vector<riga_libretto>& righe, size_t colonna, size_t quante) {
  if (righe.size() != quante) throw std::length_error("a booklet page has a fixed number of rows");
  std::vector<std::string> testo;
  for (const riga_libretto& r : righe) testo.push_back(riga_pagina(r, colonna));
  return testo;
}

std::vector<std::string> prima_pagina() {
  std::vector<std::string> righe = {
      "  Linea " + nome_tratta() + " ",
      "   " + trattini(75),
      "  |  Velocità Max Km/h    |   Progr. Chilom.   |     Località di Servizio     |",
      "  |_______________________|____________________|______________________________|" + blanks(6),
      "  |__A__|__B__|__C__|__P__|     ____                                          |",
  };
  for (const std::string& r : pagina(righe_prima_pagina(luoghi_in_righe()), kPrima.colonna, kRighePrima)) righe.push_back(r);
  righe.push_back("  |_____|_____|_____|_____|___________________________________________________|");
  return righe;
}

std::vector<std::string> seconda_pagina() {
  std::vector<std::string> righe = {
      "  Linea " + nome_tratta() + " ",
      "   " + trattini(61),
      "  |  Velocità Max Km/h    |   Progr. Chilom. |   Località di    |",
      "  |_______________________|__________________|____Servizio______|" + blanks(6),
      "  |__A__|__B__|__C__|__P__|                                     |" + blanks(2),
  };
  std::vector<riga_libretto> corpo = righe_seconda_pagina(luoghi_in_righe());
  const std::vector<std::string> riquadro = riquadro_diramata();
  for (size_t i = 0; i < riquadro.size(); ++i) corpo.at(kPrimaRigaRiquadro + i).dopo = riquadro[i];
  // Blanks the original layout left after the bar under the side box.
  for (size_t i : {148u - 116u, 149u - 116u}) corpo.at(i).dopo = blanks(5);
  for (const std::string& r : pagina(corpo, kSeconda.colonna, kRigheSeconda)) righe.push_back(r);
  righe.push_back("  |_____|_____|_____|_____|_____________________________________|");
  return righe;
}

// ---- The document.

void aggiungi(std::vector<std::string>& righe, const std::vector<std::string>& blocco) {
  righe.insert(righe.end(), blocco.begin(), blocco.end());
}

void vuote(std::vector<std::string>& righe, size_t n, const std::string& riga = "") { righe.insert(righe.end(), n, riga); }

}  // namespace

std::vector<std::string> righe_scheda() {
  std::vector<std::string> r = {blanks(32) + "SCHEDA ORARIO"};
  aggiungi(r, riquadro_treno());
  r.push_back(" ");
  aggiungi(r, tabella_fermate());
  r.push_back(" ");
  aggiungi(r, periodicita());
  r.push_back("");
  r.push_back("  ");
  aggiungi(r, riquadro_note());
  vuote(r, 2, blanks(7));
  r.push_back("");
  r.push_back("  ");
  r.push_back(std::string(81, '.'));
  r.push_back("  ");
  aggiungi(r, prima_pagina());
  vuote(r, 13);
  vuote(r, 2, " ");
  r.push_back(std::string(72, '.'));
  r.push_back("");
  aggiungi(r, seconda_pagina());
  vuote(r, 8);
  r.push_back(" ");
  r.push_back("");
  r.push_back(std::string(72, '.'));
  vuote(r, 19);
  r.push_back(blanks(32) + "PER MEMORIA");
  vuote(r, 29);
  return r;
}

void dati_scheda(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella) {
  scrivi_righe(cartella, file_scheda(nome_linea, nome_treno), righe_scheda());
}

}  // namespace valdoro

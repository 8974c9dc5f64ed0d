#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scenario.h"
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
// The quarry siding that leaves the line just short of Fornaci.
constexpr int32_t kRaccordoCave = 3950;

std::string da() { return origine().nome_carte; }
std::string per() { return destinazione().nome_carte; }

// ---- The timetable card.

std::vector<std::string> riquadro_treno() {
  return {
      "  " + trattini(80),
      " |" + blanks(33) + "Treno 5802" + blanks(37) + "|",
      " |Origine Treno: " + a_sinistra(da(), 65) + "|",
      " |Destino Treno: " + a_sinistra(per(), 65) + "|",
      " |" + blanks(56) + "Validità Treno:" + blanks(9) + "|",
      " |Da: " + a_sinistra(da(), 27) + "Denominazione:" + blanks(21) + kValidaDal + "|",
      " |A_:_" + a_sinistra(per(), 27, '_') + "Classifica: DIR" + trattini(21) + kValidaAl + "|" + blanks(14),
  };
}

// Every stop row but the last is ruled with underscores: a row and the
// rule under it share one text line.
std::string riga_fermata(int numero, const fermata& f, bool prima, bool ultima) {
  const char c = ultima ? ' ' : '_';
  return riga_celle(" |", {
                              a_sinistra(std::string(1, c) + std::to_string(numero), 4, c),
                              prima ? "__5802_" : std::string(7, c),
                              prima ? "__DIR__" : std::string(7, c),
                              a_sinistra(f.localita, 27, c),
                              a_sinistra(f.arrivo, 8, c),
                              a_sinistra(f.partenza, 8, c),
                              std::string(6, c),
                              std::string(6, c),
                          });
}

std::vector<std::string> tabella_fermate() {
  const std::vector<fermata> elenco = fermate_scheda();
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
      riga_celle(" |", {a_sinistra(da(), 20), a_sinistra(per(), 23), "Periodico: feriali compreso Sabato "}),
      " |____________________|_______________________|___________________________________|",
  };
}

std::vector<std::string> riquadro_note() {
  return {
      "  " + trattini(80),
      " |_____________________________________NOTE_______________________________________|",
      riga_celle(" |", {" Rango V.Max : B ", a_sinistra(" Massa Frenata : " + std::to_string(kMassaFrenata) + "% ", 22),
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

enum class genere { binario, stazione, punto };

// A place along the route as the booklet lists it.
struct luogo_libretto {
  int32_t posizione;
  genere g;
  std::string disegno;  // the track as drawn at this place
  std::string km = "";     // a station's kilometre, or where the numbering changes
  std::string testo = "";  // a station's name, or the whole text of a point
  std::array<std::string, 4> velocita = {};
  std::string testo_breve = "";  // the text where the page is too narrow for the whole one
};

std::string colonna_larga(const luogo_libretto& l, const impaginazione& p) {
  switch (l.g) {
    case genere::binario:
      return l.disegno;
    case genere::stazione:
      return a_sinistra(l.disegno, p.fine_km - larghezza(l.km)) + l.km + blanks(p.stacco_nome) + l.testo;
    case genere::punto: {
      // A text too long to start in its place ends at the bar instead; one
      // that would reach into the drawn track is abbreviated.
      const std::string& testo =
          !l.testo_breve.empty() && larghezza(l.disegno) + 1 + larghezza(l.testo) > p.colonna ? l.testo_breve : l.testo;
      size_t prima = p.inizio_punto - 1;
      if (prima + larghezza(testo) > p.colonna && larghezza(testo) <= p.colonna) prima = p.colonna - larghezza(testo);
      return a_sinistra(l.disegno, prima) + testo;
    }
  }
  return l.disegno;
}

const char kBinario[] = "      ||";
const char kStazione[] = "      |||";
const char kStazioneBox[] = "    |____|";
const char kDiramazione[] = "   \\\\_||_";


std::string maiuscole(std::string testo) {
  for (char& c : testo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return testo;
}

// A tunnel's name as a narrow page prints it: "Monte" shortened to "M.",
// a leading article dropped ("MONTE CERVO" gives "M.CERVO").
std::string nome_breve_galleria(const std::string& nome) {
  std::string n = maiuscole(nome);
  for (const char* articolo : {"LE ", "LA ", "LO ", "IL ", "GLI ", "I "}) {
    if (n.rfind(articolo, 0) == 0) n.erase(0, std::string(articolo).size());
  }
  if (n.rfind("MONTE ", 0) == 0) n.replace(0, 6, "M.");
  return n;
}

// Metres as numbered, printed with two decimals: "102.90".
std::string km_due(int32_t metri) {
  std::string cento = std::to_string(metri % 1000 / 10);
  return std::to_string(metri / 1000) + "." + (cento.size() < 2 ? "0" : "") + cento;
}

// A board this close to a listed place shares its row: at the booklet's
// scale the speed changes there.
constexpr int32_t kVicinanza = 400;

std::vector<luogo_libretto> stazioni_lungo_linea() {
  std::vector<luogo_libretto> l;
  bool dopo_raccordo = false;
  for (const stazione& s : stazioni()) {
    if (&s == &destinazione()) break;  // drawn with the terminal approach
    // The origin and the station beside the siding are drawn as boxes.
    const bool box = &s == &origine() || (s.posizione > kRaccordoCave && !dopo_raccordo);
    if (s.posizione > kRaccordoCave) dopo_raccordo = true;
    l.push_back({s.posizione, genere::stazione, box ? kStazioneBox : kStazione, chilometro(s.posizione, 2), s.nome_carte});
  }
  return l;
}

// Where the numbering changes: the junction, where it starts again from
// nought, and each later change, marked with the kilometre it ends at.
std::vector<luogo_libretto> cambi_numerazione() {
  std::vector<luogo_libretto> l;
  const bivio_linea& b = bivio();
  l.push_back({b.posizione, genere::stazione, kDiramazione, km_due(metri_progressivi(b.posizione - 1) + 1),
               b.nome_carte});
  for (const progressiva_chilometrica& p : progressive()) {
    if (p.inizio <= 0) continue;
    if (metri_progressivi(p.inizio) == 0) {
      l.push_back({p.inizio, genere::stazione, kBinario, "0.00", "-------------"});
    } else {
      l.push_back({p.inizio, genere::stazione, kBinario, km_due(metri_progressivi(p.inizio - 1) + 1), "------"});
    }
  }
  return l;
}

std::vector<luogo_libretto> punti_lungo_linea() {
  std::vector<luogo_libretto> l;
  // A post is listed only where a speed changes at it.
  for (int32_t c : cippi()) {
    for (const cartello_velocita& v : cartelli_velocita()) {
      if (std::abs(v.posizione - c) <= kVicinanza) l.push_back({c, genere::punto, kBinario, "", "Cippo Km " + chilometro(c + 50, 3)});
    }
  }
  for (const punto_notevole& p : punti_notevoli()) {
    const std::string nome = p.nome;
    l.push_back({p.posizione, genere::punto, kBinario, "", (nome.empty() ? "" : nome + " ") + "Km " + chilometro(p.posizione, 3)});
  }
  for (const galleria& g : gallerie()) {
    for (const auto& [posizione, bocca] : {std::make_pair(g.inizio, "Imb.Gall."), std::make_pair(g.fine, "Sb.Gall.")}) {
      const std::string km = " Km " + chilometro(posizione, 3);
      l.push_back({posizione, genere::punto, kBinario, "", bocca + maiuscole(g.nome) + km, {}, bocca + nome_breve_galleria(g.nome) + km});
    }
  }
  l.push_back({kRaccordoCave, genere::punto, kDiramazione, "", ""});
  return l;
}

// A board standing 50 m short of a whole kilometre is listed at that post.
std::string testo_cartello(int32_t posizione) {
  if (metri_progressivi(posizione + 50) % 1000 == 0) return "Cippo Km " + chilometro(posizione + 50, 3);
  return "Km " + chilometro(posizione, 3);
}


// A speed stands only where it changes.
void segna_velocita(std::vector<luogo_libretto>& l) {
  std::array<int32_t, 4> prima = {-1, -1, -1, -1};
  for (const cartello_velocita& c : cartelli_velocita()) {
    const std::array<int32_t, 4> ora = {c.a, c.b, c.c, c.p};
    std::array<std::string, 4> testo;
    for (size_t k = 0; k < 4; ++k) testo[k] = ora[k] == prima[k] ? "" : std::to_string(ora[k]);
    prima = ora;
    if (c.posizione > destinazione().posizione) continue;
    luogo_libretto* vicino = nullptr;
    for (luogo_libretto& x : l) {
      if (std::abs(x.posizione - c.posizione) <= kVicinanza && x.velocita == std::array<std::string, 4>{} &&
          (vicino == nullptr || std::abs(x.posizione - c.posizione) < std::abs(vicino->posizione - c.posizione))) {
        vicino = &x;
      }
    }
    if (vicino == nullptr) {
      l.push_back({c.posizione, genere::punto, kBinario, "", testo_cartello(c.posizione), testo});
    } else {
      vicino->velocita = testo;
      if (vicino->g == genere::punto && vicino->testo.empty()) vicino->testo = testo_cartello(c.posizione);
    }
  }
}

std::vector<luogo_libretto> luoghi() {
  // Where the numbering changes at a station, the change is listed first.
  std::vector<luogo_libretto> l = cambi_numerazione();
  for (const luogo_libretto& x : stazioni_lungo_linea()) l.push_back(x);
  for (const luogo_libretto& x : punti_lungo_linea()) l.push_back(x);
  segna_velocita(l);
  std::stable_sort(l.begin(), l.end(),
                   [](const luogo_libretto& x, const luogo_libretto& y) { return x.posizione < y.posizione; });
  return l;
}

bool senza_velocita(const luogo_libretto& l) { return l.velocita == std::array<std::string, 4>{}; }

// A row that lists a board and nothing else.
bool solo_cartello(const luogo_libretto& l) { return l.g == genere::punto && !senza_velocita(l) && l.testo.rfind("Km ", 0) == 0; }

// When the route lists more places than the pages have rows, the board
// standing nearest to a neighbouring row without speeds moves its speeds
// there, one board at a time.
void unisci_cartelli(std::vector<luogo_libretto>& l, size_t righe) {
  while (l.size() > righe) {
    size_t migliore = l.size(), verso = 0;
    int32_t distanza = 0;
    for (size_t i = 0; i < l.size(); ++i) {
      if (!solo_cartello(l[i])) continue;
      for (size_t j : {i - 1, i + 1}) {
        if (j >= l.size() || !senza_velocita(l[j]) || l[j].g == genere::binario) continue;
        const int32_t d = std::abs(l[j].posizione - l[i].posizione);
        if (migliore == l.size() || d < distanza) migliore = i, verso = j, distanza = d;
      }
    }
    if (migliore == l.size()) throw std::length_error("the route's places do not fit the booklet's rows");
    l[verso].velocita = l[migliore].velocita;
    l.erase(l.begin() + static_cast<std::ptrdiff_t>(migliore));
  }
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

// The approach to the terminal: the tracks fan out beside the branch
// lines' box, then the buffer stops over the station.
const char* const kVentaglio[] = {"      ||",    "     ||||",   "     ||||",   "    ||||||", "    ||||||",
                                  "   ||||||||", "   ||||||||", "   ||||||||", "    ||||||", "     ||||"};
constexpr size_t kRigheVentaglio = sizeof kVentaglio / sizeof kVentaglio[0];
constexpr size_t kRigheLuoghi = kRighePrima + kRigheSeconda - 2;  // all but the terminal's two rows

std::vector<riga_libretto> righe_prima_pagina(const std::vector<luogo_libretto>& l) {
  std::vector<riga_libretto> r;
  for (size_t i = 0; i < kRighePrima; ++i) r.push_back(riga_luogo(l.at(i), kPrima));
  return r;
}

std::vector<riga_libretto> righe_seconda_pagina(std::vector<luogo_libretto> l) {
  for (size_t k = 0; k < kRigheVentaglio; ++k) {
    luogo_libretto& x = l.at(kRigheLuoghi - kRigheVentaglio + k);
    if (x.g != genere::stazione) x.disegno = kVentaglio[k];
  }
  std::vector<riga_libretto> r;
  for (size_t i = kRighePrima; i < l.size(); ++i) r.push_back(riga_luogo(l[i], kSeconda));
  // The buffer stops, then the terminal under them with its kilometre and name.
  const stazione& d = destinazione();
  r.push_back(riga_libretto{{}, "     _||_"});
  r.push_back(riga_luogo({d.posizione, genere::stazione, kStazioneBox, chilometro(d.posizione, 2), d.nome_carte}, kSeconda));
  return r;
}

std::vector<luogo_libretto> luoghi_in_righe() {
  std::vector<luogo_libretto> l = luoghi();
  unisci_cartelli(l, kRigheLuoghi);
  riempi_tratti(l, kRigheLuoghi);
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
      "  Linea " + nome_breve() + " ",
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
      "  Linea " + nome_breve() + " ",
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

#include "sources/carte.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "util/testo.h"

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
// data, not something to cut silently.
void controlla_spazio(const std::string& testo, size_t n) {
  if (larghezza(testo) > n) {
    throw fuori_modulo("\"" + testo + "\" does not fit its column (" + std::to_string(larghezza(testo)) +
                       " characters, room for " + std::to_string(n) + ")");
  }
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

void aggiungi(std::vector<std::string>& righe, const std::vector<std::string>& blocco) {
  righe.insert(righe.end(), blocco.begin(), blocco.end());
}

// ---- The timetable card.

// The box is 80 characters wide; the validity dates end at its bar.
std::vector<std::string> riquadro_treno(const dati_carte& d, const fatti_carte& f) {
  controlla_spazio(f.valida_dal, 35);
  controlla_spazio(f.valida_al, 35);
  const size_t resto_dal = 80 - 31 - larghezza(f.valida_dal);
  const size_t resto_al = 80 - 31 - larghezza(f.valida_al);
  return {
      "  " + trattini(80),
      " |" + a_sinistra(blanks(33) + "Treno " + f.numero, 80) + "|",
      " |Origine Treno: " + a_sinistra(d.origine, 65) + "|",
      " |Destino Treno: " + a_sinistra(d.destinazione, 65) + "|",
      " |" + blanks(56) + "Validità Treno:" + blanks(9) + "|",
      " |Da: " + a_sinistra(d.origine, 27) + a_sinistra("Denominazione:", resto_dal) + f.valida_dal + "|",
      " |A_:_" + a_sinistra(d.destinazione, 27, '_') + a_sinistra("Classifica: " + f.categoria, resto_al, '_') +
          f.valida_al + "|" + blanks(14),
  };
}

// Every stop row but the last is ruled with underscores: a row and the
// rule under it share one text line.
std::string riga_fermata(int numero, const fermata_carta& x, const fatti_carte& f, bool prima, bool ultima) {
  const char c = ultima ? ' ' : '_';
  return riga_celle(
      " |",
      {
          numero == 0
              ? std::string(4, c)
              : a_sinistra(numero < 100 ? std::string(1, c) + std::to_string(numero) : std::to_string(numero), 4, c),
          prima ? a_sinistra("__" + f.numero, 7, c) : std::string(7, c),
          prima ? a_sinistra("__" + f.categoria, 7, c) : std::string(7, c),
          a_sinistra(x.localita, 27, c),
          a_sinistra(x.arrivo, 8, c),
          a_sinistra(x.partenza, 8, c),
          std::string(6, c),
          std::string(6, c),
      });
}

// The form has 26 stop rows, the last one ruled by the table's bottom; a
// train with fewer stops leaves the rows before its last stop ruled and
// unnumbered, one with more makes the table longer.
std::vector<std::string> tabella_fermate(const dati_carte& d, const fatti_carte& f) {
  const std::vector<fermata_carta> elenco = fermate_stampate(d, f);
  if (elenco.empty()) throw fuori_modulo("the timetable card needs at least one stop");
  std::vector<std::string> righe = {
      "  " + trattini(80),
      " |_Pr_|N.Treno|_Class_|_______Località____________|__Arr___|__Part__|______|______|",
  };
  for (size_t i = 0; i + 1 < elenco.size(); ++i) {
    righe.push_back(riga_fermata(static_cast<int>(i) + 1, elenco[i], f, i == 0, false));
  }
  for (size_t i = elenco.size(); i < kRigheFermate; ++i) {
    righe.push_back(riga_fermata(0, fermata_carta{}, f, false, false));
  }
  righe.push_back(riga_fermata(static_cast<int>(elenco.size()), elenco.back(), f, elenco.size() == 1, true));
  righe.push_back(" |____|_______|_______|___________________________|________|________|______|______|");
  return righe;
}

std::vector<std::string> periodicita(const dati_carte& d, const fatti_carte& f) {
  return {
      "  " + trattini(80),
      " |____________________________Periodicità treno___________________________________|",
      " |__________Da________|_____________A_________|______________Testo________________|" + blanks(6),
      riga_celle(" |", {a_sinistra(d.origine, 20), a_sinistra(d.destinazione, 23), a_sinistra(f.periodicita, 35)}),
      " |____________________|_______________________|___________________________________|",
  };
}

std::vector<std::string> riquadro_note(const dati_carte& d, const fatti_carte& f) {
  return {
      "  " + trattini(80),
      " |_____________________________________NOTE_______________________________________|",
      riga_celle(" |", {a_sinistra(" Rango V.Max : " + f.rango + " ", 17),
                        a_sinistra(" Massa Frenata : " + std::to_string(d.massa_frenata) + "% ", 22),
                        " Loc " + a_sinistra(f.locomotive, 13), " " + a_sinistra(f.ripetizione, 19)}) +
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

std::string colonna_larga(const luogo_libretto& l, const impaginazione& p) {
  switch (l.g) {
    case genere_luogo::binario:
      return l.disegno;
    case genere_luogo::stazione:
      return a_sinistra(l.disegno, p.fine_km - larghezza(l.km)) + l.km + blanks(p.stacco_nome) + l.testo;
    case genere_luogo::punto: {
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

bool senza_velocita(const luogo_libretto& l) { return l.velocita == std::array<std::string, 4>{}; }

// A row that lists a board and nothing else.
bool solo_cartello(const luogo_libretto& l) {
  return l.g == genere_luogo::punto && !senza_velocita(l) && l.testo.rfind("Km ", 0) == 0;
}

// When the route lists more places than the pages have rows, the board
// standing nearest to a neighbouring row without speeds moves its speeds
// there, one board at a time.  False when no board is left to move.
bool unisci_cartelli(std::vector<luogo_libretto>& l, size_t righe) {
  while (l.size() > righe) {
    size_t migliore = l.size(), verso = 0;
    int32_t distanza = 0;
    for (size_t i = 0; i < l.size(); ++i) {
      if (!solo_cartello(l[i])) continue;
      for (size_t j : {i - 1, i + 1}) {
        if (j >= l.size() || !senza_velocita(l[j]) || l[j].g == genere_luogo::binario) continue;
        const int32_t d = std::abs(l[j].posizione - l[i].posizione);
        if (migliore == l.size() || d < distanza) migliore = i, verso = j, distanza = d;
      }
    }
    if (migliore == l.size()) return false;
    l[verso].velocita = l[migliore].velocita;
    l.erase(l.begin() + static_cast<std::ptrdiff_t>(migliore));
  }
  return true;
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
    l.insert(l.begin() + static_cast<std::ptrdiff_t>(dove),
             luogo_libretto{mezzo, genere_luogo::binario, kDisegnoBinario});
  }
  while (l.size() < righe) l.push_back(luogo_libretto{0, genere_luogo::binario, kDisegnoBinario});
}

// The places in running order, exactly as many as the pages' rows before
// the closing ones.  The form has two pages; boards share the rows of
// places near them before the booklet takes a further page like the
// second, as many as the places need.
std::vector<luogo_libretto> luoghi_in_righe(const libretto& lib) {
  std::vector<luogo_libretto> l = lib.luoghi;
  std::stable_sort(l.begin(), l.end(),
                   [](const luogo_libretto& x, const luogo_libretto& y) { return x.posizione < y.posizione; });
  size_t righe = kRighePrimaPagina + kRigheSecondaPagina - lib.arrivo.size();
  if (!unisci_cartelli(l, righe)) {
    while (righe < l.size()) righe += kRigheSecondaPagina;
  }
  riempi_tratti(l, righe);
  if (lib.ventaglio.size() > righe) throw fuori_modulo("the terminal's drawing is longer than the booklet");
  for (size_t k = 0; k < lib.ventaglio.size(); ++k) {
    luogo_libretto& x = l[righe - lib.ventaglio.size() + k];
    if (x.g != genere_luogo::stazione) x.disegno = lib.ventaglio[k];
  }
  l.insert(l.end(), lib.arrivo.begin(), lib.arrivo.end());
  return l;
}

riga_libretto riga_luogo(const luogo_libretto& l, const impaginazione& p) {
  return riga_libretto{l.velocita, colonna_larga(l, p)};
}

std::vector<std::string> pagina(const std::vector<riga_libretto>& righe, size_t colonna) {
  std::vector<std::string> testo;
  for (const riga_libretto& r : righe) testo.push_back(riga_pagina(r, colonna));
  return testo;
}

std::vector<std::string> prima_pagina(const std::vector<luogo_libretto>& l, const std::string& nome) {
  std::vector<std::string> righe = {
      "  Linea " + nome + " ",
      "   " + trattini(75),
      "  |  Velocità Max Km/h    |   Progr. Chilom.   |     Località di Servizio     |",
      "  |_______________________|____________________|______________________________|" + blanks(6),
      "  |__A__|__B__|__C__|__P__|     ____                                          |",
  };
  std::vector<riga_libretto> corpo;
  for (size_t i = 0; i < kRighePrimaPagina; ++i) corpo.push_back(riga_luogo(l[i], kPrima));
  aggiungi(righe, pagina(corpo, kPrima.colonna));
  righe.push_back("  |_____|_____|_____|_____|___________________________________________________|");
  return righe;
}

// A page like the second from place `da` on; the last page carries the
// side box and the texts after its bar.
std::vector<std::string> pagina_seguente(const std::vector<luogo_libretto>& l, size_t da, const libretto& lib,
                                         const std::string& nome) {
  std::vector<std::string> righe = {
      "  Linea " + nome + " ",
      "   " + trattini(61),
      "  |  Velocità Max Km/h    |   Progr. Chilom. |   Località di    |",
      "  |_______________________|__________________|____Servizio______|" + blanks(6),
      "  |__A__|__B__|__C__|__P__|                                     |" + blanks(2),
  };
  std::vector<riga_libretto> corpo;
  for (size_t i = da; i < da + kRigheSecondaPagina; ++i) corpo.push_back(riga_luogo(l[i], kSeconda));
  if (da + kRigheSecondaPagina < l.size()) {
    aggiungi(righe, pagina(corpo, kSeconda.colonna));
    righe.push_back("  |_____|_____|_____|_____|_____________________________________|");
    return righe;
  }
  if (lib.riga_riquadro + lib.riquadro.size() > corpo.size()) throw fuori_modulo("the side box runs past the page");
  for (size_t i = 0; i < lib.riquadro.size(); ++i) corpo[lib.riga_riquadro + i].dopo = lib.riquadro[i];
  for (const auto& [riga, testo] : lib.code) {
    if (riga >= corpo.size())
      throw fuori_modulo("a text after the bar on row " + std::to_string(riga) + " of a page of " +
                         std::to_string(corpo.size()));
    corpo[riga].dopo = testo;
  }
  aggiungi(righe, pagina(corpo, kSeconda.colonna));
  righe.push_back("  |_____|_____|_____|_____|_____________________________________|");
  return righe;
}

void vuote(std::vector<std::string>& righe, size_t n, const std::string& riga = "") {
  righe.insert(righe.end(), n, riga);
}

// ---- The slowdown order.

std::string riga_tabella(const std::vector<std::string>& celle) { return riga_celle(" |", celle); }

// The order names the kilometre post after which the slowdown begins.
std::string cippo(int32_t metri) { return std::to_string(metri / 1000) + ".000"; }

std::string riga_rallentamento(int numero, const rallentamento_carta& r) {
  return riga_tabella({
      a_sinistra(numero < 100 ? " " + std::to_string(numero) : std::to_string(numero), 3),
      a_sinistra(r.da + " - " + r.a, 28),
      a_destra(cippo(r.metri_cippo), 8) + "    ",
      "    " + a_sinistra(std::to_string(r.velocita), 6),
      "   " + a_sinistra(std::to_string(r.lunghezza), 6),
      std::string(12, ' '),
  });
}

const char kRigaVuota[] = " |   |                            |            |          |         |            |";
const char kRigaChiusura[] = " |___|____________________________|____________|__________|_________|____________|";

std::vector<std::string> intestazione_ordine(const dati_carte& d, const fatti_carte& f) {
  return {
      "",
      std::string(31, ' ') + "Modulo M. 3",
      std::string(27, ' ') + "ORDINE DI RALLENTAMENTO",
      " " + std::string(80, '_'),
      "  Linea  " + nome_breve_carte(d, f),
      "",
      "  Si ordina al macchinista del treno " + f.numero + " di effettuare i seguenti rallentamenti",
      "  " + std::string(79, '_'),
      " |   |                            |Inizio dopo |          |         |            |",
      " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
      " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
      kRigaChiusura,
  };
}

// The legend keeps the form's own order and wording, misprint included.
std::vector<std::string> legenda() {
  return {
      "",
      std::string(14, ' ') + "Prescrizioni specifiche",
      " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
      " B - Interessa anche la stazione di.......",
      " D - Rallentamneto N. ... e N. ...  sono contigui",
      " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
      "     i giorni esclusi i seguenti:.........",
  };
}

// The facts' row for a station, if they give one.
const fermata_fatti* dai_fatti(const fatti_carte& f, const fermata_carta& x) {
  for (const fermata_fatti& r : f.fermate) {
    if (!r.stazione.empty() && r.stazione == x.stazione) return &r;
  }
  return nullptr;
}

// The names as the card prints them: where the facts rename a station,
// the train box and the booklet's row for that station follow the card.
dati_carte con_nomi_stampati(const dati_carte& d, const fatti_carte& f) {
  dati_carte n = d;
  for (const fermata_carta& x : d.fermate) {
    const fermata_fatti* r = dai_fatti(f, x);
    if (r == nullptr || r->localita.empty() || r->localita == x.localita) continue;
    if (&x == &d.fermate.front()) n.origine = r->localita;
    if (&x == &d.fermate.back()) n.destinazione = r->localita;
    for (std::vector<luogo_libretto>* righe : {&n.lib.luoghi, &n.lib.arrivo}) {
      for (luogo_libretto& l : *righe) {
        if (l.g == genere_luogo::stazione && l.posizione == x.posizione && l.testo == x.localita) l.testo = r->localita;
      }
    }
  }
  return n;
}

fermata_carta come_nei_fatti(const fermata_fatti& r, fermata_carta x) {
  if (!r.localita.empty()) x.localita = r.localita;
  x.arrivo = r.arrivo;
  x.partenza = r.partenza;
  x.passata = false;
  return x;
}

}  // namespace

std::string orario_carta(int64_t secondi) {
  secondi = ((secondi % 86400) + 86400) % 86400;
  char t[24];
  std::snprintf(t, sizeof t, "%d.%02d", static_cast<int>(secondi / 3600), static_cast<int>(secondi / 60 % 60));
  return std::string(t) + (secondi % 60 >= 30 ? "½" : "");
}

fermata_carta fermata_da_record(const std::string& nome, int32_t posizione, int64_t orario, int64_t sosta, bool prima,
                                bool ultima) {
  fermata_carta x{in_maiuscole(nome), "", "", nome, posizione};
  // A station at 0:00:00 without a stop is passed, and the record gives no
  // time to print for it.
  x.passata = !prima && !ultima && orario == 0 && sosta == 0;
  if (ultima) {
    x.arrivo = orario_carta(orario);
  } else if (!x.passata) {
    x.partenza = orario_carta(orario);
    if (!prima && sosta > 0) x.arrivo = orario_carta(orario - sosta);
  }
  return x;
}

std::vector<fermata_carta> fermate_stampate(const dati_carte& d, const fatti_carte& f) {
  std::vector<fermata_carta> t;
  for (const fermata_carta& x : d.fermate) {
    const fermata_fatti* r = dai_fatti(f, x);
    if (r != nullptr) {
      t.push_back(come_nei_fatti(*r, x));
    } else if (!x.passata) {
      t.push_back(x);
    }
  }
  // A passing point goes before the first row beyond it.
  for (const fermata_fatti& r : f.fermate) {
    if (!r.stazione.empty()) continue;
    auto dopo = std::find_if(t.begin(), t.end(), [&r](const fermata_carta& x) { return x.posizione > r.posizione; });
    t.insert(dopo, come_nei_fatti(r, fermata_carta{r.localita, "", "", "", r.posizione}));
  }
  return t;
}

std::string galleria_breve(const std::string& nome) {
  std::string n = in_maiuscole(nome);
  for (const char* articolo : {"LE ", "LA ", "LO ", "IL ", "GLI ", "I "}) {
    if (n.rfind(articolo, 0) == 0) n.erase(0, std::string(articolo).size());
  }
  if (n.rfind("MONTE ", 0) == 0) n.replace(0, 6, "M.");
  return n;
}

std::string nome_breve_carte(const dati_carte& d, const fatti_carte& f) {
  return f.nome_breve.empty() ? d.origine + "-" + d.destinazione : f.nome_breve;
}

std::string km_carte(int32_t metri, int decimali) {
  if (metri < 0) throw std::invalid_argument("a kilometre before the numbering");
  char testo[24];
  if (decimali == 3) {
    std::snprintf(testo, sizeof testo, "%d.%03d", metri / 1000, metri % 1000);
  } else {
    std::snprintf(testo, sizeof testo, "%d.%02d", metri / 1000, metri % 1000 / 10);
  }
  return testo;
}

std::vector<std::string> carta_orario(const dati_carte& dati, const fatti_carte& f) {
  const dati_carte d = con_nomi_stampati(dati, f);
  const libretto& lib = f.libretto_disegnato ? *f.libretto_disegnato : d.lib;
  const std::vector<luogo_libretto> l = luoghi_in_righe(lib);
  const std::string nome = nome_breve_carte(d, f);
  std::vector<std::string> r = {blanks(32) + "SCHEDA ORARIO"};
  aggiungi(r, riquadro_treno(d, f));
  r.push_back(" ");
  aggiungi(r, tabella_fermate(d, f));
  r.push_back(" ");
  aggiungi(r, periodicita(d, f));
  r.push_back("");
  r.push_back("  ");
  aggiungi(r, riquadro_note(d, f));
  vuote(r, 2, blanks(7));
  r.push_back("");
  r.push_back("  ");
  r.push_back(std::string(81, '.'));
  r.push_back("  ");
  aggiungi(r, prima_pagina(l, nome));
  vuote(r, 13);
  vuote(r, 2, " ");
  r.push_back(std::string(72, '.'));
  r.push_back("");
  for (size_t da = kRighePrimaPagina; da < l.size(); da += kRigheSecondaPagina) {
    if (da > kRighePrimaPagina) r.push_back("");
    aggiungi(r, pagina_seguente(l, da, lib, nome));
    vuote(r, 8);
    r.push_back(" ");
    r.push_back("");
    r.push_back(std::string(72, '.'));
  }
  vuote(r, 19);
  r.push_back(blanks(32) + "PER MEMORIA");
  vuote(r, 29);
  return r;
}

std::vector<std::string> carta_rallentamenti(const dati_carte& d, const fatti_carte& f) {
  std::vector<std::string> righe = intestazione_ordine(con_nomi_stampati(d, f), f);
  const std::vector<rallentamento_carta>& voci = d.rallentamenti;
  // More slowdowns than the form's rows make the table longer.
  for (size_t i = 0; i < voci.size(); ++i) righe.push_back(riga_rallentamento(static_cast<int>(i) + 1, voci[i]));
  if (voci.size() < kRigheRallentamenti) righe.insert(righe.end(), kRigheRallentamenti - voci.size(), kRigaVuota);
  righe.push_back(kRigaChiusura);
  aggiungi(righe, legenda());
  return righe;
}

std::vector<std::string> carta_note(const fatti_carte& f) {
  std::vector<std::string> righe = f.note;
  aggiungi(righe, f.firma);
  return righe;
}

}  // namespace valdoro

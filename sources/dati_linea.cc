// The line source: the general section, then one section a record kind,
// every record formatted from the scenario's facts.
#include <algorithm>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scenario.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

namespace {

using std::to_string;

std::string tre_cifre(int32_t n) {
  std::string t = to_string(n);
  return std::string(t.size() < 3 ? 3 - t.size() : 0, '0') + t;
}

// "166+700": the kilometre and its metres as the boards print them.
std::string km_piu_metri(int32_t metri) { return to_string(metri / 1000) + "+" + tre_cifre(metri % 1000); }

// Text centred in a group, the odd blank going to the left.
std::string centrato(const std::string& testo, size_t larghezza) {
  size_t vuoto = larghezza > testo.size() ? larghezza - testo.size() : 0;
  return std::string(vuoto - vuoto / 2, ' ') + testo + std::string(vuoto / 2, ' ');
}

std::vector<std::string> generale() {
  std::vector<std::string> r = {"lunghezza percorso,    " + to_string(kLunghezzaPercorso)};
  for (const progressiva_chilometrica& p : progressive()) {
    r.push_back(std::string("progressiva chilometrica ") + p.nome + ",    " + to_string(p.inizio) + ",    " +
                to_string(p.scostamento) + ",    " + to_string(p.segnale));
  }
  r.push_back("sfondo uno,    " + to_string(kSfondoUno));
  r.push_back("sfondo due,    " + to_string(kSfondoDue));
  r.push_back("sfondo tre,    " + to_string(kSfondoTre));
  r.push_back("ripetizione segnali " + to_string(kRipetizioneCodici) + " codici,    " + to_string(kRipetizioneInizio) +
              ",    " + to_string(kRipetizioneFine));
  return r;
}

std::string riga_curva(const curva& c) {
  return std::string("curva") + c.verso + to_string(c.classe) + ",  " + to_string(c.inizio) + ",  " +
         to_string(c.lunghezza);
}

// The one gradient with tenths keeps its decimal comma, as it was always
// written; the compiler reads the whole part and passes over the tenths.
std::string riga_pendenza(const pendenza& p) {
  std::string r = "pendenza,  " + to_string(p.posizione) + ",   " + to_string(p.valore);
  if (p.decimi != 0) r += "," + to_string(p.decimi);
  return r;
}

std::string riga_montagna(const montagna& m) {
  return "montagna,   " + to_string(m.inizio) + ",  " + to_string(m.fine) + ",  " + to_string(m.tipo);
}

// Only the left board of a post carries speeds; the right one stays empty.
std::string riga_indicatore(int32_t posizione, const cartello_velocita& c, int strisce) {
  return "indicatori_vmax,  " + to_string(posizione) + ",  " + to_string(c.a) + ",  " + to_string(c.b) + ",  " +
         to_string(c.c) + ",  " + to_string(strisce) + ",  ,  ,  ,  0";
}

std::vector<std::string> indicatori() {
  std::vector<std::string> r;
  for (const cartello_velocita& c : cartelli_velocita()) {
    if (c.preavviso) {
      r.push_back(riga_indicatore(c.posizione - 2 * kDistanzaStrisce, c, 2));
      r.push_back(riga_indicatore(c.posizione - kDistanzaStrisce, c, 1));
    }
    r.push_back(riga_indicatore(c.posizione, c, 0));
  }
  return r;
}

// Posts below km 100 have the narrow board, the others the wide one.
std::string testo_cippo(int32_t posizione) {
  int32_t metri = metri_cippo(posizione);
  if (metri < 100000) return "(Cippo )(  Km  )(" + km_piu_metri(metri) + ")";
  return "( Cippo )(   Km  )(" + km_piu_metri(metri) + ")";
}

std::string testo_punto(const punto_notevole& p) {
  if (*p.nome == '\0') return "(   Km  )(" + km_piu_metri(metri_progressivi(p.posizione)) + ")";
  return "(" + std::string(p.nome) + ")(    Km    )(" + centrato(chilometro(p.posizione, 3), 10) + ")";
}

struct cartello {
  int32_t posizione;
  std::string testo;
};

std::vector<cartello> cartelli_indicatori() {
  std::vector<cartello> t;
  for (int32_t p : cippi()) t.push_back({p, testo_cippo(p)});
  for (const culmine& c : culmini()) t.push_back({c.posizione, c.in_galleria ? "(Culmine )(Galleria)" : "(Culmine)"});
  for (const galleria& g : gallerie()) t.push_back({g.cartello, std::string("(Galleria)(") + g.nome + ")"});
  t.push_back({bivio().cartello, std::string("(   Bivio   )(") + bivio().nome + ")"});
  for (const punto_notevole& p : punti_notevoli()) t.push_back({p.posizione, testo_punto(p)});
  std::stable_sort(t.begin(), t.end(), [](const cartello& x, const cartello& y) { return x.posizione < y.posizione; });
  return t;
}

template <typename T, typename F>
void aggiungi(std::vector<std::string>& r, const char* intestazione, const std::vector<T>& voci, F riga) {
  r.push_back(intestazione);
  for (const T& v : voci) r.push_back(riga(v));
}

}  // namespace

std::vector<std::string> righe_linea() {
  std::vector<std::string> r = {"[generale]"};
  for (std::string& g : generale()) r.push_back(std::move(g));
  aggiungi(r, "[curve]", curve(), riga_curva);
  aggiungi(r, "[pendenze]", pendenze(), riga_pendenza);
  aggiungi(r, "[montagne]", montagne(), riga_montagna);
  aggiungi(r, "[cartelli]", indicatori(), [](const std::string& s) { return s; });
  aggiungi(r, "[indicazioni]", cartelli_indicatori(),
           [](const cartello& c) { return "cartello_indicatore,  " + to_string(c.posizione) + ",   " + c.testo; });
  r.push_back("[fine]");
  return r;
}

void dati_linea(const std::string& nome_linea, const std::filesystem::path& cartella, durata d) {
  scrivi_righe(cartella, file_sorgente_linea(nome_linea), righe_linea(), d);
}

}  // namespace valdoro

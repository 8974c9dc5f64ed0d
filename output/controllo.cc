#include "output/controllo.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "compiler/fonte.h"
#include "model/nomi_file.h"
#include "output/percorso.h"

namespace valdoro {

namespace {

// Line source, train source, then what has no source.
int rango_file(const luogo& l, const std::string& linea, const std::string& treno) {
  if (l.file == linea) return 0;
  if (l.file == treno) return 1;
  return 2;
}

// The order every list is shown in: by source (line, train, none) and
// place; what concerns a whole source after its lines.
bool prima_di(const diagnostica& a, const diagnostica& b, const std::string& linea, const std::string& treno) {
  const int fa = rango_file(a.dove, linea, treno), fb = rango_file(b.dove, linea, treno);
  if (fa != fb) return fa < fb;
  const int ra = a.dove.riga > 0 ? a.dove.riga : INT_MAX, rb = b.dove.riga > 0 ? b.dove.riga : INT_MAX;
  if (ra != rb) return ra < rb;
  return a.dove.colonna < b.dove.colonna;
}

// Whether the compile already told of the fault that the checker's `d`
// finds: the compile knows best what it did.
bool detto_dalla_compilazione(const diagnostica& d, const std::vector<diagnostica>& compilazione) {
  if (d.dove.riga <= 0) return false;
  for (const diagnostica& c : compilazione) {
    if (c.dove.riga == d.dove.riga && c.dove.file == d.dove.file && stesso_guasto(d.regola, c.regola)) return true;
  }
  return false;
}

// A record short of a field fails the compile at the item it takes in the
// field's place, which the compile can only call a bad value of the wrong
// field; the checker names what is missing, and that is what the compile's
// error on the line says.
void nomina_mancanti(std::vector<diagnostica>& compilazione, const std::vector<diagnostica>& controllo) {
  const std::string lettura = regola_di(numero_errore::lettura).id;
  for (const diagnostica& m : controllo) {
    if (m.regola != "missing-field") continue;
    for (diagnostica& c : compilazione) {
      if (c.regola == lettura && c.dove.riga == m.dove.riga && c.dove.file == m.dove.file) c.messaggio = m.messaggio;
    }
  }
}

// The compile's list and the checker's in one, each fault once, by source
// and place; an identity clash, which ends the build, last.
void unisci(sorgenti_controllate& r, const diagnostiche& d, const std::string& linea, const std::string& treno,
            const std::vector<diagnostica>& orario) {
  std::vector<diagnostica> compilazione = d.elenco();
  // What the compile finds without a place (a track too short, a clash in
  // cell 1 no record is known for) concerns the whole line.
  for (diagnostica& x : compilazione) {
    if (x.dove.file.empty()) x.dove.file = linea;
  }
  r.errori = d.errori() + r.verifica.errori;
  r.avvisi = d.avvisi() + r.verifica.avvisi;
  auto togli = [&](const diagnostica& x) { (x.livello == gravita::errore ? r.errori : r.avvisi) -= 1; };
  std::optional<diagnostica> scontro;
  if (r.fatale) {
    scontro = std::move(compilazione.back());
    compilazione.pop_back();
  }
  // A value in force that does not fit is met again at every later fill
  // when the reading goes on past it: told once.
  std::set<std::tuple<std::string, std::string, int, int, std::string>> visti;
  compilazione.erase(
      std::remove_if(
          compilazione.begin(), compilazione.end(),
          [&](const diagnostica& x) {
            const bool nuovo = visti.insert({x.regola, x.dove.file, x.dove.riga, x.dove.colonna, x.messaggio}).second;
            if (!nuovo) togli(x);
            return !nuovo;
          }),
      compilazione.end());
  nomina_mancanti(compilazione, r.verifica.diagnostiche);
  std::vector<diagnostica> tutte = compilazione;
  for (diagnostica& x : d.riassunti_oltre()) tutte.push_back(std::move(x));
  for (const diagnostica& x : r.verifica.diagnostiche) {
    if (detto_dalla_compilazione(x, compilazione)) {
      togli(x);
      continue;
    }
    tutte.push_back(x);
  }
  for (const diagnostica& x : orario) {
    if (x.livello == gravita::errore) r.errori += 1;
    if (x.livello == gravita::avviso) r.avvisi += 1;
    if (x.livello == gravita::nota) r.note += 1;
    tutte.push_back(x);
  }
  std::stable_sort(tutte.begin(), tutte.end(),
                   [&](const diagnostica& a, const diagnostica& b) { return prima_di(a, b, linea, treno); });
  const raccolti via = raccogli_oltre_la_fine(tutte, r.verifica);
  r.errori -= via.errori;
  r.avvisi -= via.avvisi;
  if (scontro) tutte.push_back(std::move(*scontro));
  r.diagnostiche = std::move(tutte);
}

}  // namespace

void aggiungi_in_ordine(sorgenti_controllate& r, const std::vector<diagnostica>& altre, const std::string& titolo,
                        const std::string& treno) {
  const std::string linea = file_sorgente_linea(titolo), nome_treno = file_sorgente_treno(titolo, treno);
  std::vector<diagnostica>& d = r.diagnostiche;
  // An identity clash, which ends the build, stays last.
  const auto fine = r.fatale && !d.empty() ? d.end() - 1 : d.end();
  for (const diagnostica& x : altre) {
    (x.livello == gravita::errore ? r.errori : r.avvisi) += 1;
    const auto dopo = std::upper_bound(d.begin(), fine, x, [&](const diagnostica& a, const diagnostica& b) {
      return prima_di(a, b, linea, nome_treno);
    });
    d.insert(dopo, x);
  }
}

sorgenti_controllate controlla_sorgenti(const std::string& testo_linea, const std::string& testo_treno,
                                        const std::string& titolo, const std::string& treno, bool con_profilo,
                                        const opzioni_orario* opzioni) {
  const std::string nome_linea = file_sorgente_linea(titolo), nome_treno = file_sorgente_treno(titolo, treno);
  const std::map<std::string, const std::string*> testi = {{nome_linea, &testo_linea}, {nome_treno, &testo_treno}};
  fonte_memoria fonte(testi);
  esito_compilazione esatta = compila_scenario(fonte, titolo, treno, con_profilo);
  sorgenti_controllate r;
  r.fatale = esatta.fatale;
  diagnostiche elenco = esatta.d;
  if (esatta.d.errori() > (esatta.fatale ? 1 : 0)) {
    // The packager's reading stopped at the first fault of a source: read
    // again past every faulty record, for the list only.  The tables stay
    // the packager's.
    fonte_memoria di_nuovo(testi);
    esito_compilazione tutta = compila_scenario(di_nuovo, titolo, treno, con_profilo, lettura::recupera);
    elenco = std::move(tutta.d);
    // The build ends only where the packager's would; a clash that only the
    // records read past a fault make is one more error, in its place.
    if (esatta.fatale && !tutta.fatale) {
      const diagnostica& x = esatta.d.elenco().back();
      elenco.errore(*x.numero, x.dove, x.messaggio);
    }
  }
  r.s = std::move(esatta.s);
  r.luoghi = std::move(esatta.luoghi);
  r.verifica = verifica(testo_linea, nome_linea, testo_treno, nome_treno);
  // Where a record is lost or refused, the tables time another line than
  // the author's: only a timetable of sources without error is compared.
  std::vector<diagnostica> orario;
  if (opzioni && elenco.errori() + r.verifica.errori == 0 && !r.fatale) {
    r.tratte = calcola_orario(r.s, opzioni->figure, opzioni->con_velocita);
    orario = confronta_orario(r.tratte, luoghi_stazioni(r.verifica), opzioni->figure_date);
  }
  unisci(r, elenco, nome_linea, nome_treno, orario);
  return r;
}

}  // namespace valdoro

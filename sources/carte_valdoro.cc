#include "sources/carte_valdoro.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "sources/scenario.h"
#include "util/testo.h"

namespace valdoro {

namespace {

// The quarry siding that leaves the line just short of Fornaci.
constexpr int32_t kRaccordoCave = 3950;

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
    l.push_back({s.posizione, genere_luogo::stazione, box ? kDisegnoStazioneBox : kDisegnoStazione,
                 chilometro(s.posizione, 2), s.nome_carte});
  }
  return l;
}

// Where the numbering changes: the junction, where it starts again from
// nought, and each later change, marked with the kilometre it ends at.
std::vector<luogo_libretto> cambi_numerazione() {
  std::vector<luogo_libretto> l;
  const bivio_linea& b = bivio();
  l.push_back({b.posizione, genere_luogo::stazione, kDisegnoDiramazione, km_due(metri_progressivi(b.posizione - 1) + 1),
               b.nome_carte});
  for (const progressiva_chilometrica& p : progressive()) {
    if (p.inizio <= 0) continue;
    if (metri_progressivi(p.inizio) == 0) {
      l.push_back({p.inizio, genere_luogo::stazione, kDisegnoBinario, "0.00", "-------------"});
    } else {
      l.push_back(
          {p.inizio, genere_luogo::stazione, kDisegnoBinario, km_due(metri_progressivi(p.inizio - 1) + 1), "------"});
    }
  }
  return l;
}

std::vector<luogo_libretto> punti_lungo_linea() {
  std::vector<luogo_libretto> l;
  // A post is listed only where a speed changes at it.
  for (int32_t c : cippi()) {
    for (const cartello_velocita& v : cartelli_velocita()) {
      if (std::abs(v.posizione - c) <= kVicinanza)
        l.push_back({c, genere_luogo::punto, kDisegnoBinario, "", "Cippo Km " + chilometro(c + 50, 3)});
    }
  }
  for (const punto_notevole& p : punti_notevoli()) {
    const std::string nome = p.nome;
    l.push_back({p.posizione, genere_luogo::punto, kDisegnoBinario, "",
                 (nome.empty() ? "" : nome + " ") + "Km " + chilometro(p.posizione, 3)});
  }
  for (const galleria& g : gallerie()) {
    for (const auto& [posizione, bocca] : {std::make_pair(g.inizio, "Imb.Gall."), std::make_pair(g.fine, "Sb.Gall.")}) {
      const std::string km = " Km " + chilometro(posizione, 3);
      l.push_back({posizione,
                   genere_luogo::punto,
                   kDisegnoBinario,
                   "",
                   bocca + in_maiuscole(g.nome) + km,
                   {},
                   bocca + galleria_breve(g.nome) + km});
    }
  }
  l.push_back({kRaccordoCave, genere_luogo::punto, kDisegnoDiramazione, "", ""});
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
      l.push_back({c.posizione, genere_luogo::punto, kDisegnoBinario, "", testo_cartello(c.posizione), testo});
    } else {
      vicino->velocita = testo;
      if (vicino->g == genere_luogo::punto && vicino->testo.empty()) vicino->testo = testo_cartello(c.posizione);
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

// The approach to the terminal: the tracks fan out beside the branch
// lines' box, then the buffer stops over the station.
const char* const kVentaglio[] = {"      ||",    "     ||||",   "     ||||",   "    ||||||", "    ||||||",
                                  "   ||||||||", "   ||||||||", "   ||||||||", "    ||||||", "     ||||"};

// The box of the branch lines' speeds stands right of the second page,
// beside the tracks into the terminal.
constexpr size_t kPrimaRigaRiquadro = 135 - 116;
std::vector<std::string> riquadro_diramata() {
  return {
      std::string(17, '_'), "Velocità Max Km/h|", "_____Diramata____|", "__A__|__B__|__C__|", "  30 |  30 | --- |",
      "     |     |     |", "_____|_____|_____|", std::string(17, '_'), "  30 |  30 |  30 |", "     |     |     |",
      "     |     |     |", " ___ | ___ | ___ |", "_____|_____|_____|",
  };
}

libretto libretto_valdoro() {
  libretto lib;
  lib.luoghi = luoghi();
  const stazione& d = destinazione();
  lib.arrivo = {luogo_libretto{d.posizione, genere_luogo::binario, kDisegnoRespingenti},
                luogo_libretto{d.posizione, genere_luogo::stazione, kDisegnoStazioneBox, chilometro(d.posizione, 2),
                               d.nome_carte}};
  lib.ventaglio.assign(std::begin(kVentaglio), std::end(kVentaglio));
  lib.riquadro = riquadro_diramata();
  lib.riga_riquadro = kPrimaRigaRiquadro;
  // Blanks the original layout left after the bar under the side box.
  lib.code = {{148 - 116, std::string(5, ' ')}, {149 - 116, std::string(5, ' ')}};
  return lib;
}

// The notes' prose, broken by hand as its author laid it out; the trailing
// blanks and the one long line are part of that layout.  The coaches are
// the train source's.
std::vector<std::string> prosa_note() {
  return {
      "    Sulla linea di Valdoro i treni Diretti circolano con orario cadenzato: nei giorni feriali par-",
      "te un treno ogni due ore in ciascuna direzione, dal primo mattino fino a sera, e nelle ore di pun-",
      "ta si aggiungono alcune corse che fermano soltanto nelle località principali. Il servizio è pen-",
      "sato per chi viaggia tra le valli e la città, e per questo i Diretti fermano in tutte le stazioni",
      "più importanti, lasciando le fermate minori ai treni Regionali. La composizione tipica è di sei o",
      "sette carrozze di medio raggio a piano ribassato, con in testa una locomotiva elettrica; le più ",
      "usate sono le E.656, robuste e adatte alle forti pendenze della salita verso il valico, ma non è",
      "raro trovare in servizio anche le più anziane E.646, che su questa linea hanno fatto la storia.",
      "Nei mesi invernali la neve e il ghiaccio possono rendere il servizio più difficile e capita che i",
      "treni accumulino qualche minuto di ritardo sul tratto di montagna, poi recuperato in discesa, ",
      "dove la linea è più veloce. Anche le soste nelle stazioni sono studiate per permettere gli in-",
      "croci e le precedenze con i treni più veloci. ",
      "    Lo scenario riproduce uno di questi treni, il Diretto 5802, composto da " + std::to_string(kNumeroVetture) +
          " carrozze, che parte",
      "dalla stazione di origine nel primo pomeriggio e arriva al capolinea poco prima delle cinque.",
      "    Si parte con circa un minuto di ritardo e già nei primi 12 chilometri si incontrano tre ral-",
      "lentamenti per lavori in corso sulla linea: conviene quindi tenere sotto mano l'ordine di rallen-",
      "tamento consegnato prima della partenza e preparare per tempo le frenature: il treno infatti è pe-",
      "sante e la linea in quel tratto scende. Superato l'ultimo dei tre cantieri si può accelerare fino",
      "alla velocità massima consentita, rispettando però le velocità della tabella del fascicolo linea",
      "per il rango del treno. Lungo il percorso il treno viene fermato due volte su un binario di pre-",
      "cedenza, in due stazioni differenti, per lasciar passare treni più veloci: il segnale di partenza "
      "resta a via impedita fino al passaggio completo del treno che ci sorpassa, e solo allora si può ",
      "ripartire. Queste soste non sono indicate sulla scheda orario come fermate commerciali, ma se ne",
      "è tenuto conto nei tempi di percorrenza, quindi non c'è bisogno di correre per recuperarle. Poco",
      "prima dell'arrivo c'è un ultimo rallentamento, da rispettare con tutto il treno, dopo il quale si",
      "entra nel fascio di binari della stazione capolinea, dove si arriva su un binario tronco.",
      "    Attenzione: su buona parte del percorso l'aderenza è scarsa, per l'umidità delle gallerie e",
      "per le foglie sui binari, quindi conviene usare la sabbia con giudizio e frenare per tempo.",
  };
}

fermata_carta fermata_del_record(const stazione& s) {
  return fermata_da_record(s.nome, s.posizione, (s.ore * 60 + s.minuti) * 60 + s.secondi, s.sosta, &s == &origine(),
                           &s == &destinazione());
}

// Where our card parts from the train source: the passing times, the
// times it rounds otherwise, the name it writes whole, and the junction,
// which has no station record.
std::vector<fermata_fatti> fermate_fuori_record() {
  std::vector<fermata_fatti> t;
  for (const stazione& s : stazioni()) {
    const fermata_carta x = fermata_del_record(s);
    if (!x.passata && x.localita == s.nome_carte && x.arrivo == s.arrivo && x.partenza == s.partenza) continue;
    t.push_back({s.nome, 0, x.localita == s.nome_carte ? "" : s.nome_carte, s.arrivo, s.partenza});
  }
  const bivio_linea& b = bivio();
  t.push_back({"", b.posizione, b.nome_carte, "", b.passaggio});
  return t;
}

}  // namespace

dati_carte dati_carte_valdoro() {
  dati_carte d;
  d.origine = origine().nome_carte;
  d.destinazione = destinazione().nome_carte;
  for (const stazione& s : stazioni()) d.fermate.push_back(fermata_del_record(s));
  d.massa_frenata = kMassaFrenata;
  // Our order names the post by the slowdown's start as the train source
  // gives it, rounded down to the kilometre.
  for (const rallentamento& r : rallentamenti()) {
    const tratta t = stazioni_attorno(r);
    d.rallentamenti.push_back({t.da->nome, t.a->nome, r.posizione, r.velocita, r.lunghezza});
  }
  return d;
}

fatti_carte fatti_valdoro() {
  fatti_carte f;
  f.numero = kNumeroTreno;
  f.categoria = kCategoria;
  f.valida_dal = "dal 10/06/2001";
  f.valida_al = "al 15/06/2002";
  f.periodicita = "Periodico: feriali compreso Sabato";
  f.rango = "B";
  f.locomotive = kLocomotive;
  f.ripetizione = "RS " + std::to_string(kRipetizioneCodici) + "COD";
  f.nome_breve = nome_breve();
  f.note = prosa_note();
  f.firma = {"    Saluti.", "    Marco.", "    marco.valdoro@example.org "};
  f.fermate = fermate_fuori_record();
  // Which posts, boards and drawings our booklet shows is the operator's
  // choice, and rank P is not in the line source: the booklet is drawn.
  f.libretto_disegnato = libretto_valdoro();
  return f;
}

}  // namespace valdoro

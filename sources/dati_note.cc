#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scenario.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

namespace {

// The prose is broken by hand, as its author laid it out; the trailing
// blanks and the one long line are part of that layout.
std::vector<std::string> servizio() {
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
  };
}

std::vector<std::string> treno(int vetture) {
  return {
      "    Lo scenario riproduce uno di questi treni, il Diretto 5802, composto da " + std::to_string(vetture) +
          " carrozze, che parte",
      "dalla stazione di origine nel primo pomeriggio e arriva al capolinea poco prima delle cinque.",
  };
}

std::vector<std::string> viaggio() {
  return {
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
  };
}

std::vector<std::string> avvertenza_aderenza() {
  return {
      "    Attenzione: su buona parte del percorso l'aderenza è scarsa, per l'umidità delle gallerie e",
      "per le foglie sui binari, quindi conviene usare la sabbia con giudizio e frenare per tempo.",
  };
}

std::vector<std::string> firma() {
  return {"    Saluti.", "    Marco.", "    marco.valdoro@example.org "};
}

void aggiungi(std::vector<std::string>& righe, const std::vector<std::string>& blocco) {
  righe.insert(righe.end(), blocco.begin(), blocco.end());
}

}  // namespace

std::vector<std::string> righe_note() {
  std::vector<std::string> righe;
  aggiungi(righe, servizio());
  aggiungi(righe, treno(kNumeroVetture));
  aggiungi(righe, viaggio());
  aggiungi(righe, avvertenza_aderenza());
  aggiungi(righe, firma());
  return righe;
}

void dati_note(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella) {
  scrivi_righe(cartella, file_note(nome_linea, nome_treno), righe_note());
}

}  // namespace valdoro

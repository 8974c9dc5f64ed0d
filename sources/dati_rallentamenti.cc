#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scenario.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

namespace {

// Rows the form's table shows, filled or not.
constexpr int kRigheTabella = 26;

// A cell never runs past its bar: text too long for it is a fault in the
// scenario's data, not something to cut silently.
std::string a_sinistra(const std::string& testo, size_t larghezza) {
  if (testo.size() > larghezza) throw std::length_error("\"" + testo + "\" does not fit its column");
  return testo + std::string(larghezza - testo.size(), ' ');
}

std::string a_destra(const std::string& testo, size_t larghezza) {
  if (testo.size() > larghezza) throw std::length_error("\"" + testo + "\" does not fit its column");
  return std::string(larghezza - testo.size(), ' ') + testo;
}

std::string riga_tabella(const std::vector<std::string>& celle) {
  std::string riga = " |";
  for (const std::string& c : celle) riga += c + "|";
  return riga;
}

// The order names the kilometre post after which the slowdown begins.
std::string cippo(int32_t posizione) { return std::to_string(posizione / 1000) + ".000"; }

std::string riga_rallentamento(int numero, const rallentamento& r) {
  const tratta t = stazioni_attorno(r);
  return riga_tabella({
      a_sinistra(" " + std::to_string(numero), 3),
      a_sinistra(std::string(t.da->nome) + " - " + t.a->nome, 28),
      a_destra(cippo(r.posizione), 8) + "    ",
      "    " + a_sinistra(std::to_string(r.velocita), 6),
      "   " + a_sinistra(std::to_string(r.lunghezza), 6),
      std::string(12, ' '),
  });
}

const char kRigaVuota[] = " |   |                            |            |          |         |            |";
const char kRigaChiusura[] = " |___|____________________________|____________|__________|_________|____________|";

std::vector<std::string> intestazione() {
  return {
      "",
      std::string(31, ' ') + "Modulo M. 3",
      std::string(27, ' ') + "ORDINE DI RALLENTAMENTO",
      " " + std::string(80, '_'),
      "  Linea  " + nome_breve(),
      "",
      "  Si ordina al macchinista del treno 5802 di effettuare i seguenti rallentamenti",
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

}  // namespace

std::vector<std::string> righe_rallentamenti() {
  std::vector<std::string> righe = intestazione();
  const std::vector<rallentamento>& voci = rallentamenti();
  if (voci.size() > static_cast<size_t>(kRigheTabella)) throw std::length_error("more slowdowns than table rows");
  for (size_t i = 0; i < voci.size(); ++i) righe.push_back(riga_rallentamento(static_cast<int>(i) + 1, voci[i]));
  righe.insert(righe.end(), kRigheTabella - voci.size(), kRigaVuota);
  righe.push_back(kRigaChiusura);
  for (const std::string& r : legenda()) righe.push_back(r);
  return righe;
}

void dati_rallentamenti(const std::string& nome_linea, const std::string& nome_treno,
                        const std::filesystem::path& cartella) {
  scrivi_righe(cartella, file_rallentamenti(nome_linea, nome_treno), righe_rallentamenti());
}

}  // namespace valdoro

// The train source: general data, adhesion, speed limits, stations,
// slowdowns and signals, each value right-aligned in its field.
#include <stdexcept>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "sources/scenario.h"
#include "sources/scrittori.h"
#include "sources/scrittura.h"

namespace valdoro {

namespace {

using std::to_string;

// A value wider than its field would shift every later column of the
// record: a fault of the data, not something to write.
std::string campo(int32_t valore, size_t larghezza) {
  std::string t = to_string(valore);
  if (t.size() > larghezza) throw std::length_error(t + " does not fit a field of " + to_string(larghezza));
  return std::string(larghezza - t.size(), ' ') + t;
}

// ",<value>" for each value, right-aligned in its width.
std::string campi(std::initializer_list<std::pair<int32_t, size_t>> valori) {
  std::string r;
  for (const auto& v : valori) r += "," + campo(v.first, v.second);
  return r;
}

// Digits joined by commas with no blanks: "4,1,0".
std::string terna(int32_t a, int32_t b, int32_t c) { return to_string(a) + "," + to_string(b) + "," + to_string(c); }

std::vector<std::string> generale() {
  // The clock's three numbers stand apart by blanks alone, no commas.
  return {
      "numero vetture,    " + to_string(kNumeroVetture),
      "percentuale massa frenata,    " + to_string(kMassaFrenata),
      "sabbia,    " + to_string(kSabbia),
      "orologio," + campo(kOrologioOre, 6) + campo(kOrologioMinuti, 16) + campo(kOrologioSecondi, 14) + " ",
  };
}

std::string riga_aderenza(const aderenza& a) { return "aderenza" + campi({{a.posizione, 8}, {a.valore, 6}}); }

std::string riga_limite(const limite_velocita& v) {
  return "velocita" + campi({{v.posizione, v.stretto ? 4u : 8u}, {v.velocita, 6}});
}

std::string riga_stazione(const stazione& s) {
  return "stazione" +
         campi({{s.posizione, 8}, {s.tipo, 3}, {s.lunghezza, 5}, {s.campo4, 3}, {s.campo5, 2}, {s.campo6, 2}}) + ",  " +
         terna(s.campo7, s.campo8, s.campo9) + ",  " + terna(s.campo10, s.campo11, s.campo12) +
         campi({{s.sosta, 5}, {s.ore, 4}, {s.minuti, 2}, {s.secondi, 2}}) + ", " + s.nome;
}

std::string riga_rallentamento(const rallentamento& r) {
  return "rallentamento" + campi({{r.posizione, 8}, {r.velocita, 6}, {r.lunghezza, 5}, {r.f_tt, 2}, {r.f_ta, 3}}) +
         ",  " + to_string(r.d_v);
}

std::string riga_segnale(const segnale& s) {
  return "segnale" + campi({{s.posizione, 8}, {s.sx, 4}, {s.s1, 2}, {s.s2, 2}, {s.s3, 3}, {s.rapp, 2}, {s.dx, 5}}) +
         ",  " + terna(s.d1, s.d2, s.d3) + ", " + to_string(s.tempo);
}

template <typename T, typename F>
void aggiungi(std::vector<std::string>& r, const char* intestazione, const std::vector<T>& voci, F riga) {
  r.push_back(intestazione);
  for (const T& v : voci) r.push_back(riga(v));
}

}  // namespace

std::vector<std::string> righe_treno() {
  std::vector<std::string> r = {"[generale]"};
  for (std::string& g : generale()) r.push_back(std::move(g));
  aggiungi(r, "[aderenze]", aderenze(), riga_aderenza);
  aggiungi(r, "[vel_limite]", limiti_velocita(), riga_limite);
  r.push_back("[stazioni]");
  for (const stazione& s : stazioni()) {
    r.push_back(riga_stazione(s));
    // The rest of a long name went onto a line of its own; the reader
    // passes over it for its hyphen.
    if (s.seguito != nullptr) r.push_back(s.seguito);
  }
  aggiungi(r, "[rallentamenti]", rallentamenti(), riga_rallentamento);
  aggiungi(r, "[segnali]", segnali(), riga_segnale);
  r.push_back("[codici]");
  r.push_back("[fine]");
  return r;
}

void dati_treno(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella,
                durata d) {
  scrivi_righe(cartella, file_sorgente_treno(nome_linea, nome_treno), righe_treno(), d);
}

}  // namespace valdoro

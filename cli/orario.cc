#include "cli/orario.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "output/decodifica.h"

namespace valdoro {

namespace {

using json = nlohmann::ordered_json;

// "13.400": kilometres with the metres, as boards and timetables write them.
std::string km(const scenario& s, int32_t metri) {
  const int32_t m = metri_numerati(s.tabella_stazioni, metri);
  char b[32];
  std::snprintf(b, sizeof b, "%s%d.%03d", m < 0 ? "-" : "", std::abs(m) / 1000, std::abs(m) % 1000);
  return b;
}

std::string colonna(const std::string& t, size_t larghezza) {
  return t.size() >= larghezza ? t + " " : t + std::string(larghezza - t.size(), ' ');
}

}  // namespace

std::string orario_testo(const scenario& s, const std::vector<tratta_marcia>& tratte, double incertezza) {
  std::string r = colonna("station", 20) + colonna("km", 9) + colonna("arrival", 10) + colonna("departure", 11) +
                  colonna("minimum", 14) + colonna("earliest", 10) + "margin\n";
  if (tratte.empty()) return r;
  const fermata_marcia& prima = tratte.front().da;
  r += colonna(da_cp1252(prima.nome), 20) + colonna(km(s, prima.posizione), 9) + colonna("", 10) +
       testo_ora(prima.partenza) + "\n";
  for (const tratta_marcia& t : tratte) {
    const bool ultima = &t == &tratte.back();
    r += colonna(da_cp1252(t.a.nome), 20) + colonna(km(s, t.a.posizione), 9) + colonna(testo_ora(t.a.arrivo), 10) +
         colonna(ultima ? "" : testo_ora(t.a.partenza), 11) + colonna(testo_durata(t.c.tempo_minimo), 14) +
         colonna(testo_ora(t.arrivo_minimo), 10) + testo_margine(t, incertezza) + "\n";
  }
  return r;
}

std::string orario_json(const scenario& s, const std::vector<tratta_marcia>& tratte, double incertezza) {
  json fermate = json::array();
  auto secondi = [](double x) { return std::isfinite(x) ? json(std::round(x * 10) / 10) : json(nullptr); };
  if (!tratte.empty()) {
    const fermata_marcia& p = tratte.front().da;
    fermate.push_back(
        {{"station", da_cp1252(p.nome)}, {"km", km(s, p.posizione)}, {"departure", testo_ora(p.partenza)}});
  }
  for (const tratta_marcia& t : tratte) {
    fermate.push_back({{"station", da_cp1252(t.a.nome)},
                       {"km", km(s, t.a.posizione)},
                       {"from", da_cp1252(t.da.nome)},
                       {"arrival", testo_ora(t.a.arrivo)},
                       {"departure", testo_ora(t.a.partenza)},
                       {"scheduled_s", t.prevista},
                       {"at_limits_s", secondi(t.c.tempo_limiti)},
                       {"minimum_s", secondi(t.c.tempo_minimo)},
                       {"earliest_arrival", testo_ora(t.arrivo_minimo)},
                       {"margin_s", secondi(t.prevista - t.c.tempo_minimo)},
                       {"finding", parola_giudizio(giudica(t, incertezza))}});
  }
  return json({{"line", s.nome_linea}, {"train", s.nome_treno}, {"stops", fermate}}).dump(2) + "\n";
}

}  // namespace valdoro

// What the page shows of one compile, as the JSON its script reads.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "model/tabelle.h"
#include "output/decodifica.h"
#include "output/marcia.h"
#include "view/vista.h"
#include "util/cp1252.h"

namespace valdoro {

namespace {

using json = nlohmann::json;

constexpr int kPrimaRigaNumerazione = 81, kUltimaRigaNumerazione = 83;
constexpr int kRigheIntorno = 2;  // source lines shown before and after a diagnostic's

// What one state may hold.  A source may be 64 MiB on one line and make a
// million records; the page is for reading, and every client is sent the
// same state, so each part is bounded, and the whole.
constexpr size_t kLarghezzaTesto = 240;             // bytes of a quoted line or value
constexpr size_t kLarghezzaMessaggio = 1000;        // bytes of a message
constexpr size_t kDiagnosticheMostrate = 500;       // the rest are counted only
constexpr size_t kRecordMostrati = 100000;          // beyond: none, and the page says so
constexpr size_t kCelleMostrate = 1000000;          // the "go to" box's arrays
constexpr size_t kStatoMassimo = 32 * 1024 * 1024;  // bytes of the whole state

// A text of the sources, cut to `larghezza` bytes (an ellipsis tells the
// cut), as UTF-8 with the controls that would break a line shown as '?'.
std::string leggibile(std::string_view cp1252, size_t larghezza = kLarghezzaTesto) {
  const bool tagliato = cp1252.size() > larghezza;
  std::string out;
  for (char ch : da_cp1252(cp1252.substr(0, larghezza))) {
    out += static_cast<unsigned char>(ch) < 0x20 && ch != '\t' ? '?' : ch;
  }
  return tagliato ? out + "\u2026" : out;
}

// A message is UTF-8 already; it is cut at a character's start.
std::string tagliato_utf8(const std::string& testo, size_t larghezza) {
  if (testo.size() <= larghezza) return testo;
  size_t fine = larghezza;
  while (fine > 0 && (static_cast<unsigned char>(testo[fine]) & 0xC0) == 0x80) --fine;
  return testo.substr(0, fine) + "\u2026";
}

// A line of a UTF-8 text (the facts file) cut to its width as leggibile
// cuts, between characters.
std::string leggibile_utf8(std::string_view utf8) {
  std::string out;
  for (char ch : utf8) out += static_cast<unsigned char>(ch) < 0x20 && ch != '\t' ? '?' : ch;
  return tagliato_utf8(out, kLarghezzaTesto);
}

std::string ora(int32_t secondi) {
  if (secondi < 0) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", secondi / 3600, secondi / 60 % 60, secondi % 60);
  return buf;
}

// The source's lines, split once; a line end is LF or CR LF.
std::vector<std::string_view> righe_di(std::string_view testo) {
  std::vector<std::string_view> righe;
  size_t inizio = 0;
  while (inizio < testo.size()) {
    size_t fine = testo.find('\n', inizio);
    if (fine == std::string::npos) fine = testo.size();
    size_t taglio = fine > inizio && testo[fine - 1] == '\r' ? fine - 1 : fine;
    righe.push_back(testo.substr(inizio, taglio - inizio));
    inizio = fine + 1;
  }
  return righe;
}

bool riga_stazione_usata(const riga_stazione& s) {
  return s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0;
}

// The name a station's record gives, for a row the compile left without
// one (its record stopped the compile before the name was read).
std::string nome_da_record(const std::vector<record_vista>& tutti, int riga) {
  for (const record_vista& r : tutti) {
    if (r.riga_tabella == riga) {
      for (const auto& [nome, valore] : r.valori) {
        if (nome == "name") return valore;
      }
    }
  }
  return "";
}

// A stop's minimum running time and margin, with the words and figures of
// `scenario timetable`; empty where no leg of the run arrives.
void tempi_di_marcia(json& j, int riga, const std::vector<tratta_marcia>& corsa, double incertezza) {
  j["minimo"] = j["margine"] = j["giudizio"] = "";
  for (const tratta_marcia& t : corsa) {
    if (t.a.riga != riga) continue;
    j["minimo"] = testo_durata(t.c.tempo_minimo);
    j["margine"] = testo_margine(t, incertezza);
    j["giudizio"] = parola_giudizio(giudica(t, incertezza));
  }
}

json stazioni(const tabella_stazioni_t& t, const std::vector<record_vista>& tutti,
              const std::vector<tratta_marcia>& corsa, double incertezza) {
  json out = json::array();
  int ultima = 0;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) ultima = riga_stazione_usata(t[r]) ? r : ultima;
  for (int r = 1; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = t[r];
    if (!riga_stazione_usata(s)) continue;
    // The time is the departure, as the driver's card reads it; a stop of
    // campo13 seconds began that long before it (the day before, when the
    // time is just past midnight).  A train that passes has its passing time
    // only, shown as a departure, and so has the first station, where the
    // train starts.
    const bool con_ora = s.orario != 0;
    // The train ends its run at the last station with a time.
    const bool ferma = s.campo13 != 0 || (r == ultima && con_ora);
    json j = {{"riga", r},
              {"nome", leggibile(s.nome.empty() ? nome_da_record(tutti, r) : s.nome)},
              {"metro", s.progressiva},
              {"km", metri_numerati(t, s.progressiva) / 1000.0},
              {"tipo", s.tipo},
              {"inizio", s.inizio},
              {"fine", s.fine},
              {"sosta", s.campo13},
              {"ferma", ferma}};
    constexpr int32_t kGiorno = 24 * 3600;
    j["arrivo"] = con_ora && ferma && r != 1 ? ora((s.orario - s.campo13 + kGiorno) % kGiorno) : "";
    j["partenza"] = con_ora && r != ultima ? ora(s.orario) : "";
    tempi_di_marcia(j, r, corsa, incertezza);
    out.push_back(j);
  }
  return out;
}

json record(const std::vector<record_vista>& tutti) {
  json out = json::array();
  for (const record_vista& r : tutti) {
    json valori = json::array();
    for (const auto& [nome, valore] : r.valori) valori.push_back({nome, leggibile(valore)});
    out.push_back({{"tipo", r.tipo},
                   {"parola", r.parola},
                   {"riga_tabella", r.riga_tabella},
                   {"cella", r.cella},
                   {"da", r.da},
                   {"a", r.a},
                   {"file", r.file},
                   {"riga", r.riga},
                   {"valori", valori}});
  }
  return out;
}

json numerazione(const tabella_stazioni_t& t) {
  json out = json::array();
  for (int r = kPrimaRigaNumerazione; r <= kUltimaRigaNumerazione; ++r) {
    out.push_back({{"inizio", t[r].inizio}, {"scarto", t[r].fine}});
  }
  return out;
}

json elenco_diagnostiche(const compilazione_vista& c, const std::vector<std::string_view>& righe_linea,
                         const std::vector<std::string_view>& righe_treno, const std::string& file_linea,
                         const std::string& file_treno) {
  // The facts file is UTF-8 already: its lines are shown as written.
  const std::vector<std::string_view> righe_fatti = righe_di(c.testo_fatti);
  json out = json::array();
  for (size_t k = 0; k < c.diagnostiche.size() && k < kDiagnosticheMostrate; ++k) {
    const diagnostica_vista& d = c.diagnostiche[k];
    json j = {{"livello", d.livello}, {"regola", d.regola},
              {"file", d.file},       {"riga", d.riga},
              {"colonna", d.colonna}, {"messaggio", tagliato_utf8(d.messaggio, kLarghezzaMessaggio)}};
    const bool del_fatti = !c.fatti.empty() && d.file == c.fatti;
    const std::vector<std::string_view>* righe = d.file == file_linea   ? &righe_linea
                                                 : d.file == file_treno ? &righe_treno
                                                 : del_fatti            ? &righe_fatti
                                                                        : nullptr;
    json intorno = json::array();
    if (righe != nullptr && d.riga > 0) {
      for (int n = std::max(1, d.riga - kRigheIntorno);
           n <= std::min<int>(static_cast<int>(righe->size()), d.riga + kRigheIntorno); ++n) {
        const std::string_view testo = (*righe)[n - 1];
        intorno.push_back({{"n", n}, {"testo", del_fatti ? leggibile_utf8(testo) : leggibile(testo)}});
      }
    }
    j["intorno"] = intorno;
    out.push_back(j);
  }
  return out;
}

// What the "go to" box and the pointer read of a cell, one array a member.
json celle(const std::vector<cella>& tutte) {
  json velocita = json::array(), pendenza = json::array(), tipo = json::array(), montagna = json::array();
  for (const cella& k : tutte) {
    velocita.push_back(k.velocita * kPassoVelocita);
    pendenza.push_back(static_cast<int>(k.pendenza) - kScartoPendenza);
    tipo.push_back(k.tipo);
    montagna.push_back(k.montagna);
  }
  return {
      {"metri", kMetriCella}, {"velocita", velocita}, {"pendenza", pendenza}, {"tipo", tipo}, {"montagna", montagna}};
}

}  // namespace

std::string stato_json(const compilazione_vista& c, const std::string& testo_linea, const std::string& testo_treno,
                       const std::string& file_linea, const std::string& file_treno,
                       const std::vector<std::string>& attese, uint64_t versione) {
  const linea_costruita& l = c.linea;
  json j;
  j["versione"] = versione;
  j["attese"] = attese;
  j["linea"] = file_linea;
  j["treno"] = file_treno;
  int32_t segnali = 0;
  for (const cella& k : l.celle) segnali += k.tipo == 1 ? 1 : 0;
  const json tabella = stazioni(l.stazioni, c.record, c.corsa, c.incertezza);
  j["riassunto"] = {{"titolo", c.titolo},      {"nome_treno", c.treno},      {"lunghezza", lunghezza_percorso(l)},
                    {"celle", l.celle.size()}, {"stazioni", tabella.size()}, {"segnali", segnali},
                    {"errori", c.errori},      {"avvisi", c.avvisi},         {"note", c.note}};
  j["diagnostiche"] = elenco_diagnostiche(c, righe_di(testo_linea), righe_di(testo_treno), file_linea, file_treno);
  j["stazioni"] = tabella;
  j["numerazione"] = numerazione(l.stazioni);
  std::vector<std::string> omessi;
  if (c.diagnostiche.size() > kDiagnosticheMostrate) {
    omessi.push_back("the diagnostics past the first " + std::to_string(kDiagnosticheMostrate));
  }
  static const std::vector<cella> kNessunaCella;
  static const std::vector<record_vista> kNessunRecord;
  j["celle"] = celle(l.celle.size() <= kCelleMostrate ? l.celle : kNessunaCella);
  if (l.celle.size() > kCelleMostrate)
    omessi.push_back("the cells' values (" + std::to_string(l.celle.size()) + " cells)");
  j["record"] = record(c.record.size() <= kRecordMostrati ? c.record : kNessunRecord);
  if (c.record.size() > kRecordMostrati) omessi.push_back("the records (" + std::to_string(c.record.size()) + ")");
  j["pianta"] = svg_pianta(l);
  j["altimetria"] = svg_altimetria(l, c.corsa);
  j["carte"] = c.carte;
  j["fatti"] = c.fatti;
  j["fatti_cercati"] = c.fatti_cercati;
  j["omessi"] = omessi;
  // Text from the sources may be anything; the page gets valid UTF-8.
  std::string stato = j.dump(-1, ' ', false, json::error_handler_t::replace);
  if (stato.size() <= kStatoMassimo) return stato;
  // Over the ceiling all the same: the summary, the diagnostics and the
  // stations stay, which are what an author fixes by.
  j["celle"] = celle(kNessunaCella);
  j["record"] = json::array();
  j["pianta"] = "";
  j["altimetria"] = "";
  omessi.push_back("the pictures, the cells and the records: the state would take " + std::to_string(stato.size()) +
                   " bytes, more than the " + std::to_string(kStatoMassimo) + " a page is sent");
  j["omessi"] = omessi;
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace valdoro

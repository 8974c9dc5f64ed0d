#include "cli/dump.h"

#include <algorithm>
#include <array>
#include <climits>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "compiler/formato.h"

#include "model/tabelle.h"
#include "output/decodifica.h"
#include "output/formato_binario.h"
#include "util/cp1252.h"

namespace valdoro {

namespace {

using json = nlohmann::ordered_json;

bool finisce_con(const std::string& s, const std::string& coda) {
  return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}

using formato_binario::campo;
using formato_binario::kCampiCella;
using formato_binario::kCampiRiga;
using formato_binario::numero;

// Every number 0 and every text empty.
template <typename R, size_t N>
bool vuoto(const R& r, const campo<R> (&campi)[N]) {
  for (const campo<R>& m : campi) {
    if (m.tipo == formato_binario::tipo_campo::testo ? !(r.*m.testo).empty() : numero(r, m) != 0) return false;
  }
  return true;
}

bool vuota(const riga_stazione& r) { return vuoto(r, kCampiRiga); }
bool vuota(const cella& c) { return vuoto(c, kCampiCella); }

// A name between quotes: bytes the eye cannot read (controls, the code
// page's holes) as \xNN, so the line shows every byte of the file.
std::string tra_virgolette(const std::string& nome) {
  static const char kCifre[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : nome) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || !definito_in_cp1252(b)) {
      out += "\\x";
      out += kCifre[b >> 4];
      out += kCifre[b & 0xF];
    } else if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else {
      out += da_cp1252(std::string_view(&ch, 1));
    }
  }
  return out + "\"";
}

// The shortest text that reads back as the same double, always with a point
// or an exponent so it is never taken for a 16-bit integer.
std::string doppio(double v) {
  char buf[32];
  auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, fine);
  if (std::isfinite(v) && s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string in_testo(const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::intero:
      return std::to_string(static_cast<int>(v.valore));
    case tipo_valore::doppio:
      return doppio(v.valore);
    case tipo_valore::vuoto:
      break;
  }
  return "empty";
}

json in_json(const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::intero:
      return static_cast<int>(v.valore);
    case tipo_valore::doppio:
      // JSON has no NaN or infinity: those stay readable as text.
      return std::isfinite(v.valore) ? json(v.valore) : json(doppio(v.valore));
    case tipo_valore::vuoto:
      break;
  }
  return nullptr;
}

// ---- the station table, named as the sources name its values ----

// The members of a row are shown in the order of the file.
constexpr size_t kNumeroMembri = formato_binario::kNumeroCampiRiga;

// The place of a member of a row in that order.
template <typename T>
constexpr size_t membro(T riga_stazione::*m) {
  return formato_binario::indice(kCampiRiga, m);
}

bool testo(size_t i) { return kCampiRiga[i].tipo == formato_binario::tipo_campo::testo; }

// How an author reads a member: the unit its value is shown in with --units.
// A position is shown as the line numbers its kilometres; a length is not
// numbered.
enum class unita : uint8_t { nessuna, metri, lunghezza, orario, offset_con_bandiera };

struct nome_membro {
  std::string nome;
  unita come = unita::nessuna;
  bool conta = false;  // says what the row is for: always shown
};
using nomi_riga = std::array<nome_membro, kNumeroMembri>;

const formato::record& record_di(const formato::sorgente& s, const char* parola) {
  const formato::record* r = formato::trova_record(s, parola);
  if (r == nullptr) throw std::logic_error(std::string("no record ") + parola + " in the format description");
  return *r;
}

std::string nome_campo(const formato::sorgente& s, const char* parola, size_t i) {
  return record_di(s, parola).campi.at(i).nome;
}

// A station row: each member by the name of the "stazione" field it holds,
// the area and the time, which the record works out, by their own.
nomi_riga nomi_stazione() {
  // The field of the record each member holds, by its place in the record.
  static constexpr std::pair<size_t, size_t> kCampi[] = {
      {membro(&riga_stazione::progressiva), 0}, {membro(&riga_stazione::tipo), 1},
      {membro(&riga_stazione::campo4), 3},      {membro(&riga_stazione::campo5), 4},
      {membro(&riga_stazione::campo6), 5},      {membro(&riga_stazione::campo7), 6},
      {membro(&riga_stazione::campo8), 7},      {membro(&riga_stazione::campo9), 8},
      {membro(&riga_stazione::campo10), 9},     {membro(&riga_stazione::campo11), 10},
      {membro(&riga_stazione::campo12), 11},    {membro(&riga_stazione::campo13), 12},
      {membro(&riga_stazione::nome), 16}};
  nomi_riga n;
  for (const auto& [m, i] : kCampi) n[m] = {nome_campo(formato::treno(), "stazione", i)};
  n[membro(&riga_stazione::progressiva)].come = unita::metri;
  n[membro(&riga_stazione::inizio)] = {"area_start", unita::metri};
  n[membro(&riga_stazione::fine)] = {"area_end", unita::metri};
  n[membro(&riga_stazione::orario)] = {"time", unita::orario};
  return n;
}

// Rows 81 to 86 hold the general data of both sources: the members that hold
// them are named by the general keys' fields; the others keep the station
// names (they are 0 unless the file was made otherwise).
struct riga_generale {
  int riga;
  const char* dati;  // what the row holds
  nomi_riga nomi;
};

std::vector<riga_generale> righe_generali() {
  const formato::sorgente& l = formato::linea();
  const formato::sorgente& t = formato::treno();
  const nomi_riga stazione = nomi_stazione();
  auto con = [&](std::initializer_list<std::pair<size_t, nome_membro>> propri) {
    nomi_riga n = stazione;
    for (auto [m, nome] : propri) {
      nome.conta = true;
      n[m] = nome;
    }
    return n;
  };
  auto progressiva = [&](int riga, const char* quale) {
    const char* p = "progressiva chilometrica uno";
    return riga_generale{riga, quale,
                         con({{membro(&riga_stazione::inizio), {nome_campo(l, p, 0), unita::metri}},
                              {membro(&riga_stazione::fine), {nome_campo(l, p, 1), unita::offset_con_bandiera}},
                              {membro(&riga_stazione::progressiva), {nome_campo(l, p, 2)}}})};
  };
  const char* ripetizione = "ripetizione segnali 4 codici";
  return {
      progressiva(81, "kilometre numbering with the largest start"),
      progressiva(82, "kilometre numbering with the middle start"),
      progressiva(83, "kilometre numbering with the smallest start"),
      {84, "train and route parameters",
       con({{membro(&riga_stazione::inizio), {nome_campo(t, "percentuale massa frenata", 0)}},
            {membro(&riga_stazione::fine), {nome_campo(l, "lunghezza percorso", 0), unita::lunghezza}},
            {membro(&riga_stazione::progressiva), {nome_campo(t, "numero vetture", 0)}}})},
      {85, "the line",
       con({{membro(&riga_stazione::inizio), {nome_campo(l, "sfondo uno", 0) + "_1"}},
            {membro(&riga_stazione::progressiva), {nome_campo(l, "sfondo due", 0) + "_2"}},
            {membro(&riga_stazione::fine), {nome_campo(l, "sfondo tre", 0) + "_3"}},
            {membro(&riga_stazione::nome), {"title"}},
            {membro(&riga_stazione::campo7), {"reserved"}},
            {membro(&riga_stazione::orario), {"identity_code"}}})},
      {86, "the train",
       con({{membro(&riga_stazione::inizio), {"signal_repetition_" + nome_campo(l, ripetizione, 0), unita::metri}},
            {membro(&riga_stazione::fine), {"signal_repetition_" + nome_campo(l, ripetizione, 1), unita::metri}},
            {membro(&riga_stazione::progressiva), {"signal_repetition_codes"}},
            {membro(&riga_stazione::nome), {"train"}},
            {membro(&riga_stazione::campo7), {nome_campo(t, "sabbia", 0)}},
            {membro(&riga_stazione::campo10), {"clock_" + nome_campo(t, "orologio", 0)}},
            {membro(&riga_stazione::campo11), {"clock_" + nome_campo(t, "orologio", 1)}},
            {membro(&riga_stazione::campo12), {"clock_" + nome_campo(t, "orologio", 2)}}})},
  };
}

const nomi_riga& nomi_di(int riga) {
  static const nomi_riga stazione = nomi_stazione();
  static const std::vector<riga_generale> generali = righe_generali();
  for (const riga_generale& g : generali) {
    if (g.riga == riga) return g.nomi;
  }
  return stazione;
}

const char* dati_di(int riga) {
  static const std::vector<riga_generale> generali = righe_generali();
  for (const riga_generale& g : generali) {
    if (g.riga == riga) return g.dati;
  }
  return nullptr;
}

// 4250 m as "4.250 km"; negatives keep their sign.
std::string in_km(int64_t metri) {
  const int64_t a = metri < 0 ? -metri : metri;
  std::string mm = std::to_string(a % 1000);
  return std::string(metri < 0 ? "-" : "") + std::to_string(a / 1000) + "." + std::string(3 - mm.size(), '0') + mm +
         " km";
}

// Seconds of the day as hh:mm:ss (past midnight the hours go on).
std::string in_ore(int64_t secondi) {
  if (secondi < 0) return std::to_string(secondi) + " s";
  auto due = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return due(secondi / 3600) + ":" + due(secondi / 60 % 60) + ":" + due(secondi % 60);
}

// The kilometre the line gives metre m from its start, by the numbering of
// rows 81 to 83, as the view and the drawings show it.
std::string km_linea(const tabella_stazioni_t& t, int64_t m) {
  return in_km(metri_numerati(t, static_cast<int32_t>(std::clamp<int64_t>(m, INT32_MIN, INT32_MAX))));
}

// What an author would write for a stored value, "" when it is the same.
std::string per_autore(const tabella_stazioni_t& t, const riga_stazione& r, const nome_membro& n, int64_t v) {
  switch (n.come) {
    case unita::metri:
      return km_linea(t, v);
    case unita::lunghezza:
      return in_km(v);
    case unita::orario:
      // The time is the departure; a stop began stop_time seconds before
      // it, the day before when the time is just past midnight.
      if (v == 0) return "no time";
      if (r.campo13 == 0) return in_ore(v) + ", no stop";
      return in_ore(v) + " departure, arrival " + in_ore(v >= r.campo13 ? v - r.campo13 : v - r.campo13 + 86400);
    case unita::offset_con_bandiera:
      // The flag's 100 is in the stored offset; the author wrote it without.
      return r.progressiva == 1 ? "written " + std::to_string(v - 100) + " m with flag 1" : "";
    case unita::nessuna:
      break;
  }
  return "";
}

// Sign-board texts fill rows from 80 down with a name and nothing else.
bool solo_testo(const riga_stazione& r) {
  if (r.nome.empty()) return false;
  for (const campo<riga_stazione>& m : kCampiRiga) {
    if (numero(r, m) != 0) return false;
  }
  return true;
}

std::string riga_in_testo(const tabella_stazioni_t& t, int n, bool con_unita) {
  const riga_stazione& r = t[n];
  const nomi_riga& nomi = nomi_di(n);
  const char* dati = dati_di(n);
  if (dati == nullptr && solo_testo(r)) {
    static const std::string testo = nome_campo(formato::linea(), "cartello_indicatore", 1);
    return "row " + std::to_string(n) + " (sign-board text): " + testo + "=" + tra_virgolette(r.nome) + "\n";
  }
  std::string out = "row " + std::to_string(n) + (dati != nullptr ? std::string(" (") + dati + ")" : "") + ":";
  for (size_t i = 0; i < kNumeroMembri; ++i) {
    const nome_membro& nm = nomi[i];
    // The members of a general row that hold nothing of its data are shown
    // only when something is in them.
    if (testo(i)) {
      const std::string& t = r.*kCampiRiga[i].testo;
      if (dati == nullptr || nm.conta || !t.empty()) out += " " + nm.nome + "=" + tra_virgolette(t);
      continue;
    }
    const int64_t v = numero(r, kCampiRiga[i]);
    if (dati != nullptr && !nm.conta && v == 0) continue;
    out += " " + nm.nome + "=" + std::to_string(v);
    const std::string autore = con_unita ? per_autore(t, r, nm, v) : "";
    if (!autore.empty()) out += " (" + autore + ")";
  }
  return out + "\n";
}

json riga_in_json(const tabella_stazioni_t& t, int n, bool con_unita) {
  const riga_stazione& r = t[n];
  const nomi_riga& nomi = nomi_di(n);
  json j = {{"row", n}};
  if (const char* dati = dati_di(n)) j["data"] = dati;
  for (size_t i = 0; i < kNumeroMembri; ++i) {
    if (testo(i)) {
      j[nomi[i].nome] = da_cp1252(r.*kCampiRiga[i].testo);
      continue;
    }
    const int64_t v = numero(r, kCampiRiga[i]);
    j[nomi[i].nome] = v;
    const std::string autore = con_unita ? per_autore(t, r, nomi[i], v) : "";
    if (!autore.empty()) j[nomi[i].nome + "_units"] = autore;
  }
  return j;
}

// ---- the track ----

// The gradient and the speed of a cell as the sources write them, named as
// the format names those fields.
struct cella_per_autore {
  std::string pendenza, velocita;
};

const cella_per_autore& nomi_cella() {
  static const cella_per_autore n{nome_campo(formato::linea(), "pendenza", 1),
                                  nome_campo(formato::treno(), "velocita", 1)};
  return n;
}

// With --units, the speed and the gradient follow their stored values as
// the sources write them.
std::string per_autore(const cella& c, const campo<cella>& m) {
  if (m.byte == &cella::velocita) return " (" + std::to_string(c.velocita * kPassoVelocita) + " km/h)";
  if (m.byte == &cella::pendenza) return " (" + std::to_string(c.pendenza - kScartoPendenza) + " per mille)";
  return "";
}

// The cell's start in km: as the line numbers it when its station table is
// known, else from the start of the line, and then said so.
std::string km_cella(size_t k, const tabella_stazioni_t* numerazione) {
  const int64_t m = static_cast<int64_t>(k) * kMetriCella;
  return numerazione != nullptr ? km_linea(*numerazione, m) : in_km(m) + " from the start";
}

std::string cella_in_testo(size_t k, const cella& c, bool con_unita, const tabella_stazioni_t* numerazione) {
  std::string out = "cell " + std::to_string(k);
  if (con_unita) out += " (" + km_cella(k, numerazione) + ")";
  out += ":";
  for (const campo<cella>& m : kCampiCella) {
    out += std::string(" ") + m.nome + "=" + std::to_string(numero(c, m));
    if (con_unita) out += per_autore(c, m);
  }
  return out + "\n";
}

json cella_in_json(size_t k, const cella& c, bool con_unita, const tabella_stazioni_t* numerazione) {
  json j = {{"cell", k}};
  for (const campo<cella>& m : kCampiCella) j[m.nome] = numero(c, m);
  if (con_unita) {
    // Beside the stored members, under the names the sources give them.
    j["from_m"] = static_cast<int64_t>(k) * kMetriCella;
    j["from_units"] = km_cella(k, numerazione);
    j[nomi_cella().velocita + "_kmh"] = c.velocita * kPassoVelocita;
    j[nomi_cella().pendenza + "_per_mille"] = c.pendenza - kScartoPendenza;
  }
  return j;
}

bool metro_vuoto(const valore_etichettato& x, const valore_etichettato& y) {
  return x.tipo == tipo_valore::vuoto && y.tipo == tipo_valore::vuoto;
}

constexpr int kPrimaRigaGenerale = kPrimaRigaCartelli + 1;

void stazioni_in_testo(fonte_byte& f, bool solo_non_vuoti, bool con_unita, std::ostream& out) {
  const tabella_stazioni_t t = decodifica_stazioni(f);
  for (int r = 0; r < kRigheStazioni; ++r) {
    if (r == kPrimaRigaGenerale) out << "general data:\n";
    if (!solo_non_vuoti || !vuota(t[r])) out << riga_in_testo(t, r, con_unita);
  }
}

void celle_in_testo(fonte_byte& f, bool solo_non_vuoti, bool con_unita, const tabella_stazioni_t* numerazione,
                    std::ostream& out) {
  scorri_celle(
      f, [](uint64_t) {},
      [&](uint64_t k, const cella& c) {
        if (!solo_non_vuoti || !vuota(c)) out << cella_in_testo(k, c, con_unita, numerazione);
      });
}

void profilo_in_testo(const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out) {
  scorri_profilo(
      apri, [](int32_t) {},
      [&](int32_t m, const valore_etichettato& x, const valore_etichettato& y, uint64_t, uint64_t) {
        if (solo_non_vuoti && metro_vuoto(x, y)) return;
        out << "metre " << m << ": x=" << in_testo(x) << " y=" << in_testo(y) << "\n";
      });
}

// The top object one member a line, and each row, cell or metre of its array
// on a line of its own: a diff or a grep then works line by line.  Written
// as the file is read, so the whole document is never held.
class json_a_righe {
 public:
  json_a_righe(std::ostream& out, const char* tipo) : out_(out) { out_ << "{\n \"kind\": " << json(tipo).dump(); }
  void membro(const char* chiave, const json& valore) {
    out_ << ",\n " << json(chiave).dump() << ": " << valore.dump();
  }
  // The array is the last member; an empty one stays on its line.
  void lista(const char* chiave) { out_ << ",\n " << json(chiave).dump() << ": "; }
  void voce(const json& v) {
    out_ << (vuota_ ? "[\n  " : ",\n  ") << v.dump();
    vuota_ = false;
  }
  // Ends an array that another one follows.
  void chiudi_lista() {
    out_ << (vuota_ ? "[]" : "\n ]");
    vuota_ = true;
  }
  void chiudi() { out_ << (vuota_ ? "[]" : "\n ]") << "\n}\n"; }

 private:
  std::ostream& out_;
  bool vuota_ = true;
};

// Station rows and sign-board texts in "rows", rows 81 to 86 in "general".
void stazioni_in_json(fonte_byte& f, bool solo_non_vuoti, bool con_unita, std::ostream& out) {
  const tabella_stazioni_t t = decodifica_stazioni(f);
  json_a_righe j(out, "stations");
  j.lista("rows");
  for (int r = 0; r < kRigheStazioni; ++r) {
    if (r == kPrimaRigaGenerale) {
      j.chiudi_lista();
      j.lista("general");
    }
    if (!solo_non_vuoti || !vuota(t[r])) j.voce(riga_in_json(t, r, con_unita));
  }
  j.chiudi();
}

void celle_in_json(fonte_byte& f, bool solo_non_vuoti, bool con_unita, const tabella_stazioni_t* numerazione,
                   std::ostream& out) {
  std::optional<json_a_righe> j;
  scorri_celle(
      f,
      [&](uint64_t celle) {
        j.emplace(out, "track");
        j->membro("cell_count", celle);
        j->lista("cells");
      },
      [&](uint64_t k, const cella& c) {
        if (!solo_non_vuoti || !vuota(c)) j->voce(cella_in_json(k, c, con_unita, numerazione));
      });
  j->chiudi();
}

void profilo_in_json(const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out) {
  std::optional<json_a_righe> j;
  scorri_profilo(
      apri,
      [&](int32_t metri) {
        j.emplace(out, "profile");
        j->membro("metre_count", metri);
        j->lista("metres");
      },
      [&](int32_t m, const valore_etichettato& x, const valore_etichettato& y, uint64_t, uint64_t) {
        if (solo_non_vuoti && metro_vuoto(x, y)) return;
        j->voce({{"metre", m}, {"x", in_json(x)}, {"y", in_json(y)}});
      });
  j->chiudi();
}

}  // namespace

// In any case: a file that went through a system that does not keep case
// may come back as ".DAT".
std::optional<tipo_file> tipo_dal_nome(const std::string& nome_file) {
  std::string nome = nome_file;
  for (char& c : nome) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (finisce_con(nome, "_linea.dat")) return tipo_file::profilo;
  if (finisce_con(nome, ".dat")) return tipo_file::binario;
  if (finisce_con(nome, ".sim")) return tipo_file::stazioni;
  return std::nullopt;
}

std::optional<tipo_file> tipo_dalla_parola(const std::string& parola) {
  if (parola == "stations") return tipo_file::stazioni;
  if (parola == "track") return tipo_file::binario;
  if (parola == "profile") return tipo_file::profilo;
  return std::nullopt;
}

void dump_testo(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out, bool con_unita,
                const tabella_stazioni_t* numerazione) {
  switch (tipo) {
    case tipo_file::stazioni:
      return stazioni_in_testo(*apri(), solo_non_vuoti, con_unita, out);
    case tipo_file::binario:
      return celle_in_testo(*apri(), solo_non_vuoti, con_unita, numerazione, out);
    case tipo_file::profilo:
      break;
  }
  profilo_in_testo(apri, solo_non_vuoti, out);
}

void dump_json(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out, bool con_unita,
               const tabella_stazioni_t* numerazione) {
  switch (tipo) {
    case tipo_file::stazioni:
      return stazioni_in_json(*apri(), solo_non_vuoti, con_unita, out);
    case tipo_file::binario:
      return celle_in_json(*apri(), solo_non_vuoti, con_unita, numerazione, out);
    case tipo_file::profilo:
      break;
  }
  profilo_in_json(apri, solo_non_vuoti, out);
}

std::string dump_testo(tipo_file tipo, std::string_view dati, bool solo_non_vuoti, bool con_unita,
                       const tabella_stazioni_t* numerazione) {
  std::ostringstream out;
  dump_testo(tipo, apri_in_memoria(dati), solo_non_vuoti, out, con_unita, numerazione);
  return out.str();
}

std::string dump_json(tipo_file tipo, std::string_view dati, bool solo_non_vuoti, bool con_unita,
                      const tabella_stazioni_t* numerazione) {
  std::ostringstream out;
  dump_json(tipo, apri_in_memoria(dati), solo_non_vuoti, out, con_unita, numerazione);
  return out.str();
}

}  // namespace valdoro

#include "tools/dump.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "output/decodifica.h"

namespace valdoro {

namespace {

using json = nlohmann::ordered_json;

bool finisce_con(const std::string& s, const std::string& coda) {
  return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}

bool vuota(const riga_stazione& r) {
  return r.tipo == 0 && r.inizio == 0 && r.fine == 0 && r.progressiva == 0 && r.campo4 == 0 && r.nome.empty() &&
         r.campo7 == 0 && r.campo8 == 0 && r.campo10 == 0 && r.campo11 == 0 && r.campo12 == 0 && r.campo9 == 0 &&
         r.campo13 == 0 && r.campo6 == 0 && r.campo5 == 0 && r.orario == 0;
}

bool vuota(const cella& c) {
  return c.tipo == 0 && c.valore1 == 0 && c.valore2 == 0 && c.valore3 == 0 && c.valore4 == 0 && c.tempo == 0 &&
         c.annuncio == 0 && c.montagna == 0 && c.velocita == 0 && c.pendenza == 0 && c.aderenza == 0;
}

// A name between quotes: bytes the eye cannot read (controls, the code
// page's holes) as \xNN, so the line shows every byte of the file.
std::string tra_virgolette(const std::string& nome) {
  static const char kCifre[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : nome) {
    const auto b = static_cast<unsigned char>(ch);
    const bool buco = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (b < 0x20 || b == 0x7F || buco) {
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

std::string riga_in_testo(int n, const riga_stazione& r) {
  auto m = [](const char* nome, long v) { return std::string(" ") + nome + "=" + std::to_string(v); };
  return "row " + std::to_string(n) + ":" + m("tipo", r.tipo) + m("inizio", r.inizio) + m("fine", r.fine) +
         m("progressiva", r.progressiva) + m("campo4", r.campo4) + " nome=" + tra_virgolette(r.nome) +
         m("campo7", r.campo7) + m("campo8", r.campo8) + m("campo10", r.campo10) + m("campo11", r.campo11) +
         m("campo12", r.campo12) + m("campo9", r.campo9) + m("campo13", r.campo13) + m("campo6", r.campo6) +
         m("campo5", r.campo5) + m("orario", r.orario) + "\n";
}

json riga_in_json(int n, const riga_stazione& r) {
  return {{"row", n},           {"tipo", r.tipo},       {"inizio", r.inizio},   {"fine", r.fine},
          {"progressiva", r.progressiva}, {"campo4", r.campo4}, {"nome", da_cp1252(r.nome)},
          {"campo7", r.campo7}, {"campo8", r.campo8},   {"campo10", r.campo10}, {"campo11", r.campo11},
          {"campo12", r.campo12}, {"campo9", r.campo9}, {"campo13", r.campo13}, {"campo6", r.campo6},
          {"campo5", r.campo5}, {"orario", r.orario}};
}

std::string cella_in_testo(size_t k, const cella& c) {
  auto m = [](const char* nome, long v) { return std::string(" ") + nome + "=" + std::to_string(v); };
  return "cell " + std::to_string(k) + ":" + m("tipo", c.tipo) + m("valore1", c.valore1) + m("valore2", c.valore2) +
         m("valore3", c.valore3) + m("valore4", c.valore4) + m("tempo", c.tempo) + m("annuncio", c.annuncio) +
         m("montagna", c.montagna) + m("velocita", c.velocita) + m("pendenza", c.pendenza) +
         m("aderenza", c.aderenza) + "\n";
}

json cella_in_json(size_t k, const cella& c) {
  return {{"cell", k},          {"tipo", c.tipo},         {"valore1", c.valore1},   {"valore2", c.valore2},
          {"valore3", c.valore3}, {"valore4", c.valore4}, {"tempo", c.tempo},       {"annuncio", c.annuncio},
          {"montagna", c.montagna}, {"velocita", c.velocita}, {"pendenza", c.pendenza}, {"aderenza", c.aderenza}};
}

bool metro_vuoto(const valore_etichettato& x, const valore_etichettato& y) {
  return x.tipo == tipo_valore::vuoto && y.tipo == tipo_valore::vuoto;
}

void stazioni_in_testo(fonte_byte& f, bool solo_non_vuoti, std::ostream& out) {
  const tabella_stazioni_t t = decodifica_stazioni(f);
  for (int r = 0; r < kRigheStazioni; ++r) {
    if (!solo_non_vuoti || !vuota(t[r])) out << riga_in_testo(r, t[r]);
  }
}

void celle_in_testo(fonte_byte& f, bool solo_non_vuoti, std::ostream& out) {
  scorri_celle(
      f, [](uint64_t) {},
      [&](uint64_t k, const cella& c) {
        if (!solo_non_vuoti || !vuota(c)) out << cella_in_testo(k, c);
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
  void membro(const char* chiave, const json& valore) { out_ << ",\n " << json(chiave).dump() << ": " << valore.dump(); }
  // The array is the last member; an empty one stays on its line.
  void lista(const char* chiave) { out_ << ",\n " << json(chiave).dump() << ": "; }
  void voce(const json& v) {
    out_ << (vuota_ ? "[\n  " : ",\n  ") << v.dump();
    vuota_ = false;
  }
  void chiudi() { out_ << (vuota_ ? "[]" : "\n ]") << "\n}\n"; }

 private:
  std::ostream& out_;
  bool vuota_ = true;
};

void stazioni_in_json(fonte_byte& f, bool solo_non_vuoti, std::ostream& out) {
  const tabella_stazioni_t t = decodifica_stazioni(f);
  json_a_righe j(out, "stations");
  j.lista("rows");
  for (int r = 0; r < kRigheStazioni; ++r) {
    if (!solo_non_vuoti || !vuota(t[r])) j.voce(riga_in_json(r, t[r]));
  }
  j.chiudi();
}

void celle_in_json(fonte_byte& f, bool solo_non_vuoti, std::ostream& out) {
  std::optional<json_a_righe> j;
  scorri_celle(
      f,
      [&](uint64_t celle) {
        j.emplace(out, "track");
        j->membro("cell_count", celle);
        j->lista("cells");
      },
      [&](uint64_t k, const cella& c) {
        if (!solo_non_vuoti || !vuota(c)) j->voce(cella_in_json(k, c));
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

void dump_testo(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out) {
  switch (tipo) {
    case tipo_file::stazioni:
      return stazioni_in_testo(*apri(), solo_non_vuoti, out);
    case tipo_file::binario:
      return celle_in_testo(*apri(), solo_non_vuoti, out);
    case tipo_file::profilo:
      break;
  }
  profilo_in_testo(apri, solo_non_vuoti, out);
}

void dump_json(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out) {
  switch (tipo) {
    case tipo_file::stazioni:
      return stazioni_in_json(*apri(), solo_non_vuoti, out);
    case tipo_file::binario:
      return celle_in_json(*apri(), solo_non_vuoti, out);
    case tipo_file::profilo:
      break;
  }
  profilo_in_json(apri, solo_non_vuoti, out);
}

std::string dump_testo(tipo_file tipo, std::string_view dati, bool solo_non_vuoti) {
  std::ostringstream out;
  dump_testo(tipo, apri_in_memoria(dati), solo_non_vuoti, out);
  return out.str();
}

std::string dump_json(tipo_file tipo, std::string_view dati, bool solo_non_vuoti) {
  std::ostringstream out;
  dump_json(tipo, apri_in_memoria(dati), solo_non_vuoti, out);
  return out.str();
}

}  // namespace valdoro

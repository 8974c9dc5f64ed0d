#include "output/carte_autore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>

#include "output/decodifica.h"
#include "util/cp1252.h"

namespace valdoro {

namespace {

// ---------------------------------------------------------------- facts

constexpr char kNonChiave[] = "facts-not-a-key";
constexpr char kChiaveIgnota[] = "facts-unknown-key";
constexpr char kChiaveRipetuta[] = "facts-repeated-key";
constexpr char kValoreErrato[] = "facts-bad-value";
constexpr char kNonSta[] = "paper-does-not-fit";

size_t caratteri(const std::string& testo) {
  size_t n = 0;
  for (char c : testo) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string senza_bordi(std::string_view t) {
  const size_t a = t.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  return std::string(t.substr(a, t.find_last_not_of(" \t") - a + 1));
}

// "dd/mm/yyyy", as the card prints the validity.
bool data_valida(const std::string& d) {
  if (d.size() != 10 || d[2] != '/' || d[5] != '/') return false;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (!std::isdigit(static_cast<unsigned char>(d[i]))) return false;
  }
  const int giorno = std::stoi(d.substr(0, 2)), mese = std::stoi(d.substr(3, 2));
  return giorno >= 1 && giorno <= 31 && mese >= 1 && mese <= 12;
}

bool tutte(const std::string& t, int (*prova)(int)) {
  return !t.empty() &&
         std::all_of(t.begin(), t.end(), [prova](char c) { return prova(static_cast<unsigned char>(c)) != 0; });
}

// One key of the facts file: where its value goes and what it may be.
// The check returns "" for a good value, else what is wrong with it.
struct chiave_fatti {
  const char* nome;
  bool ripetibile;
  std::string (*controlla)(const std::string& v);
  void (*applica)(fatti_carte& f, const std::string& v);
};

std::string entro(const std::string& v, size_t n, const char* dove) {
  if (caratteri(v) <= n) return "";
  return "\"" + v + "\" is " + std::to_string(caratteri(v)) + " characters; " + dove + " holds " + std::to_string(n);
}

const std::vector<chiave_fatti>& chiavi_fatti() {
  static const std::vector<chiave_fatti> t = {
      {"treno", false,
       [](const std::string& v) -> std::string {
         if (!tutte(v, std::isdigit)) return "the train number \"" + v + "\" must be digits";
         return entro(v, 5, "the card's train column");
       },
       [](fatti_carte& f, const std::string& v) { f.numero = v; }},
      {"categoria", false,
       [](const std::string& v) -> std::string {
         if (!tutte(v, std::isupper)) return "the category \"" + v + "\" must be capital letters";
         return entro(v, 5, "the card's class column");
       },
       [](fatti_carte& f, const std::string& v) { f.categoria = v; }},
      {"valido dal", false,
       [](const std::string& v) -> std::string {
         return data_valida(v) ? "" : "the date \"" + v + "\" must be written dd/mm/yyyy";
       },
       [](fatti_carte& f, const std::string& v) { f.valida_dal = "dal " + v; }},
      {"valido al", false,
       [](const std::string& v) -> std::string {
         return data_valida(v) ? "" : "the date \"" + v + "\" must be written dd/mm/yyyy";
       },
       [](fatti_carte& f, const std::string& v) { f.valida_al = "al " + v; }},
      {"periodicita", false, [](const std::string& v) { return entro(v, 35, "the card's periodicity cell"); },
       [](fatti_carte& f, const std::string& v) { f.periodicita = v; }},
      {"rango", false,
       [](const std::string& v) -> std::string {
         return v == "A" || v == "B" || v == "C" || v == "P" ? "" : "the rank \"" + v + "\" must be A, B, C or P";
       },
       [](fatti_carte& f, const std::string& v) { f.rango = v; }},
      {"locomotive", false, [](const std::string& v) { return entro(v, 13, "the card's locomotive cell"); },
       [](fatti_carte& f, const std::string& v) { f.locomotive = v; }},
      {"ripetizione segnali", false, [](const std::string& v) { return entro(v, 19, "the card's repetition cell"); },
       [](fatti_carte& f, const std::string& v) { f.ripetizione = v; }},
      {"linea", false, [](const std::string& v) { return entro(v, 60, "the booklet's title"); },
       [](fatti_carte& f, const std::string& v) { f.nome_breve = v; }},
      {"nota", true, [](const std::string&) { return std::string(); },
       [](fatti_carte& f, const std::string& v) { f.note.push_back(v); }},
      {"firma", true, [](const std::string&) { return std::string(); },
       [](fatti_carte& f, const std::string& v) { f.firma.push_back(v); }},
  };
  return t;
}

const chiave_fatti* trova_chiave(const std::string& nome) {
  for (const chiave_fatti& c : chiavi_fatti()) {
    if (nome == c.nome) return &c;
  }
  return nullptr;
}

std::string forse_intendeva(const std::string& nome) {
  for (const chiave_fatti& c : chiavi_fatti()) {
    if (distanza(nome, c.nome, 2) <= 2) return std::string(" (did you mean \"") + c.nome + "\"?)";
  }
  return "";
}

void problema(std::vector<diagnostica>& p, const char* regola, const std::string& file, int riga, int colonna,
              const std::string& messaggio) {
  p.push_back(diagnostica{gravita::errore, regola, luogo{file, riga, colonna}, messaggio});
}

// The value: prose keeps its blanks (one after "=" aside), for its
// indents and trailing blanks are part of the notes' layout; every other
// value is trimmed.
std::string valore_di(const chiave_fatti& c, std::string_view dopo_uguale) {
  if (!c.ripetibile) return senza_bordi(dopo_uguale);
  if (!dopo_uguale.empty() && dopo_uguale[0] == ' ') dopo_uguale.remove_prefix(1);
  return std::string(dopo_uguale);
}

// Whether the value can go on paper at all: Windows-1252 has one byte for
// each character it knows and none for the others.
std::string in_codice(const std::string& v) {
  try {
    in_cp1252(v);
    return "";
  } catch (const std::invalid_argument&) {
    return "\"" + v + "\" holds a character the papers' code page (Windows-1252) does not have";
  }
}

struct lettura_fatti {
  fatti_carte f;
  std::map<std::string, int> viste;  // key, line of its first value
  bool note_lette = false, firma_letta = false;
};

void leggi_riga(std::string_view riga, int n, const std::string& file, lettura_fatti& l, std::vector<diagnostica>& p) {
  if (senza_bordi(riga).empty() || senza_bordi(riga)[0] == '#') return;
  const size_t uguale = riga.find('=');
  const int inizio = static_cast<int>(riga.find_first_not_of(" \t")) + 1;
  if (uguale == std::string_view::npos) {
    problema(p, kNonChiave, file, n, inizio, "\"" + senza_bordi(riga) + "\" is no \"key = value\"");
    return;
  }
  const std::string nome = senza_bordi(riga.substr(0, uguale));
  const chiave_fatti* c = trova_chiave(nome);
  if (c == nullptr) {
    problema(p, kChiaveIgnota, file, n, inizio, "unknown key \"" + nome + "\"" + forse_intendeva(nome));
    return;
  }
  if (!c->ripetibile && l.viste.count(nome) != 0) {
    problema(p, kChiaveRipetuta, file, n, inizio,
             "\"" + nome + "\" given again; the value of line " + std::to_string(l.viste[nome]) + " stands");
    return;
  }
  l.viste.emplace(nome, n);
  const std::string v = valore_di(*c, riga.substr(uguale + 1));
  const size_t colonna_valore = riga.find_first_not_of(" \t", uguale + 1);
  const int colonna = static_cast<int>(colonna_valore == std::string_view::npos ? uguale + 2 : colonna_valore + 1);
  std::string guasto = in_codice(v);
  if (guasto.empty()) guasto = c->controlla(v);
  if (!guasto.empty()) {
    problema(p, kValoreErrato, file, n, colonna, nome + ": " + guasto);
    return;
  }
  // The first signature line replaces the default greeting.
  if (std::strcmp(c->nome, "firma") == 0 && !l.firma_letta) l.f.firma.clear(), l.firma_letta = true;
  c->applica(l.f, v);
}

}  // namespace

fatti_carte leggi_fatti(std::string_view testo, const std::string& file, std::vector<diagnostica>& problemi) {
  lettura_fatti l;
  int n = 0;
  while (!testo.empty()) {
    const size_t fine = testo.find('\n');
    std::string_view riga = testo.substr(0, fine);
    testo.remove_prefix(fine == std::string_view::npos ? testo.size() : fine + 1);
    if (!riga.empty() && riga.back() == '\r') riga.remove_suffix(1);
    leggi_riga(riga, ++n, file, l, problemi);
  }
  return l.f;
}

std::string testo_fatti(const fatti_carte& f) {
  auto dopo = [](const std::string& v, const char* prefisso) {
    return v.rfind(prefisso, 0) == 0 ? v.substr(std::strlen(prefisso)) : v;
  };
  std::string t =
      "# What the driver's papers carry beyond the two sources; see docs/papers.md.\n"
      "treno = " +
      f.numero + "\ncategoria = " + f.categoria + "\nvalido dal = " + dopo(f.valida_dal, "dal ") +
      "\nvalido al = " + dopo(f.valida_al, "al ") + "\nperiodicita = " + f.periodicita + "\nrango = " + f.rango +
      "\nlocomotive = " + f.locomotive + "\nripetizione segnali = " + f.ripetizione + "\nlinea = " + f.nome_breve +
      "\n# The notes, one line of the paper each, as laid out by hand.\n";
  for (const std::string& r : f.note) t += "nota = " + r + "\n";
  for (const std::string& r : f.firma) t += "firma = " + r + "\n";
  return t;
}

// ---------------------------------------------------------------- data

namespace {

std::string maiuscole(std::string t) {
  for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return t;
}

bool e(const record_letto& r, const char* parola) { return std::strcmp(r.tipo->parola, parola) == 0; }

struct progressiva {
  int64_t inizio, scostamento;
};

// The kilometre numbering of the line source: from each start on, the
// offset (100 m longer with the flag) is added to positions.
struct numerazione {
  std::vector<progressiva> p;
  int32_t metri(int64_t posizione) const {
    const progressiva* in_vigore = nullptr;
    for (const progressiva& x : p) {
      if (posizione >= x.inizio && (in_vigore == nullptr || x.inizio > in_vigore->inizio)) in_vigore = &x;
    }
    return static_cast<int32_t>(in_vigore == nullptr ? posizione : posizione + in_vigore->scostamento);
  }
};

struct stazione_letta {
  const record_letto* r;
  int64_t posizione, sosta, orario;
  std::string nome;  // UTF-8, capitals, as the card and the booklet print it
  bool ha_orario;
  std::string nome_fonte;  // UTF-8, as written, as the slowdown order prints it
};

std::vector<stazione_letta> stazioni_lette(const esito_verifica& v) {
  std::vector<stazione_letta> s;
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "stazione")) continue;
    const int64_t orario = (v.valore(r, 13) * 60 + v.valore(r, 14)) * 60 + v.valore(r, 15);
    s.push_back({&r, v.valore(r, 0), v.valore(r, 12), orario, maiuscole(senza_bordi(da_cp1252(v.testo(r, 16)))),
                 orario != 0 || v.valore(r, 12) != 0, senza_bordi(da_cp1252(v.testo(r, 16)))});
  }
  return s;
}

void controlla_larghezza(const esito_verifica& v, const record_letto& r, const std::string& testo, size_t n,
                         const char* dove, std::vector<diagnostica>& p) {
  if (caratteri(testo) <= n) return;
  p.push_back(diagnostica{gravita::errore, kNonSta, v.dove(r),
                          "\"" + testo + "\" is " + std::to_string(caratteri(testo)) + " characters; " + dove +
                              " holds " + std::to_string(n)});
}

// The card: the first station's departure, the last one's arrival, and
// between them every station the train has a time at.
std::vector<fermata_carta> fermate(const std::vector<stazione_letta>& s) {
  std::vector<fermata_carta> f;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool prima = i == 0, ultima = i + 1 == s.size();
    if (!prima && !ultima && !s[i].ha_orario) continue;
    fermata_carta x{s[i].nome, "", ""};
    if (ultima) {
      x.arrivo = orario_carta(s[i].orario);
    } else {
      x.partenza = orario_carta(s[i].orario);
      if (!prima && s[i].sosta > 0) x.arrivo = orario_carta(s[i].orario - s[i].sosta);
    }
    f.push_back(x);
  }
  return f;
}

std::vector<rallentamento_carta> rallentamenti_letti(const esito_verifica& v, const std::vector<stazione_letta>& s,
                                                     std::vector<diagnostica>& p) {
  std::vector<rallentamento_carta> t;
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "rallentamento")) continue;
    const int64_t inizio = v.valore(r, 0), fine = inizio + v.valore(r, 2);
    std::string da = s.empty() ? "" : s.front().nome_fonte, a = s.empty() ? "" : s.back().nome_fonte;
    for (const stazione_letta& x : s) {
      if (x.posizione <= inizio) da = x.nome_fonte;
    }
    for (auto x = s.rbegin(); x != s.rend(); ++x) {
      if (x->posizione > fine) a = x->nome_fonte;
    }
    controlla_larghezza(v, r, da + " - " + a, 28, "the slowdown order's stations column", p);
    // The order names the post by the record's own start, as the form
    // has always printed it.
    t.push_back({da, a, static_cast<int32_t>(inizio), static_cast<int32_t>(v.valore(r, 1)),
                 static_cast<int32_t>(v.valore(r, 2))});
  }
  return t;
}

// A sign board's groups, "(Cavalcavia)(Km   1.900)", on one line with one
// blank between words: the board spaces them for its own face.
std::string gruppi(std::string_view testo) {
  std::string t;
  for (char c : testo) {
    const bool blank = c == '(' || c == ')' || c == ' ';
    if (blank && !t.empty() && t.back() != ' ') t += ' ';
    if (!blank) t += c;
  }
  return senza_bordi(t);
}

std::string velocita_testo(int64_t v) { return v == 0 ? "---" : std::to_string(v); }

// The boards: a speed stands where it changes.
void cartelli(const esito_verifica& v, const numerazione& km, libretto& lib) {
  std::array<std::string, 4> prima = {"", "", "", ""};
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr || !e(r, "indicatori_vmax")) continue;
    std::array<std::string, 4> ora = {velocita_testo(v.valore(r, 1)), velocita_testo(v.valore(r, 2)),
                                      velocita_testo(v.valore(r, 3)), ""};
    std::array<std::string, 4> testo;
    for (size_t k = 0; k < 3; ++k) testo[k] = ora[k] == prima[k] ? "" : ora[k];
    prima = ora;
    if (testo == std::array<std::string, 4>{}) continue;
    const int32_t pos = static_cast<int32_t>(v.valore(r, 0));
    lib.luoghi.push_back({pos, genere_luogo::punto, kDisegnoBinario, "", "Km " + km_carte(km.metri(pos), 3), testo});
  }
}

// Tunnel mouths (mountain kinds 1 and 3, with markers or not) and sign boards.
void punti(const esito_verifica& v, const numerazione& km, libretto& lib, std::vector<diagnostica>& p) {
  for (const record_letto& r : v.records) {
    if (r.tipo == nullptr) continue;
    if (e(r, "montagna") && (v.valore(r, 2) % 10 == 1 || v.valore(r, 2) % 10 == 3)) {
      for (const auto& [campo, bocca] : {std::make_pair(0, "Imb.Gall."), std::make_pair(1, "Sb.Gall.")}) {
        const int32_t pos = static_cast<int32_t>(v.valore(r, static_cast<size_t>(campo)));
        lib.luoghi.push_back(
            {pos, genere_luogo::punto, kDisegnoBinario, "", std::string(bocca) + " Km " + km_carte(km.metri(pos), 3)});
      }
    } else if (e(r, "cartello_indicatore")) {
      const std::string testo = da_cp1252(gruppi(v.testo(r, 1)));
      controlla_larghezza(v, r, testo, 28, "the booklet's narrow page", p);
      lib.luoghi.push_back({static_cast<int32_t>(v.valore(r, 0)), genere_luogo::punto, kDisegnoBinario, "", testo});
    }
  }
}

libretto libretto_letto(const esito_verifica& v, const std::vector<stazione_letta>& s, const numerazione& km,
                        std::vector<diagnostica>& p) {
  libretto lib;
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    const int32_t pos = static_cast<int32_t>(s[i].posizione);
    lib.luoghi.push_back({pos, genere_luogo::stazione, i == 0 ? kDisegnoStazioneBox : kDisegnoStazione,
                          km_carte(km.metri(pos), 2), s[i].nome});
  }
  cartelli(v, km, lib);
  punti(v, km, lib, p);
  if (!s.empty()) {
    const int32_t pos = static_cast<int32_t>(s.back().posizione);
    lib.arrivo = {
        luogo_libretto{pos, genere_luogo::binario, kDisegnoRespingenti},
        luogo_libretto{pos, genere_luogo::stazione, kDisegnoStazioneBox, km_carte(km.metri(pos), 2), s.back().nome}};
  }
  return lib;
}

}  // namespace

std::string orario_carta(int64_t secondi) {
  secondi = ((secondi % 86400) + 86400) % 86400;
  char t[24];
  std::snprintf(t, sizeof t, "%d.%02d", static_cast<int>(secondi / 3600), static_cast<int>(secondi / 60 % 60));
  return std::string(t) + (secondi % 60 >= 30 ? "½" : "");
}

namespace {

numerazione numerazione_letta(const esito_verifica& v) {
  numerazione km;
  for (const record_letto& r : v.records) {
    if (r.tipo != nullptr && std::strncmp(r.tipo->parola, "progressiva", 11) == 0) {
      km.p.push_back({v.valore(r, 0), v.valore(r, 1) + (v.valore(r, 2) != 0 ? 100 : 0)});
    }
  }
  return km;
}

}  // namespace

int32_t metri_numerati(const esito_verifica& v, int64_t posizione) { return numerazione_letta(v).metri(posizione); }

dati_carte dati_da_sorgenti(const esito_verifica& v, std::vector<diagnostica>& problemi) {
  dati_carte d;
  const numerazione km = numerazione_letta(v);
  for (const record_letto& r : v.records) {
    if (r.tipo != nullptr && e(r, "percentuale massa frenata")) d.massa_frenata = static_cast<int32_t>(v.valore(r, 0));
  }
  const std::vector<stazione_letta> s = stazioni_lette(v);
  for (const stazione_letta& x : s) {
    controlla_larghezza(v, *x.r, x.nome, 18, "the booklet's narrow page", problemi);
  }
  if (!s.empty()) d.origine = s.front().nome, d.destinazione = s.back().nome;
  d.fermate = fermate(s);
  d.rallentamenti = rallentamenti_letti(v, s, problemi);
  d.lib = libretto_letto(v, s, km, problemi);
  return d;
}

}  // namespace valdoro

#include "compiler/verifica.h"

#include <algorithm>
#include <map>
#include <set>

#include "compiler/arrotonda.h"
#include "compiler/codifica.h"
#include "compiler/lettore.h"
#include "compiler/record.h"
#include "model/tabelle.h"
#include "util/cp1252.h"
#include "util/testo.h"

namespace valdoro {

namespace {

constexpr int64_t kMetriOltreFine = 7000;
constexpr int64_t kLunghezzaMassima = 1000000;
constexpr int64_t kMargineOggetti = 100;   // the compile's position test for most records
constexpr int64_t kMargineStazione = 800;  // and for stations
constexpr size_t kVoceSuggeribile = 64;    // longer items are no typo of a keyword
constexpr int64_t kSecondiGiorno = 24 * 3600;
// The fields of "stazione" that make its time: stop_time, then hours,
// minutes and seconds, then the name.
constexpr size_t kCampoTipo = 1;
constexpr size_t kCampoSosta = 12;
constexpr size_t kCampoOre = 13;

std::string_view senza_spazi(std::string_view v) {
  const size_t a = v.find_first_not_of(" \t");
  if (a == std::string_view::npos) return {};
  return v.substr(a, v.find_last_not_of(" \t") - a + 1);
}

bool e_intero(std::string_view v) {
  size_t i = (!v.empty() && v[0] == '-') ? 1 : 0;
  if (i == v.size()) return false;
  for (; i < v.size(); ++i) {
    if (v[i] < '0' || v[i] > '9') return false;
  }
  return true;
}

bool ha_lettere(std::string_view v) {
  return std::any_of(v.begin(), v.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// The compile's rule: a header holds both brackets and does not begin with "-".
bool e_intestazione(std::string_view v) {
  const std::string_view t = senza_spazi(v);
  return !t.empty() && t[0] != '-' && v.find('[') != std::string_view::npos && v.find(']') != std::string_view::npos;
}

// The lists whose order the compile warns about itself.
bool ordine_gia_avvisato(const formato::record& r) {
  const std::string_view p = r.parola;
  return p == "pendenza" || p == "velocita" || p == "aderenza";
}

std::string metri(int64_t v) { return std::to_string(v) + " m"; }

std::string con_unita(int64_t v, const formato::campo& c) {
  return std::to_string(v) + (c.unita[0] != '\0' ? std::string(" ") + c.unita : "");
}

// Diagnostics with a bound on each rule: past it, they are only counted.
class raccolta {
 public:
  explicit raccolta(esito_verifica& e) : e_(e) {}

  // The place and the message are made only for a problem that is shown:
  // a source of millions of mistakes costs a count for most of them.
  // True when it is shown: its mending may then be added to it.
  template <typename Messaggio>
  bool aggiungi(const char* id, const std::string& file, lettore::punto p, Messaggio messaggio) {
    conto& c = conteggi_[id];
    if (c.r == nullptr) c.r = trova_regola(id);
    (c.r->livello == gravita::errore ? e_.errori : e_.avvisi) += 1;
    if (++c.n > kMassimoPerRegola) return false;
    e_.diagnostiche.push_back({c.r->livello, id, luogo{file, p.riga, p.colonna}, messaggio()});
    return true;
  }

  // One line for each rule that passed its bound.
  void chiudi() {
    for (const auto& [id, c] : conteggi_) {
      const size_t n = c.n;
      if (n <= kMassimoPerRegola) continue;
      const regola* r = c.r;
      e_.diagnostiche.push_back(riassunto_oltre(*r, n - kMassimoPerRegola));
    }
  }

 private:
  esito_verifica& e_;
  struct conto {
    const regola* r = nullptr;
    size_t n = 0;
  };
  // By id, in the order of the ids: the lines past the bounds come out the same every run.
  std::map<std::string_view, conto> conteggi_;
};

// What the line source tells the train source's checks.
struct tracciato {
  int64_t lunghezza = -1;     // the route length, -1 while unknown
  int64_t ultima_cella = -1;  // the highest cell of the track
};

// The last record of one positioned list.
struct ultimo_record {
  int64_t posizione = 0;
  int64_t fine = 0;
  int32_t riga = 0;
};

class lettura_sorgente {
 public:
  lettura_sorgente(const formato::sorgente& f, std::string_view testo, const std::string& nome, esito_verifica& e,
                   raccolta& d, tracciato& t)
      : f_(f), testo_(testo), nome_(nome), r_(testo, ""), e_(e), d_(d), t_(t) {
    indicizza_righe();
  }

  void leggi() {
    cerca_utf8();
    try {
      if (!cerca_generale()) return;
    } catch (const errore_lettura&) {
      return;  // the compile tells of a source without a readable [generale]
    }
    const lettore::punto generale = r_.punto_voce();
    sezione_ = formato::trova_sezione(f_, "[generale]");
    viste_[sezione_] = generale.riga;
    in_generale_ = f_.tipo == formato::quale::linea;
    try {
      while (!r_.esaurito()) {
        const std::string_view voce = r_.leggi_testo();
        tratta_voce(voce, r_.punto_voce());
      }
    } catch (const errore_lettura& e) {
      // Past an item the reader cannot take (a quote never closed) there
      // is nothing more it can read.
      d_.aggiungi("unreadable", nome_, lettore::punto{e.dove().riga, e.dove().colonna}, [&] {
        return std::string(std::string(e.what()) + ": the rest of the " + f_.nome + " cannot be read");
      });
      return;
    }
    if (f_.tipo == formato::quale::treno && stazioni_ == 0) {
      d_.aggiungi("no-station", nome_, generale, [&] {
        return std::string("the train source has no \"stazione\" record: the train runs through no station");
      });
    }
  }

 private:
  luogo a(lettore::punto p) const { return {nome_, p.riga, p.colonna}; }

  // Line starts, counted as the reader counts lines.
  void indicizza_righe() {
    righe_.push_back(0);
    for (size_t i = 0; i < testo_.size(); ++i) {
      if (testo_[i] == '\n' || (testo_[i] == '\r' && (i + 1 >= testo_.size() || testo_[i + 1] != '\n'))) {
        righe_.push_back(i + 1);
      }
    }
  }

  size_t scostamento(lettore::punto p) const {
    if (p.riga < 1 || static_cast<size_t>(p.riga) > righe_.size()) return testo_.size();
    return std::min(testo_.size(), righe_[static_cast<size_t>(p.riga) - 1] + static_cast<size_t>(p.colonna) - 1);
  }

  std::string_view riga(int32_t n) const {
    if (n < 1 || static_cast<size_t>(n) > righe_.size()) return {};
    const size_t inizio = righe_[static_cast<size_t>(n) - 1];
    size_t fine = inizio;
    while (fine < testo_.size() && testo_[fine] != '\r' && testo_[fine] != '\n') ++fine;
    return testo_.substr(inizio, fine - inizio);
  }

  // The text of a number item that the reader refused.
  std::string_view testo_numero(lettore::punto p) const {
    const size_t inizio = scostamento(p);
    size_t fine = inizio;
    while (fine < testo_.size() && std::string_view(",\r\n \t").find(testo_[fine]) == std::string_view::npos) ++fine;
    return testo_.substr(inizio, fine - inizio);
  }

  // A line that holds UTF-8 (an editor's default) is stored byte for byte
  // as Windows-1252: "Città" becomes "CittÃ" and a blank.  Told once a
  // line, at its first sequence, with the item it stands in as meant and
  // as stored.
  void cerca_utf8() {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const bool bom = testo_.substr(0, kBom.size()) == kBom;
    if (bom) {
      d_.aggiungi("utf8-text", nome_, lettore::punto{1, 1}, [&] {
        return std::string(
            "the source begins with the mark an editor puts before UTF-8 text; the sources are read "
            "as Windows-1252: save the source as Windows-1252, or compile with --encoding utf-8");
      });
    }
    for (size_t n = 1; n <= righe_.size(); ++n) {
      const std::string_view riga_n = riga(static_cast<int32_t>(n));
      for (size_t i = n == 1 && bom ? kBom.size() : 0; i < riga_n.size(); ++i) {
        if (static_cast<unsigned char>(riga_n[i]) < 0x80 || sequenza_utf8(riga_n, i) == 0) continue;
        const size_t a = riga_n.find_last_of(',', i) == std::string_view::npos ? 0 : riga_n.find_last_of(',', i) + 1;
        const std::string_view voce = senza_spazi(riga_n.substr(a, riga_n.find(',', i) - a));
        const lettore::punto p{static_cast<int32_t>(n), static_cast<int32_t>(i + 1)};
        d_.aggiungi("utf8-text", nome_, p, [&] { return testo_utf8(voce); });
        break;
      }
    }
  }

  // The message quotes Windows-1252, as every message does: the item as
  // meant is converted, the item as stored is its bytes.
  static std::string testo_utf8(std::string_view voce) {
    std::string inteso;
    try {
      inteso = "\"" + in_cp1252(voce) + "\" is written in UTF-8";
    } catch (const std::invalid_argument&) {
      inteso = "this item is written in UTF-8, with a character Windows-1252 lacks";
    }
    return inteso + ": the sources are read as Windows-1252, so it is stored as \"" + std::string(voce) +
           "\"; save the source as Windows-1252, or compile with --encoding utf-8";
  }

  bool cerca_generale() {
    lettore::punto primo{0, 0};
    int prima = 0;
    while (!r_.esaurito()) {
      const std::string_view voce = r_.leggi_testo();
      if (r_.esaurito()) return false;  // the compile tells of a missing or empty [generale]
      if (voce.find('[') != std::string_view::npos && in_minuscole(voce).find("[generale]") != std::string::npos) {
        if (prima > 0) {
          d_.aggiungi("before-general", nome_, primo, [&] {
            return std::string(std::to_string(prima) + (prima == 1 ? " item stands" : " items stand") +
                               " before \"[generale]\" and " + (prima == 1 ? "is" : "are") + " passed over");
          });
        }
        return true;
      }
      if (!senza_spazi(voce).empty() && prima++ == 0) primo = r_.punto_voce();
    }
    return false;
  }

  void tratta_voce(std::string_view voce, lettore::punto p) {
    if (e_intestazione(voce)) return intestazione(senza_spazi(voce), p);
    if (senza_spazi(voce).empty()) return;
    if (const formato::record* r = formato::trova_record(f_, voce)) return leggi_record(*r, voce, p);
    if (voce.find('-') != std::string_view::npos) return trattino(voce, p);
    if (e_intero(senza_spazi(voce))) {
      d_.aggiungi("not-a-record", nome_, p, [&] {
        return std::string("the number \"" + std::string(senza_spazi(voce)) +
                           "\" stands where a record should start: it is passed over");
      });
      return;
    }
    sconosciuta(senza_spazi(voce), p);
  }

  void intestazione(std::string_view voce, lettore::punto p) {
    const formato::record* r = formato::trova_record(f_, voce);
    const bool letto =
        r != nullptr && (f_.tipo == formato::quale::treno || (!in_generale_ && r->letto_in == formato::fase::record));
    in_generale_ = false;
    const formato::sezione* z = formato::trova_sezione(f_, voce);
    if (z == nullptr && letto) {
      d_.aggiungi("header-read-as-record", nome_, p, [&] {
        return std::string("section header \"" + std::string(voce) + "\" holds the keyword \"" + r->prova +
                           "\": the compiler reads it as a " + r->parola +
                           " record, taking the items after it as fields");
      });
    } else if (z == nullptr) {
      std::vector<std::string> nomi;
      for (const formato::sezione& s : f_.sezioni) nomi.push_back(s.intestazione);
      std::string proposta;
      const bool detto = d_.aggiungi("unknown-section", nome_, p, [&] {
        return std::string("unknown section \"" + std::string(voce) + "\" in the " + f_.nome +
                           suggerimento(voce, nomi, &proposta));
      });
      if (detto) sostituisci(voce, p, proposta);
    } else if (viste_.count(z) != 0) {
      d_.aggiungi("repeated-section", nome_, p, [&] {
        return std::string("section \"" + std::string(z->intestazione) + "\" stands a second time (first on line " +
                           std::to_string(viste_[z]) + ")");
      });
    } else {
      viste_[z] = p.riga;
    }
    sezione_ = z;
  }

  // "; did you mean "X"?", or "" when no name is close; X goes into
  // `proposta`.
  static std::string suggerimento(std::string_view voce, const std::vector<std::string>& nomi, std::string* proposta) {
    if (voce.size() > kVoceSuggeribile) return "";
    const int tetto = std::min(3, std::max(1, static_cast<int>(voce.size()) / 4));
    const std::string* migliore = nullptr;
    int d_min = tetto + 1;
    for (const std::string& n : nomi) {
      const int d = distanza(voce, n, tetto);
      if (d < d_min) {
        d_min = d;
        migliore = &n;
      }
    }
    if (migliore == nullptr) return "";
    *proposta = *migliore;
    if (d_min == 0) return ": letter case matters here; did you mean \"" + *migliore + "\"?";
    return "; did you mean \"" + *migliore + "\"?";
  }

  void sconosciuta(std::string_view voce, lettore::punto p) {
    std::string proposta;
    const bool detto = d_.aggiungi("unknown-keyword", nome_, p, [&] {
      std::vector<std::string> nomi;
      for (const formato::sezione& z : f_.sezioni) {
        for (const formato::record& r : z.records) {
          for (const std::string& forma : formato::forme(r)) nomi.push_back(forma);
        }
      }
      const std::string dove = sezione_ != nullptr ? std::string(" in ") + sezione_->intestazione : "";
      return "unknown keyword \"" + std::string(voce) + "\"" + dove + ": the record is lost" +
             suggerimento(voce, nomi, &proposta);
    });
    if (detto) sostituisci(voce, p, proposta);
    // What follows it on its line would have been its fields.
    salta_resto_riga(p.riga);
  }

  // The mending of the problem just told: `voce`, written at p, replaced
  // by the name the message proposes.  A quoted item is not where its text
  // is, and is left alone.
  void sostituisci(std::string_view voce, lettore::punto p, const std::string& proposta) {
    if (proposta.empty() || testo_.substr(scostamento(p), voce.size()) != voce) return;
    e_.diagnostiche.back().cura =
        rimedio{"Replace with \"" + proposta + "\"",
                {{p.riga, p.colonna, p.riga, p.colonna + static_cast<int32_t>(voce.size()), proposta}}};
  }

  // Whether an item starts something of its own: a header or a record.
  bool inizia_qualcosa(std::string_view v) const {
    return e_intestazione(v) || formato::trova_record(f_, v) != nullptr;
  }

  void salta_resto_riga(int32_t n) {
    while (!r_.esaurito()) {
      lettore prova = r_;
      const std::string_view v = prova.leggi_testo();
      if (prova.punto_voce().riga != n || inizia_qualcosa(v)) return;
      r_ = prova;
    }
  }

  void trattino(std::string_view voce, lettore::punto p) {
    const std::string_view t = senza_spazi(voce);
    if (ultimo_nome_riga_ == p.riga - 1 && senza_spazi(riga(p.riga)) == t) {
      d_.aggiungi("broken-name", nome_, p, [&] {
        return std::string("\"" + std::string(t) + "\" on a line of its own is passed over: the name on line " +
                           std::to_string(ultimo_nome_riga_) + " stays \"" + ultimo_nome_ +
                           "\"; a name must stand whole on its record's line");
      });
      return;
    }
    d_.aggiungi("not-a-record", nome_, p, [&] {
      return std::string("\"" + std::string(t) +
                         "\" stands where a record should start: an item holding \"-\" is passed over");
    });
  }

  // ---- one record ----

  void leggi_record(const formato::record& r, std::string_view voce, lettore::punto p) {
    if (const char* sep = separatore_sbagliato(voce)) return separatore(r, senza_spazi(voce), sep, p);
    controlla_fase(r, p);
    if (controlla_forma(r, senza_spazi(voce), p)) controlla_ripetuta(r, p);
    record_letto rl{f_.tipo, &r, sezione_, p.riga, p.colonna, static_cast<uint32_t>(e_.valori.size()), 0};
    campo_illeggibile_ = false;
    const bool completo = leggi_campi(r, p, rl);
    e_.records.push_back(rl);
    if (r.campi.back().letto == formato::lettura::testo && rl.valori == r.campi.size()) {
      ultimo_nome_riga_ = r_.punto_voce().riga;
      ultimo_nome_ = std::string(e_.testo(rl, rl.valori - 1));
    } else {
      ultimo_nome_riga_ = 0;
    }
    if (completo) controlla_valori(r, rl, p);
  }

  // The whole line is one item: the keyword with none of its fields.  The
  // compile takes the items after it, the next record's, for them; the
  // check goes on with that next record.
  void separatore(const formato::record& r, std::string_view voce, const char* sep, lettore::punto p) {
    d_.aggiungi("wrong-separator", nome_, p, [&] {
      const std::string inizio = "\"" + std::string(voce) + "\": fields are separated by commas, not by " + sep +
                                 "; the compiler reads this as one item";
      // An item holding "-" is passed over between records, whatever it holds.
      if (voce.find('-') != std::string_view::npos)
        return inizio + ", which holds \"-\" and is passed over: the record is lost";
      return inizio + ", the keyword \"" + r.parola + "\" without its " + std::to_string(r.campi.size()) +
             (r.campi.size() == 1 ? " field" : " fields") + ", and takes the items after it for them";
    });
  }

  void controlla_fase(const formato::record& r, lettore::punto p) {
    if (f_.tipo != formato::quale::linea) return;
    if (r.letto_in == formato::fase::generale && !in_generale_) {
      d_.aggiungi("misplaced-record", nome_, p, [&] {
        return std::string("general key \"" + std::string(r.parola) +
                           "\" after the general section has ended: it is not read; move it into [generale]");
      });
    } else if (r.letto_in == formato::fase::record && in_generale_) {
      d_.aggiungi("misplaced-record", nome_, p, [&] {
        return std::string("\"" + std::string(r.parola) +
                           "\" record in the general section: it is not read; move it after the general section");
      });
    }
  }

  // A general key holds one value: given again, the compile keeps the last
  // and the first is lost.
  void controlla_ripetuta(const formato::record& r, lettore::punto p) {
    if (sezione_ == nullptr || std::string_view(sezione_->intestazione) != "[generale]") return;
    const auto inserita = generali_.emplace(&r, p.riga);
    if (inserita.second) return;
    int32_t& riga_prima = inserita.first->second;
    d_.aggiungi("repeated-key", nome_, p, [&] {
      return "\"" + std::string(r.parola) + "\" is given again (first on line " + std::to_string(riga_prima) +
             "): only this one counts, the value given before is lost";
    });
    riga_prima = p.riga;
  }

  // What the compile makes of a keyword that is none of the written forms;
  // "" when it makes nothing of it.
  static std::string letto_come(const formato::record& r, const std::string& v) {
    const std::string_view p = r.parola;
    if (p == "curva") {
      const size_t cifra = v.find_first_of("123456");
      if (cifra == std::string::npos) return "";
      return std::string(v.find('s') != std::string::npos ? "curvas" : "curvad") + v[cifra];
    }
    if (p.substr(0, 11) == "ripetizione") {
      if (v.find('4') != std::string::npos) return "ripetizione segnali 4 codici";
      if (v.find('9') != std::string::npos) return "ripetizione segnali 9 codici";
      return "";
    }
    return r.parola;
  }

  // False when the compiler refuses the keyword.
  bool controlla_forma(const formato::record& r, std::string_view voce, lettore::punto p) {
    auto uguale = [&](std::string_view forma) {
      return forma.size() == voce.size() &&
             std::equal(forma.begin(), forma.end(), voce.begin(), [](char a, char b) { return a == minuscola(b); });
    };
    if (r.forme.empty() ? uguale(r.parola) : std::any_of(r.forme.begin(), r.forme.end(), uguale)) return true;
    const std::string v = in_minuscole(voce);
    const std::string come = letto_come(r, v);
    if (come.empty()) {
      d_.aggiungi("unknown-keyword", nome_, p, [&] {
        return std::string(
            "keyword \"" + std::string(voce) + "\" is none of " +
            (r.forme.empty() ? std::string(r.parola) : std::string(r.forme.front()) + " to " + r.forme.back()) +
            ": the compiler refuses it");
      });
      return false;
    }
    d_.aggiungi("keyword-read-as", nome_, p,
                [&] { return std::string("keyword \"" + std::string(voce) + "\" is read as \"" + come + "\""); });
    return true;
  }

  // Reads the fields of a record; false when some are missing.  A field on
  // a later line that starts something of its own is not taken: the record
  // lacks it.
  bool leggi_campi(const formato::record& r, lettore::punto chiave, record_letto& rl) {
    if (nome_in_anticipo(r, chiave)) return false;
    int32_t riga_prec = chiave.riga;
    luogo_campo_.assign(r.campi.size(), chiave);
    for (size_t i = 0; i < r.campi.size(); ++i) {
      const formato::campo& c = r.campi[i];
      if (r_.esaurito()) return mancano(r, chiave, i, {}, {0, 0});
      lettore prova = r_;
      const std::string_view v = prova.leggi_testo();
      const lettore::punto pp = prova.punto_voce();
      if (pp.riga != riga_prec &&
          (inizia_qualcosa(v) || (c.letto != formato::lettura::testo && ha_lettere(v) && !e_intero(senza_spazi(v))))) {
        return mancano(r, chiave, i, senza_spazi(v), pp);
      }
      if (c.letto == formato::lettura::testo) {
        r_ = prova;
        e_.valori.push_back(static_cast<int64_t>(e_.testi.size()));
        e_.testi.emplace_back(v);
      } else {
        e_.valori.push_back(leggi_numero(r, c));
      }
      ultimo_campo_ = r_.punto_voce();
      luogo_campo_[i] = ultimo_campo_;
      riga_prec = ultimo_campo_.riga;
      ++rl.valori;
    }
    campi_in_piu(r, rl);
    return true;
  }

  // A record that ends in a text whose line holds fewer numbers before that
  // text than the record takes: a number is missing, and the compiler reads
  // the text in its place.  Told once, by the names of the numbers it may
  // be, and the whole line is passed over: the values after the gap would
  // be told as wrong for fields they were not written for.
  bool nome_in_anticipo(const formato::record& r, lettore::punto chiave) {
    const formato::campo& ultimo = r.campi.back();
    if (ultimo.letto != formato::lettura::testo) return false;
    const size_t numeri = r.campi.size() - 1;
    lettore prova = r_;
    size_t dati = 0;
    std::string_view v;
    while (!prova.esaurito()) {
      lettore dopo = prova;
      v = senza_spazi(dopo.leggi_testo());
      if (dopo.punto_voce().riga != chiave.riga) return false;
      prova = dopo;
      if (!v.empty() && !e_intero(v)) break;
      if (++dati >= numeri) return false;
    }
    if (!ha_lettere(v) || !alla_fine_riga(prova, chiave.riga)) return false;
    r_ = prova;
    const size_t mancanti = numeri - dati;
    const std::string quali = numeri == 1 ? std::string(r.campi[0].nome) + " is"
                                          : (mancanti == numeri ? "its " : std::to_string(mancanti) + " of its ") +
                                                std::to_string(numeri) + " numbers, " + r.campi[0].nome + " to " +
                                                r.campi[numeri - 1].nome + (mancanti == 1 ? ", is" : ", are");
    d_.aggiungi("missing-field", nome_, chiave, [&] {
      return "\"" + std::string(r.parola) + "\" record has " + std::to_string(dati + 1) + " of its " +
             std::to_string(r.campi.size()) + " fields: " + quali + " missing before its " + ultimo.nome + " \"" +
             std::string(v) + "\", which the compiler reads as " + r.campi[dati].nome;
    });
    return true;
  }

  // Whether nothing but the line's end follows the reader on line n.
  static bool alla_fine_riga(lettore prova, int32_t n) {
    if (prova.esaurito()) return true;
    prova.leggi_testo();
    return prova.punto_voce().riga != n;
  }

  bool mancano(const formato::record& r, lettore::punto chiave, size_t letti, std::string_view dopo,
               lettore::punto dove_dopo) {
    std::string nomi;
    for (size_t i = letti; i < r.campi.size(); ++i) nomi += std::string(i == letti ? "" : ", ") + r.campi[i].nome;
    std::string testo = "\"" + std::string(r.parola) + "\" record has " + std::to_string(letti) + " of its " +
                        std::to_string(r.campi.size()) + " fields: " + nomi +
                        (r.campi.size() - letti == 1 ? " is" : " are") + " missing";
    if (!dopo.empty() && r.campi[letti].letto == formato::lettura::testo) {
      testo += "; the compiler takes \"" + std::string(dopo) + "\" on line " + std::to_string(dove_dopo.riga) +
               " as its " + r.campi[letti].nome + ", and what that line says is lost";
    } else if (!dopo.empty()) {
      testo += "; the compiler reads \"" + std::string(dopo) + "\" on line " + std::to_string(dove_dopo.riga) +
               " in its place";
    }
    d_.aggiungi("missing-field", nome_, chiave, [&] { return std::string(testo); });
    return false;
  }

  int64_t leggi_numero(const formato::record& r, const formato::campo& c) {
    int64_t v = 0;
    try {
      v = r_.leggi_intero();
    } catch (const errore_lettura&) {
      const lettore::punto p = r_.punto_voce();
      const std::string t(testo_numero(p));
      campo_illeggibile_ = true;
      // A route length that cannot be read leaves the route without a
      // length: every record past its start would be told on its own.
      if (std::string_view(r.parola) == "lunghezza percorso") {
        e_.lunghezza_dubbia = luogo{nome_, p.riga, p.colonna};
        e_.lunghezza_letta = 0;
      }
      if (e_intero(t)) {
        d_.aggiungi("value-too-wide", nome_, p, [&] {
          if (c.parte == formato::ruolo::posizione) return fuori_posizione(r, c, t);
          return std::string(std::string(r.parola) + " " + c.nome + " \"" + t +
                             "\" does not fit 32 bits: the source cannot be read");
        });
      } else {
        campo_illeggibile_ = true;
        d_.aggiungi("bad-number", nome_, p, [&] {
          return std::string(std::string(r.parola) + " " + c.nome + " \"" + t + "\" is not a whole number" +
                             (t.find('.') != std::string::npos ? ": values are whole numbers, without decimals" : ""));
        });
      }
      return 0;
    }
    controlla_intervallo(r, c, v, r_.punto_voce());
    return v;
  }

  // A position past 32 bits: the range that counts is the one a position
  // has, not the width it is read into.
  static std::string fuori_posizione(const formato::record& r, const formato::campo& c, std::string_view t) {
    return std::string(r.parola) + " " + c.nome + " " + std::string(t) + " m is outside the range of a position, " +
           std::to_string(c.minimo) + " to " + std::to_string(c.massimo) + " m: the source cannot be read";
  }

  void controlla_intervallo(const formato::record& r, const formato::campo& c, int64_t v, lettore::punto p) {
    int64_t minimo = INT32_MIN, massimo = INT32_MAX;
    const char* bit = "32 bits";
    if (c.letto == formato::lettura::intero16) {
      minimo = INT16_MIN;
      massimo = INT16_MAX;
      bit = "16 bits";
    } else if (c.letto == formato::lettura::byte) {
      minimo = 0;
      massimo = UINT8_MAX;
      bit = "8 bits";
    }
    const std::string nome = std::string(r.parola) + " " + c.nome + " " + con_unita(v, c);
    if (v < minimo || v > massimo) {
      d_.aggiungi("value-too-wide", nome_, p, [&] {
        if (c.parte == formato::ruolo::posizione) return fuori_posizione(r, c, std::to_string(v));
        return std::string(nome + " does not fit " + std::to_string(minimo) + " to " + std::to_string(massimo) + " (" +
                           bit + "): the source cannot be read");
      });
      return;
    }
    // Positions and spans have rules of their own.
    if (c.parte == formato::ruolo::posizione || c.parte == formato::ruolo::fine) return;
    if (std::string_view(c.nome) == "length" && v < 0) return;
    // A slowdown of no length is told by what it does: it has no end.
    if (c.parte == formato::ruolo::lunghezza && v == 0) return;
    if (v < c.minimo || v > c.massimo) {
      d_.aggiungi(c.rifiutato ? "refused-value" : "out-of-range", nome_, p, [&] {
        return std::string(nome + " is outside its range, " + std::to_string(c.minimo) + " to " +
                           std::to_string(c.massimo) + (c.rifiutato ? ": the compile refuses it" : ""));
      });
    }
  }

  // Items after the last field on its line.  A fraction after a number and
  // a comma is the decimal comma the reader does not know.
  void campi_in_piu(const formato::record& r, const record_letto& rl) {
    const int32_t n = ultimo_campo_.riga;
    const formato::campo& ultimo = r.campi.back();
    bool primo = true;
    while (!r_.esaurito()) {
      lettore prova = r_;
      const std::string_view v = prova.leggi_testo();
      const lettore::punto p = prova.punto_voce();
      if (p.riga != n || inizia_qualcosa(v)) return;
      r_ = prova;
      if (!primo) continue;
      primo = false;
      const size_t o = scostamento(p);
      const std::string_view t = senza_spazi(v);
      if (ultimo.letto == formato::lettura::testo) {
        d_.aggiungi("extra-field", nome_, p, [&] {
          return std::string(std::string(r.parola) + " " + ultimo.nome + " \"" +
                             std::string(e_.testo(rl, rl.valori - 1)) + "\" is cut at the comma: \"" + std::string(t) +
                             "\" is passed over; a " + ultimo.nome + " cannot hold a comma");
        });
      } else if (e_intero(t) && t[0] != '-' && dopo_numero_e_spazi(o)) {
        const int64_t intero = e_.valori.back();
        dubbia_se_lunghezza(r);
        d_.aggiungi("number-with-blank", nome_, ultimo_campo_, [&] {
          return std::string(std::string(r.parola) + " " + ultimo.nome + " \"" + std::to_string(intero) + " " +
                             std::string(t) + "\" is read as " + std::to_string(intero) + " and \"" + std::string(t) +
                             "\" is passed over: a number ends at a blank; write it without blanks");
        });
      } else if (e_intero(t) && t[0] != '-' && o >= 2 && testo_[o - 1] == ',' && testo_[o - 2] >= '0' &&
                 testo_[o - 2] <= '9') {
        const int64_t intero = e_.valori.back();
        dubbia_se_lunghezza(r);
        const bool detto = d_.aggiungi("decimal-comma", nome_, ultimo_campo_, [&] {
          return std::string("\"" + std::to_string(intero) + "," + std::string(t) + "\" has a decimal comma: " +
                             r.parola + " " + ultimo.nome + " is read as " + std::to_string(intero) + " and \"" +
                             std::string(t) + "\" is passed over; values are whole numbers");
        });
        // The fraction goes: the value stays what the compile reads.
        if (detto) {
          e_.diagnostiche.back().cura =
              rimedio{"Write the whole number " + std::to_string(intero),
                      {{p.riga, p.colonna - 1, p.riga, p.colonna + static_cast<int32_t>(t.size()), ""}}};
        }
      } else {
        d_.aggiungi("extra-field", nome_, p, [&] {
          return std::string("\"" + std::string(r.parola) + "\" takes " + std::to_string(r.campi.size()) +
                             " fields: \"" + std::string(t) + "\" and what follows it on the line are passed over");
        });
      }
    }
  }

  // Whether only blanks stand between offset o and a digit before it: the
  // item at o is the rest of a number written with a blank inside.
  bool dopo_numero_e_spazi(size_t o) const {
    size_t i = o;
    while (i > 0 && (testo_[i - 1] == ' ' || testo_[i - 1] == '\t')) --i;
    return i < o && i > 0 && testo_[i - 1] >= '0' && testo_[i - 1] <= '9';
  }

  // A route length not read as written puts every record past the end it
  // was read as: those are told once, pointing here.
  void dubbia_se_lunghezza(const formato::record& r) {
    if (std::string_view(r.parola) != "lunghezza percorso") return;
    e_.lunghezza_dubbia = luogo{nome_, ultimo_campo_.riga, ultimo_campo_.colonna};
    e_.lunghezza_letta = e_.valori.back();
  }

  // ---- the rules of a whole record ----

  void controlla_valori(const formato::record& r, const record_letto& rl, lettore::punto p) {
    const std::string_view parola = r.parola;
    if (parola == "lunghezza percorso") {
      const int64_t l = e_.valore(rl, 0);
      if (l >= 0 && l <= kLunghezzaMassima) {
        t_.lunghezza = l;
        t_.ultima_cella = cella_al_metro(static_cast<double>(l + kMetriOltreFine));
      }
    }
    if (parola == "stazione") {
      ++stazioni_;
      // A field that could not be read shifts the others: the time and
      // the name would be someone else's.
      if (!campo_illeggibile_) {
        controlla_tipo(rl, p);
        controlla_orario(rl, p);
        controlla_nome(rl, p);
      }
    }
    controlla_arrotondati(r, rl);
    if (parola == "rallentamento") controlla_rallentamento(rl, p);
    controlla_griglia(r, rl, p);
    const int ip = indice_ruolo(r, formato::ruolo::posizione);
    if (ip < 0) return;
    const int64_t pos = e_.valore(rl, static_cast<size_t>(ip));
    controlla_posizione(r, pos, p);
    int64_t fine = pos;
    const int ifine = indice_ruolo(r, formato::ruolo::fine);
    const int ilung = formato::indice_campo(r, "length");
    if (ifine >= 0) {
      fine = e_.valore(rl, static_cast<size_t>(ifine));
      if (fine < pos) {
        d_.aggiungi(parola == "montagna" ? "tunnel-lost" : "backward-span", nome_, p, [&] {
          return std::string(std::string(parola) + " ends at " + metri(fine) + ", before its start at " + metri(pos));
        });
      }
    } else if (ilung >= 0) {
      const int64_t l = e_.valore(rl, static_cast<size_t>(ilung));
      if (l < 0)
        d_.aggiungi("backward-span", nome_, p,
                    [&] { return std::string(std::string(parola) + " length " + metri(l) + " is negative"); });
      if (r.regola == formato::ordine::campate) fine = pos + l;
    }
    controlla_ordine(r, pos, fine, p);
  }

  // A kind outside the byte is told as too wide; within it, one that
  // neither the compile nor the line's own stations know.
  void controlla_tipo(const record_letto& rl, lettore::punto p) {
    const int64_t tipo = e_.valore(rl, kCampoTipo);
    const std::vector<int32_t>& noti = formato::tipi_stazione();
    if (tipo < 0 || tipo > UINT8_MAX || std::find(noti.begin(), noti.end(), tipo) != noti.end()) return;
    d_.aggiungi("unknown-station-kind", nome_, p, [&] {
      return "stazione kind " + std::to_string(tipo) + " is none of the known kinds, " +
             formato::elenco_tipi_stazione() + ": the simulator is given a kind nobody has described";
    });
  }

  // Two stations of one name: the card, the view and the simulator cannot
  // tell them apart.
  void controlla_nome(const record_letto& rl, lettore::punto p) {
    const std::string nome(senza_spazi(e_.testo(rl, kCampoOre + 3)));
    if (nome.empty()) return;
    const auto inserito = nomi_stazioni_.emplace(in_minuscole(nome), p.riga);
    if (inserito.second) return;
    const int32_t riga_prima = inserito.first->second;
    d_.aggiungi("repeated-name", nome_, p, [&] {
      return "stazione name \"" + nome + "\" is given again (first on line " + std::to_string(riga_prima) +
             "): two stations cannot be told apart";
    });
  }

  // Speeds the track keeps in steps of 5 km/h: the speed limit, and a
  // right-hand board's speed, which is added as its fifth.
  void controlla_arrotondati(const formato::record& r, const record_letto& rl) {
    const std::string_view parola = r.parola;
    for (size_t i = 0; i < r.campi.size(); ++i) {
      const std::string_view nome = r.campi[i].nome;
      const bool a_passi = (parola == "velocita" && nome == "speed") ||
                           (parola == "indicatori_vmax" && nome.substr(0, 11) == "right_speed");
      const int64_t v = e_.valore(rl, i);
      if (!a_passi || v < 0 || v % kPassoVelocita == 0) continue;
      const int64_t tenuto = static_cast<int64_t>(nearest(static_cast<double>(v) / kPassoVelocita)) * kPassoVelocita;
      d_.aggiungi("value-rounded", nome_, luogo_campo_[i], [&] {
        return std::string(parola) + " " + std::string(nome) + " " + std::to_string(v) +
               " km/h is stored in steps of " + std::to_string(kPassoVelocita) + " km/h: the track holds " +
               std::to_string(tenuto) + " km/h";
      });
    }
  }

  // A slowdown whose start and end fall on one cell keeps only its start:
  // the end the finishing pass looks for is not there.
  void controlla_rallentamento(const record_letto& rl, lettore::punto p) {
    const int64_t x = e_.valore(rl, 0), l = e_.valore(rl, 2);
    if (l < 0) return;  // told as a negative length
    const int64_t cella = cella_oggetto(static_cast<double>(x)), fine = cella_oggetto(static_cast<double>(x + l));
    if (cella != fine) return;
    d_.aggiungi("slowdown-without-end", nome_, p, [&] {
      return "rallentamento at " + metri(x) + " of length " + metri(l) + ": its start and its end fall on one cell (" +
             std::to_string(cella) + "), which keeps only the start; give a length of " + std::to_string(kMetriCella) +
             " m or more";
    });
  }

  // ---- the timetable ----

  struct orario_letto {
    int64_t partenza = 0;  // seconds from the first day's midnight
    int32_t riga = 0;      // 0: no station with a time read yet
    std::string nome;
  };

  // A station's time is its departure; the train arrives stop_time seconds
  // before it.  Stations without a time (0:00:00) are passed through and
  // left out.  A time more than half a day before the one before it is the
  // next day's: a timetable that runs past midnight goes on.
  void controlla_orario(const record_letto& rl, lettore::punto p) {
    const int64_t ore = e_.valore(rl, kCampoOre), minuti = e_.valore(rl, kCampoOre + 1),
                  secondi = e_.valore(rl, kCampoOre + 2);
    if (ore == 0 && minuti == 0 && secondi == 0) return;
    // A negative part is told as out of range; no time can be made of it.
    if (ore < 0 || minuti < 0 || minuti > 59 || secondi < 0 || secondi > 59) return;
    const int64_t sosta = e_.valore(rl, kCampoSosta);
    int64_t partenza = giorni_ * kSecondiGiorno + (ore * 60 + minuti) * 60 + secondi;
    if (orario_prec_.riga != 0 && orario_prec_.partenza - partenza > kSecondiGiorno / 2) {
      ++giorni_;
      partenza += kSecondiGiorno;
    }
    const orario_letto ora{partenza, p.riga, std::string(e_.testo(rl, kCampoOre + 3))};
    if (orario_prec_.riga != 0) confronta_orari(orario_prec_, ora, sosta, p);
    orario_prec_ = ora;
  }

  void confronta_orari(const orario_letto& prima, const orario_letto& ora, int64_t sosta, lettore::punto p) {
    const std::string dopo = "the departure from the station on line " + std::to_string(prima.riga) + " (" +
                             senza_spazi_s(prima.nome) + ", " + hms(prima.partenza) + ")";
    if (ora.partenza < prima.partenza) {
      d_.aggiungi("time-goes-back", nome_, p, [&] {
        return "stazione time " + hms(ora.partenza) + " comes before " + dopo +
               ": a station's time is its departure, and times must rise from station to station";
      });
    } else if (ora.partenza == prima.partenza) {
      d_.aggiungi("same-time", nome_, p, [&] {
        return "stazione time " + hms(ora.partenza) + " is the same as " + dopo +
               ": the train takes no time between the two";
      });
    } else if (ora.partenza - sosta < prima.partenza) {
      d_.aggiungi("stop-before-departure", nome_, p, [&] {
        return "stazione stop of " + std::to_string(sosta) + " s before the departure at " + hms(ora.partenza) +
               " begins at " + hms(ora.partenza - sosta) + ", before " + dopo +
               ": the time is the departure, so the arrival is the time less the stop";
      });
    }
  }

  static std::string senza_spazi_s(std::string_view v) { return std::string(senza_spazi(v)); }

  // hh:mm:ss of a time of the timetable; a time of a later day says so.
  static std::string hms(int64_t secondi) {
    const int64_t giorno = secondi / kSecondiGiorno, s = secondi % kSecondiGiorno;
    auto due = [](int64_t v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    return due(s / 3600) + ":" + due(s / 60 % 60) + ":" + due(s % 60) +
           (giorno == 0 ? "" : " of day " + std::to_string(giorno + 1));
  }

  static int indice_ruolo(const formato::record& r, formato::ruolo x) {
    for (size_t i = 0; i < r.campi.size(); ++i) {
      if (r.campi[i].parte == x) return static_cast<int>(i);
    }
    return -1;
  }

  void controlla_griglia(const formato::record& r, const record_letto& rl, lettore::punto p) {
    const std::string_view parola = r.parola;
    auto su_griglia = [&](const char* campo, int64_t passo) {
      const int i = formato::indice_campo(r, campo);
      if (i < 0) return;
      const int64_t v = e_.valore(rl, static_cast<size_t>(i));
      if (v % passo != 0) {
        d_.aggiungi("off-grid", nome_, p, [&] {
          return std::string(std::string(parola) + " " + campo + " " + metri(v) + " is not a multiple of " +
                             std::to_string(passo));
        });
      }
    };
    if (parola == "stazione") {
      su_griglia("position", 50);
      su_griglia("length", 100);
    } else if (parola.substr(0, 11) == "ripetizione") {
      su_griglia("start", 50);
      su_griglia("end", 50);
    } else if (parola.substr(0, 11) == "progressiva") {
      su_griglia("start", 50);
      su_griglia("offset", 50);
    }
  }

  void controlla_posizione(const formato::record& r, int64_t pos, lettore::punto p) {
    const std::string parola = r.parola;
    if (pos < 0) {
      d_.aggiungi("before-start", nome_, p,
                  [&] { return std::string(parola + " position " + metri(pos) + " is before the start of the line"); });
      return;
    }
    if (t_.ultima_cella < 0) return;
    const int64_t margine = parola == "stazione" ? kMargineStazione : kMargineOggetti;
    if (static_cast<double>(t_.ultima_cella) < static_cast<double>(pos + margine) / kMetriCella) {
      d_.aggiungi("beyond-track", nome_, p, [&] {
        return std::string(parola + " position " + metri(pos) + " is beyond the usable end of the track, " +
                           metri(t_.ultima_cella * kMetriCella - margine));
      });
    } else if (pos > t_.lunghezza) {
      d_.aggiungi("beyond-route", nome_, p, [&] {
        return std::string(parola + " position " + metri(pos) + " is past the end of the route, " +
                           metri(t_.lunghezza));
      });
    }
  }

  void controlla_ordine(const formato::record& r, int64_t pos, int64_t fine, lettore::punto p) {
    if (r.regola == formato::ordine::libero) return;
    auto it = ultimi_.find(&r);
    if (it != ultimi_.end() && !ordine_gia_avvisato(r)) {
      const ultimo_record& u = it->second;
      const std::string parola = r.parola;
      if (pos <= u.posizione) {
        const bool detto = d_.aggiungi("out-of-order", nome_, p, [&] {
          return std::string(parola + " at " + metri(pos) + " does not come after the one on line " +
                             std::to_string(u.riga) + " (at " + metri(u.posizione) + "): " + parola +
                             " records must rise in position");
        });
        if (detto) sposta_al_suo_posto(r, pos, p);
      } else if (r.regola == formato::ordine::campate && pos < u.fine) {
        d_.aggiungi(parola == "montagna" ? "tunnels-merged" : "overlap", nome_, p, [&] {
          return std::string(parola + " from " + metri(pos) + " starts before the one on line " +
                             std::to_string(u.riga) + " ends (at " + metri(u.fine) + ")");
        });
      }
    }
    ultimi_[&r] = {pos, std::max(pos, fine), p.riga};
  }

  // The mending of a record out of order: its line moved before the line
  // of the first record of its list that stands past it.  Only a record
  // that has its line to itself, ended by a line end, is moved.
  void sposta_al_suo_posto(const formato::record& r, int64_t pos, lettore::punto p) {
    const std::string_view linea = riga(p.riga);
    const size_t inizio = scostamento({p.riga, 1}), fine_riga = inizio + linea.size();
    if (ultimo_campo_.riga != p.riga || senza_spazi(linea.substr(0, static_cast<size_t>(p.colonna) - 1)).size() != 0 ||
        fine_riga >= testo_.size()) {
      return;
    }
    const size_t a_capo = testo_.substr(fine_riga, 2) == "\r\n" ? 2 : 1;
    const int ip = indice_ruolo(r, formato::ruolo::posizione);
    for (const record_letto& x : e_.records) {
      if (x.tipo != &r || x.fonte != f_.tipo || x.riga >= p.riga || e_.valore(x, static_cast<size_t>(ip)) <= pos) {
        continue;
      }
      const std::string intera(testo_.substr(inizio, linea.size() + a_capo));
      e_.diagnostiche.back().cura = rimedio{"Move the line before line " + std::to_string(x.riga),
                                            {{x.riga, 1, x.riga, 1, intera}, {p.riga, 1, p.riga + 1, 1, ""}}};
      return;
    }
  }

  const formato::sorgente& f_;
  std::string_view testo_;
  const std::string& nome_;
  lettore r_;
  esito_verifica& e_;
  raccolta& d_;
  tracciato& t_;
  std::vector<size_t> righe_;
  const formato::sezione* sezione_ = nullptr;
  std::map<const formato::sezione*, int32_t> viste_;
  std::map<const formato::record*, ultimo_record> ultimi_;
  std::map<const formato::record*, int32_t> generali_;  // the line each general key was last given on
  bool in_generale_ = false;
  int32_t stazioni_ = 0;
  orario_letto orario_prec_;                      // the last station with a time
  std::map<std::string, int32_t> nomi_stazioni_;  // each name, letter case aside, with its first line
  bool campo_illeggibile_ = false;                // a field of the record being read could not be read
  std::vector<lettore::punto> luogo_campo_;       // where each field of that record stands
  int64_t giorni_ = 0;                            // midnights the timetable has passed
  lettore::punto ultimo_campo_;
  int32_t ultimo_nome_riga_ = 0;
  std::string ultimo_nome_;
};

}  // namespace

luogo esito_verifica::dove(const record_letto& r) const {
  return {r.fonte == formato::quale::linea ? nome_linea : nome_treno, r.riga, r.colonna};
}

int64_t esito_verifica::valore(const record_letto& r, size_t i) const {
  return i < r.valori ? valori[r.primo_valore + i] : 0;
}

std::string_view esito_verifica::testo(const record_letto& r, size_t i) const {
  if (i >= r.valori || r.tipo->campi[i].letto != formato::lettura::testo) return {};
  return testi[static_cast<size_t>(valori[r.primo_valore + i])];
}

int distanza(std::string_view a, std::string_view b, int tetto) {
  const size_t n = a.size(), m = b.size();
  if (static_cast<int>(n > m ? n - m : m - n) > tetto) return tetto + 1;
  // Three rows of the optimal-string-alignment table.
  std::vector<int> due(m + 1), prima(m + 1), ora(m + 1);
  for (size_t j = 0; j <= m; ++j) prima[j] = static_cast<int>(j);
  for (size_t i = 1; i <= n; ++i) {
    ora[0] = static_cast<int>(i);
    int minimo = ora[0];
    for (size_t j = 1; j <= m; ++j) {
      const bool uguali = minuscola(a[i - 1]) == minuscola(b[j - 1]);
      int d = std::min({prima[j] + 1, ora[j - 1] + 1, prima[j - 1] + (uguali ? 0 : 1)});
      if (i > 1 && j > 1 && minuscola(a[i - 1]) == minuscola(b[j - 2]) && minuscola(a[i - 2]) == minuscola(b[j - 1])) {
        d = std::min(d, due[j - 2] + 1);
      }
      ora[j] = d;
      minimo = std::min(minimo, d);
    }
    if (minimo > tetto) return tetto + 1;
    std::swap(due, prima);
    std::swap(prima, ora);
  }
  return std::min(prima[m], tetto + 1);
}

namespace {

// Records of both sources that stand past the route's end as it was read.
size_t oltre_la_fine(const esito_verifica& v) {
  size_t n = 0;
  for (const record_letto& r : v.records) {
    for (size_t i = 0; i < r.tipo->campi.size(); ++i) {
      if (r.tipo->campi[i].parte != formato::ruolo::posizione) continue;
      if (i < r.valori && v.valore(r, i) > v.lunghezza_letta) ++n;
      break;
    }
  }
  return n;
}

}  // namespace

raccolti raccogli_oltre_la_fine(std::vector<diagnostica>& tutte, const esito_verifica& v) {
  raccolti via;
  if (v.lunghezza_dubbia.file.empty()) return via;
  static const std::set<std::string> kOltre = {"beyond-route", "beyond-track", "error-15",  "error-213",
                                               "error-215",    "error-216",    "error-230", "error-232"};
  size_t primo = tutte.size();
  std::vector<diagnostica> restano;
  for (diagnostica& d : tutte) {
    if (kOltre.count(d.regola) == 0) {
      restano.push_back(std::move(d));
      continue;
    }
    (d.livello == gravita::errore ? via.errori : via.avvisi) += d.conta;
    if (primo == tutte.size()) {
      primo = restano.size();
      restano.push_back(std::move(d));
    }
  }
  if (primo == tutte.size()) return via;
  const size_t n = std::max<size_t>(1, oltre_la_fine(v));
  diagnostica& d = restano[primo];
  d.livello = gravita::errore;
  d.regola = "past-route-end";
  d.numero.reset();
  d.conta = 1;
  d.messaggio = "this and " + std::to_string(n - 1) + " more record" + (n == 2 ? "" : "s") + " past the route's end, " +
                metri(v.lunghezza_letta) + ": see line " + std::to_string(v.lunghezza_dubbia.riga) +
                " of the line source, where the route length is not read as written";
  --via.errori;  // the line that stands for them is one
  tutte = std::move(restano);
  return via;
}

esito_verifica verifica(std::string_view linea, const std::string& nome_linea, std::string_view treno,
                        const std::string& nome_treno) {
  esito_verifica e;
  e.nome_linea = nome_linea;
  e.nome_treno = nome_treno;
  raccolta d(e);
  tracciato t;
  lettura_sorgente(formato::linea(), linea, nome_linea, e, d, t).leggi();
  lettura_sorgente(formato::treno(), treno, nome_treno, e, d, t).leggi();
  d.chiudi();
  return e;
}

}  // namespace valdoro

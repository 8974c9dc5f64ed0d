#include "output/decodifica.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <type_traits>

#include "output/formato_binario.h"
#include "util/coding.h"

namespace valdoro {

namespace {

using formato_binario::campo;
using formato_binario::kByteCella;

constexpr size_t kPezzo = 64 * 1024;

// Reads a fonte_byte through a buffer of one piece, 64 KiB or the file's
// size if smaller (more only for a longer record, at most a 64 KiB name),
// and checks every read against what is left.
class cursore {
 public:
  // A small file needs no buffer of a whole piece.
  explicit cursore(fonte_byte& f)
      : f_(f), pezzo_(static_cast<size_t>(std::clamp<uint64_t>(f.dimensione(), 64, kPezzo))) {}

  uint64_t posizione() const { return pos_; }

  // The next n bytes, valid until the next call.  When the file ends first,
  // `cosa()` names them in the refusal; it is built only then, since the
  // profile has millions of values.
  template <typename F>
  const char* prendi(size_t n, F cosa) {
    if (pronti() < n && !riempi(n)) {
      throw errore_decodifica(
          pos_, cosa() + " needs " + std::to_string(n) + " bytes, only " + std::to_string(pronti()) + " left");
    }
    const char* p = buf_.data() + inizio_;
    inizio_ += n;
    pos_ += n;
    return p;
  }
  template <typename F>
  uint16_t u16(F cosa) {
    return get_u16(prendi(2, cosa));
  }
  template <typename F>
  int16_t i16(F cosa) {
    return get_i16(prendi(2, cosa));
  }
  template <typename F>
  double f64(F cosa) {
    return get_f64(prendi(8, cosa));
  }

  bool alla_fine() { return pronti() == 0 && !riempi(1); }

  // The bytes from here to the end, read and counted.
  uint64_t conta_resto() {
    uint64_t n = pronti();
    inizio_ = fine_ = 0;
    if (buf_.size() < pezzo_) buf_.resize(pezzo_);
    while (!finito_) {
      const size_t letti = f_.leggi(buf_.data(), buf_.size());
      finito_ = letti == 0;
      n += letti;
    }
    return n;
  }

 private:
  size_t pronti() const { return fine_ - inizio_; }

  // Reads until n bytes are ready; false when the file ends first, with
  // every byte left in the buffer.
  bool riempi(size_t n) {
    if (inizio_ != 0) {
      std::memmove(buf_.data(), buf_.data() + inizio_, pronti());
      fine_ -= inizio_;
      inizio_ = 0;
    }
    if (buf_.size() < std::max(n, pezzo_)) buf_.resize(std::max(n, pezzo_));
    while (fine_ < n && !finito_) {
      const size_t letti = f_.leggi(buf_.data() + fine_, buf_.size() - fine_);
      finito_ = letti == 0;
      fine_ += letti;
    }
    return fine_ >= n;
  }

  fonte_byte& f_;
  size_t pezzo_;
  std::vector<char> buf_;
  size_t inizio_ = 0, fine_ = 0;  // the unread bytes of buf_
  uint64_t pos_ = 0;              // offset in the file of buf_[inizio_]
  bool finito_ = false;
};

class fonte_memoria : public fonte_byte {
 public:
  fonte_memoria(std::string_view dati, size_t pezzo) : dati_(dati), pezzo_(std::max<size_t>(pezzo, 1)) {}
  size_t leggi(char* dove, size_t quanti) override {
    const size_t n = std::min({quanti, pezzo_, dati_.size() - pos_});
    if (n != 0) std::memcpy(dove, dati_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  uint64_t dimensione() const override { return dati_.size(); }

 private:
  std::string_view dati_;
  size_t pezzo_;
  size_t pos_ = 0;
};

class fonte_file : public fonte_byte {
 public:
  fonte_file(const std::filesystem::path& percorso, collegamento c) : file_(percorso, c) {}
  size_t leggi(char* dove, size_t quanti) override { return file_.leggi(dove, quanti); }
  uint64_t dimensione() const override { return file_.dimensione(); }

 private:
  file_in_lettura file_;
};

// One reader per stored kind of member, chosen by the member's own type.
void da_byte(const char* p, uint8_t& v) { v = get_u8(p); }
void da_byte(const char* p, int16_t& v) { v = get_i16(p); }
void da_byte(const char* p, int32_t& v) { v = get_i32(p); }

// A member of a row; `dove` names the row in a refusal, which alone builds
// the text.
template <typename T>
void leggi_membro(cursore& c, T& v, const std::string& dove, const campo<riga_stazione>& m) {
  da_byte(c.prendi(formato_binario::larghezza(m.tipo), [&] { return dove + m.nome; }), v);
}
void leggi_membro(cursore& c, std::string& v, const std::string& dove, const campo<riga_stazione>& m) {
  auto cosa = [&] { return dove + "length of " + m.nome; };
  const uint16_t n = get_u16(c.prendi(formato_binario::larghezza(m.tipo), cosa));
  v.assign(c.prendi(n, [&] { return dove + m.nome; }), n);
}

riga_stazione leggi_riga(cursore& c, int numero) {
  const std::string dove = "row " + std::to_string(numero) + ", ";
  riga_stazione r;
  for (const campo<riga_stazione>& m : formato_binario::kCampiRiga) {
    formato_binario::visita(r, m, [&](auto& v) { leggi_membro(c, v, dove, m); });
  }
  return r;
}

// A cell from the kCampiCella bytes at p, which has no text.
cella leggi_cella(const char* p) {
  cella c;
  for (const campo<cella>& m : formato_binario::kCampiCella) {
    formato_binario::visita(c, m, [p](auto& v) {
      if constexpr (std::is_arithmetic_v<std::remove_reference_t<decltype(v)>>) da_byte(p, v);
    });
    p += formato_binario::larghezza(m.tipo);
  }
  return c;
}

// "0, 2 and 5": the tags a refusal lists as known.
std::string tag_noti() {
  std::string noti;
  const size_t n = std::size(formato_binario::kTag);
  for (size_t i = 0; i < n; ++i) {
    const uint16_t t = formato_binario::numero_tag(formato_binario::kTag[i]);
    noti += (i == 0 ? "" : i + 1 == n ? " and " : ", ") + std::to_string(t);
  }
  return noti;
}

valore_etichettato leggi_valore(cursore& c, uint64_t numero) {
  const uint64_t inizio = c.posizione();
  const uint16_t letto = c.u16([numero] { return "value " + std::to_string(numero) + " tag"; });
  const std::optional<tipo_valore> tipo = formato_binario::tipo_di(letto);
  auto valore = [numero, letto] { return "value " + std::to_string(numero) + " (tag " + std::to_string(letto) + ")"; };
  if (!tipo) {
    throw errore_decodifica(inizio, "value " + std::to_string(numero) + " has type tag " + std::to_string(letto) +
                                        "; known tags are " + tag_noti());
  }
  switch (*tipo) {
    case tipo_valore::intero:
      return {tipo_valore::intero, static_cast<double>(c.i16(valore))};
    case tipo_valore::doppio:
      return {tipo_valore::doppio, c.f64(valore)};
    case tipo_valore::vuoto:
      break;
  }
  return {tipo_valore::vuoto, 0};
}

}  // namespace

errore_decodifica::errore_decodifica(uint64_t offset, const std::string& cosa)
    : std::runtime_error("byte " + std::to_string(offset) + ": " + cosa), offset_(offset) {}

std::unique_ptr<fonte_byte> fonte_in_memoria(std::string_view dati, size_t pezzo) {
  return std::make_unique<fonte_memoria>(dati, pezzo);
}

apri_fonte apri_in_memoria(std::string_view dati, size_t pezzo) {
  return [dati, pezzo] { return fonte_in_memoria(dati, pezzo); };
}

apri_fonte apri_file(const std::filesystem::path& percorso, collegamento c) {
  return [percorso, c] { return std::make_unique<fonte_file>(percorso, c); };
}

tabella_stazioni_t decodifica_stazioni(fonte_byte& f) {
  cursore c(f);
  tabella_stazioni_t tabella;
  for (int r = 0; r < kRigheStazioni; ++r) tabella[r] = leggi_riga(c, r);
  const uint64_t dopo = c.posizione();
  if (const uint64_t resto = c.conta_resto(); resto != 0) {
    throw errore_decodifica(
        dopo, std::to_string(resto) + " bytes after row " + std::to_string(kRigheStazioni - 1) + ", the last row");
  }
  return tabella;
}

tabella_stazioni_t decodifica_stazioni(std::string_view dati) { return decodifica_stazioni(*fonte_in_memoria(dati)); }

void scorri_celle(fonte_byte& f, const std::function<void(uint64_t celle)>& inizio,
                  const std::function<void(uint64_t k, const cella& c)>& per_cella) {
  const uint64_t intere = f.dimensione() / kByteCella;
  if (f.dimensione() % kByteCella != 0) {
    throw errore_decodifica(intere * kByteCella, "cell " + std::to_string(intere) + " has only " +
                                                     std::to_string(f.dimensione() % kByteCella) + " of its 15 bytes");
  }
  inizio(intere);
  cursore c(f);
  for (uint64_t k = 0; k < intere; ++k) {
    per_cella(k, leggi_cella(c.prendi(kByteCella, [k] { return "cell " + std::to_string(k); })));
  }
  // Only a file that grew while it was read gets here with bytes left.
  if (!c.alla_fine()) throw errore_decodifica(c.posizione(), "the file grew while it was read");
}

std::vector<cella> decodifica_celle(fonte_byte& f) {
  std::vector<cella> celle;
  scorri_celle(
      f, [&](uint64_t n) { celle.reserve(n); }, [&](uint64_t, const cella& c) { celle.push_back(c); });
  return celle;
}

std::vector<cella> decodifica_celle(std::string_view dati) { return decodifica_celle(*fonte_in_memoria(dati)); }

// Two passes: the first checks every tag and counts the values, so that a
// bad file is refused before anything is handed out and the halves can be
// told apart; the second reads the x half and the y half side by side, from
// two openings of the file, so no half is ever held in memory.
void scorri_profilo(const apri_fonte& apri, const std::function<void(int32_t metri)>& inizio,
                    const std::function<void(int32_t metro, const valore_etichettato& x, const valore_etichettato& y,
                                             uint64_t byte_x, uint64_t byte_y)>& per_metro) {
  uint64_t conta = 0;
  uint64_t fine = 0;
  {
    std::unique_ptr<fonte_byte> f = apri();
    cursore c(*f);
    for (; !c.alla_fine(); ++conta) leggi_valore(c, conta);
    fine = c.posizione();
  }
  if (conta % 2 != 0) {
    throw errore_decodifica(fine, std::to_string(conta) + " tagged values; the x and y halves need an even count");
  }
  const uint64_t punti = conta / 2;
  if (punti > static_cast<uint64_t>(INT32_MAX)) throw errore_decodifica(0, "more metres than a profile can hold");
  inizio(static_cast<int32_t>(punti));
  if (punti == 0) return;

  std::unique_ptr<fonte_byte> fx = apri(), fy = apri();
  cursore x(*fx), y(*fy);
  for (uint64_t k = 0; k < punti; ++k) leggi_valore(y, k);
  const uint64_t inizio_y = y.posizione();
  for (uint64_t k = 0; k < punti; ++k) {
    const uint64_t byte_x = x.posizione(), byte_y = y.posizione();
    const valore_etichettato vx = leggi_valore(x, k);
    const valore_etichettato vy = leggi_valore(y, punti + k);
    per_metro(static_cast<int32_t>(k), vx, vy, byte_x, byte_y);
  }
  // The first pass saw a different file when the halves do not meet.
  if (x.posizione() != inizio_y || !y.alla_fine()) {
    throw errore_decodifica(y.posizione(), "the file changed while it was read");
  }
}

profilo decodifica_profilo(const apri_fonte& apri, const controllo_valore& controlla) {
  profilo p;
  auto imposta = [&p, &controlla](uint64_t byte, int32_t m, int coordinata, const valore_etichettato& v) {
    if (controlla) controlla(byte, m, coordinata, v);
    if (v.tipo == tipo_valore::intero) p.imposta_intero(m, coordinata, static_cast<int16_t>(v.valore));
    if (v.tipo == tipo_valore::doppio) p.imposta_doppio(m, coordinata, v.valore);
  };
  scorri_profilo(
      apri,
      [&p](int32_t metri) {
        if (metri != 0) p.crea(metri - 1);
      },
      [&imposta](int32_t m, const valore_etichettato& x, const valore_etichettato& y, uint64_t byte_x,
                 uint64_t byte_y) {
        imposta(byte_x, m, 0, x);
        imposta(byte_y, m, 1, y);
      });
  return p;
}

profilo decodifica_profilo(std::string_view dati) { return decodifica_profilo(apri_in_memoria(dati)); }

int32_t metri_numerati(const tabella_stazioni_t& t, int32_t posizione) {
  const riga_stazione* in_vigore = nullptr;
  for (int r = kPrimaRigaNumerazione; r <= kUltimaRigaNumerazione; ++r) {
    if (posizione >= t[r].inizio && (in_vigore == nullptr || t[r].inizio > in_vigore->inizio)) in_vigore = &t[r];
  }
  const int64_t m = static_cast<int64_t>(posizione) + (in_vigore == nullptr ? 0 : in_vigore->fine);
  return static_cast<int32_t>(std::clamp<int64_t>(m, INT32_MIN, INT32_MAX));
}

}  // namespace valdoro

#include "output/decodifica.h"

#include "util/coding.h"

namespace valdoro {

namespace {

constexpr size_t kByteCella = 15;

// A cursor over the file that checks every read against what is left.
class cursore {
 public:
  explicit cursore(std::string_view dati) : dati_(dati) {}

  size_t posizione() const { return pos_; }
  size_t resto() const { return dati_.size() - pos_; }

  // The next n bytes; `cosa` names them in the refusal when they are not there.
  const char* prendi(size_t n, const std::string& cosa) {
    if (n > resto()) {
      throw errore_decodifica(pos_, cosa + " needs " + std::to_string(n) + " bytes, only " +
                                        std::to_string(resto()) + " left");
    }
    const char* p = dati_.data() + pos_;
    pos_ += n;
    return p;
  }
  uint8_t u8(const std::string& cosa) { return get_u8(prendi(1, cosa)); }
  uint16_t u16(const std::string& cosa) { return get_u16(prendi(2, cosa)); }
  int16_t i16(const std::string& cosa) { return get_i16(prendi(2, cosa)); }
  int32_t i32(const std::string& cosa) { return get_i32(prendi(4, cosa)); }
  double f64(const std::string& cosa) { return get_f64(prendi(8, cosa)); }

 private:
  std::string_view dati_;
  size_t pos_ = 0;
};

riga_stazione leggi_riga(cursore& c, int numero) {
  const std::string riga = "row " + std::to_string(numero) + ", ";
  riga_stazione r;
  r.tipo = c.u8(riga + "tipo");
  r.inizio = c.i32(riga + "inizio");
  r.fine = c.i32(riga + "fine");
  r.progressiva = c.i32(riga + "progressiva");
  r.campo4 = c.u8(riga + "campo4");
  uint16_t n = c.u16(riga + "length of nome");
  r.nome.assign(c.prendi(n, riga + "nome"), n);
  r.campo7 = c.i16(riga + "campo7");
  r.campo8 = c.i16(riga + "campo8");
  r.campo10 = c.i16(riga + "campo10");
  r.campo11 = c.i16(riga + "campo11");
  r.campo12 = c.i16(riga + "campo12");
  r.campo9 = c.u8(riga + "campo9");
  r.campo13 = c.u8(riga + "campo13");
  r.campo6 = c.u8(riga + "campo6");
  r.campo5 = c.u8(riga + "campo5");
  r.orario = c.i32(riga + "orario");
  return r;
}

cella leggi_cella(const char* p) {
  cella c;
  c.tipo = get_u8(p);
  c.valore1 = get_i16(p + 1);
  c.valore2 = get_i16(p + 3);
  c.valore3 = get_i16(p + 5);
  c.valore4 = get_i16(p + 7);
  c.tempo = get_u8(p + 9);
  c.annuncio = get_u8(p + 10);
  c.montagna = get_u8(p + 11);
  c.velocita = get_u8(p + 12);
  c.pendenza = get_u8(p + 13);
  c.aderenza = get_u8(p + 14);
  return c;
}

valore_etichettato leggi_valore(cursore& c, size_t numero) {
  const std::string voce = "value " + std::to_string(numero);
  const size_t inizio = c.posizione();
  const uint16_t tag = c.u16(voce + " tag");
  switch (tag) {
    case 0:
      return {tipo_valore::vuoto, 0};
    case 2:
      return {tipo_valore::intero, static_cast<double>(c.i16(voce + " (tag 2)"))};
    case 5:
      return {tipo_valore::doppio, c.f64(voce + " (tag 5)")};
    default:
      throw errore_decodifica(inizio, voce + " has type tag " + std::to_string(tag) + "; known tags are 0, 2 and 5");
  }
}

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kAlti[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E,
    0x0178};

void aggiungi_utf8(std::string* dst, char32_t c) {
  if (c < 0x80) {
    dst->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    dst->push_back(static_cast<char>(0xC0 | (c >> 6)));
    dst->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    dst->push_back(static_cast<char>(0xE0 | (c >> 12)));
    dst->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    dst->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

errore_decodifica::errore_decodifica(size_t offset, const std::string& cosa)
    : std::runtime_error("byte " + std::to_string(offset) + ": " + cosa), offset_(offset) {}

tabella_stazioni_t decodifica_stazioni(std::string_view dati) {
  cursore c(dati);
  tabella_stazioni_t tabella;
  for (int r = 0; r < kRigheStazioni; ++r) tabella[r] = leggi_riga(c, r);
  if (c.resto() != 0) {
    throw errore_decodifica(c.posizione(), std::to_string(c.resto()) + " bytes after row " +
                                               std::to_string(kRigheStazioni - 1) + ", the last row");
  }
  return tabella;
}

std::vector<cella> decodifica_celle(std::string_view dati) {
  const size_t intere = dati.size() / kByteCella;
  if (dati.size() % kByteCella != 0) {
    throw errore_decodifica(intere * kByteCella, "cell " + std::to_string(intere) + " has only " +
                                                     std::to_string(dati.size() % kByteCella) + " of its 15 bytes");
  }
  std::vector<cella> celle;
  celle.reserve(intere);
  for (size_t k = 0; k < intere; ++k) celle.push_back(leggi_cella(dati.data() + k * kByteCella));
  return celle;
}

// Two passes: the first checks every tag and counts the values, so that the
// profile is sized once and a bad file costs no memory.
profilo decodifica_profilo(std::string_view dati) {
  size_t conta = 0;
  for (cursore c(dati); c.resto() != 0; ++conta) leggi_valore(c, conta);
  profilo p;
  if (conta == 0) return p;
  if (conta % 2 != 0) {
    throw errore_decodifica(dati.size(), std::to_string(conta) + " tagged values; the x and y halves need an even count");
  }
  const size_t punti = conta / 2;
  if (punti - 1 > static_cast<size_t>(INT32_MAX)) throw errore_decodifica(0, "more metres than a profile can hold");
  p.crea(static_cast<int32_t>(punti - 1));
  cursore c(dati);
  for (size_t k = 0; k < conta; ++k) {
    const valore_etichettato v = leggi_valore(c, k);
    const int32_t metro = static_cast<int32_t>(k % punti);
    const int coordinata = static_cast<int>(k / punti);
    if (v.tipo == tipo_valore::intero) p.imposta_intero(metro, coordinata, static_cast<int16_t>(v.valore));
    if (v.tipo == tipo_valore::doppio) p.imposta_doppio(metro, coordinata, v.valore);
  }
  return p;
}

std::string da_cp1252(std::string_view testo) {
  std::string utf8;
  utf8.reserve(testo.size());
  for (char ch : testo) {
    const auto b = static_cast<unsigned char>(ch);
    char32_t c = b;
    if (b >= 0x80 && b < 0xA0 && kAlti[b - 0x80] != 0) c = kAlti[b - 0x80];
    aggiungi_utf8(&utf8, c);
  }
  return utf8;
}

}  // namespace valdoro

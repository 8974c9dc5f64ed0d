// The layouts of the three binary files, declared once: the type tags of
// the profile's values, the record sizes, and for the station row and the
// track cell the list of members in the order they are stored.  The
// encoders (binari.cc), the decoders (decodifica.cc) and the dump all walk
// these lists, so a member is named, typed and placed here and nowhere else.
// docs/binary-files.md is the readers' account of the same layouts.
//
// The files are plain dumps with no header, count or padding: every member
// follows the one before, little-endian.  Each entry of a list takes the
// member of the model through a pointer of the member's own type, so a
// member of the model widened or narrowed no longer compiles here, instead
// of silently changing the files the simulator reads.
#ifndef VALDORO_OUTPUT_FORMATO_BINARIO_H_
#define VALDORO_OUTPUT_FORMATO_BINARIO_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>

#include "model/profilo.h"
#include "model/tabelle.h"

namespace valdoro {
namespace formato_binario {

// ---- the members of a record ----

// How a member is stored: a byte, a 16-bit integer, a 32-bit long, or a
// text (a 16-bit count, then that many single-byte characters).
enum class tipo_campo : uint8_t { byte, intero, lungo, testo };

// Bytes a member takes; of a text only its count, its characters vary.
constexpr size_t larghezza(tipo_campo t) {
  switch (t) {
    case tipo_campo::byte:
      return 1;
    case tipo_campo::intero:
      return 2;
    case tipo_campo::lungo:
      return 4;
    case tipo_campo::testo:
      break;
  }
  return 2;
}

// One member of a record R: its name, which the decoders' refusals and the
// dump print, how it is stored, and where it is in R.  Exactly one of the
// pointers is set, the one of `tipo`; the makers below set it.
template <typename R>
struct campo {
  const char* nome;
  tipo_campo tipo;
  uint8_t R::*byte;
  int16_t R::*intero;
  int32_t R::*lungo;
  std::string R::*testo;
};

template <typename R>
constexpr campo<R> come_byte(const char* nome, uint8_t R::*m) {
  return {nome, tipo_campo::byte, m, nullptr, nullptr, nullptr};
}
template <typename R>
constexpr campo<R> come_intero(const char* nome, int16_t R::*m) {
  return {nome, tipo_campo::intero, nullptr, m, nullptr, nullptr};
}
template <typename R>
constexpr campo<R> come_lungo(const char* nome, int32_t R::*m) {
  return {nome, tipo_campo::lungo, nullptr, nullptr, m, nullptr};
}
template <typename R>
constexpr campo<R> come_testo(const char* nome, std::string R::*m) {
  return {nome, tipo_campo::testo, nullptr, nullptr, nullptr, m};
}

// Calls f with the member of r that c names, as its own type (uint8_t,
// int16_t, int32_t or std::string), so that one generic lambda writes,
// reads or shows every kind.
template <typename R, typename F>
void visita(R& r, const campo<std::remove_const_t<R>>& c, F&& f) {
  switch (c.tipo) {
    case tipo_campo::byte:
      return f(r.*c.byte);
    case tipo_campo::intero:
      return f(r.*c.intero);
    case tipo_campo::lungo:
      return f(r.*c.lungo);
    case tipo_campo::testo:
      return f(r.*c.testo);
  }
}

// The member as a number; 0 for a text.
template <typename R>
int64_t numero(const R& r, const campo<R>& c) {
  switch (c.tipo) {
    case tipo_campo::byte:
      return r.*c.byte;
    case tipo_campo::intero:
      return r.*c.intero;
    case tipo_campo::lungo:
      return r.*c.lungo;
    case tipo_campo::testo:
      break;
  }
  return 0;
}

// ---- station table: rows 0 to 86, one after the other ----

// The members of a row in stored order.  The numbers in the names are the
// positions of the values in a "stazione" record, which is why they do not
// run in order.
inline constexpr campo<riga_stazione> kCampiRiga[] = {
    come_byte("tipo", &riga_stazione::tipo),         come_lungo("inizio", &riga_stazione::inizio),
    come_lungo("fine", &riga_stazione::fine),        come_lungo("progressiva", &riga_stazione::progressiva),
    come_byte("campo4", &riga_stazione::campo4),     come_testo("nome", &riga_stazione::nome),
    come_intero("campo7", &riga_stazione::campo7),   come_intero("campo8", &riga_stazione::campo8),
    come_intero("campo10", &riga_stazione::campo10), come_intero("campo11", &riga_stazione::campo11),
    come_intero("campo12", &riga_stazione::campo12), come_byte("campo9", &riga_stazione::campo9),
    come_byte("campo13", &riga_stazione::campo13),   come_byte("campo6", &riga_stazione::campo6),
    come_byte("campo5", &riga_stazione::campo5),     come_lungo("orario", &riga_stazione::orario),
};
inline constexpr size_t kNumeroCampiRiga = std::size(kCampiRiga);

// ---- track: every cell, one after the other ----

// 15 bytes a cell: there is no alignment byte after `tipo`.
inline constexpr campo<cella> kCampiCella[] = {
    come_byte("tipo", &cella::tipo),         come_intero("valore1", &cella::valore1),
    come_intero("valore2", &cella::valore2), come_intero("valore3", &cella::valore3),
    come_intero("valore4", &cella::valore4), come_byte("tempo", &cella::tempo),
    come_byte("annuncio", &cella::annuncio), come_byte("montagna", &cella::montagna),
    come_byte("velocita", &cella::velocita), come_byte("pendenza", &cella::pendenza),
    come_byte("aderenza", &cella::aderenza),
};
inline constexpr size_t kNumeroCampiCella = std::size(kCampiCella);

// ---- where the members fall ----

// Where member i of a list starts, not counting the characters of a text
// before it: in a station row the members after `nome` start that many
// bytes later.
template <typename R, size_t N>
constexpr size_t offset(const campo<R> (&campi)[N], size_t i) {
  size_t o = 0;
  for (size_t k = 0; k < i && k < N; ++k) o += larghezza(campi[k].tipo);
  return o;
}

// The bytes of a record, not counting the characters of its texts.
template <typename R, size_t N>
constexpr size_t byte_record(const campo<R> (&campi)[N]) {
  return offset(campi, N);
}

// The index of a member in its list, found by its pointer: the dump gives
// some members names of their own.  N when the list lacks it.
template <typename R, typename T, size_t N>
constexpr size_t indice(const campo<R> (&campi)[N], T R::*m) {
  for (size_t k = 0; k < N; ++k) {
    if constexpr (std::is_same_v<T, uint8_t>) {
      if (campi[k].byte == m) return k;
    } else if constexpr (std::is_same_v<T, int16_t>) {
      if (campi[k].intero == m) return k;
    } else if constexpr (std::is_same_v<T, int32_t>) {
      if (campi[k].lungo == m) return k;
    } else {
      if (campi[k].testo == m) return k;
    }
  }
  return N;
}

// A station row with an empty name; each name adds its byte length.
inline constexpr size_t kByteRigaSenzaNome = byte_record(kCampiRiga);
inline constexpr size_t kByteCella = byte_record(kCampiCella);

// ---- line profile: tagged values, all x before all y ----

// The type tag before each value of the profile.
enum class tag : uint16_t { vuoto = 0, intero = 2, doppio = 5 };
inline constexpr tag kTag[] = {tag::vuoto, tag::intero, tag::doppio};
inline constexpr size_t kByteTag = 2;

inline constexpr uint16_t numero_tag(tag t) { return static_cast<uint16_t>(t); }

inline constexpr tag tag_di(tipo_valore t) {
  switch (t) {
    case tipo_valore::intero:
      return tag::intero;
    case tipo_valore::doppio:
      return tag::doppio;
    case tipo_valore::vuoto:
      break;
  }
  return tag::vuoto;
}

// The kind of value a tag read from a file announces; none for a tag the
// files never carry.
inline constexpr std::optional<tipo_valore> tipo_di(uint16_t t) {
  switch (static_cast<tag>(t)) {
    case tag::vuoto:
      return tipo_valore::vuoto;
    case tag::intero:
      return tipo_valore::intero;
    case tag::doppio:
      return tipo_valore::doppio;
  }
  return std::nullopt;
}

// Bytes of a value after its tag: nothing, a 16-bit integer, or a double.
inline constexpr size_t byte_dopo_tag(tipo_valore t) {
  switch (t) {
    case tipo_valore::intero:
      return 2;
    case tipo_valore::doppio:
      return 8;
    case tipo_valore::vuoto:
      break;
  }
  return 0;
}
inline constexpr size_t kByteValoreMassimo = kByteTag + 8;

}  // namespace formato_binario
}  // namespace valdoro

#endif  // VALDORO_OUTPUT_FORMATO_BINARIO_H_

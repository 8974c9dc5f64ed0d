#include "output/binari.h"

#include "util/coding.h"

namespace valdoro {

namespace {

// Stored type tags of the tagged values.
constexpr uint16_t kTagVuoto = 0;
constexpr uint16_t kTagIntero = 2;
constexpr uint16_t kTagDoppio = 5;

}  // namespace

void codifica_riga(std::string* dst, const riga_stazione& r) {
  put_u8(dst, r.tipo);
  put_i32(dst, r.inizio);
  put_i32(dst, r.fine);
  put_i32(dst, r.progressiva);
  put_u8(dst, r.campo4);
  put_text(dst, r.nome);
  put_i16(dst, r.campo7);
  put_i16(dst, r.campo8);
  put_i16(dst, r.campo10);
  put_i16(dst, r.campo11);
  put_i16(dst, r.campo12);
  put_u8(dst, r.campo9);
  put_u8(dst, r.campo13);
  put_u8(dst, r.campo6);
  put_u8(dst, r.campo5);
  put_i32(dst, r.orario);
}

std::string codifica_stazioni(const tabella_stazioni_t& tabella) {
  std::string dati;
  for (const riga_stazione& riga : tabella) codifica_riga(&dati, riga);
  return dati;
}

void codifica_cella(std::string* dst, const cella& c) {
  put_u8(dst, c.tipo);
  put_i16(dst, c.valore1);
  put_i16(dst, c.valore2);
  put_i16(dst, c.valore3);
  put_i16(dst, c.valore4);
  put_u8(dst, c.tempo);
  put_u8(dst, c.annuncio);
  put_u8(dst, c.montagna);
  put_u8(dst, c.velocita);
  put_u8(dst, c.pendenza);
  put_u8(dst, c.aderenza);
}

std::string codifica_celle(const std::vector<cella>& celle) {
  std::string dati;
  dati.reserve(celle.size() * 15);
  for (const cella& c : celle) codifica_cella(&dati, c);
  return dati;
}

namespace {

size_t byte_valore(const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::intero:
      return 4;
    case tipo_valore::doppio:
      return 10;
    case tipo_valore::vuoto:
      break;
  }
  return 2;
}

char* scrivi_valore(char* p, const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::vuoto:
      return encode_u16(p, kTagVuoto);
    case tipo_valore::intero:
      return encode_u16(encode_u16(p, kTagIntero), static_cast<uint16_t>(static_cast<int16_t>(v.valore)));
    case tipo_valore::doppio:
      return encode_f64(encode_u16(p, kTagDoppio), v.valore);
  }
  return p;
}

}  // namespace

void codifica_valore(std::string* dst, const valore_etichettato& v) {
  const size_t inizio = dst->size();
  dst->resize(inizio + byte_valore(v));
  scrivi_valore(dst->data() + inizio, v);
}

void codifica_profilo(const profilo& p, const std::function<void(std::string_view)>& consegna) {
  constexpr size_t kPezzo = 64 * 1024;
  constexpr size_t kValoreMassimo = 10;
  std::vector<char> pezzo(kPezzo + kValoreMassimo);
  char* const inizio = pezzo.data();
  char* cursore = inizio;
  // Held in locals: every byte stored through cursore could otherwise
  // alias the profile's members and force them to be read again.
  const size_t n = p.dimensione();
  const tipo_valore* const tipi = p.tipi_in_ordine();
  const double* const valori = p.valori_in_ordine();
  for (size_t k = 0; k < n; ++k) {
    cursore = scrivi_valore(cursore, {tipi[k], valori[k]});
    if (static_cast<size_t>(cursore - inizio) >= kPezzo) {
      consegna(std::string_view(inizio, static_cast<size_t>(cursore - inizio)));
      cursore = inizio;
    }
  }
  if (cursore != inizio) consegna(std::string_view(inizio, static_cast<size_t>(cursore - inizio)));
}

std::string codifica_profilo(const profilo& p) {
  std::string dati;
  codifica_profilo(p, [&](std::string_view pezzo) { dati.append(pezzo); });
  return dati;
}

}  // namespace valdoro

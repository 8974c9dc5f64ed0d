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

void codifica_valore(std::string* dst, const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::vuoto:
      put_u16(dst, kTagVuoto);
      break;
    case tipo_valore::intero:
      put_u16(dst, kTagIntero);
      put_i16(dst, static_cast<int16_t>(v.valore));
      break;
    case tipo_valore::doppio:
      put_u16(dst, kTagDoppio);
      put_f64(dst, v.valore);
      break;
  }
}

std::string codifica_profilo(const profilo& p) {
  std::string dati;
  dati.reserve(p.dimensione() * 10);
  for (size_t k = 0; k < p.dimensione(); ++k) codifica_valore(&dati, p.in_ordine(k));
  return dati;
}

}  // namespace valdoro

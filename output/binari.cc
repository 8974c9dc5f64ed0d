#include "output/binari.h"

#include "output/formato_binario.h"
#include "util/coding.h"

namespace valdoro {

namespace {

using formato_binario::campo;

// One writer per stored kind of member, chosen by the member's own type.
void scrivi(std::string* dst, uint8_t v) { put_u8(dst, v); }
void scrivi(std::string* dst, int16_t v) { put_i16(dst, v); }
void scrivi(std::string* dst, int32_t v) { put_i32(dst, v); }
void scrivi(std::string* dst, const std::string& v) { put_text(dst, v); }

template <typename R, size_t N>
void codifica_record(std::string* dst, const R& r, const campo<R> (&campi)[N]) {
  for (const campo<R>& c : campi) formato_binario::visita(r, c, [dst](const auto& v) { scrivi(dst, v); });
}

}  // namespace

void codifica_riga(std::string* dst, const riga_stazione& r) { codifica_record(dst, r, formato_binario::kCampiRiga); }

std::string codifica_stazioni(const tabella_stazioni_t& tabella) {
  std::string dati;
  for (const riga_stazione& riga : tabella) codifica_riga(&dati, riga);
  return dati;
}

void codifica_cella(std::string* dst, const cella& c) { codifica_record(dst, c, formato_binario::kCampiCella); }

std::string codifica_celle(const std::vector<cella>& celle) {
  std::string dati;
  dati.reserve(celle.size() * formato_binario::kByteCella);
  for (const cella& c : celle) codifica_cella(&dati, c);
  return dati;
}

namespace {

using formato_binario::numero_tag;
using formato_binario::tag;

size_t byte_valore(const valore_etichettato& v) {
  return formato_binario::kByteTag + formato_binario::byte_dopo_tag(v.tipo);
}

// The tag is a constant in each case: the profile holds millions of values.
char* scrivi_valore(char* p, const valore_etichettato& v) {
  switch (v.tipo) {
    case tipo_valore::vuoto:
      return encode_u16(p, numero_tag(tag::vuoto));
    case tipo_valore::intero:
      return encode_u16(encode_u16(p, numero_tag(tag::intero)), static_cast<uint16_t>(static_cast<int16_t>(v.valore)));
    case tipo_valore::doppio:
      return encode_f64(encode_u16(p, numero_tag(tag::doppio)), v.valore);
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
  std::vector<char> pezzo(kPezzo + formato_binario::kByteValoreMassimo);
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

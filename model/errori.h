// Every error number the system knows.  What each one means, and what an
// author does about it, is in the catalogue of diagnostics
// (compiler/catalogo.h); here are only the numbers, which the stored tables'
// users and the packager's messages need.
#ifndef VALDORO_MODEL_ERRORI_H_
#define VALDORO_MODEL_ERRORI_H_

#include <cstdint>
#include <stdexcept>
#include <string>

namespace valdoro {

enum class numero_errore : int32_t {
  lunghezza_eccessiva = 1,
  progressiva_fuori_griglia = 2,
  inizio_ripetizione_fuori_griglia = 3,
  fine_ripetizione_fuori_griglia = 4,
  codici_ripetizione = 5,
  cartello_su_cella_presa = 6,
  restrizione_su_cella_presa = 7,
  stazione_fuori_griglia = 8,
  lunghezza_stazione = 9,
  righe_stazioni_esaurite = 10,
  marca_dopo_avviso = 11,
  finestra_inizio_rallentamento = 12,
  marca_ripetuta = 13,
  oltre_il_binario = 15,
  segnale_su_cella_presa = 16,
  avviso_rallentamento_preso = 17,
  inizio_rallentamento_preso = 18,
  fine_rallentamento_presa = 19,
  preavviso_preso = 20,
  cartello_velocita_preso = 21,
  stazioni_vicine = 22,
  fine_stazione_in_testa = 24,
  lettura = 25,
  senza_linea = 101,
  senza_generale = 102,
  curva = 103,
  binario_corto = 201,
  senza_binario = 210,
  troppe_montagne = 211,
  posizione_negativa = 212,
  montagna_oltre = 213,
  troppi_cartelli = 214,
  pendenza_oltre = 215,
  curva_oltre = 216,
  pendenza_fuori_campo = 217,
  lunghezza_negativa = 218,
  stazione_oltre = 230,
  segnale_vicino_inizio = 231,
  rallentamento_fuori = 232,
  restrizione_negativa = 233,
  passata_fuori = 250,
  riservate_occupate = 1250,
  codici_occupati = 1251,
};

inline int32_t numero_di(numero_errore e) { return static_cast<int32_t>(e); }

// A clash in the reserved identity slots: the run must end with the message
// " Errore n. " and the number, before any binary file is touched.
class errore_fatale : public std::runtime_error {
 public:
  explicit errore_fatale(numero_errore numero)
      : std::runtime_error(" Errore n. " + std::to_string(numero_di(numero))), numero_(numero) {}
  numero_errore numero() const { return numero_; }

 private:
  numero_errore numero_;
};

}  // namespace valdoro

#endif  // VALDORO_MODEL_ERRORI_H_

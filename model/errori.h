// Every error number the system knows, with its meaning: the numbers that
// the compiler, the finishing pass and the identity codes record or raise.
#ifndef VALDORO_MODEL_ERRORI_H_
#define VALDORO_MODEL_ERRORI_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {

struct voce_errore {
  int32_t numero;
  const char* significato;
};

// The whole table, in rising order of number.
const std::vector<voce_errore>& tabella_errori();

// The meaning of a number, or "unknown error" for a number not in the table.
std::string significato_errore(int32_t numero);

// Records a consistency error: the last one recorded wins, together with
// where it arose (an empty luogo for errors found outside the sources) and,
// when the raising place knows the value and the limit it passed, the text
// that says them (empty: the table's meaning stands).
void registra_errore(scenario& s, int32_t numero, luogo dove = {}, std::string testo = {});

// Error 102 when "[generale]" is there but nothing follows it: the number
// stays, the author hears what happened.
inline constexpr char kGeneraleVuota[] = "line source's [generale] section is empty: nothing follows it";

// Adds a warning; the tables are not touched.
void annota_avviso(scenario& s, luogo dove, std::string testo);

// One line for a recorded error: "FILE:LINE:COL: error N: text", without
// the location when none is known; the text is the raising place's own, or
// the table's meaning.
std::string descrivi_errore(const scenario& s);

// A clash in the reserved identity slots: the run must end with the message
// " Errore n. " and the number, before any binary file is touched.
class errore_fatale : public std::runtime_error {
 public:
  explicit errore_fatale(std::string numero)
      : std::runtime_error(" Errore n. " + numero), numero_(std::move(numero)) {}
  const std::string& numero() const { return numero_; }

 private:
  std::string numero_;
};

}  // namespace valdoro

#endif  // VALDORO_MODEL_ERRORI_H_

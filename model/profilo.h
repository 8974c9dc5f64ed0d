// The plan of the line, one point per metre, as tagged values: each entry is
// empty, a 16-bit integer or a double.  The kind is part of the stored file,
// so it is kept beside the number rather than inferred from it.
#ifndef VALDORO_MODEL_PROFILO_H_
#define VALDORO_MODEL_PROFILO_H_

#include <cassert>
#include <cstdint>
#include <vector>

namespace valdoro {

enum class tipo_valore : uint8_t { vuoto, intero, doppio };

struct valore_etichettato {
  tipo_valore tipo = tipo_valore::vuoto;
  double valore = 0;  // an intero is held exactly as a double
};

// Two coordinates (0 = x, 1 = y) for each metre 0..N.  Storage keeps all x
// before all y, the order in which the file carries them.
class profilo {
 public:
  // Creates metres 0..n, every entry empty.
  void crea(int32_t n);
  void elimina();
  bool esiste() const { return !valori_.empty(); }
  // N, the last metre; -1 when the profile does not exist.
  int32_t ultimo_metro() const { return static_cast<int32_t>(valori_.size() / 2) - 1; }

  valore_etichettato leggi(int32_t metro, int coordinata) const {
    size_t k = indice(metro, coordinata);
    return {tipi_[k], valori_[k]};
  }
  double numero(int32_t metro, int coordinata) const { return valori_[indice(metro, coordinata)]; }
  void imposta_intero(int32_t metro, int coordinata, int16_t v) { imposta(metro, coordinata, tipo_valore::intero, v); }
  void imposta_doppio(int32_t metro, int coordinata, double v) { imposta(metro, coordinata, tipo_valore::doppio, v); }

  // Entries in storage order: first index fastest.
  size_t dimensione() const { return valori_.size(); }
  valore_etichettato in_ordine(size_t k) const { return {tipi_[k], valori_[k]}; }

 private:
  // The callers keep metro and coordinata in range; the assert is there for
  // the fuzzer, since a metro one past N would land among the y entries.
  size_t indice(int32_t metro, int coordinata) const {
    assert(metro >= 0 && metro <= ultimo_metro() && (coordinata == 0 || coordinata == 1));
    return static_cast<size_t>(coordinata) * (valori_.size() / 2) + static_cast<size_t>(metro);
  }
  void imposta(int32_t metro, int coordinata, tipo_valore t, double v) {
    size_t k = indice(metro, coordinata);
    tipi_[k] = t;
    valori_[k] = v;
  }
  std::vector<double> valori_;
  std::vector<tipo_valore> tipi_;
};

}  // namespace valdoro

#endif  // VALDORO_MODEL_PROFILO_H_

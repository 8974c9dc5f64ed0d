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
  // Creates metres 0..n, every entry empty.  The entries are laid out at
  // their first use: a source may give its route length again and again,
  // and laying out a million metres for each repeat took seconds.
  void crea(int32_t n);
  void elimina();
  bool esiste() const { return punti() != 0; }
  // N, the last metre; -1 when the profile does not exist.
  int32_t ultimo_metro() const { return static_cast<int32_t>(punti()) - 1; }

  valore_etichettato leggi(int32_t metro, int coordinata) const {
    size_t k = indice(metro, coordinata);
    return {tipi_[k], valori_[k]};
  }
  double numero(int32_t metro, int coordinata) const { return valori_[indice(metro, coordinata)]; }
  void imposta_intero(int32_t metro, int coordinata, int16_t v) { imposta(metro, coordinata, tipo_valore::intero, v); }
  void imposta_doppio(int32_t metro, int coordinata, double v) { imposta(metro, coordinata, tipo_valore::doppio, v); }
  // Both coordinates of a metre as doubles: the plan is drawn a point at a
  // time, and one index serves the pair.
  void imposta_punto(int32_t metro, double x, double y) {
    const size_t k = indice(metro, 0);
    const size_t ky = k + valori_.size() / 2;
    tipi_[k] = tipo_valore::doppio;
    tipi_[ky] = tipo_valore::doppio;
    valori_[k] = x;
    valori_[ky] = y;
  }

  // Entries in storage order: first index fastest.
  size_t dimensione() const { return 2 * punti(); }
  // As two arrays of dimensione() elements, for the encoder's pass over
  // millions of them.
  const tipo_valore* tipi_in_ordine() const {
    disponi();
    return tipi_.data();
  }
  const double* valori_in_ordine() const {
    disponi();
    return valori_.data();
  }

 private:
  size_t punti() const { return in_attesa_ != 0 ? in_attesa_ : valori_.size() / 2; }
  // Lays out the points that crea asked for, every entry empty.  Checked
  // inline: every access passes here.
  void disponi() const {
    if (in_attesa_ != 0) disponi_ora();
  }
  void disponi_ora() const;
  // The callers keep metro and coordinata in range; the assert is there for
  // the fuzzer, since a metro one past N would land among the y entries.
  size_t indice(int32_t metro, int coordinata) const {
    disponi();
    assert(metro >= 0 && metro <= ultimo_metro() && (coordinata == 0 || coordinata == 1));
    return static_cast<size_t>(coordinata) * (valori_.size() / 2) + static_cast<size_t>(metro);
  }
  void imposta(int32_t metro, int coordinata, tipo_valore t, double v) {
    size_t k = indice(metro, coordinata);
    tipi_[k] = t;
    valori_[k] = v;
  }
  mutable std::vector<double> valori_;
  mutable std::vector<tipo_valore> tipi_;
  mutable size_t in_attesa_ = 0;  // points asked for and not laid out yet
};

}  // namespace valdoro

#endif  // VALDORO_MODEL_PROFILO_H_

#include "draw/corsa.h"

#include <cmath>

namespace valdoro {
namespace disegno {

namespace {

constexpr double kKmhPerMs = 3.6;

// The points of one column: kept in the order they come along the track.
class colonna_corsa {
 public:
  explicit colonna_corsa(std::vector<punto_corsa>& out) : out_(out) {}
  void aggiungi(int64_t colonna, punto_corsa p) {
    if (colonna != colonna_) {
      chiudi();
      colonna_ = colonna;
      primo_ = ultimo_ = minimo_ = massimo_ = p;
      return;
    }
    if (p.kmh < minimo_.kmh) minimo_ = p;
    if (p.kmh > massimo_.kmh) massimo_ = p;
    ultimo_ = p;
  }
  void chiudi() {
    if (colonna_ == INT64_MIN) return;
    const bool minimo_prima = minimo_.metro <= massimo_.metro;
    for (const punto_corsa& p :
         {primo_, minimo_prima ? minimo_ : massimo_, minimo_prima ? massimo_ : minimo_, ultimo_}) {
      if (out_.empty() || out_.back().metro != p.metro) out_.push_back(p);
    }
    colonna_ = INT64_MIN;
  }

 private:
  std::vector<punto_corsa>& out_;
  int64_t colonna_ = INT64_MIN;
  punto_corsa primo_{}, ultimo_{}, minimo_{}, massimo_{};
};

}  // namespace

std::vector<std::vector<punto_corsa>> punti_corsa(const std::vector<tratta_marcia>& tratte, double metri_colonna) {
  std::vector<std::vector<punto_corsa>> out;
  for (const tratta_marcia& t : tratte) {
    if (!t.c.raggiungibile || t.c.velocita.empty()) continue;
    out.emplace_back();
    colonna_corsa colonna(out.back());
    for (size_t i = 0; i < t.c.velocita.size(); ++i) {
      const int32_t metro = t.da.posizione + static_cast<int32_t>(i);
      colonna.aggiungi(static_cast<int64_t>(std::floor(metro / metri_colonna)), {metro, t.c.velocita[i] * kKmhPerMs});
    }
    colonna.chiudi();
  }
  return out;
}

}  // namespace disegno
}  // namespace valdoro

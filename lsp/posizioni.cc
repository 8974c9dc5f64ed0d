#include "lsp/posizioni.h"

#include <algorithm>

#include "compiler/codifica.h"

namespace valdoro {
namespace lsp {

namespace {

// The length of the character at riga[i]: a byte that starts no
// well-formed sequence is a character of its own, as the conversion to
// the code page reads it.
size_t lunghezza_carattere(std::string_view riga, size_t i) {
  const size_t n = static_cast<unsigned char>(riga[i]) < 0x80 ? 1 : sequenza_utf8(riga, i);
  return n == 0 ? 1 : n;
}

}  // namespace

righe_testo::righe_testo(std::string_view testo) : testo_(testo) {
  inizi_.push_back(0);
  for (size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] == '\n' || (testo[i] == '\r' && (i + 1 >= testo.size() || testo[i + 1] != '\n'))) {
      inizi_.push_back(i + 1);
    }
  }
}

std::string_view righe_testo::riga(size_t n) const {
  if (n >= inizi_.size()) return {};
  const size_t inizio = inizi_[n];
  size_t fine = inizio;
  while (fine < testo_.size() && testo_[fine] != '\r' && testo_[fine] != '\n') ++fine;
  return testo_.substr(inizio, fine - inizio);
}

size_t righe_testo::scostamento(posizione p) const {
  if (p.riga < 0) return 0;
  if (static_cast<size_t>(p.riga) >= inizi_.size()) return testo_.size();
  const std::string_view r = riga(static_cast<size_t>(p.riga));
  return inizi_[static_cast<size_t>(p.riga)] + byte_del_carattere(r, caratteri_da_utf16(r, p.carattere));
}

size_t righe_testo::riga_di(size_t scostamento) const {
  return static_cast<size_t>(std::upper_bound(inizi_.begin(), inizi_.end(), scostamento) - inizi_.begin()) - 1;
}

int32_t unita_utf16(std::string_view riga, int32_t caratteri) {
  int32_t unita = 0, visti = 0;
  for (size_t i = 0; i < riga.size() && visti < caratteri; ++visti) {
    const size_t n = lunghezza_carattere(riga, i);
    unita += n == 4 ? 2 : 1;  // past U+FFFF a character takes a surrogate pair
    i += n;
  }
  return unita + std::max(0, caratteri - visti);
}

int32_t caratteri_da_utf16(std::string_view riga, int32_t unita) {
  int32_t contate = 0, caratteri = 0;
  for (size_t i = 0; i < riga.size();) {
    const size_t n = lunghezza_carattere(riga, i);
    const int32_t u = n == 4 ? 2 : 1;
    // A place inside a surrogate pair stands for its character.
    if (contate + u > unita) return caratteri;
    contate += u;
    ++caratteri;
    i += n;
  }
  return caratteri;
}

size_t byte_del_carattere(std::string_view riga, int32_t caratteri) {
  size_t i = 0;
  for (int32_t visti = 0; i < riga.size() && visti < caratteri; ++visti) i += lunghezza_carattere(riga, i);
  return std::min(i, riga.size());
}

int32_t caratteri_fino_a(std::string_view riga, size_t byte) {
  int32_t caratteri = 0;
  for (size_t i = 0; i < riga.size() && i < byte; ++caratteri) i += lunghezza_carattere(riga, i);
  return caratteri;
}

}  // namespace lsp
}  // namespace valdoro

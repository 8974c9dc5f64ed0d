#include "cli/terminale.h"

namespace valdoro {

namespace {

void esadecimale(std::string& out, unsigned char b) {
  static const char kCifre[] = "0123456789ABCDEF";
  out += "\\x";
  out += kCifre[b >> 4];
  out += kCifre[b & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `s`, 0 when
// there is none (a stray continuation byte, an overlong form, a surrogate,
// a code point past U+10FFFF, a sequence cut short).
size_t sequenza(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  size_t n = 0;
  unsigned char minimo = 0x80, massimo = 0xBF;  // the second byte's range
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) minimo = 0xA0;
    if (c == 0xED) massimo = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) minimo = 0x90;
    if (c == 0xF4) massimo = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < n || b(1) < minimo || b(1) > massimo) return 0;
  for (size_t i = 2; i < n; ++i) {
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
  }
  return n;
}

}  // namespace

std::string per_terminale(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) {
        esadecimale(out, c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const size_t n = sequenza(utf8.substr(i));
    if (n == 0) {
      esadecimale(out, c);
      ++i;
      continue;
    }
    // U+0080 to U+009F are C2 80 to C2 9F: shown by their code point, the
    // code page's own byte.
    const auto secondo = static_cast<unsigned char>(utf8[i + 1]);
    if (c == 0xC2 && secondo < 0xA0) {
      esadecimale(out, secondo);
    } else {
      out.append(utf8.substr(i, n));
    }
    i += n;
  }
  return out;
}

}  // namespace valdoro

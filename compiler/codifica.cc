#include "compiler/codifica.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "util/cp1252.h"

namespace valdoro {

namespace {

bool continuazione(unsigned char c) { return (c & 0xC0) == 0x80; }

std::string codice(uint32_t u) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(u));
  return buf;
}

uint32_t punto_codice(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i])); };
  if (s.size() == 2) return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
  if (s.size() == 3) return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
  return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
}

}  // namespace

size_t sequenza_utf8(std::string_view t, size_t i) {
  const unsigned char c = static_cast<unsigned char>(t[i]);
  size_t n = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  if (n == 0 || i + n > t.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if (!continuazione(static_cast<unsigned char>(t[i + k]))) return 0;
  }
  // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
  const uint32_t u = punto_codice(t.substr(i, n));
  if ((n == 3 && u < 0x800) || (n == 4 && (u < 0x10000 || u > 0x10FFFF)) || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return n;
}

sorgente_convertita da_utf8(std::string_view testo, const std::string& nome) {
  sorgente_convertita r;
  r.testo.reserve(testo.size());
  if (testo.substr(0, 3) == "\xEF\xBB\xBF") testo.remove_prefix(3);
  int32_t riga = 1, colonna = 1;
  auto guasto = [&](std::string messaggio) {
    diagnostica d;
    d.livello = gravita::errore;
    d.regola = kCodificaIllegibile;
    d.dove = luogo{nome, riga, colonna};
    d.messaggio = std::move(messaggio);
    r.guasti.push_back(std::move(d));
  };
  for (size_t i = 0; i < testo.size();) {
    const unsigned char c = static_cast<unsigned char>(testo[i]);
    size_t n = 1;
    if (c < 0x80) {
      r.testo += static_cast<char>(c);
      if (c == '\n') riga += 1, colonna = 0;
    } else if ((n = sequenza_utf8(testo, i)) == 0) {
      n = 1;
      char buf[8];
      std::snprintf(buf, sizeof buf, "%02X", c);
      guasto(std::string("byte ") + buf + " is not UTF-8: with --encoding utf-8 the source must be saved as UTF-8");
      r.testo += '?';
    } else {
      try {
        r.testo += in_cp1252(testo.substr(i, n));
      } catch (const std::invalid_argument&) {
        guasto("character " + codice(punto_codice(testo.substr(i, n))) +
               " is not in Windows-1252, the code page the scenario's files are stored in");
        r.testo += '?';
      }
    }
    i += n;
    colonna += 1;
  }
  return r;
}

}  // namespace valdoro

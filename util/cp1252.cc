#include "util/cp1252.h"

#include <stdexcept>

namespace valdoro {

namespace {

// Code points of bytes 0x80 to 0x9F; 0 where the code page has no character.
// Every other byte is the code point of its own number.
constexpr char32_t kAlti[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool alto(unsigned char b) { return b >= 0x80 && b < 0xA0; }

char byte_di(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kAlti[i] != 0 && kAlti[i] == c) return static_cast<char>(0x80 + i);
  }
  throw std::invalid_argument("character U+" + std::to_string(static_cast<unsigned long>(c)) +
                              " has no Windows-1252 byte");
}

// A hole keeps its own number, as a C1 control.
char32_t carattere_di(unsigned char b) { return alto(b) && kAlti[b - 0x80] != 0 ? kAlti[b - 0x80] : b; }

// Only code points below U+10000 come out of the table.
void aggiungi_utf8(std::string* dst, char32_t c) {
  if (c < 0x80) {
    dst->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    dst->push_back(static_cast<char>(0xC0 | (c >> 6)));
    dst->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    dst->push_back(static_cast<char>(0xE0 | (c >> 12)));
    dst->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    dst->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::string in_cp1252(std::string_view utf8) {
  std::string uscita;
  uscita.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int seguiti = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (seguiti < 0 || i + static_cast<size_t>(seguiti) >= utf8.size()) {
      throw std::invalid_argument("malformed UTF-8 text");
    }
    char32_t c = seguiti == 0 ? b : (b & (0x3F >> seguiti));
    for (int k = 1; k <= seguiti; ++k) {
      unsigned char s = static_cast<unsigned char>(utf8[i + k]);
      if ((s & 0xC0) != 0x80) throw std::invalid_argument("malformed UTF-8 text");
      c = (c << 6) | (s & 0x3F);
    }
    uscita.push_back(byte_di(c));
    i += static_cast<size_t>(seguiti) + 1;
  }
  return uscita;
}

std::string da_cp1252(std::string_view testo) {
  std::string utf8;
  utf8.reserve(testo.size());
  for (char ch : testo) aggiungi_utf8(&utf8, carattere_di(static_cast<unsigned char>(ch)));
  return utf8;
}

bool definito_in_cp1252(unsigned char b) { return !alto(b) || kAlti[b - 0x80] != 0; }

}  // namespace valdoro

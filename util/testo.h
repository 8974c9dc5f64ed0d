// Letter case the way the sources' keywords know it: ASCII only, so that a
// Windows-1252 letter of a name is never taken for another.
#ifndef VALDORO_UTIL_TESTO_H_
#define VALDORO_UTIL_TESTO_H_

#include <string>
#include <string_view>

namespace valdoro {

inline char minuscola(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string in_minuscole(std::string_view v) {
  std::string s(v);
  for (char& c : s) c = minuscola(c);
  return s;
}

inline char maiuscola(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Capitals as the papers print names; a letter beyond ASCII stays as it is.
inline std::string in_maiuscole(std::string_view v) {
  std::string s(v);
  for (char& c : s) c = maiuscola(c);
  return s;
}

}  // namespace valdoro

#endif  // VALDORO_UTIL_TESTO_H_

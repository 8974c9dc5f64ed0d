// Output of the test programs: UTF-8 lines on a binary stdout, so that
// the texts compare byte for byte with the expected files on the Linux side.
#ifndef VALDORO_TESTS_WINDOWS_USCITA_H_
#define VALDORO_TESTS_WINDOWS_USCITA_H_

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

inline void uscita_binaria() { _setmode(_fileno(stdout), _O_BINARY); }

inline std::string utf8(const std::wstring& largo) {
  if (largo.empty()) return std::string();
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), nullptr, 0, nullptr, nullptr);
  std::string stretto(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), stretto.data(), n, nullptr, nullptr);
  return stretto;
}

inline std::string testo_finestra(HWND finestra) {
  wchar_t testo[512] = {};
  GetWindowTextW(finestra, testo, 512);
  return utf8(testo);
}

inline std::string classe_finestra(HWND finestra) {
  wchar_t classe[256] = {};
  GetClassNameW(finestra, classe, 256);
  return utf8(classe);
}

inline void riga(const std::string& testo) {
  std::fwrite(testo.data(), 1, testo.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

#endif  // VALDORO_TESTS_WINDOWS_USCITA_H_

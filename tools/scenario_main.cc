#include <iostream>
#include <string>
#include <vector>

#include "tools/comandi.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

namespace {

// The command line in UTF-8, the encoding every path of the tool is read
// in.  Windows hands main() its arguments in the ANSI code page, where a
// name outside it is lost; the wide command line keeps every name.
std::vector<std::string> argomenti_utf8(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  std::vector<std::string> argomenti;
  int n = 0;
  wchar_t** larghi = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 0; larghi != nullptr && i < n; ++i) {
    const int lunghezza = static_cast<int>(wcslen(larghi[i]));
    const int byte = WideCharToMultiByte(CP_UTF8, 0, larghi[i], lunghezza, nullptr, 0, nullptr, nullptr);
    std::string stretto(static_cast<size_t>(byte), '\0');
    WideCharToMultiByte(CP_UTF8, 0, larghi[i], lunghezza, stretto.data(), byte, nullptr, nullptr);
    argomenti.push_back(stretto);
  }
  LocalFree(larghi);
  // What the tool prints is UTF-8 too, with the same line ends as on
  // Linux: a dump is the same bytes on both.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return argomenti;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> argomenti = argomenti_utf8(argc, argv);
  // Results go out through write(2), so that a full disk or a closed output
  // is seen and reported rather than cutting the output short in silence.
  valdoro::uscita_controllata uscita(1);
  std::ostream out(&uscita);
  if (argomenti.size() == 2 && argomenti[1] == "--version") {
    out << "scenario " << VALDORO_VERSIONE << "\n" << std::flush;
    if (out) return valdoro::kEsitoBuono;
    std::cerr << "scenario: cannot write standard output\n";
    return valdoro::kEsitoUso;
  }
  std::vector<const char*> puntatori;
  for (const std::string& a : argomenti) puntatori.push_back(a.c_str());
  return valdoro::esegui_scenario(static_cast<int>(puntatori.size()), puntatori.data(), out, std::cerr);
}

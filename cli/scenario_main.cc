#include <iostream>
#include <string>
#include <vector>

#include "cli/comandi.h"
#include "cli/sistema.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

namespace {

#ifdef _WIN32
// The console's code page when the tool started, put back however it ends:
// the console outlives the tool, and the next program in it expects its
// own page.
UINT pagina_iniziale = 0;

void rimetti_pagina() {
  if (pagina_iniziale != 0) SetConsoleOutputCP(pagina_iniziale);
}

BOOL WINAPI al_segnale_di_fine(DWORD) {
  rimetti_pagina();
  return FALSE;  // the default handler then ends the process
}

struct pagina_console {
  pagina_console() {
    pagina_iniziale = GetConsoleOutputCP();
    SetConsoleCtrlHandler(al_segnale_di_fine, TRUE);
    SetConsoleOutputCP(CP_UTF8);
  }
  ~pagina_console() {
    rimetti_pagina();
    SetConsoleCtrlHandler(al_segnale_di_fine, FALSE);
  }
};

// Messages go to standard error whole, one write each: a console draws a
// UTF-8 character only when its bytes come in one write, and the C
// runtime's unbuffered stderr hands the last byte of an odd-length piece
// over by itself, so that an accented letter ending a path came out as two
// wrong characters.  In a console they go as UTF-16, which shows right
// whatever its code page; anywhere else as the UTF-8 bytes.
class errori_interi : public std::streambuf {
 public:
  errori_interi() = default;
  errori_interi(const errori_interi&) = delete;
  errori_interi& operator=(const errori_interi&) = delete;
  ~errori_interi() override { scrivi(attesa_); }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) attesa_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    attesa_.append(s, static_cast<size_t>(n));
    return n;
  }
  // Only whole lines: a message is written in pieces, each followed by a
  // flush when the stream is unit-buffered.
  int sync() override {
    const size_t fine = attesa_.rfind('\n');
    if (fine == std::string::npos) return 0;
    const bool scritto = scrivi(attesa_.substr(0, fine + 1));
    attesa_.erase(0, fine + 1);
    return scritto ? 0 : -1;
  }

 private:
  static bool scrivi(const std::string& testo) {
    if (testo.empty()) return true;
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    DWORD modo = 0;
    if (h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &modo)) {
      const int n = MultiByteToWideChar(CP_UTF8, 0, testo.data(), static_cast<int>(testo.size()), nullptr, 0);
      std::wstring largo(static_cast<size_t>(n), L'\0');
      MultiByteToWideChar(CP_UTF8, 0, testo.data(), static_cast<int>(testo.size()), largo.data(), n);
      DWORD scritti = 0;
      return WriteConsoleW(h, largo.data(), static_cast<DWORD>(largo.size()), &scritti, nullptr) != 0;
    }
    for (size_t fatto = 0; fatto < testo.size();) {
      const long n = valdoro::scrivi_descrittore(2, testo.data() + fatto, testo.size() - fatto);
      if (n <= 0) return false;
      fatto += static_cast<size_t>(n);
    }
    return true;
  }

  std::string attesa_;
};

// Started by a double click, the tool has a console of its own, which
// closes as soon as it ends; from a prompt it shares the prompt's.
bool console_propria() {
  DWORD processi[2];
  return GetConsoleProcessList(processi, 2) == 1;
}
#endif

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
  // "/?" is what Windows users try first for a program's help.
  if (argomenti.size() == 2 && argomenti[1] == "/?") argomenti[1] = "--help";
  // What the tool prints has the same line ends as on Linux: a dump is the
  // same bytes on both.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return argomenti;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

int esegui(const std::vector<std::string>& argomenti, std::ostream& out, std::ostream& err) {
  std::vector<const char*> puntatori;
  for (const std::string& a : argomenti) puntatori.push_back(a.c_str());
  return valdoro::esegui_scenario(static_cast<int>(puntatori.size()), puntatori.data(), out, err);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // What the tool prints is UTF-8.
  pagina_console pagina;
#endif
  const std::vector<std::string> argomenti = argomenti_utf8(argc, argv);
  // Results go out through write(2), so that a full disk or a closed output
  // is seen and reported rather than cutting the output short in silence.
  valdoro::uscita_controllata uscita(1);
  std::ostream out(&uscita);
#ifdef _WIN32
  errori_interi errori;
  std::ostream err(&errori);
  err.setf(std::ios::unitbuf);
#else
  std::ostream& err = std::cerr;
#endif
#ifdef _WIN32
  // Double-clicked, it shows how it is used, and the window stays until
  // the user has read it.
  if (argomenti.size() == 1 && console_propria()) {
    esegui({argomenti[0], "--help"}, out, err);
    out << "\nscenario is a console program: run it from a Command Prompt or PowerShell.\n"
           "Press Enter to close this window.\n"
        << std::flush;
    std::string riga;
    std::getline(std::cin, riga);
    return valdoro::kEsitoBuono;
  }
#endif
  return esegui(argomenti, out, err);
}

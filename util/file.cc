#include "util/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace valdoro {

namespace fs = std::filesystem;

namespace {

guasto_scrittura& guasto_attivo() {
  static guasto_scrittura guasto;
  return guasto;
}

std::string motivo_errno(int numero) { return numero != 0 ? std::strerror(numero) : "input/output error"; }

fs::path percorso_temporaneo(const fs::path& percorso) {
  fs::path temporaneo = percorso;
  temporaneo += ".tmp";
  return temporaneo;
}

void scrivi_temporaneo(const fs::path& temporaneo, const fs::path& percorso, std::string_view contenuto) {
  errno = 0;
  std::ofstream uscita(temporaneo, std::ios::binary | std::ios::trunc);
  if (!uscita) throw errore_file("write", percorso, motivo_errno(errno));
  if (guasto_attivo()) guasto_attivo()(percorso);
  uscita.write(contenuto.data(), static_cast<std::streamsize>(contenuto.size()));
  uscita.flush();
  if (!uscita) throw errore_file("write", percorso, motivo_errno(errno));
  uscita.close();
  if (!uscita) throw errore_file("write", percorso, motivo_errno(errno));
}

}  // namespace

errore_file::errore_file(const std::string& verbo, const fs::path& percorso, const std::string& motivo)
    : std::runtime_error("cannot " + verbo + " " + percorso.u8string() + ": " + motivo), percorso_(percorso) {}

void scrivi_file(const fs::path& percorso, std::string_view contenuto) {
  const fs::path temporaneo = percorso_temporaneo(percorso);
  try {
    scrivi_temporaneo(temporaneo, percorso, contenuto);
    std::error_code ec;
    fs::rename(temporaneo, percorso, ec);
    if (ec) throw errore_file("write", percorso, ec.message());
  } catch (...) {
    std::error_code ignorato;
    fs::remove(temporaneo, ignorato);
    throw;
  }
}

std::string leggi_file(const fs::path& percorso) {
  errno = 0;
  std::ifstream ingresso(percorso, std::ios::binary);
  if (!ingresso) throw errore_file("read", percorso, motivo_errno(errno));
  std::string contenuto;
  char blocco[65536];
  while (ingresso.read(blocco, sizeof blocco) || ingresso.gcount() > 0) {
    contenuto.append(blocco, static_cast<size_t>(ingresso.gcount()));
  }
  if (ingresso.bad()) throw errore_file("read", percorso, motivo_errno(errno));
  return contenuto;
}

void cancella_file(const fs::path& percorso) {
  std::error_code ec;
  fs::remove(percorso, ec);
  if (ec) throw errore_file("delete", percorso, ec.message());
}

bool esiste_file(const fs::path& percorso) {
  std::error_code ec;
  return fs::is_regular_file(percorso, ec);
}

void imposta_guasto_scrittura(guasto_scrittura guasto) { guasto_attivo() = std::move(guasto); }

}  // namespace valdoro

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

}  // namespace

errore_file::errore_file(const std::string& verbo, const fs::path& percorso, const std::string& motivo)
    : std::runtime_error("cannot " + verbo + " " + percorso.u8string() + ": " + motivo), percorso_(percorso) {}

file_in_scrittura::file_in_scrittura(fs::path percorso)
    : percorso_(std::move(percorso)), temporaneo_(percorso_temporaneo(percorso_)) {
  errno = 0;
  uscita_.open(temporaneo_, std::ios::binary | std::ios::trunc);
  if (!uscita_) throw errore_file("write", percorso_, motivo_errno(errno));
  try {
    if (guasto_attivo()) guasto_attivo()(percorso_);
  } catch (...) {
    scarta();  // the destructor of an unfinished constructor never runs
    throw;
  }
}

file_in_scrittura::~file_in_scrittura() {
  if (!concluso_) scarta();
}

void file_in_scrittura::aggiungi(std::string_view pezzo) {
  errno = 0;
  uscita_.write(pezzo.data(), static_cast<std::streamsize>(pezzo.size()));
  if (!uscita_) throw errore_file("write", percorso_, motivo_errno(errno));
}

void file_in_scrittura::concludi() {
  errno = 0;
  uscita_.flush();
  if (!uscita_) throw errore_file("write", percorso_, motivo_errno(errno));
  uscita_.close();
  if (!uscita_) throw errore_file("write", percorso_, motivo_errno(errno));
  std::error_code ec;
  fs::rename(temporaneo_, percorso_, ec);
  if (ec) throw errore_file("write", percorso_, ec.message());
  concluso_ = true;
}

void file_in_scrittura::scarta() noexcept {
  uscita_.close();
  std::error_code ignorato;
  fs::remove(temporaneo_, ignorato);
}

void scrivi_file(const fs::path& percorso, std::string_view contenuto) {
  file_in_scrittura file(percorso);
  file.aggiungi(contenuto);
  file.concludi();
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

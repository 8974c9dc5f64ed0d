// The parts of the file layer that every platform shares; the system calls
// are in file_posix.cc and file_windows.cc.
#include "util/file.h"

#include <cstdint>
#include <random>

#include "util/file_interno.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

guasto_fasi& guasto_attivo() {
  static guasto_fasi guasto;
  return guasto;
}

guasto_lettura& guasto_lettura_attivo() {
  static guasto_lettura guasto;
  return guasto;
}

sorgente_caso& caso_di_prova() {
  static sorgente_caso caso;
  return caso;
}

uint64_t numero_a_caso() {
  if (caso_di_prova()) return caso_di_prova()();
  static std::random_device caso;
  return (uint64_t{caso()} << 32) ^ caso();
}

constexpr char kSuffissoTemporaneo[] = ".valdoro-tmp";
constexpr size_t kCifreCaso = 16;

bool cifra_esadecimale(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

errore_file::errore_file(const std::string& verbo, const fs::path& percorso, const std::string& motivo,
                         natura_guasto natura)
    : std::runtime_error("cannot " + verbo + " " + percorso.u8string() + ": " + motivo),
      percorso_(percorso),
      verbo_(verbo),
      motivo_(motivo),
      natura_(natura) {}

errore_cartella_occupata::errore_cartella_occupata(const fs::path& cartella)
    : std::runtime_error("another run is writing in " + cartella.u8string()) {}

// TARGET.<16 hex digits>.valdoro-tmp: the digits come from the system's
// random source, so another user of the folder cannot plant the name first.
fs::path percorso_temporaneo(const fs::path& percorso) {
  const uint64_t numero = numero_a_caso();
  static const char cifre[] = "0123456789abcdef";
  std::string coda(kCifreCaso, '0');
  for (size_t i = 0; i < kCifreCaso; ++i) coda[i] = cifre[(numero >> (4 * (kCifreCaso - 1 - i))) & 0xF];
  fs::path temporaneo = percorso;
  temporaneo += "." + coda + kSuffissoTemporaneo;
  return temporaneo;
}

bool nome_temporaneo(const std::string& nome) {
  const size_t suffisso = sizeof kSuffissoTemporaneo - 1;
  if (nome.size() < suffisso + kCifreCaso + 2) return false;
  if (nome.compare(nome.size() - suffisso, suffisso, kSuffissoTemporaneo) != 0) return false;
  const size_t inizio = nome.size() - suffisso - kCifreCaso;
  if (nome[inizio - 1] != '.') return false;
  for (size_t i = inizio; i < inizio + kCifreCaso; ++i) {
    if (!cifra_esadecimale(nome[i])) return false;
  }
  return true;
}

bool temporaneo_di(const std::string& nome, const std::vector<std::string>& nostri) {
  if (!nome_temporaneo(nome)) return false;
  const std::string bersaglio = nome.substr(0, nome.size() - (sizeof kSuffissoTemporaneo - 1) - kCifreCaso - 1);
  for (const std::string& n : nostri) {
    if (n == bersaglio) return true;
  }
  return false;
}

void chiama_guasto(const fs::path& percorso, fase_scrittura fase) {
  if (guasto_attivo()) guasto_attivo()(percorso, fase);
}

void imposta_guasto_fasi(guasto_fasi guasto) { guasto_attivo() = std::move(guasto); }

void imposta_guasto_scrittura(guasto_scrittura guasto) {
  if (!guasto) {
    guasto_attivo() = nullptr;
    return;
  }
  guasto_attivo() = [guasto = std::move(guasto)](const fs::path& percorso, fase_scrittura fase) {
    if (fase == fase_scrittura::apertura) guasto(percorso);
  };
}

void chiama_guasto_lettura(const fs::path& percorso) {
  if (guasto_lettura_attivo()) guasto_lettura_attivo()(percorso);
}

void imposta_guasto_lettura(guasto_lettura guasto) { guasto_lettura_attivo() = std::move(guasto); }

void imposta_caso_temporanei(sorgente_caso caso) { caso_di_prova() = std::move(caso); }

std::string motivo_nomi_occupati() {
  return "all " + std::to_string(kProveTemporaneo) + " names tried for its temporary file were taken";
}

std::string descrivi_limite(std::uintmax_t limite) {
  if (limite != 0 && limite % (1u << 20) == 0) {
    return "larger than the " + std::to_string(limite >> 20) + " MiB an input may have";
  }
  return "larger than the " + std::to_string(limite) + " bytes an input may have";
}

void scrivi_file(const fs::path& percorso, std::string_view contenuto, durata d) {
  file_in_scrittura file(percorso, d);
  file.aggiungi(contenuto);
  file.concludi();
}

std::string leggi_file(const fs::path& percorso, collegamento c, std::uintmax_t limite) {
  file_in_lettura file(percorso, c, limite);
  // One byte more than the size, so the end is seen without growing.
  std::string contenuto(static_cast<size_t>(file.dimensione()) + 1, '\0');
  size_t letti = 0;
  for (;;) {
    // A file that grew since it was opened gets room as it comes.
    if (letti == contenuto.size()) contenuto.resize(contenuto.size() + 65536);
    const size_t n = file.leggi(&contenuto[letti], contenuto.size() - letti);
    if (n == 0) break;
    letti += n;
  }
  contenuto.resize(letti);
  return contenuto;
}

}  // namespace valdoro

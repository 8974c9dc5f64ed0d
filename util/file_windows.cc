// The file layer's system calls on Windows.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cwctype>
#include <system_error>

#include "util/file.h"
#include "util/file_interno.h"

namespace valdoro {

namespace fs = std::filesystem;

namespace {

// The system's own wording of an error, as a Windows user reads it
// elsewhere, in UTF-8 and without the closing full stop.
std::string motivo_sistema(DWORD codice) {
  wchar_t* testo = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, codice, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
  std::wstring largo = n != 0 && testo != nullptr ? std::wstring(testo, n) : std::wstring();
  if (testo != nullptr) LocalFree(testo);
  while (!largo.empty() && (std::iswspace(largo.back()) || largo.back() == L'.')) largo.pop_back();
  if (largo.empty()) return "system error " + std::to_string(codice);
  return fs::path(largo).u8string();
}

std::string ultimo_motivo() { return motivo_sistema(GetLastError()); }

// A path too long for the system, said of what the user can shorten: the
// name itself when, with a temporary's suffix, it is longer than a folder
// entry may be; otherwise the folder's path.
bool percorso_troppo_lungo(DWORD codice, const fs::path& temporaneo) {
  return codice == ERROR_FILENAME_EXCED_RANGE ||
         (codice == ERROR_PATH_NOT_FOUND && temporaneo.native().size() >= MAX_PATH);
}

std::string motivo_percorso_lungo(const fs::path& temporaneo) {
  if (temporaneo.filename().native().size() > 255) return "the file's name is too long";
  return "the folder's path is too long";
}

// Whether the file open is the one looked at before: the file's number is
// known only once it is open, its creation time before.
bool stesso_file(const BY_HANDLE_FILE_INFORMATION& a, const WIN32_FILE_ATTRIBUTE_DATA& prima) {
  return a.ftCreationTime.dwLowDateTime == prima.ftCreationTime.dwLowDateTime &&
         a.ftCreationTime.dwHighDateTime == prima.ftCreationTime.dwHighDateTime &&
         (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == (prima.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The steps of a replacement, where a failure means different things.
enum class passo { crea, scrive, rinomina };

// The last failure of a write, told apart by the system's code and by what
// stands at the target's name.  "Access denied" is three faults: creating
// the temporary, the folder refuses to be written in; renaming it over the
// target, a folder stands there, or the target is open in a program that
// did not share its deletion (the simulator holding its files), or the
// target is marked read-only, which a rename never replaces.
errore_file errore_scrittura(const fs::path& percorso, passo p) {
  const DWORD codice = GetLastError();
  natura_guasto natura = natura_guasto::altro;
  switch (codice) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      natura = natura_guasto::in_uso;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      natura = natura_guasto::disco_pieno;
      break;
    case ERROR_WRITE_PROTECT:
      natura = natura_guasto::non_scrivibile;
      break;
    case ERROR_ACCESS_DENIED: {
      const DWORD attributi = GetFileAttributesW(percorso.c_str());
      const bool c_e = attributi != INVALID_FILE_ATTRIBUTES;
      if (c_e && (attributi & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        natura = natura_guasto::cartella_al_nome;
      } else if (p == passo::crea) {
        natura = natura_guasto::non_scrivibile;
      } else if (p == passo::rinomina && c_e && (attributi & FILE_ATTRIBUTE_READONLY) != 0) {
        natura = natura_guasto::sola_lettura;
      } else if (p == passo::rinomina && c_e) {
        natura = natura_guasto::in_uso;
      }
      break;
    }
    default:
      break;
  }
  return errore_file("write", percorso, motivo_sistema(codice), natura);
}

// The test seam at a point of a write; a system error it throws is told as
// the system call's own refusal at that step would be.
void guasto_di_prova(const fs::path& percorso, fase_scrittura fase, passo p) {
  try {
    chiama_guasto(percorso, fase);
  } catch (const std::system_error& e) {
    if (e.code().category() != std::system_category()) throw;
    SetLastError(static_cast<DWORD>(e.code().value()));
    throw errore_scrittura(percorso, p);
  }
}

HANDLE maniglia(intptr_t m) { return reinterpret_cast<HANDLE>(m); }
intptr_t da_maniglia(HANDLE h) { return reinterpret_cast<intptr_t>(h); }
const intptr_t kNessuna = da_maniglia(INVALID_HANDLE_VALUE);

// The temporaries of our own names that a killed run left, never through a
// link.
void rimuovi_temporanei(const fs::path& cartella, const std::vector<std::string>& nostri) {
  if (nostri.empty()) return;
  std::error_code ec;
  for (fs::directory_iterator voce(cartella, ec), fine; !ec && voce != fine; voce.increment(ec)) {
    if (!temporaneo_di(voce->path().filename().u8string(), nostri)) continue;
    std::error_code ec_stato;
    if (fs::is_regular_file(voce->symlink_status(ec_stato))) DeleteFileW(voce->path().c_str());
  }
}

// A name for the folder's mutex, from what the folder is rather than how
// it was reached: the volume's serial number and the folder's file number.
// A drive letter mapped onto the folder, a share or a link to it give
// other paths to the very same folder, and two runs through two of them
// must still wait for each other.  A file system that numbers no files
// (some network shares give 0) puts every folder of its volume under one
// lock: runs there wait for each other more often, never overlap.
std::wstring nome_mutex(const fs::path& cartella) {
  HANDLE h = CreateFileW(cartella.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw errore_file("lock", cartella, ultimo_motivo());
  BY_HANDLE_FILE_INFORMATION info;
  const bool letta = GetFileInformationByHandle(h, &info) != 0;
  const std::string motivo = letta ? std::string() : ultimo_motivo();
  CloseHandle(h);
  if (!letta) throw errore_file("lock", cartella, motivo);
  wchar_t nome[64];
  swprintf(nome, 64, L"Local\\valdoro-cartella-%08lx-%08lx%08lx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
           static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
  return nome;
}

}  // namespace

file_in_lettura::file_in_lettura(const fs::path& percorso, collegamento c, std::uintmax_t limite)
    : percorso_(percorso), limite_(limite), maniglia_(kNessuna) {
  // Looked at before it is opened: opening a device may do something.  A
  // device's name (NUL, COM1, \\.\...) is no file of a folder.
  WIN32_FILE_ATTRIBUTE_DATA prima;
  if (!GetFileAttributesExW(percorso.c_str(), GetFileExInfoStandard, &prima)) {
    throw errore_file("read", percorso, ultimo_motivo());
  }
  wchar_t pieno[MAX_PATH];
  const DWORD lunghezza = GetFullPathNameW(percorso.c_str(), MAX_PATH, pieno, nullptr);
  const bool collegato = (prima.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((prima.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) ||
      (lunghezza >= 4 && lunghezza < MAX_PATH && std::wstring(pieno, 4) == L"\\\\.\\")) {
    throw errore_file("read", percorso, "it is a device, not a regular file");
  }
  if (collegato && c == collegamento::rifiuta) {
    throw errore_file("read", percorso, "it is a symbolic link, not a regular file");
  }
  if (!collegato && (prima.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw errore_file("read", percorso, "it is a directory");
  }
  if (!collegato && ((std::uintmax_t{prima.nFileSizeHigh} << 32) | prima.nFileSizeLow) > limite) {
    throw errore_file("read", percorso, descrivi_limite(limite));
  }
  chiama_guasto_lettura(percorso);
  // Backup semantics let a directory open, so that it is refused by name
  // below rather than as a bare "access denied".
  DWORD flag = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN;
  if (c == collegamento::rifiuta) flag |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h = CreateFileW(percorso.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, flag, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw errore_file("read", percorso, ultimo_motivo());
  BY_HANDLE_FILE_INFORMATION info;
  std::string motivo;
  if (!GetFileInformationByHandle(h, &info)) {
    motivo = ultimo_motivo();
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    motivo = "it is a directory";
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    motivo = "it is a symbolic link, not a regular file";
  } else if (GetFileType(h) != FILE_TYPE_DISK) {
    motivo = "not a regular file";
  } else if (!collegato && !stesso_file(info, prima)) {
    motivo = "it was replaced while it was being opened";
  } else {
    dimensione_ = (std::uintmax_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (dimensione_ > limite) motivo = descrivi_limite(limite);
  }
  if (!motivo.empty()) {
    CloseHandle(h);
    throw errore_file("read", percorso, motivo);
  }
  maniglia_ = da_maniglia(h);
}

file_in_lettura::~file_in_lettura() { CloseHandle(maniglia(maniglia_)); }

size_t file_in_lettura::leggi(char* dove, size_t quanti) {
  const std::uintmax_t resto = limite_ - letti_ + 1;
  if (quanti > resto) quanti = static_cast<size_t>(resto);
  if (quanti > (1u << 30)) quanti = 1u << 30;
  DWORD n = 0;
  if (!ReadFile(maniglia(maniglia_), dove, static_cast<DWORD>(quanti), &n, nullptr)) {
    throw errore_file("read", percorso_, ultimo_motivo());
  }
  letti_ += n;
  if (letti_ > limite_) throw errore_file("read", percorso_, descrivi_limite(limite_));
  return n;
}

file_in_scrittura::file_in_scrittura(fs::path percorso, durata d)
    : percorso_(std::move(percorso)), maniglia_(kNessuna), durata_(d) {
  for (int prova = 1; maniglia_ == kNessuna; ++prova) {
    temporaneo_ = percorso_temporaneo(percorso_);
    HANDLE h = CreateFileW(temporaneo_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      maniglia_ = da_maniglia(h);
    } else if (percorso_troppo_lungo(GetLastError(), temporaneo_)) {
      throw errore_file("write", percorso_, motivo_percorso_lungo(temporaneo_));
    } else if (GetLastError() != ERROR_FILE_EXISTS) {
      throw errore_scrittura(percorso_, passo::crea);
    } else if (prova == kProveTemporaneo) {
      throw errore_file("write", percorso_, motivo_nomi_occupati());
    }
  }
  try {
    guasto_di_prova(percorso_, fase_scrittura::apertura, passo::crea);
  } catch (...) {
    scarta();
    throw;
  }
}

file_in_scrittura::~file_in_scrittura() {
  if (!concluso_) scarta();
}

void file_in_scrittura::aggiungi(std::string_view pezzo) {
  while (!pezzo.empty()) {
    const DWORD quanti = static_cast<DWORD>(std::min<size_t>(pezzo.size(), 1u << 30));
    DWORD scritti = 0;
    if (!WriteFile(maniglia(maniglia_), pezzo.data(), quanti, &scritti, nullptr) || scritti == 0) {
      throw errore_scrittura(percorso_, passo::scrive);
    }
    pezzo.remove_prefix(scritti);
  }
  guasto_di_prova(percorso_, fase_scrittura::pezzo, passo::scrive);
}

void file_in_scrittura::concludi() {
  if (durata_ == durata::durevole) {
    guasto_di_prova(percorso_, fase_scrittura::scarico, passo::scrive);
    if (!FlushFileBuffers(maniglia(maniglia_))) throw errore_scrittura(percorso_, passo::scrive);
  }
  HANDLE h = maniglia(maniglia_);
  maniglia_ = kNessuna;
  if (!CloseHandle(h)) throw errore_scrittura(percorso_, passo::scrive);
  guasto_di_prova(percorso_, fase_scrittura::rinomina, passo::rinomina);
  const DWORD modo = MOVEFILE_REPLACE_EXISTING | (durata_ == durata::durevole ? MOVEFILE_WRITE_THROUGH : 0);
  if (!MoveFileExW(temporaneo_.c_str(), percorso_.c_str(), modo)) {
    throw errore_scrittura(percorso_, passo::rinomina);
  }
  concluso_ = true;
}

void file_in_scrittura::scarta() noexcept {
  if (maniglia_ != kNessuna) CloseHandle(maniglia(maniglia_));
  maniglia_ = kNessuna;
  DeleteFileW(temporaneo_.c_str());
}

void sincronizza_cartella(const fs::path&) {}

void cancella_file(const fs::path& percorso) {
  if (!DeleteFileW(percorso.c_str())) {
    const DWORD codice = GetLastError();
    if (codice != ERROR_FILE_NOT_FOUND && codice != ERROR_PATH_NOT_FOUND) {
      throw errore_file("delete", percorso, motivo_sistema(codice));
    }
  }
}

bool esiste_file(const fs::path& percorso) {
  const DWORD attributi = GetFileAttributesW(percorso.c_str());
  return attributi != INVALID_FILE_ATTRIBUTES &&
         (attributi & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

blocco_cartella::blocco_cartella(const fs::path& cartella, const std::vector<std::string>& nostri,
                                 std::chrono::milliseconds attesa)
    : maniglia_(0) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nome_mutex(cartella).c_str());
  if (mutex == nullptr) throw errore_file("lock", cartella, ultimo_motivo());
  // An abandoned mutex is one whose holder was killed: the lock is ours.
  const DWORD esito = WaitForSingleObject(mutex, static_cast<DWORD>(attesa.count()));
  if (esito != WAIT_OBJECT_0 && esito != WAIT_ABANDONED) {
    CloseHandle(mutex);
    throw errore_cartella_occupata(cartella);
  }
  maniglia_ = da_maniglia(mutex);
  rimuovi_temporanei(cartella, nostri);
}

blocco_cartella::~blocco_cartella() {
  ReleaseMutex(maniglia(maniglia_));
  CloseHandle(maniglia(maniglia_));
}

}  // namespace valdoro

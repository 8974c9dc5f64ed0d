// Everything the program can tell a player, declared once: the Windows
// message boxes and the lines of the command line.  The players' read-me
// files quote every text here; a test holds them to it.
//
// A text may hold fields in angle brackets, filled when it is shown:
// <file> the file, as the player knows it; <folder> the program's folder;
// <reason> the system's own words; <verb>, <argument>, <version>; <missing>
// a line naming the simulator's files not in the folder, or nothing; <MB>
// is always kMegabyteNecessari.
#ifndef VALDORO_APP_MESSAGGI_H_
#define VALDORO_APP_MESSAGGI_H_

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace valdoro {

enum class messaggio : uint8_t {
  in_uso,
  cartella_al_nome,
  cartella_protetta,
  cartella_non_scrivibile,
  disco_pieno,
  file_sola_lettura,
  cartella_occupata,
  guasto_file,
  guasto,
  dentro_archivio,
  argomento_ignoto,
  uso,
  versione,
};

struct voce_messaggio {
  messaggio chi;
  const char* testo;
};

extern const voce_messaggio kMessaggi[];
extern const size_t kNumeroMessaggi;

// Room a run needs on the disk: its files, and the temporaries beside
// them while they are replaced.
inline constexpr int kMegabyteNecessari = 5;

using campi = std::vector<std::pair<std::string, std::string>>;

// The text of a message with its fields filled.
std::string componi(messaggio m, const campi& c = {});

// The box for a fault that ended a run in the program's folder.  protetta:
// the folder is one that the system keeps for programs installed by an
// administrator.
std::string testo_guasto(const std::exception& e, const std::filesystem::path& cartella, bool protetta);

// Whether percorso is base or lies inside it, for Windows paths in UTF-8:
// either slash, any case of ASCII letters, a trailing separator or not.
bool dentro_cartella(const std::string& percorso, const std::string& base);

// Whether the program's folder is, or lies inside, one of the temporary
// folders (the user's and the system's): whatever archive tool put it
// there, Explorer, 7-Zip or WinRAR, the tool or the system deletes that
// copy again, and the files written beside it with it.  A drive's root
// (TEMP set to "C:\") is no temporary folder to refuse: every folder of
// the disk would be refused with it.
bool in_cartella_temporanea(const std::string& cartella, const std::vector<std::string>& temporanee);

}  // namespace valdoro

#endif  // VALDORO_APP_MESSAGGI_H_

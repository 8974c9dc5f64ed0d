// The writing sequence shared by the five text writers: a list of lines
// closed by the end sentinel, written with CR LF in Windows-1252.
#ifndef VALDORO_SOURCES_SCRITTURA_H_
#define VALDORO_SOURCES_SCRITTURA_H_

#include <filesystem>
#include <string>
#include <vector>

#include "util/file.h"

namespace valdoro {

// The entry that marks where a file ends; never written itself.
inline constexpr char kSentinella[] = "riferimento fine del file";

// Room of the line list: entries 0 to 1000, so at most 1000 lines a file.
constexpr int kVociElenco = 1001;

// Writes the lines (UTF-8 in the program) as the file `nome` in `cartella`,
// replacing any earlier file of that name.  Stops at the first line equal to
// the sentinel.  Throws std::length_error when the lines and the sentinel do
// not fit the list, std::invalid_argument for a character Windows-1252 lacks,
// errore_file when the file cannot be written.
void scrivi_righe(const std::filesystem::path& cartella, const std::string& nome, const std::vector<std::string>& righe,
                  durata d = durata::durevole);

// The bytes scrivi_righe writes for these lines.
std::string testo_file(const std::vector<std::string>& righe);

}  // namespace valdoro

#endif  // VALDORO_SOURCES_SCRITTURA_H_

// The five writers of the scenario's text files.  Each righe_* gives the
// lines of its file (UTF-8 in the program); each dati_* writes them into
// cartella under the file's name.
#ifndef VALDORO_SOURCES_SCRITTORI_H_
#define VALDORO_SOURCES_SCRITTORI_H_

#include <filesystem>
#include <string>
#include <vector>

#include "util/file.h"

namespace valdoro {

// The scenario this program carries: its title and train designation.
inline constexpr char kNomeLinea[] = "Valdoro";
inline constexpr char kNomeTreno[] = "Dir 5802";

// The two sources the compiler reads back: the line (349 lines) and the
// train (190 lines).  The packager writes them transitoria, since it
// deletes them once compiled; for anyone who keeps them they are durevole.
std::vector<std::string> righe_linea();
void dati_linea(const std::string& nome_linea, const std::filesystem::path& cartella, durata d = durata::durevole);
std::vector<std::string> righe_treno();
void dati_treno(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella,
                durata d = durata::durevole);

// The driver's papers: notes, slowdown order, timetable card with booklet.
std::vector<std::string> righe_note();
void dati_note(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella);
std::vector<std::string> righe_rallentamenti();
void dati_rallentamenti(const std::string& nome_linea, const std::string& nome_treno,
                        const std::filesystem::path& cartella);
std::vector<std::string> righe_scheda();
void dati_scheda(const std::string& nome_linea, const std::string& nome_treno, const std::filesystem::path& cartella);

}  // namespace valdoro

#endif  // VALDORO_SOURCES_SCRITTORI_H_

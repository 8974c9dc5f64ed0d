// The readable forms of the three binary files: one line per row, cell or
// metre with the names of what it holds, or the same as JSON.
#ifndef VALDORO_CLI_DUMP_H_
#define VALDORO_CLI_DUMP_H_

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "output/decodifica.h"

namespace valdoro {

enum class tipo_file { stazioni, binario, profilo };

// From the names the packager gives: "_linea.dat" is the line profile, any
// other ".dat" the track, ".sim" the station table.
std::optional<tipo_file> tipo_dal_nome(const std::string& nome_file);

// From the word of --kind: "stations", "track" or "profile".
std::optional<tipo_file> tipo_dalla_parola(const std::string& parola);

// The file decoded and written to `out` as it is read, so a file of any
// size costs the same little memory; errore_decodifica when it does not
// decode.  A bad file is refused before anything is written, unless it
// changes while it is read.  `solo_non_vuoti` leaves out rows and cells
// whose members are all zero (and whose name is empty), and metres with both
// coordinates empty.
// Members are named as the sources name the values they hold; rows 81 to 86
// of the station table are shown as the general data they are (in JSON, in
// their own array "general").  `con_unita` adds, beside a stored value,
// what an author writes for it: km for metres, hh:mm:ss for times, km/h for
// the cells' speed steps, per mille for their gradient bytes.  Positions
// are in the line's own kilometres, numbered by rows 81 to 83 of the station
// table; a track's cells so only when `numerazione`, its station table, is
// given, else in km from the start.
void dump_testo(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out, bool con_unita = false,
                const tabella_stazioni_t* numerazione = nullptr);
void dump_json(tipo_file tipo, const apri_fonte& apri, bool solo_non_vuoti, std::ostream& out, bool con_unita = false,
               const tabella_stazioni_t* numerazione = nullptr);

// The same for bytes in memory, as a string.
std::string dump_testo(tipo_file tipo, std::string_view dati, bool solo_non_vuoti, bool con_unita = false,
                       const tabella_stazioni_t* numerazione = nullptr);
std::string dump_json(tipo_file tipo, std::string_view dati, bool solo_non_vuoti, bool con_unita = false,
                      const tabella_stazioni_t* numerazione = nullptr);

}  // namespace valdoro

#endif  // VALDORO_CLI_DUMP_H_

// The eight file names of a scenario, built from its title and train
// designation exactly as the simulator looks them up (blanks included).
#ifndef VALDORO_MODEL_NOMI_FILE_H_
#define VALDORO_MODEL_NOMI_FILE_H_

#include <string>

namespace valdoro {

inline std::string file_sorgente_linea(const std::string& linea) { return linea + "_linea.txt"; }
inline std::string file_sorgente_treno(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + "-.txt";
}
inline std::string file_note(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + "_" + "note.txt";
}
inline std::string file_rallentamenti(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + "_" + "rallentamenti.txt";
}
inline std::string file_scheda(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + "_" + "scheda_treno.txt";
}
inline std::string file_profilo(const std::string& linea) { return linea + "_linea.dat"; }
inline std::string file_stazioni(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".sim";
}
inline std::string file_celle(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".dat";
}

}  // namespace valdoro

#endif  // VALDORO_MODEL_NOMI_FILE_H_

// The eight file names of a scenario, built from its title and train
// designation exactly as the simulator looks them up (blanks included).
#ifndef VALDORO_MODEL_NOMI_FILE_H_
#define VALDORO_MODEL_NOMI_FILE_H_

#include <string>
#include <vector>

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
// The author's facts for the papers; the packager has its facts built in
// and never writes this file.
inline std::string file_fatti(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + "_" + "fatti.txt";
}
inline std::string file_profilo(const std::string& linea) { return linea + "_linea.dat"; }
inline std::string file_stazioni(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".sim";
}
inline std::string file_celle(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".dat";
}

// All eight: the names a run writes in its folder, and so the only ones
// whose temporaries it may clear there.
inline std::vector<std::string> file_scenario(const std::string& linea, const std::string& treno) {
  return {file_sorgente_linea(linea),       file_sorgente_treno(linea, treno), file_note(linea, treno),
          file_rallentamenti(linea, treno), file_scheda(linea, treno),         file_profilo(linea),
          file_stazioni(linea, treno),      file_celle(linea, treno)};
}

}  // namespace valdoro

#endif  // VALDORO_MODEL_NOMI_FILE_H_

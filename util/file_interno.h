// What the platform halves of the file layer share with the portable one.
#ifndef VALDORO_UTIL_FILE_INTERNO_H_
#define VALDORO_UTIL_FILE_INTERNO_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "util/file.h"

namespace valdoro {

// A new name beside percorso, of the form nome_temporaneo recognises.
std::filesystem::path percorso_temporaneo(const std::filesystem::path& percorso);

// Runs the test seam, if one is set.
void chiama_guasto(const std::filesystem::path& percorso, fase_scrittura fase);

// Runs the readers' test seam, if one is set.
void chiama_guasto_lettura(const std::filesystem::path& percorso);

// The reason given when every temporary name tried was taken.
std::string motivo_nomi_occupati();

// The reason given for an input over its limit.
std::string descrivi_limite(std::uintmax_t limite);

}  // namespace valdoro

#endif  // VALDORO_UTIL_FILE_INTERNO_H_

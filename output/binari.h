// One encoder per binary layout.  The layouts are declared in
// output/formato_binario.h and told to readers in docs/binary-files.md.
#ifndef VALDORO_OUTPUT_BINARI_H_
#define VALDORO_OUTPUT_BINARI_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/tabelle.h"

namespace valdoro {

// Station table: rows 0 to 86, 34 + name-length bytes each.
std::string codifica_stazioni(const tabella_stazioni_t& tabella);
void codifica_riga(std::string* dst, const riga_stazione& riga);

// Track: every cell, 15 bytes each.
std::string codifica_celle(const std::vector<cella>& celle);
void codifica_cella(std::string* dst, const cella& c);

// Line profile: every tagged value, all x before all y.  The profile of a
// long line runs to megabytes, so the writer takes it in pieces of about
// 64 KiB through `consegna`; the whole string is for tests and tools.
void codifica_profilo(const profilo& p, const std::function<void(std::string_view)>& consegna);
std::string codifica_profilo(const profilo& p);
void codifica_valore(std::string* dst, const valore_etichettato& v);

}  // namespace valdoro

#endif  // VALDORO_OUTPUT_BINARI_H_

// Which record and which of its fields stand at a place of a source, read
// with the compiler's own item reader so that an item is what the compile
// takes it to be.
#ifndef VALDORO_LSP_CAMPI_H_
#define VALDORO_LSP_CAMPI_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/verifica.h"
#include "lsp/analisi.h"

namespace valdoro {
namespace lsp {

// Where an item of a record begins, as the compiler counts (from 1).
struct punto_voce {
  int32_t riga = 0;
  int32_t colonna = 0;
  size_t lunghezza = 0;  // bytes, as read (quotes and the blanks after it aside)
};

// The keyword and the fields of `r` as they stand in `testo`, the source
// it was read from (in the code page); fewer when the reader stops.
std::vector<punto_voce> voci_del_record(std::string_view testo, const record_letto& r);

struct record_sotto {
  const record_letto* r = nullptr;
  int campo = -1;  // -1: the keyword
  punto_voce voce;
};

// The record item at line `riga`, column `colonna` (from 1, a byte a
// column) of the source `uri`; nothing between records.
std::optional<record_sotto> record_a(const analisi& a, const std::string& uri, int32_t riga, int32_t colonna);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_CAMPI_H_

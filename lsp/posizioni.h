// Places in a text as the editor counts them and as the compiler does.  The
// editor holds the text as Unicode and counts a line's characters in UTF-16
// code units; the compiler reads Windows-1252, one byte a character, and
// counts columns from 1.  Every character of the code page is one UTF-16
// unit, but a character the code page lacks (read as '?') may be two.
#ifndef VALDORO_LSP_POSIZIONI_H_
#define VALDORO_LSP_POSIZIONI_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valdoro {
namespace lsp {

// A place as the protocol gives it: line and UTF-16 unit, both from 0.
struct posizione {
  int32_t riga = 0;
  int32_t carattere = 0;
};

// The lines of a UTF-8 text, ended as the compiler's reader ends them: by
// "\n", "\r\n" or a lone "\r".
class righe_testo {
 public:
  explicit righe_testo(std::string_view testo);
  size_t quante() const { return inizi_.size(); }
  // Line n (from 0) without its end; empty past the last.
  std::string_view riga(size_t n) const;
  // The byte offset of a protocol place, clamped to its line.
  size_t scostamento(posizione p) const;
  // The line (from 0) a byte offset stands in, and the offset of its start.
  size_t riga_di(size_t scostamento) const;
  size_t inizio(size_t n) const { return n < inizi_.size() ? inizi_[n] : testo_.size(); }

 private:
  std::string_view testo_;
  std::vector<size_t> inizi_;
};

// UTF-16 units before character `caratteri` (from 0) of a UTF-8 line; past
// its end, the units of the whole line plus one a character.
int32_t unita_utf16(std::string_view riga, int32_t caratteri);
// The character (from 0) that UTF-16 unit `unita` falls in; the line's
// length past its end.
int32_t caratteri_da_utf16(std::string_view riga, int32_t unita);
// The byte offset in a UTF-8 line of character `caratteri`.
size_t byte_del_carattere(std::string_view riga, int32_t caratteri);
// How many characters the first `byte` bytes of a UTF-8 line hold.
int32_t caratteri_fino_a(std::string_view riga, size_t byte);

}  // namespace lsp
}  // namespace valdoro

#endif  // VALDORO_LSP_POSIZIONI_H_

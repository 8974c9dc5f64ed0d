// The item reader of the text sources.  Commas and line ends separate items;
// an item read as a number also ends at a blank; an item that begins with a
// double quote runs to the next double quote.  Every item keeps the line and
// column where it begins, so a fault can name its place.
#ifndef VALDORO_COMPILER_LETTORE_H_
#define VALDORO_COMPILER_LETTORE_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/tabelle.h"

namespace valdoro {

// A fault while reading a source (not a number, a value too wide for its
// member, the source ending inside a record, an empty source).  The
// compiler's trap turns it into error 25.  what() names the field when the
// reading of a record's value failed ("field gradient: ...").
class errore_lettura : public std::runtime_error {
 public:
  errore_lettura(const std::string& messaggio, luogo dove, bool in_record = false)
      : std::runtime_error(messaggio), dove_(std::move(dove)), in_record_(in_record) {}
  const luogo& dove() const { return dove_; }
  // True when a record's value was being read: the record's keyword is
  // worth naming.
  bool in_record() const { return in_record_; }

 private:
  luogo dove_;
  bool in_record_;
};

class lettore {
 public:
  // `testo` is the whole source; it must outlive the reader.  `nome_file`
  // only labels locations.
  lettore(std::string_view testo, std::string nome_file);

  // True when nothing but blanks and line ends is left after the last item
  // read and the separator that closed it.
  bool esaurito() const;

  // The next item as text, unchanged (inner blanks kept, trailing blanks
  // dropped, quotes removed).  The view stays valid while the reader lives.
  // `campo`, when given, names the record's field being read, for the
  // message of a fault.
  std::string_view leggi_testo(const char* campo = nullptr);

  // The next item as a whole number of the given width; an empty item reads
  // as 0.  Throws errore_lettura when the source is exhausted, the item is
  // not a whole number, or it does not fit the width; the message names
  // `campo`, the text and the range.
  int32_t leggi_intero(const char* campo = nullptr);
  int16_t leggi_intero16(const char* campo = nullptr);
  uint8_t leggi_byte(const char* campo = nullptr);

  // The last line holding more than blanks, and where it begins; an empty
  // line at line 0 when there is none.
  struct riga_finale {
    std::string_view testo;
    luogo dove;
  };
  riga_finale ultima_riga_piena() const;

  // Where the item read last begins.
  luogo luogo_voce() const;

  // Passes over the rest of the line on which the item read last began, so
  // that reading resumes at the next line after a record that could not be
  // read.  Nothing to do when that line's end is already behind.
  void salta_riga();

  // The same place without the file name, cheap to keep for every record;
  // luogo_di() turns it into a full location only when a fault needs one.
  struct punto {
    int riga = 0;
    int colonna = 0;
  };
  punto punto_voce() const { return {riga_voce_, colonna_voce_}; }
  luogo luogo_di(punto p) const { return {nome_file_, p.riga, p.colonna}; }

 private:
  void salta_spazi();
  void salta_fine_riga();
  void inizia_voce(const char* campo);
  std::string_view voce_tra_virgolette(const char* campo);
  void chiudi_separatore();
  int64_t leggi_numero(int64_t minimo, int64_t massimo, const char* campo);
  bool vuoto() const;
  [[noreturn]] void guasto(const char* campo, const std::string& motivo) const;

  std::string_view testo_;
  std::string nome_file_;
  size_t pos_ = 0;
  int riga_ = 1;
  size_t inizio_riga_ = 0;
  int riga_voce_ = 0;
  int colonna_voce_ = 0;
};

}  // namespace valdoro

#endif  // VALDORO_COMPILER_LETTORE_H_

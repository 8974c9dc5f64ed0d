#include "compiler/lettore.h"

#include <string>

namespace valdoro {

namespace {

bool e_spazio(char c) { return c == ' ' || c == '\t'; }
bool e_fine_riga(char c) { return c == '\r' || c == '\n'; }
bool e_separatore(char c) { return c == ',' || e_fine_riga(c); }

// A line ends at a LF, or at a CR not followed by one: CR LF counts once.
bool fine_di_riga_a(std::string_view t, size_t i) {
  return t[i] == '\n' || (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n'));
}

}  // namespace

lettore::lettore(std::string_view testo, std::string nome_file) : testo_(testo), nome_file_(std::move(nome_file)) {}

bool lettore::esaurito() const {
  for (size_t i = pos_; i < testo_.size(); ++i) {
    if (!e_spazio(testo_[i]) && !e_fine_riga(testo_[i])) return false;
  }
  return true;
}

lettore::riga_finale lettore::ultima_riga_piena() const {
  const size_t ultimo = testo_.find_last_not_of(" \t\r\n");
  if (ultimo == std::string_view::npos) return {{}, {nome_file_, 0, 1}};
  int riga = 1;
  size_t inizio = 0;
  for (size_t i = 0; i < ultimo; ++i) {
    if (fine_di_riga_a(testo_, i)) {
      ++riga;
      inizio = i + 1;
    }
  }
  return {testo_.substr(inizio, ultimo + 1 - inizio), {nome_file_, riga, 1}};
}

luogo lettore::luogo_voce() const { return {nome_file_, riga_voce_, colonna_voce_}; }

void lettore::salta_riga() {
  if (riga_ > riga_voce_) return;
  while (pos_ < testo_.size() && !e_fine_riga(testo_[pos_])) ++pos_;
  if (pos_ < testo_.size()) salta_fine_riga();
}

bool lettore::vuoto() const { return testo_.find_first_not_of(" \t\r\n") == std::string_view::npos; }

void lettore::guasto(const char* campo, const std::string& motivo) const {
  if (campo == nullptr) throw errore_lettura(motivo, luogo_voce());
  throw errore_lettura("field " + std::string(campo) + ": " + motivo, luogo_voce(), true);
}

void lettore::salta_spazi() {
  while (pos_ < testo_.size() && e_spazio(testo_[pos_])) ++pos_;
}

// CR LF is the line end the writers produce; a lone LF or CR counts too, so
// a source edited on another system still reads line for line.
void lettore::salta_fine_riga() {
  if (testo_[pos_] == '\r' && pos_ + 1 < testo_.size() && testo_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++riga_;
  inizio_riga_ = pos_;
}

// Empty lines before an item are passed over, so a comma that ends a line
// does not leave an empty item behind it.
void lettore::inizia_voce(const char* campo) {
  for (;;) {
    salta_spazi();
    if (pos_ < testo_.size() && e_fine_riga(testo_[pos_])) {
      salta_fine_riga();
    } else {
      break;
    }
  }
  riga_voce_ = riga_;
  colonna_voce_ = static_cast<int>(pos_ - inizio_riga_) + 1;
  if (pos_ >= testo_.size()) {
    if (vuoto()) throw errore_lettura("the source is empty", {nome_file_, 1, 1});
    if (campo == nullptr) guasto(campo, "the source ended inside a record");
    throw errore_lettura("field " + std::string(campo) + " is missing: the source ended inside the record",
                         luogo_voce(), true);
  }
}

// Consumes the comma or line end that closes an item, if one follows after
// blanks; anything else is the start of the next item.
void lettore::chiudi_separatore() {
  salta_spazi();
  if (pos_ >= testo_.size()) return;
  if (testo_[pos_] == ',') {
    ++pos_;
  } else if (e_fine_riga(testo_[pos_])) {
    salta_fine_riga();
  }
}

// pos_ is on the opening quote.  Line ends inside the quotes belong to the
// item but still count as lines for the locations after it.
std::string_view lettore::voce_tra_virgolette(const char* campo) {
  size_t chiusa = testo_.find('"', pos_ + 1);
  if (chiusa == std::string_view::npos) {
    guasto(campo, "quoted item without its closing quote");
  }
  std::string_view voce = testo_.substr(pos_ + 1, chiusa - pos_ - 1);
  for (size_t i = pos_ + 1; i < chiusa; ++i) {
    if (fine_di_riga_a(testo_, i)) {
      ++riga_;
      inizio_riga_ = i + 1;
    }
  }
  pos_ = chiusa + 1;
  // Whatever stands between the closing quote and the separator is dropped.
  while (pos_ < testo_.size() && !e_separatore(testo_[pos_])) ++pos_;
  chiudi_separatore();
  return voce;
}

std::string_view lettore::leggi_testo(const char* campo) {
  inizia_voce(campo);
  if (testo_[pos_] == '"') return voce_tra_virgolette(campo);
  size_t inizio = pos_;
  while (pos_ < testo_.size() && !e_separatore(testo_[pos_])) ++pos_;
  size_t fine = pos_;
  while (fine > inizio && e_spazio(testo_[fine - 1])) --fine;
  chiudi_separatore();
  return testo_.substr(inizio, fine - inizio);
}

namespace {

constexpr int64_t kPosizioneMassima = 1000000;  // the longest route the compile takes

bool e_posizione(const char* campo) { return campo != nullptr && std::string_view(campo) == "position"; }

}  // namespace

int64_t lettore::leggi_numero(int64_t minimo, int64_t massimo, const char* campo) {
  inizia_voce(campo);
  std::string_view voce;
  if (testo_[pos_] == '"') {
    voce = voce_tra_virgolette(campo);
  } else {
    size_t inizio = pos_;
    while (pos_ < testo_.size() && !e_separatore(testo_[pos_]) && !e_spazio(testo_[pos_])) ++pos_;
    voce = testo_.substr(inizio, pos_ - inizio);
    chiudi_separatore();
  }
  if (voce.empty()) return 0;
  bool negativo = voce[0] == '-';
  size_t i = negativo ? 1 : 0;
  if (i == voce.size()) guasto(campo, "\"" + std::string(voce) + "\" is not a whole number");
  int64_t valore = 0;
  for (; i < voce.size(); ++i) {
    char c = voce[i];
    if (c < '0' || c > '9') guasto(campo, "\"" + std::string(voce) + "\" is not a whole number");
    // Stop growing well before int64 could overflow; the range test fails anyway.
    if (valore < (int64_t{1} << 40)) valore = valore * 10 + (c - '0');
  }
  if (negativo) valore = -valore;
  // A position is read into 32 bits, but no line is longer than a million
  // metres: past 32 bits the author hears the range a position has.
  if ((valore < minimo || valore > massimo) && e_posizione(campo)) {
    guasto(campo, std::string(voce) + " m is outside the range of a position, 0 to " +
                      std::to_string(kPosizioneMassima) + " m");
  }
  if (valore < minimo || valore > massimo) {
    guasto(campo, std::string(voce) + " does not fit its field's range, " + std::to_string(minimo) + " to " +
                      std::to_string(massimo));
  }
  return valore;
}

int32_t lettore::leggi_intero(const char* campo) {
  return static_cast<int32_t>(leggi_numero(INT32_MIN, INT32_MAX, campo));
}
int16_t lettore::leggi_intero16(const char* campo) {
  return static_cast<int16_t>(leggi_numero(INT16_MIN, INT16_MAX, campo));
}
uint8_t lettore::leggi_byte(const char* campo) { return static_cast<uint8_t>(leggi_numero(0, UINT8_MAX, campo)); }

}  // namespace valdoro

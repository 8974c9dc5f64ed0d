#include "output/codici_gara.h"

#include <string>

#include "model/errori.h"
#include "util/testo.h"

namespace valdoro {

namespace {

constexpr char kRiempitivo[] = "mmnnbbvvccxxzzllkkjjhhggff";
constexpr int kCaratteri = 25;

// Code of a character in the single-byte code page, 0 to 255.
int codice(char c) { return static_cast<unsigned char>(c); }

}  // namespace

std::string stringa_identita(const tabella_stazioni_t& tabella) {
  std::string s = tabella[kRigaTreno].nome + tabella[kRigaLinea].nome;
  for (char& c : s) c = minuscola(c);
  s += kRiempitivo;
  return s.substr(0, kCaratteri);
}

int16_t codice_gara_og(const tabella_stazioni_t& tabella) {
  int16_t somma = 0;
  for (char c : stringa_identita(tabella)) somma = static_cast<int16_t>(somma + codice(c));
  return somma;
}

int32_t codice_gara_st(const tabella_stazioni_t& tabella) {
  const std::string s = stringa_identita(tabella);
  int32_t somma = 0;
  for (int i = 1; i <= kCaratteri; ++i) somma += i * codice(s[static_cast<size_t>(i - 1)]);
  return somma;
}

void timbra_codici(scenario& s, diagnostiche& d) {
  riga_stazione& linea = s.tabella_stazioni[kRigaLinea];
  const bool cella_uno = s.celle.size() >= 2;
  if (linea.campo7 != 0 || (cella_uno && s.celle[1].valore1 != 0))
    throw errore_fatale(numero_errore::riservate_occupate);
  linea.campo7 = 610;
  if (cella_uno) s.celle[1].valore1 = 5121;
  if (linea.orario != 0 || (cella_uno && s.celle[1].valore2 != 0)) throw errore_fatale(numero_errore::codici_occupati);
  linea.orario = codice_gara_st(s.tabella_stazioni);
  if (cella_uno) {
    s.celle[1].valore2 = codice_gara_og(s.tabella_stazioni);
  } else {
    d.errore(numero_errore::binario_corto, {},
             "track has " + std::to_string(s.celle.size()) +
                 " cells, fewer than two: identity codes not stamped into the track");
  }
}

}  // namespace valdoro

#include "draw/contenuto.h"

#include <algorithm>

#include "draw/elemento.h"

namespace valdoro {
namespace disegno {

std::vector<stazione_disegnata> stazioni(const linea_costruita& l, double nome_massimo) {
  std::vector<stazione_disegnata> out;
  for (int r = kPrimaRigaStazioni; r <= kPrimaRigaCartelli; ++r) {
    const riga_stazione& s = l.stazioni[r];
    if (s.tipo != 0 || s.inizio != 0 || s.fine != 0 || s.progressiva != 0) {
      out.push_back({r, s.progressiva, nome_visibile(s.nome, nome_massimo)});
    }
  }
  return out;
}

int32_t ultima_cella_percorso(const linea_costruita& l) {
  const int32_t ultima = static_cast<int32_t>(l.celle.size()) - 1;
  return std::min(ultima, std::max(0, lunghezza_percorso(l)) / kMetriCella);
}

namespace {

// A sign board's text as a name: its lines (the groups in parentheses)
// side by side, "(Galleria)(Sassoscuro)" read as "Galleria Sassoscuro".  A
// board with figures on it is a kilometre stone, and names nothing.
std::string testo_cartello(const std::string& cp1252) {
  std::string out, parola;
  for (char ch : cp1252.substr(0, 256)) {
    if (ch >= '0' && ch <= '9') return "";
    if (ch == '(' || ch == ')' || ch == ' ') {
      if (!parola.empty()) out += (out.empty() ? "" : " ") + parola;
      parola.clear();
    } else {
      parola += ch;
    }
  }
  if (!parola.empty()) out += (out.empty() ? "" : " ") + parola;
  return testo_leggibile(out);
}

}  // namespace

void nomina_montagne(const linea_costruita& l, std::vector<tratto>& spans) {
  constexpr int32_t kPrimaDellImbocco = 300;
  const int32_t ultima = ultima_cella_percorso(l);
  for (tratto& t : spans) {
    const int32_t da = std::max(1, (t.da - kPrimaDellImbocco) / kMetriCella + 1);
    const int32_t a = std::min(ultima, t.a / kMetriCella + 1);
    for (int32_t k = da; k <= a && t.nome.empty(); ++k) {
      const cella& c = l.celle[k];
      if (c.tipo == kCartelloIndicatore && c.valore1 >= kPrimaRigaStazioni && c.valore1 <= kPrimaRigaCartelli) {
        t.nome = testo_cartello(l.stazioni[c.valore1].nome);
      }
    }
  }
}

const char* colore_montagna(int tipo) {
  switch (tipo) {
    case 1:
      return "#8d6e63";
    case 2:
      return "#5c6bc0";
    case 3:
      return "#26a69a";
    default:
      return "#9e9e9e";
  }
}

std::string nome_montagna(int tipo) {
  switch (tipo) {
    case 1:
      return "tunnel";
    case 2:
      return "summit";
    case 3:
      return "tunnel or summit close behind another";
    default:
      return "mountain span of kind " + std::to_string(tipo);
  }
}

std::string nome_scenario(const linea_costruita& l) {
  std::string s = nome_visibile(l.stazioni[kRigaLinea].nome, kTitoloMassimo);
  if (!l.stazioni[kRigaTreno].nome.empty())
    s += " \xE2\x80\x94 " + nome_visibile(l.stazioni[kRigaTreno].nome, kTitoloMassimo);
  return s;
}

}  // namespace disegno
}  // namespace valdoro

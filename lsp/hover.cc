#include "lsp/hover.h"

#include "lsp/campi.h"
#include "model/tabelle.h"
#include "output/carte_autore.h"
#include "sources/carte.h"
#include "util/cp1252.h"

namespace valdoro {
namespace lsp {

using json = nlohmann::json;

namespace {

std::string intervallo_campo(const formato::campo& c) {
  const std::string unita = c.unita[0] != '\0' ? std::string(" ") + c.unita : "";
  return std::to_string(c.minimo) + unita + " to " + std::to_string(c.massimo) + unita +
         (c.rifiutato ? " (the compile refuses a value outside it)" : "");
}

// Where a position falls on the line built: its kilometre in the line's
// own numbering, and the cell's gradient and speed limit.
std::string sulla_linea(const analisi& a, int64_t posizione) {
  std::string t;
  const int32_t metri = metri_numerati(a.r.verifica, posizione);
  t += metri >= 0 ? "- km " + km_carte(metri, 3) + " of the line's numbering\n" : "- before the line's numbering\n";
  const int64_t indice = posizione / kMetriCella;
  if (posizione >= 0 && static_cast<size_t>(indice) < a.r.s.celle.size()) {
    const cella& c = a.r.s.celle[static_cast<size_t>(indice)];
    t += "- in force here (cell " + std::to_string(indice) + "): gradient " +
         std::to_string(static_cast<int>(c.pendenza) - kScartoPendenza) + " per mille, speed limit " +
         std::to_string(c.velocita * kPassoVelocita) + " km/h\n";
  }
  return t;
}

std::string descrivi_parola(const record_letto& r) {
  const formato::sezione& z = formato::sezione_di(formato::di(r.fonte), *r.tipo);
  std::string campi;
  for (const formato::campo& c : r.tipo->campi) campi += std::string(campi.empty() ? "" : ", ") + c.nome;
  return "**" + std::string(r.tipo->parola) + "**: a record of `" + z.intestazione + "`\n\n" + r.tipo->significato +
         "\n\nFields: " + campi + "\n";
}

}  // namespace

std::string descrivi_campo(const analisi& a, const record_letto& r, int campo) {
  if (campo < 0 || static_cast<size_t>(campo) >= r.tipo->campi.size()) return descrivi_parola(r);
  const formato::campo& c = r.tipo->campi[static_cast<size_t>(campo)];
  std::string t = "**" + std::string(c.nome) + "**: field " + std::to_string(campo + 1) + " of `" + r.tipo->parola +
                  "`\n\n" + c.significato + "\n\n";
  if (c.unita[0] != '\0') t += "- unit: " + std::string(c.unita) + "\n";
  if (c.letto != formato::lettura::testo) t += "- range: " + intervallo_campo(c) + "\n";
  t += "- stored: " + std::string(c.memoria) + "\n";
  if (c.parte == formato::ruolo::posizione && static_cast<size_t>(campo) < r.valori) {
    t += sulla_linea(a, a.r.verifica.valore(r, static_cast<size_t>(campo)));
  }
  return t;
}

json hover(const analisi& a, const std::string& uri, const std::string& testo, posizione p) {
  const righe_testo righe(testo);
  const std::string_view riga = righe.riga(static_cast<size_t>(p.riga));
  const int32_t colonna = caratteri_da_utf16(riga, p.carattere) + 1;
  const std::optional<record_sotto> s = record_a(a, uri, p.riga + 1, colonna);
  if (!s) return nullptr;
  const std::string_view inizio = righe.riga(static_cast<size_t>(s->voce.riga) - 1);
  const int32_t da = unita_utf16(inizio, s->voce.colonna - 1);
  const int32_t fino = unita_utf16(inizio, s->voce.colonna - 1 + static_cast<int32_t>(s->voce.lunghezza));
  return {{"contents", {{"kind", "markdown"}, {"value", da_cp1252(descrivi_campo(a, *s->r, s->campo))}}},
          {"range",
           {{"start", {{"line", s->voce.riga - 1}, {"character", da}}},
            {"end", {{"line", s->voce.riga - 1}, {"character", fino}}}}}};
}

}  // namespace lsp
}  // namespace valdoro

// The scenario tables: the in-memory model that the compiler fills, the
// finishing pass and the identity codes complete, and the binary writers dump
// byte for byte.  The stored order of the members is listed in
// output/formato_binario.h, through pointers of these very types: a member
// widened or narrowed here stops that list from compiling, since its width
// is the one every file the simulator reads was written with.
#ifndef VALDORO_MODEL_TABELLE_H_
#define VALDORO_MODEL_TABELLE_H_

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/profilo.h"

namespace valdoro {

// The track is stored in cells of 50 m; cell k begins at metre 50 k.
inline constexpr int32_t kMetriCella = 50;

// A cell's `velocita` is its speed limit in steps of this many km/h.
inline constexpr int32_t kPassoVelocita = 5;
// A cell's `pendenza` is its gradient in per mille plus this, so that a
// descent fits the unsigned byte.
inline constexpr int32_t kScartoPendenza = 100;

// One 50 m cell of the track.
struct cella {
  uint8_t tipo = 0;  // object kind; 0 nothing, 11 mountain marker (both free)
  int16_t valore1 = 0;
  int16_t valore2 = 0;
  int16_t valore3 = 0;
  int16_t valore4 = 0;
  uint8_t tempo = 0;
  uint8_t annuncio = 0;
  uint8_t montagna = 0;
  uint8_t velocita = 0;  // speed limit in units of kPassoVelocita km/h
  uint8_t pendenza = 0;  // gradient + kScartoPendenza
  uint8_t aderenza = 0;
};

// A cell may take an object only when it holds nothing or a mountain marker.
inline bool cella_libera(const cella& c) { return c.tipo == 0 || c.tipo == 11; }

// One row of the station table.  The numbers in the names are the positions
// of the values in a "stazione" record; the members are declared in the
// order they are stored.
struct riga_stazione {
  uint8_t tipo = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t progressiva = 0;
  uint8_t campo4 = 0;
  std::string nome;  // single-byte characters
  int16_t campo7 = 0;
  int16_t campo8 = 0;
  int16_t campo10 = 0;
  int16_t campo11 = 0;
  int16_t campo12 = 0;
  uint8_t campo9 = 0;
  uint8_t campo13 = 0;
  uint8_t campo6 = 0;
  uint8_t campo5 = 0;
  int32_t orario = 0;
};

constexpr int kRigheStazioni = 87;
constexpr int kRigaParametri = 84;  // riga_parametri
constexpr int kRigaLinea = 85;      // riga_linea
constexpr int kRigaTreno = 86;      // riga_treno
constexpr int kPrimaRigaCartelli = 80;
constexpr int kMontagneMax = 80;

using tabella_stazioni_t = std::array<riga_stazione, kRigheStazioni>;

// Where in which source something was read; empty file when unknown.
struct luogo {
  std::string file;
  int riga = 0;     // 1-based
  int colonna = 0;  // 1-based
};

// The stored tables of one scenario, and the names and the choice that shape
// them.  What a compile found wrong is not kept here but in its list of
// diagnostics, and the compiler's working state lives only while it reads.
struct scenario {
  std::string nome_linea;
  std::string nome_treno;
  int32_t con_profilo = 0;

  tabella_stazioni_t tabella_stazioni{};
  std::vector<cella> celle;  // no elements until the route length is read
  profilo profilo_linea;     // no elements unless con_profilo asks for it

  // The general rows, whose members hold other things than their names say.
  riga_stazione& riga_parametri() { return tabella_stazioni[kRigaParametri]; }
  const riga_stazione& riga_parametri() const { return tabella_stazioni[kRigaParametri]; }
  riga_stazione& riga_linea() { return tabella_stazioni[kRigaLinea]; }
  const riga_stazione& riga_linea() const { return tabella_stazioni[kRigaLinea]; }
  riga_stazione& riga_treno() { return tabella_stazioni[kRigaTreno]; }
  const riga_stazione& riga_treno() const { return tabella_stazioni[kRigaTreno]; }
  // Row 84: the route length in metres is its "fine", the braked-weight
  // percentage its "inizio", the number of coaches its "progressiva".
  int32_t lunghezza_percorso() const { return riga_parametri().fine; }
  int32_t massa_frenata() const { return riga_parametri().inizio; }
  int32_t numero_vetture() const { return riga_parametri().progressiva; }

  // Highest index of celle, -1 while the track does not exist.
  int32_t ultima_cella() const { return static_cast<int32_t>(celle.size()) - 1; }
  // Whether something stands in the reserved members of cell 1 (valore1,
  // valore2), which the identity codes take.
  bool cella_riservata_presa() const { return celle.size() >= 2 && (celle[1].valore1 != 0 || celle[1].valore2 != 0); }
};

// Clears rows 0 to 86: every number 0, every name empty.
void svuota_tabella_stazioni(tabella_stazioni_t& tabella);

}  // namespace valdoro

#endif  // VALDORO_MODEL_TABELLE_H_

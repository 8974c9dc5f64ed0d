#include "sources/carte.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace valdoro {
namespace {

// A two-stop train of a short line with every fact set: the card's train
// box and stops, the order's row and the notes, against lines counted out
// by hand on the forms.
dati_carte due_fermate() {
  dati_carte d;
  d.origine = "MONTE";
  d.destinazione = "VALLE";
  d.fermate = {{"MONTE", "", "8.00"}, {"VALLE", "8.30", ""}};
  d.massa_frenata = 90;
  d.rallentamenti = {{"Monte", "Valle", 2950, 40, 300}};
  d.lib.luoghi = {{0, genere_luogo::stazione, kDisegnoStazioneBox, "0.00", "MONTE"}};
  d.lib.arrivo = {{3000, genere_luogo::binario, kDisegnoRespingenti},
                  {3000, genere_luogo::stazione, kDisegnoStazioneBox, "3.00", "VALLE"}};
  return d;
}

fatti_carte fatti_prova() {
  fatti_carte f;
  f.numero = "77";
  f.categoria = "R";
  f.valida_dal = "dal 01/02/2003";
  f.valida_al = "al 04/05/2006";
  f.locomotive = "ALn 668";
  f.note = {"    Una riga."};
  f.firma = {"    Saluti.", "    Anna."};
  return f;
}

TEST(CartaGenerale, TrainBoxAndStopsOfATwoStopTrain) {
  const std::vector<std::string> r = carta_orario(due_fermate(), fatti_prova());
  EXPECT_EQ(r.at(2), " |                                 Treno 77                                       |");
  EXPECT_EQ(r.at(6), " |Da: MONTE                      Denominazione:                     dal 01/02/2003|");
  EXPECT_EQ(r.at(7), " |A_:_VALLE______________________Classifica: R_______________________al 04/05/2006|" +
                         std::string(14, ' '));
  EXPECT_EQ(r.at(11), " |_1__|__77___|__R____|MONTE______________________|________|8.00____|______|______|");
  // The rows between the first and the last stop are ruled and unnumbered.
  for (size_t i = 12; i <= 35; ++i) {
    EXPECT_EQ(r.at(i), " |____|_______|_______|___________________________|________|________|______|______|") << i;
  }
  EXPECT_EQ(r.at(36), " | 2  |       |       |VALLE                      |8.30    |        |      |      |");
  EXPECT_EQ(r.at(48), " | Rango V.Max : B | Massa Frenata : 90%  | Loc ALn 668      |                    |   ");
  EXPECT_EQ(r.size(), 212u);
  EXPECT_EQ(r.at(56), "  Linea MONTE-VALLE ");
}

TEST(CartaGenerale, SlowdownRowAndNotes) {
  const std::vector<std::string> o = carta_rallentamenti(due_fermate(), fatti_prova());
  ASSERT_EQ(o.size(), 46u);
  EXPECT_EQ(o.at(4), "  Linea  MONTE-VALLE");
  EXPECT_EQ(o.at(6), "  Si ordina al macchinista del treno 77 di effettuare i seguenti rallentamenti");
  EXPECT_EQ(o.at(12), " | 1 |Monte - Valle               |   2.000    |    40    |   300   |            |");
  EXPECT_EQ(carta_note(fatti_prova()), (std::vector<std::string>{"    Una riga.", "    Saluti.", "    Anna."}));
}

// What does not fit is named, never cut.
TEST(CartaGenerale, ATextTooWideForItsCellIsNamed) {
  struct caso {
    const char* nome;
    void (*guasta)(dati_carte&, fatti_carte&);
    const char* messaggio;
  };
  const caso casi[] = {
      {"stop name", [](dati_carte& d, fatti_carte&) { d.fermate[0].localita = std::string(28, 'X'); },
       "\"XXXXXXXXXXXXXXXXXXXXXXXXXXXX\" does not fit its column (28 characters, room for 27)"},
      {"locomotives", [](dati_carte&, fatti_carte& f) { f.locomotive = "E.646 - E.656 -"; },
       "\"E.646 - E.656 -\" does not fit its column (15 characters, room for 13)"},
      {"no stop", [](dati_carte& d, fatti_carte&) { d.fermate.clear(); }, "the timetable card needs at least one stop"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    dati_carte d = due_fermate();
    fatti_carte f = fatti_prova();
    c.guasta(d, f);
    try {
      carta_orario(d, f);
      ADD_FAILURE() << "no error";
    } catch (const fuori_modulo& e) {
      EXPECT_STREQ(e.what(), c.messaggio);
    }
  }
}

// More stops than the form's 26 rows make the table longer, numbered on.
TEST(CartaGenerale, MoreStopsLengthenTheTable) {
  dati_carte d = due_fermate();
  d.fermate.assign(30, fermata_carta{"X", "", "9.00"});
  const std::vector<std::string> r = carta_orario(d, fatti_prova());
  EXPECT_EQ(r.size(), 212u + 4u);
  EXPECT_EQ(r.at(40).substr(0, 7), " | 30 |");
  EXPECT_EQ(r.at(41), " |____|_______|_______|___________________________|________|________|______|______|");
}

// A station's row by its record, worked out by hand: 14:38:55 with a 60 s
// stop departs 14.38½ and arrives 14.37½; a station at 0:00:00 without a
// stop is passed and has no time.
TEST(CartaGenerale, AStationsRowByItsRecord) {
  struct caso {
    int64_t orario, sosta;
    bool prima, ultima, passata;
    const char *arrivo, *partenza;
  };
  const caso casi[] = {
      {(14 * 60 + 16) * 60 + 30, 1, true, false, false, "", "14.16\xc2\xbd"},
      {(14 * 60 + 38) * 60 + 55, 60, false, false, false, "14.37\xc2\xbd", "14.38\xc2\xbd"},
      {(14 * 60 + 49) * 60, 0, false, false, false, "", "14.49"},
      {0, 0, false, false, true, "", ""},
      {(16 * 60 + 54) * 60, 0, false, true, false, "16.54", ""},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.orario);
    const fermata_carta x = fermata_da_record("Prato Alto", 33500, c.orario, c.sosta, c.prima, c.ultima);
    EXPECT_EQ(x.localita, "PRATO ALTO");
    EXPECT_EQ(x.stazione, "Prato Alto");
    EXPECT_EQ(x.passata, c.passata);
    EXPECT_EQ(x.arrivo, c.arrivo);
    EXPECT_EQ(x.partenza, c.partenza);
  }
}

// The facts' rows over the records' ones: a station's times and printed
// name, a passed station given a time, a passing point put in its place,
// and a passed station the facts leave alone kept off the card.
TEST(CartaGenerale, TheFactsRowsStandOnTheCard) {
  dati_carte d;
  d.fermate = {fermata_da_record("Monte", 0, 8 * 3600, 0, true, false),
               fermata_da_record("Prato", 2000, 0, 0, false, false),
               fermata_da_record("Borgo", 3000, 0, 0, false, false),
               fermata_da_record("Lago", 5000, 8 * 3600 + 20 * 60, 60, false, false),
               fermata_da_record("Valle", 9000, 8 * 3600 + 40 * 60, 0, false, true)};
  fatti_carte f;
  f.fermate = {
      {"Lago", 0, "LAGO-TERME", "8.18", "8.20"}, {"Prato", 0, "", "", "8.05"}, {"", 4000, "BIVIO", "", "8.12"}};
  const std::vector<fermata_carta> t = fermate_stampate(d, f);
  ASSERT_EQ(t.size(), 5u);
  const char* const attese[][3] = {{"MONTE", "", "8.00"},
                                   {"PRATO", "", "8.05"},
                                   {"BIVIO", "", "8.12"},
                                   {"LAGO-TERME", "8.18", "8.20"},
                                   {"VALLE", "8.40", ""}};
  for (size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i].localita, attese[i][0]) << i;
    EXPECT_EQ(t[i].arrivo, attese[i][1]) << i;
    EXPECT_EQ(t[i].partenza, attese[i][2]) << i;
  }
}

// A tunnel's name on a narrow page: capitals, "Monte" as "M.", a leading
// article dropped, nothing else touched.
TEST(CartaGenerale, ATunnelsShortName) {
  const std::pair<const char*, const char*> casi[] = {
      {"Monte Cervo", "M.CERVO"}, {"Le Scalette", "SCALETTE"}, {"Il Monte Nero", "M.NERO"},
      {"Valdoro", "VALDORO"},     {"Lamonte", "LAMONTE"},      {"Isola", "ISOLA"},
  };
  for (const auto& [nome, breve] : casi) EXPECT_EQ(galleria_breve(nome), breve) << nome;
}

// A station the facts rename is printed by that name everywhere: in its
// row, in the train box and on the booklet's row of the station.
TEST(CartaGenerale, ARenamedStationKeepsItsNameAcrossTheCard) {
  dati_carte d = due_fermate();
  d.fermate = {fermata_da_record("Monte", 0, 8 * 3600, 0, true, false),
               fermata_da_record("Valle", 3000, 8 * 3600 + 30 * 60, 0, false, true)};
  fatti_carte f = fatti_prova();
  f.fermate = {{"Valle", 0, "VALLE-TERME", "8.30", ""}};
  const std::vector<std::string> r = carta_orario(d, f);
  EXPECT_EQ(r.at(4), " |Destino Treno: VALLE-TERME" + std::string(54, ' ') + "|");
  EXPECT_EQ(r.at(36), " | 2  |       |       |VALLE-TERME                |8.30    |        |      |      |");
  size_t nel_libretto = 0;
  for (size_t i = 56; i < r.size(); ++i) nel_libretto += r[i].find("3.00   VALLE-TERME") != std::string::npos ? 1 : 0;
  EXPECT_EQ(nel_libretto, 1u);
}

}  // namespace
}  // namespace valdoro

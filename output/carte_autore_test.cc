#include "output/carte_autore.h"
#include "output/marcia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "output/controllo.h"
#include "sources/carte.h"
#include "sources/carte_valdoro.h"
#include "sources/scrittori.h"
#include "util/cp1252.h"
#include "util/file.h"

namespace valdoro {
namespace {

// ---------------------------------------------------------------- facts

TEST(FattiCarte, AFileOfEveryKeyFillsEveryFact) {
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti(
      "# a comment\r\n"
      "treno = 2231\r\n"
      "categoria = REG\r\n"
      "valido dal = 01/02/2003\n"
      "valido al = 04/05/2006\n"
      "\n"
      "periodicita = Periodico: festivi\n"
      "rango = C\n"
      "locomotive = ALn 668\n"
      "ripetizione segnali = RS 9COD\n"
      "linea = Monte-Valle\n"
      "nota =     Un capoverso con tre blanks alla fine   \n"
      "nota =\n"
      "firma =     Anna.\n",
      "f.txt", p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(f.numero, "2231");
  EXPECT_EQ(f.categoria, "REG");
  EXPECT_EQ(f.valida_dal, "dal 01/02/2003");
  EXPECT_EQ(f.valida_al, "al 04/05/2006");
  EXPECT_EQ(f.periodicita, "Periodico: festivi");
  EXPECT_EQ(f.rango, "C");
  EXPECT_EQ(f.locomotive, "ALn 668");
  EXPECT_EQ(f.ripetizione, "RS 9COD");
  EXPECT_EQ(f.nome_breve, "Monte-Valle");
  EXPECT_EQ(f.note, (std::vector<std::string>{"    Un capoverso con tre blanks alla fine   ", ""}));
  // The first signature line replaces the default greeting.
  EXPECT_EQ(f.firma, std::vector<std::string>{"    Anna."});
}

TEST(FattiCarte, AnEmptyFileGivesTheDefaults) {
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti("", "f.txt", p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(f.numero, "0000");
  EXPECT_EQ(f.categoria, "REG");
  EXPECT_EQ(f.rango, "B");
  EXPECT_TRUE(f.note.empty());
  EXPECT_EQ(f.firma, std::vector<std::string>{"    Saluti."});
}

TEST(FattiCarte, EachMistakeIsNamedAtItsLineAndColumn) {
  struct caso {
    const char* testo;
    const char* regola;
    int riga, colonna;
    const char* messaggio;
  };
  const caso casi[] = {
      {"treno = 12\n  numero 5802\n", "facts-not-a-key", 2, 3, "\"numero 5802\" is no \"key = value\""},
      {"\ntrenno = 5802\n", "facts-unknown-key", 2, 1, "unknown key \"trenno\" (did you mean \"treno\"?)"},
      {"colore = rosso\n", "facts-unknown-key", 1, 1, "unknown key \"colore\""},
      {"treno = 1\ntreno = 2\n", "facts-repeated-key", 2, 1, "\"treno\" given again; the value of line 1 stands"},
      {"treno = 58O2\n", "facts-bad-value", 1, 9, "treno: the train number \"58O2\" must be digits"},
      {"treno = 123456\n", "facts-bad-value", 1, 9,
       "treno: \"123456\" is 6 characters; the card's train column holds 5"},
      {"categoria = dir\n", "facts-bad-value", 1, 13, "categoria: the category \"dir\" must be capital letters"},
      {"valido dal = 10-06-2001\n", "facts-bad-value", 1, 14,
       "valido dal: the date \"10-06-2001\" must be written dd/mm/yyyy"},
      {"valido al =   32/01/2002\n", "facts-bad-value", 1, 15,
       "valido al: the date \"32/01/2002\" must be written dd/mm/yyyy"},
      {"rango = D\n", "facts-bad-value", 1, 9, "rango: the rank \"D\" must be A, B, C or P"},
      {"locomotive = E.646 - E.656 - E.424\n", "facts-bad-value", 1, 14,
       "locomotive: \"E.646 - E.656 - E.424\" is 21 characters; the card's locomotive cell holds 13"},
      {"periodicita = Periodico: feriali compreso Sabato e Domenica\n", "facts-bad-value", 1, 15,
       "periodicita: \"Periodico: feriali compreso Sabato e Domenica\" is 45 characters; the card's periodicity "
       "cell holds 35"},
      {"nota = \xe2\x82\xac ok, \xe2\x80\xa6 ok, \xe2\x86\x92 no\n", "facts-bad-value", 1, 8,
       "nota: \"\xe2\x82\xac ok, \xe2\x80\xa6 ok, \xe2\x86\x92 no\" holds a character the papers' code page "
       "(Windows-1252) does not have"},
      {"fermata = Sorgenti; ; 14.46; 14:49\n", "facts-bad-value", 1, 11,
       "fermata: the time \"14:49\" must be written h.mm or h.mm\xc2\xbd"},
      {"fermata = ; ; 14.46\n", "facts-bad-value", 1, 11, "fermata: the station is missing"},
      {"fermata = Sorgenti\n", "facts-bad-value", 1, 11,
       "fermata: 1 field where \"station; name; arrival; departure\" has 2 to 4"},
      {"passaggio = km 180; BIVIO; ; 16.22\n", "facts-bad-value", 1, 13,
       "passaggio: the position \"km 180\" must be a whole number from 0 to 10000000"},
      {"luogo = 1100; cartello; \"  ||\"\n", "facts-bad-value", 1, 9,
       "luogo: the kind \"cartello\" must be binario, stazione or punto"},
      {"luogo = 1100; punto; \"  ||\"; ; Km 1.100; 10500\n", "facts-bad-value", 1, 9,
       "luogo: \"10500\" is 5 characters; a speed cell holds 4"},
      {"\n\ncoda = 5\n", "facts-bad-value", 3, 8, "coda: 1 field where \"row; text\" has 2"},
      {"riga riquadro = 19\nriga riquadro = 20\n", "facts-repeated-key", 2, 1,
       "\"riga riquadro\" given again; the value of line 1 stands"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.testo);
    std::vector<diagnostica> p;
    leggi_fatti(c.testo, "fatti.txt", p);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].regola, c.regola);
    EXPECT_EQ(p[0].dove.file, "fatti.txt");
    EXPECT_EQ(p[0].dove.riga, c.riga);
    EXPECT_EQ(p[0].dove.colonna, c.colonna);
    EXPECT_EQ(p[0].messaggio, c.messaggio);
  }
}

TEST(FattiCarte, AMistakeKeepsTheDefaultAndTheRestIsRead) {
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti("rango = X\ntreno = 77\n", "f", p);
  EXPECT_EQ(p.size(), 1u);
  EXPECT_EQ(f.rango, "B");
  EXPECT_EQ(f.numero, "77");
}

// Our facts, written as init writes them and read back, make our papers.
TEST(FattiCarte, OurFactsFileMakesOurPapers) {
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti(testo_fatti(fatti_valdoro()), "f", p);
  EXPECT_TRUE(p.empty());
  const dati_carte d = dati_carte_valdoro();
  EXPECT_EQ(carta_note(f), righe_note());
  EXPECT_EQ(carta_rallentamenti(d, f), righe_rallentamenti());
  EXPECT_EQ(carta_orario(d, f), righe_scheda());
}

// The train's figures: a good value is kept by its command-line name for
// the running times, a bad one told at its line with the value and what it
// must be, and the category's stands.  Our own facts file gives none.
TEST(FattiCarte, TheTrainsFiguresAreReadAndChecked) {
  const struct {
    const char* testo;
    figure_scritte figure;
    const char* problema;  // "" none
  } casi[] = {
      {"potenza = 4300\n", {{"power", "4300"}}, ""},
      {"# the train\nsforzo = 250\nrango cartelli = A\n", {{"effort", "250"}, {"rank", "A"}}, ""},
      {"massa vettura = 0\ndavis c = 0.05\n", {{"coach-mass", "0"}, {"davis-c", "0.05"}}, ""},
      {"treno = 1\npotenza = -5\n", {}, "fatti.txt:2:11: error: potenza: \"-5\" must be a number above 0"},
      {"psi = 0\n", {}, "fatti.txt:1:7: error: psi: \"0\" must be a number above 0"},
      {"masse rotanti = molte\n", {}, "fatti.txt:1:17: error: masse rotanti: \"molte\" must be a number of 0 or more"},
      {"rango cartelli = P\n", {}, "fatti.txt:1:18: error: rango cartelli: \"P\" must be A, B or C"},
      {"potenza = 3000\npotenza = 5000\n",
       {{"power", "3000"}},
       "fatti.txt:2:1: error: \"potenza\" given again; the value of line 1 stands"},
  };
  for (const auto& c : casi) {
    std::vector<diagnostica> p;
    const fatti_carte f = leggi_fatti(c.testo, "fatti.txt", p);
    EXPECT_EQ(f.figure, c.figure) << c.testo;
    if (*c.problema == '\0') {
      EXPECT_TRUE(p.empty()) << c.testo;
      continue;
    }
    ASSERT_EQ(p.size(), 1u) << c.testo;
    EXPECT_EQ(descrivi(p[0]), c.problema);
  }
  std::vector<diagnostica> p;
  EXPECT_TRUE(leggi_fatti(testo_fatti(fatti_valdoro()), "f", p).figure.empty());
}

// The card's and the booklet's rows read back: fields at ";", quotes
// keeping a drawing's blanks, empty trailing fields left out.
TEST(FattiCarte, CardAndBookletRowsAreRead) {
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti(
      "fermata = Pontelungo; PONTELUNGO-TERME; 15.41; 15.47\n"
      "passaggio = 180350; BIVIO GHIAIE; ; 16.22\n"
      "luogo = 3950; punto; \"   \\\\_||_\"; ; Cippo Km 4.000; 140; ; ---; 180\n"
      "chiusura = 213950; stazione; \"    |____|\"; 194.60; LAGOMARINO\n"
      "ventaglio = \"     ||||\"\n"
      "riga riquadro = 19\n"
      "riquadro =   30 |  30 | --- |\n"
      "coda = 32; \"     \"\n",
      "f.txt", p);
  for (const diagnostica& x : p) ADD_FAILURE() << descrivi(x);
  ASSERT_EQ(f.fermate.size(), 2u);
  EXPECT_EQ(f.fermate[0].stazione, "Pontelungo");
  EXPECT_EQ(f.fermate[0].localita, "PONTELUNGO-TERME");
  EXPECT_EQ(f.fermate[0].arrivo, "15.41");
  EXPECT_EQ(f.fermate[0].partenza, "15.47");
  EXPECT_EQ(f.fermate[0].riga, 1);
  EXPECT_EQ(f.fermate[1].stazione, "");
  EXPECT_EQ(f.fermate[1].posizione, 180350);
  EXPECT_EQ(f.fermate[1].arrivo, "");
  EXPECT_EQ(f.fermate[1].riga, 2);
  ASSERT_TRUE(f.libretto_disegnato.has_value());
  const libretto& l = *f.libretto_disegnato;
  ASSERT_EQ(l.luoghi.size(), 1u);
  EXPECT_EQ(l.luoghi[0].posizione, 3950);
  EXPECT_EQ(l.luoghi[0].g, genere_luogo::punto);
  EXPECT_EQ(l.luoghi[0].disegno, "   \\\\_||_");
  EXPECT_EQ(l.luoghi[0].testo, "Cippo Km 4.000");
  EXPECT_EQ(l.luoghi[0].velocita, (std::array<std::string, 4>{"140", "", "---", "180"}));
  ASSERT_EQ(l.arrivo.size(), 1u);
  EXPECT_EQ(l.arrivo[0].g, genere_luogo::stazione);
  EXPECT_EQ(l.arrivo[0].km, "194.60");
  EXPECT_EQ(l.ventaglio, std::vector<std::string>{"     ||||"});
  EXPECT_EQ(l.riga_riquadro, 19u);
  EXPECT_EQ(l.riquadro, std::vector<std::string>{"  30 |  30 | --- |"});
  ASSERT_EQ(l.code.size(), 1u);
  EXPECT_EQ(l.code[0], (std::pair<size_t, std::string>{32, "     "}));
}

// A card row for a station the train source lacks, or a passing point
// outside the run, is named at its line of the facts file.
TEST(FattiCarte, ACardRowMustNameAStationOfTheSource) {
  dati_carte d;
  d.fermate = {fermata_da_record("Monte", 0, 8 * 3600, 0, true, false),
               fermata_da_record("Valle", 9000, 9 * 3600, 0, false, true)};
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti(
      "fermata = Monte; ; ; 8.01\nfermata = Colle; ; ; 8.10\npassaggio = 4000; BIVIO; ; 8.20\n"
      "passaggio = 9500; OLTRE; ; 9.10\n",
      "f.txt", p);
  ASSERT_TRUE(p.empty());
  controlla_fermate_fatti(d, f, "f.txt", p);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].regola, "facts-unknown-station");
  EXPECT_EQ(p[0].dove.riga, 2);
  EXPECT_EQ(p[0].messaggio, "the train source has no station \"Colle\"");
  EXPECT_EQ(p[1].dove.riga, 4);
  EXPECT_EQ(p[1].messaggio, "the passing point \"OLTRE\" at 9500 m is not between the first and the last station");
}

// The short facts file of docs/papers.md reads without a problem.
TEST(FattiCarte, TheGuidesExampleReadsClean) {
  const std::string guida = leggi_file(std::filesystem::path(VALDORO_SOURCE_DIR) / "docs" / "papers.md");
  const size_t inizio = guida.find("```\ntreno = ");
  ASSERT_NE(inizio, std::string::npos);
  const size_t fine = guida.find("```", inizio + 4);
  std::vector<diagnostica> p;
  const fatti_carte f = leggi_fatti(guida.substr(inizio + 4, fine - inizio - 4), "papers.md", p);
  for (const diagnostica& x : p) ADD_FAILURE() << descrivi(x);
  EXPECT_EQ(f.numero, "2231");
  ASSERT_EQ(f.fermate.size(), 2u);
  EXPECT_EQ(f.fermate[1].posizione, 12400);
}

// ---------------------------------------------------------------- times

TEST(OrarioCarta, HoursPointMinutesAndTheHalfMinute) {
  const std::pair<int64_t, const char*> casi[] = {
      {0, "0.00"},
      {8 * 3600 + 5 * 60, "8.05"},
      {14 * 3600 + 16 * 60 + 29, "14.16"},
      {14 * 3600 + 16 * 60 + 30, "14.16\xc2\xbd"},
      {-60, "23.59"},
      {23 * 3600 + 59 * 60 + 59, "23.59\xc2\xbd"},
  };
  for (const auto& [secondi, atteso] : casi) EXPECT_EQ(orario_carta(secondi), atteso) << secondi;
}

// ---------------------------------------------------------------- sources

std::string unisci(const std::vector<std::string>& righe) {
  std::string t;
  for (const std::string& r : righe) t += in_cp1252(r) + "\r\n";
  return t;
}

// A numbering that puts the line's start before its 0 leaves the first
// station's kilometre without a printed form: told at the station's record,
// not thrown past it.
TEST(CarteSorgenti, AKilometreBeforeTheNumberingIsToldAtItsRecord) {
  std::string linea = unisci(righe_linea());
  const std::string tre = "progressiva chilometrica tre,    0,    0,    0";
  ASSERT_NE(linea.find(tre), std::string::npos);
  linea.replace(linea.find(tre), tre.size(), "progressiva chilometrica tre,    0,    -100,    0");
  const sorgenti_controllate r = controlla_sorgenti(linea, unisci(righe_treno()), "Valdoro", "Dir 5802", false);
  ASSERT_EQ(r.errori, 0u);
  std::vector<diagnostica> p;
  dati_da_sorgenti(r.verifica, p);
  std::vector<std::string> detti;
  for (const diagnostica& x : p) detti.push_back(descrivi(x));
  EXPECT_EQ(detti, (std::vector<std::string>{
                       "Valdoro_Dir 5802-.txt:47:1: error: position 0 m is numbered -100 m: the papers print no "
                       "kilometre before the numbering's 0"}));
}

// Our sources through the author's road, with our facts as init writes
// them: the three papers come out as the packager writes them.
TEST(CarteSorgenti, OurSourcesAndFactsGiveOurThreePapers) {
  const sorgenti_controllate r =
      controlla_sorgenti(unisci(righe_linea()), unisci(righe_treno()), "Valdoro", "Dir 5802", false);
  ASSERT_EQ(r.errori, 0u);
  std::vector<diagnostica> p;
  const dati_carte d = dati_da_sorgenti(r.verifica, p);
  for (const diagnostica& x : p) ADD_FAILURE() << descrivi(x);
  EXPECT_EQ(carta_note(fatti_valdoro()), righe_note());
  EXPECT_EQ(carta_rallentamenti(d, fatti_valdoro()), righe_rallentamenti());
  const fatti_carte f = leggi_fatti(testo_fatti(fatti_valdoro()), "f", p);
  ASSERT_TRUE(p.empty());
  controlla_fermate_fatti(d, f, "f", p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(carta_orario(d, f), righe_scheda());
  EXPECT_EQ(d.massa_frenata, 125);
  EXPECT_EQ(d.origine, "ROCCAVALLE");
  EXPECT_EQ(d.destinazione, "LAGOMARINO");
}

// A line made to measure: `n` stations evenly spread over `km` kilometres,
// a speed board and a tunnel every `passo_km`, a slowdown after the second
// station and, on a line of more than three, one before the last.  Station i
// departs at 8.00 plus i × 10 minutes and stops 90 s (so its arrival is on
// the half minute).
struct linea_generata {
  std::string linea, treno;
  int32_t passo_stazioni;
};

std::string numero(int64_t v) { return std::to_string(v); }

linea_generata genera(int km, int n, int passo_km) {
  const int32_t lunghezza = km * 1000;
  const int32_t passo = (lunghezza - 500) / (n - 1) / 100 * 100;
  std::string l = "[generale]\nlunghezza percorso, " + numero(lunghezza) +
                  "\nprogressiva chilometrica uno, 0, 0, 0\nprogressiva chilometrica due, 0, 0, 0\n"
                  "progressiva chilometrica tre, 0, 0, 0\nsfondo uno, 1\nsfondo due, 0\nsfondo tre, 0\n"
                  "ripetizione segnali 4 codici, 1000, 2000\n[curve]\n[pendenze]\npendenza, 0, 0\n[montagne]\n";
  for (int k = passo_km; k < km; k += passo_km) {
    l += "montagna, " + numero(k * 1000 + 300) + ", " + numero(k * 1000 + 700) + ", 1\n";
  }
  l += "[cartelli]\n";
  for (int k = 0, i = 0; k < km; k += passo_km, ++i) {
    const int v = i % 2 == 0 ? 100 : 120;
    l += "indicatori_vmax, " + numero(k * 1000 + 100) + ", " + numero(v) + ", " + numero(v + 10) + ", " +
         numero(v + 20) + ", 0, , , , 0\n";
  }
  l += "[indicazioni]\n[fine]\n";
  std::string t =
      "[generale]\nnumero vetture, 5\npercentuale massa frenata, 110\nsabbia, 100\norologio, 8 0 0\n"
      "[aderenze]\naderenza, 0, 80\n[vel_limite]\nvelocita, 0, 100\n[stazioni]\n";
  for (int i = 0; i < n; ++i) {
    const int minuti = 8 * 60 + 10 * i;
    const bool prima = i == 0, ultima = i == n - 1;
    t += "stazione, " + numero(int64_t{i} * passo) + ", " +
         (prima    ? "8"
          : ultima ? "6"
                   : "2") +
         ", 400, 1, 0, 0, 3,1,0, 2,1,1, " + (prima || ultima ? "0" : "90") + ", " + numero(minuti / 60 % 24) + "," +
         numero(minuti % 60) + ",0, Posto " + numero(i + 1) + "\n";
  }
  t += "[rallentamenti]\nrallentamento, " + numero(passo + 1000) + ", 50, 600, 0, 1, 0\n";
  if (n > 3) t += "rallentamento, " + numero(int64_t{passo} * (n - 2) + 1000) + ", 30, 400, 0, 1, 0\n";
  t += "[segnali]\n[codici]\n[fine]\n";
  return {l, t, passo};
}

// The cells of a ruled row between its bars, blanks and rules taken off.
std::vector<std::string> celle(const std::string& riga) {
  std::vector<std::string> c;
  size_t a = riga.find('|');
  while (a != std::string::npos) {
    const size_t b = riga.find('|', a + 1);
    if (b == std::string::npos) break;
    std::string x = riga.substr(a + 1, b - a - 1);
    const size_t i = x.find_first_not_of(" _"), j = x.find_last_not_of(" _");
    c.push_back(i == std::string::npos ? "" : x.substr(i, j - i + 1));
    a = b;
  }
  return c;
}

std::string ora(int minuti, bool mezzo) {
  char t[16];
  std::snprintf(t, sizeof t, "%d.%02d", minuti / 60 % 24, minuti % 60);
  return std::string(t) + (mezzo ? "\xc2\xbd" : "");
}

void controlla_generata(int km, int n, int passo_km) {
  const linea_generata g = genera(km, n, passo_km);
  const sorgenti_controllate r = controlla_sorgenti(g.linea, g.treno, "Prova", "R 1", false);
  for (const diagnostica& d : r.diagnostiche) ADD_FAILURE() << descrivi(d);
  std::vector<diagnostica> p;
  fatti_carte f;
  f.numero = "4321";
  const dati_carte d = dati_da_sorgenti(r.verifica, p);
  for (const diagnostica& x : p) ADD_FAILURE() << descrivi(x);
  const std::vector<std::string> scheda = carta_orario(d, f);

  // The stops, read back from the card: the table's rows from line 11 on,
  // 26 or as many as the stops; its empty rows are ruled like its bottom.
  std::vector<std::vector<std::string>> fermate;
  for (size_t i = 11; i < 11 + std::max<size_t>(26, static_cast<size_t>(n)); ++i) {
    const std::vector<std::string> c = celle(scheda[i]);
    if (!c.at(3).empty()) fermate.push_back(c);
  }
  ASSERT_EQ(fermate.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const int minuti = 8 * 60 + 10 * i;
    EXPECT_EQ(fermate[i][0], numero(i + 1));
    EXPECT_EQ(fermate[i][3], "POSTO " + numero(i + 1));
    EXPECT_EQ(fermate[i][4], i == 0 ? "" : i == n - 1 ? ora(minuti, false) : ora(minuti - 2, true));
    EXPECT_EQ(fermate[i][5], i == n - 1 ? "" : ora(minuti, false));
  }
  EXPECT_EQ(celle(scheda.at(11)).at(1), "4321");

  // The booklet: every station but the last once with its kilometre, the
  // last under the buffer stops; the speeds where they change, in order.
  // A booklet row: "  |", four speed cells of 5 and a bar each, then the
  // wide column, whose drawing has bars of its own.
  std::vector<std::string> stazioni, velocita_a;
  for (const std::string& riga : scheda) {
    if (riga.rfind("  |", 0) != 0 || riga.size() < 28 || riga[26] != '|' || riga[3] == '_') continue;
    const std::string a = celle(riga.substr(2, 7)).at(0);
    if (a != "" && a != "A") velocita_a.push_back(a);
    const std::string larga = riga.substr(27);
    if (larga.find("POSTO ") != std::string::npos) stazioni.push_back(larga);
  }
  ASSERT_EQ(stazioni.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const int32_t m = i * g.passo_stazioni;
    char km_testo[32];
    std::snprintf(km_testo, sizeof km_testo, "%d.%02d", m / 1000, m % 1000 / 10);
    EXPECT_NE(stazioni[i].find(std::string(km_testo) + " "), std::string::npos) << stazioni[i];
    EXPECT_NE(stazioni[i].find("POSTO " + numero(i + 1)), std::string::npos) << stazioni[i];
  }
  ASSERT_EQ(velocita_a.size(), static_cast<size_t>((km + passo_km - 1) / passo_km));
  for (size_t i = 0; i < velocita_a.size(); ++i) EXPECT_EQ(velocita_a[i], i % 2 == 0 ? "100" : "120") << i;

  // The slowdown order: the two slowdowns between the stations around them.
  const std::vector<std::string> ordine = carta_rallentamenti(d, f);
  const std::vector<std::string> prima = celle(ordine.at(12));
  EXPECT_EQ(prima.at(1), "Posto 2 - Posto 3");
  EXPECT_EQ(prima.at(2), numero((g.passo_stazioni + 1000) / 1000) + ".000");
  EXPECT_EQ(prima.at(3), "50");
  EXPECT_EQ(prima.at(4), "600");
  size_t vuota = 13;
  if (n > 3) {
    const std::vector<std::string> seconda = celle(ordine.at(13));
    EXPECT_EQ(seconda.at(1), "Posto " + numero(n - 1) + " - Posto " + numero(n));
    EXPECT_EQ(seconda.at(3), "30");
    EXPECT_EQ(seconda.at(4), "400");
    vuota = 14;
  }
  EXPECT_EQ(celle(ordine.at(vuota)).at(1), "");
}

TEST(CarteSorgenti, AShortLineOfThreeStations) { controlla_generata(5, 3, 2); }

TEST(CarteSorgenti, ALongLineOfSixtyStationsGrowsItsTablesAndPages) { controlla_generata(1000, 60, 50); }

// A tunnel's mouths take the name of the "Galleria" board that stands up
// to 500 m before its entrance, and that board has no row of its own; a
// tunnel without one is named by its mouth and kilometre alone.
TEST(CarteSorgenti, TunnelMouthsAreNamedByTheBoardBeforeThem) {
  linea_generata g = genera(5, 3, 2);  // tunnels 2300-2700 and 4300-4700
  g.linea.replace(g.linea.find("[indicazioni]\n"), 14,
                  "[indicazioni]\ncartello_indicatore, 2200, (Galleria)(Monte Rosso)\n"
                  "cartello_indicatore, 3700, (Galleria)(Lontana)\n");
  const sorgenti_controllate r = controlla_sorgenti(g.linea, g.treno, "Prova", "R 1", false);
  for (const diagnostica& d : r.diagnostiche) ADD_FAILURE() << descrivi(d);
  std::vector<diagnostica> p;
  const dati_carte d = dati_da_sorgenti(r.verifica, p);
  EXPECT_TRUE(p.empty());
  std::map<int32_t, std::pair<std::string, std::string>> punti;
  for (const luogo_libretto& l : d.lib.luoghi) {
    if (l.g == genere_luogo::punto && l.velocita == std::array<std::string, 4>{})
      punti[l.posizione] = {l.testo, l.testo_breve};
  }
  const std::map<int32_t, std::pair<std::string, std::string>> attesi = {
      {2300, {"Imb.Gall.MONTE ROSSO Km 2.300", "Imb.Gall.M.ROSSO Km 2.300"}},
      {2700, {"Sb.Gall.MONTE ROSSO Km 2.700", "Sb.Gall.M.ROSSO Km 2.700"}},
      {3700, {"Galleria Lontana", ""}},
      {4300, {"Imb.Gall. Km 4.300", ""}},
      {4700, {"Sb.Gall. Km 4.700", ""}},
  };
  EXPECT_EQ(punti, attesi);
}

// A lowered speed is listed where it holds, at the board without stripes;
// the two striped boards ahead of it only announce it.
TEST(CarteSorgenti, ASpeedIsListedWhereItHoldsNotWhereItIsAnnounced) {
  linea_generata g = genera(10, 3, 20);  // one board at 100 m: 100, 110, 120
  g.linea.replace(g.linea.find("[indicazioni]\n"), 14,
                  "indicatori_vmax, 7400, 80, 90, 100, 2, , , , 0\n"
                  "indicatori_vmax, 7700, 80, 90, 100, 1, , , , 0\n"
                  "indicatori_vmax, 8000, 80, 90, 100, 0, , , , 0\n[indicazioni]\n");
  const sorgenti_controllate r = controlla_sorgenti(g.linea, g.treno, "Prova", "R 1", false);
  for (const diagnostica& d : r.diagnostiche) ADD_FAILURE() << descrivi(d);
  std::vector<diagnostica> p;
  const dati_carte d = dati_da_sorgenti(r.verifica, p);
  std::map<int32_t, std::array<std::string, 4>> velocita;
  for (const luogo_libretto& l : d.lib.luoghi) {
    if (l.velocita != std::array<std::string, 4>{}) velocita[l.posizione] = l.velocita;
  }
  const std::map<int32_t, std::array<std::string, 4>> attese = {{100, {"100", "110", "120", ""}},
                                                                {8000, {"80", "90", "100", ""}}};
  EXPECT_EQ(velocita, attese);
}

// Where the numbering starts again from nought, a row "0.00" and a long
// dash; where it changes otherwise, the old numbering's kilometre and a
// short dash.  A post's "11+000" reads "11.000" in the booklet.
TEST(CarteSorgenti, NumberingChangesAndPostsInTheBooklet) {
  linea_generata g = genera(5, 3, 20);  // stations at 0, 2200 and 4400 m
  g.linea.replace(g.linea.find("uno, 0, 0, 0"), 12, "uno, 2000, -2000, 0");
  g.linea.replace(g.linea.find("due, 0, 0, 0"), 12, "due, 4000, 1000, 0");
  g.linea.replace(g.linea.find("[indicazioni]\n"), 14,
                  "[indicazioni]\ncartello_indicatore, 1000, (Cippo )(  Km  )(11+000)\n"
                  "cartello_indicatore, 3000, (Km)(166+7000)\n");
  const sorgenti_controllate r = controlla_sorgenti(g.linea, g.treno, "Prova", "R 1", false);
  for (const diagnostica& d : r.diagnostiche) ADD_FAILURE() << descrivi(d);
  std::vector<diagnostica> p;
  dati_carte d = dati_da_sorgenti(r.verifica, p);
  std::stable_sort(d.lib.luoghi.begin(), d.lib.luoghi.end(),
                   [](const luogo_libretto& x, const luogo_libretto& y) { return x.posizione < y.posizione; });
  std::vector<std::string> righe;
  for (const luogo_libretto& l : d.lib.luoghi) {
    if (l.velocita == std::array<std::string, 4>{})
      righe.push_back(std::to_string(l.posizione) + " " + l.km + " " + l.testo);
  }
  // 2000 m is 0 m in the new numbering; 3999 m is 1999 m, so the old
  // numbering ends at 2.00 where the new one makes 4000 m into 5000.
  EXPECT_EQ(righe, (std::vector<std::string>{"0 0.00 POSTO 1", "1000  Cippo Km 11.000", "2000 0.00 -------------",
                                             "2200 0.20 POSTO 2", "3000  Km 166+7000", "4000 2.00 ------"}));
}

// A record the papers cannot print whole is named at its place; nothing
// is cut.
TEST(CarteSorgenti, ANameTooLongForTheBookletIsNamedAtItsRecord) {
  linea_generata g = genera(5, 3, 2);
  const std::string vecchio = "Posto 1\n", nuovo = "Stazione di Campagna\n";
  g.treno.replace(g.treno.find(vecchio), vecchio.size(), nuovo);
  const sorgenti_controllate r = controlla_sorgenti(g.linea, g.treno, "Prova", "R 1", false);
  std::vector<diagnostica> p;
  dati_da_sorgenti(r.verifica, p);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].regola, "paper-does-not-fit");
  EXPECT_EQ(p[0].dove.riga, 11);
  EXPECT_EQ(p[0].dove.colonna, 1);
  EXPECT_EQ(p[0].messaggio, "\"STAZIONE DI CAMPAGNA\" is 20 characters; the booklet's narrow page holds 18");
}

}  // namespace
}  // namespace valdoro

#include "output/decodifica.h"

#include <gtest/gtest.h>

#include <string>

#include "output/binari.h"

namespace valdoro {
namespace {

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s.push_back(static_cast<char>(x));
  return s;
}

// The refusal text for `dati`, or "" when they decode.
template <typename F>
std::string rifiuto(F decodifica, const std::string& dati) {
  try {
    decodifica(dati);
  } catch (const errore_decodifica& e) {
    return e.what();
  }
  return "";
}
template <typename T>
std::string rifiuto(T (*decodifica)(std::string_view), const std::string& dati) {
  return rifiuto([decodifica](const std::string& d) { decodifica(d); }, dati);
}

// Row 0 empty, row 1 filled by hand, rows 2 to 86 empty.
std::string tabella_a_mano() {
  std::string dati(34, '\0');
  dati += bytes({0x08, 0x0C, 0xFE, 0xFF, 0xFF, 0xF4, 0x01, 0x00, 0x00, 0x7E, 0xC0, 0x02, 0x00, 0x01,  //
                 0x03, 0x00, 'S',  0xE8, 'x',                                                         //
                 0x04, 0x00, 0xFE, 0xFF, 0x02, 0x00, 0x01, 0x00, 0x02, 0x01,                          //
                 0x09, 0x3C, 0x06, 0x05, 0xBE, 0xC8, 0x00, 0x00});
  dati += std::string(85 * 34, '\0');
  return dati;
}

TEST(DecodificaStazioni, ReadsEveryMemberOfAHandWrittenRow) {
  tabella_stazioni_t t = decodifica_stazioni(tabella_a_mano());
  const riga_stazione& r = t[1];
  EXPECT_EQ(r.tipo, 8);
  EXPECT_EQ(r.inizio, -500);
  EXPECT_EQ(r.fine, 500);
  EXPECT_EQ(r.progressiva, 180350);
  EXPECT_EQ(r.campo4, 1);
  EXPECT_EQ(r.nome, "S\xE8x");
  EXPECT_EQ(r.campo7, 4);
  EXPECT_EQ(r.campo8, -2);
  EXPECT_EQ(r.campo10, 2);
  EXPECT_EQ(r.campo11, 1);
  EXPECT_EQ(r.campo12, 258);
  EXPECT_EQ(r.campo9, 9);
  EXPECT_EQ(r.campo13, 60);
  EXPECT_EQ(r.campo6, 6);
  EXPECT_EQ(r.campo5, 5);
  EXPECT_EQ(r.orario, 51390);
  EXPECT_EQ(codifica_stazioni(t), tabella_a_mano());
}

TEST(DecodificaStazioni, RefusesWithTheOffsetWhereTheFileStopsMakingSense) {
  const std::string buona = tabella_a_mano();  // 2958 + 3 bytes; row 1 is bytes 34..70
  struct caso {
    std::string dati;
    std::string atteso;
  } casi[] = {
      {"", "byte 0: row 0, tipo needs 1 bytes, only 0 left"},
      {buona.substr(0, 36), "byte 35: row 1, inizio needs 4 bytes, only 1 left"},
      {buona.substr(0, 49), "byte 48: row 1, length of nome needs 2 bytes, only 1 left"},
      {buona.substr(0, 51), "byte 50: row 1, nome needs 3 bytes, only 1 left"},
      {buona.substr(0, buona.size() - 1), "byte 2957: row 86, orario needs 4 bytes, only 3 left"},
      {buona + "ab", "byte 2961: 2 bytes after row 86, the last row"},
  };
  for (const caso& c : casi) EXPECT_EQ(rifiuto(decodifica_stazioni, c.dati), c.atteso) << c.dati.size();
}

TEST(DecodificaStazioni, ANameCountRunningPastTheEndIsCaught) {
  std::string dati = tabella_a_mano();
  dati[48] = static_cast<char>(0xFF);  // row 1 claims a 65535-byte name
  dati[49] = static_cast<char>(0xFF);
  EXPECT_EQ(rifiuto(decodifica_stazioni, dati), "byte 50: row 1, nome needs 65535 bytes, only 2911 left");
}

// The numbering rows may stand in any order: the greatest start at or
// before a position is in force (our line's three, here in ascending order).
TEST(NumerazioneChilometrica, TheGreatestStartInForceWhateverTheOrder) {
  tabella_stazioni_t t{};
  t[81].inizio = 0, t[81].fine = 0;
  t[82].inizio = 180350, t[82].fine = -180350;
  t[83].inizio = 194700, t[83].fine = -16400;
  const std::pair<int32_t, int32_t> casi[] = {{100, 100},     {180349, 180349}, {180350, 0},
                                              {186900, 6550}, {194700, 178300}, {202600, 186200}};
  for (const auto& [posizione, metri] : casi) EXPECT_EQ(metri_numerati(t, posizione), metri) << posizione;
}

TEST(DecodificaCelle, ReadsHandWrittenCellsAndRefusesAPartialOne) {
  std::string dati = std::string(15, '\0') +
                     bytes({0x01, 0x01, 0x14, 0xFE, 0xFF, 0x03, 0x00, 0x04, 0x00, 0x05, 0x06, 0x07, 0x20, 0x64, 0x09});
  std::vector<cella> celle = decodifica_celle(dati);
  ASSERT_EQ(celle.size(), 2u);
  const cella& c = celle[1];
  EXPECT_EQ(c.tipo, 1);
  EXPECT_EQ(c.valore1, 5121);
  EXPECT_EQ(c.valore2, -2);
  EXPECT_EQ(c.valore3, 3);
  EXPECT_EQ(c.valore4, 4);
  EXPECT_EQ(c.tempo, 5);
  EXPECT_EQ(c.annuncio, 6);
  EXPECT_EQ(c.montagna, 7);
  EXPECT_EQ(c.velocita, 32);
  EXPECT_EQ(c.pendenza, 100);
  EXPECT_EQ(c.aderenza, 9);
  EXPECT_EQ(codifica_celle(celle), dati);
  EXPECT_TRUE(decodifica_celle("").empty());
  EXPECT_EQ(rifiuto(decodifica_celle, dati.substr(0, 22)), "byte 15: cell 1 has only 7 of its 15 bytes");
}

TEST(DecodificaProfilo, ReadsAllXBeforeAllY) {
  // Metres 0..2: x = int 0, double 1.5, empty; y = int 1, double -2, empty.
  std::string dati = bytes({0x02, 0x00, 0x00, 0x00,                          //
                            0x05, 0x00, 0,    0,    0, 0, 0, 0, 0xF8, 0x3F,  //
                            0x00, 0x00,                                      //
                            0x02, 0x00, 0x01, 0x00,                          //
                            0x05, 0x00, 0,    0,    0, 0, 0, 0, 0x00, 0xC0,  //
                            0x00, 0x00});
  profilo p = decodifica_profilo(dati);
  ASSERT_EQ(p.ultimo_metro(), 2);
  EXPECT_EQ(p.leggi(0, 0).tipo, tipo_valore::intero);
  EXPECT_EQ(p.leggi(1, 0).tipo, tipo_valore::doppio);
  EXPECT_EQ(p.numero(1, 0), 1.5);
  EXPECT_EQ(p.leggi(2, 0).tipo, tipo_valore::vuoto);
  EXPECT_EQ(p.numero(0, 1), 1);
  EXPECT_EQ(p.numero(1, 1), -2);
  EXPECT_EQ(p.leggi(2, 1).tipo, tipo_valore::vuoto);
  EXPECT_EQ(codifica_profilo(p), dati);
  EXPECT_FALSE(decodifica_profilo("").esiste());
}

TEST(DecodificaProfilo, RefusesBadTagsCutValuesAndAnOddCount) {
  struct caso {
    std::string dati;
    std::string atteso;
  } casi[] = {
      {bytes({0x00, 0x00, 0x03, 0x00}), "byte 2: value 1 has type tag 3; known tags are 0, 2 and 5"},
      {bytes({0x05, 0x00, 1, 2, 3}), "byte 2: value 0 (tag 5) needs 8 bytes, only 3 left"},
      {bytes({0x02, 0x00, 0x01}), "byte 2: value 0 (tag 2) needs 2 bytes, only 1 left"},
      {bytes({0x00, 0x00, 0x00}), "byte 2: value 1 tag needs 2 bytes, only 1 left"},
      {bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), "byte 6: 3 tagged values; the x and y halves need an even count"},
  };
  for (const caso& c : casi) EXPECT_EQ(rifiuto(decodifica_profilo, c.dati), c.atteso);
}

// A file read in pieces of any size decodes as it does whole: the same
// tables, the same refusals at the same offsets.
TEST(DecodificaAPezzi, AnyPieceSizeGivesTheSameResult) {
  profilo p;
  p.crea(40);
  for (int32_t m = 0; m <= 38; ++m) p.imposta_punto(m, m * 1.5, -m);
  p.imposta_intero(0, 0, 7);
  const std::string stazioni = tabella_a_mano();
  const std::string celle = codifica_celle(std::vector<cella>(9, cella{3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const std::string pianta = codifica_profilo(p);
  std::string nome_lungo = stazioni;
  nome_lungo[48] = static_cast<char>(0xFF);
  nome_lungo[49] = static_cast<char>(0xFF);
  struct caso {
    std::string nome, dati;
    std::string (*decodifica)(std::string_view dati, size_t pezzo);  // re-encoded, or the refusal
  };
  auto st = [](std::string_view d, size_t pezzo) {
    try {
      return codifica_stazioni(decodifica_stazioni(*fonte_in_memoria(d, pezzo)));
    } catch (const errore_decodifica& e) {
      return std::string(e.what());
    }
  };
  auto ce = [](std::string_view d, size_t pezzo) {
    try {
      return codifica_celle(decodifica_celle(*fonte_in_memoria(d, pezzo)));
    } catch (const errore_decodifica& e) {
      return std::string(e.what());
    }
  };
  auto pr = [](std::string_view d, size_t pezzo) {
    try {
      return codifica_profilo(decodifica_profilo(apri_in_memoria(d, pezzo)));
    } catch (const errore_decodifica& e) {
      return std::string(e.what());
    }
  };
  const caso casi[] = {
      {"stations", stazioni, st},
      {"stations cut in a name", stazioni.substr(0, 51), st},
      {"stations with a 65535-byte name", nome_lungo, st},
      {"stations and more", stazioni + "ab", st},
      {"track", celle, ce},
      {"track cut", celle.substr(0, 100), ce},
      {"profile", pianta, pr},
      {"profile cut", pianta.substr(0, pianta.size() - 3), pr},
      {"profile with a value less", pianta.substr(0, pianta.size() - 2), pr},
      {"profile with a bad tag", pianta.substr(0, 400) + "\x07" + pianta.substr(401), pr},
  };
  for (const caso& c : casi) {
    const std::string intero = c.decodifica(c.dati, SIZE_MAX);
    for (size_t pezzo : {1, 2, 7, 15, 64}) EXPECT_EQ(c.decodifica(c.dati, pezzo), intero) << c.nome << " " << pezzo;
  }
  EXPECT_EQ(st(stazioni, 3), stazioni);
  EXPECT_EQ(ce(celle, 4), celle);
  EXPECT_EQ(pr(pianta, 5), pianta);
}

// The profile is read from two places of the file; a file that is not the
// same at the second reading is refused, not read as half of one and half
// of the other.
TEST(DecodificaAPezzi, AFileThatChangesWhileReadIsRefused) {
  // Two values when first read, five empty ones after.
  const std::string prima = bytes({0x02, 0x00, 0x01, 0x00, 0x00, 0x00});
  const std::string dopo(10, '\0');
  int aperture = 0;
  apri_fonte cambia = [&] { return fonte_in_memoria(aperture++ == 0 ? prima : dopo); };
  EXPECT_EQ(rifiuto([&](const std::string&) { decodifica_profilo(cambia); }, ""),
            "byte 4: the file changed while it was read");

  // A track that grows past the size it had when opened.
  class cresce : public fonte_byte {
   public:
    size_t leggi(char* dove, size_t quanti) override {
      const size_t n = std::min<size_t>(quanti, 31 - dati_);
      std::fill(dove, dove + n, '\0');
      dati_ += n;
      return n;
    }
    uint64_t dimensione() const override { return 15; }

   private:
    size_t dati_ = 0;
  } f;
  EXPECT_EQ(rifiuto([&](const std::string&) { decodifica_celle(f); }, ""), "byte 15: the file grew while it was read");
}

TEST(DaCp1252, GivesUtf8AndKeepsTheUndefinedBytes) {
  EXPECT_EQ(da_cp1252("Citt\xE0 \x80 \x93x\x94 \x81"), "Citt\xC3\xA0 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC2\x81");
}

}  // namespace
}  // namespace valdoro

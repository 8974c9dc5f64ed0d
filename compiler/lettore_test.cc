#include "compiler/lettore.h"

#include <gtest/gtest.h>

namespace valdoro {
namespace {

// Reads `letture` from `testo`, one character per item: t text, i 32-bit,
// h 16-bit, b byte; P, G and N a record's position, gradient and name;
// returns the items joined by '|' and, at the end, '$'
// when the reader reports itself exhausted.
std::string leggi(const std::string& testo, const std::string& letture) {
  lettore r(testo, "f.txt");
  std::string uscita;
  for (char l : letture) {
    if (!uscita.empty()) uscita += '|';
    switch (l) {
      case 't':
        uscita += std::string(r.leggi_testo());
        break;
      case 'i':
        uscita += std::to_string(r.leggi_intero());
        break;
      case 'h':
        uscita += std::to_string(r.leggi_intero16());
        break;
      case 'b':
        uscita += std::to_string(r.leggi_byte());
        break;
      case 'P':
        uscita += std::to_string(r.leggi_intero("position"));
        break;
      case 'G':
        uscita += std::to_string(r.leggi_intero("gradient"));
        break;
      case 'N':
        uscita += std::string(r.leggi_testo("name"));
        break;
    }
  }
  if (r.esaurito()) uscita += '$';
  return uscita;
}

TEST(Lettore, ItemsSeparatorsBlanksAndQuotes) {
  struct {
    const char* testo;
    const char* letture;
    const char* atteso;
  } casi[] = {
      // commas and line ends separate alike; blanks before an item are skipped
      {"pendenza,  600,   -11\r\n", "tii", "pendenza|600|-11$"},
      {"a,b\r\nc", "ttt", "a|b|c$"},
      {"a\nb\n", "tt", "a|b$"},  // a lone LF is a line end too
      // a number also ends at a blank; the separator after the blanks is its own
      {"orologio,    14              16            30 \r\nsabbia", "tiiit", "orologio|14|16|30|sabbia$"},
      {"14  ,x", "it", "14|x$"},
      // empty integer items read 0
      {"indicatori_vmax,  1100,  105,  ,  ,  0\r\n", "tiiiii", "indicatori_vmax|1100|105|0|0|0$"},
      // a decimal comma leaves its fraction as the next item
      {"pendenza,  1250,   -4,5\r\n[fine]\r\n", "tiitt", "pendenza|1250|-4|5|[fine]$"},
      // a text keeps inner blanks, loses trailing ones
      {"cartello_indicatore,  10950,   (Cippo )(  Km  )(11+000)  \r\n", "tit",
       "cartello_indicatore|10950|(Cippo )(  Km  )(11+000)$"},
      {"lunghezza percorso,    218000\r\n", "ti", "lunghezza percorso|218000$"},
      // quotes: the item runs to the next quote, which may hold commas
      {"\"a, b\" , c", "tt", "a, b|c$"},
      {"\"12\",7", "ii", "12|7$"},
      // a record over several lines, two records on one line
      {"pendenza\r\n 0\r\n   0\r\npendenza, 600, -11, pendenza, 1200, 0\r\n", "tiitiitii",
       "pendenza|0|0|pendenza|600|-11|pendenza|1200|0$"},
      // empty lines and a comma that ends a line leave no empty item
      {"a,\r\n\r\n  b", "tt", "a|b$"},
      // the widths
      {"-2147483648,2147483647,-32768,32767,0,255", "iihhbb", "-2147483648|2147483647|-32768|32767|0|255$"},
      // not exhausted while anything but blanks and line ends is left
      {"a, b", "t", "a"},
      {"a \r\n \r\n  ", "t", "a$"},
  };
  for (const auto& c : casi) EXPECT_EQ(leggi(c.testo, c.letture), c.atteso) << c.testo;
}

TEST(Lettore, FaultsCarryThePlaceOfTheItem) {
  struct {
    const char* testo;
    const char* letture;
    const char* messaggio;
    int riga, colonna;
  } casi[] = {
      {"a,\r\n  x1", "ti", "\"x1\" is not a whole number", 2, 3},
      {"a, -", "ti", "\"-\" is not a whole number", 1, 4},
      {"4.5", "i", "\"4.5\" is not a whole number", 1, 1},
      {"+5", "i", "\"+5\" is not a whole number", 1, 1},
      {"1, 2147483648", "ii", "2147483648 does not fit its field's range, -2147483648 to 2147483647", 1, 4},
      {"-2147483649", "i", "-2147483649 does not fit its field's range, -2147483648 to 2147483647", 1, 1},
      {"99999999999999999999999", "i",
       "99999999999999999999999 does not fit its field's range, -2147483648 to "
       "2147483647",
       1, 1},
      {"32768", "h", "32768 does not fit its field's range, -32768 to 32767", 1, 1},
      {"256", "b", "256 does not fit its field's range, 0 to 255", 1, 1},
      {"-1", "b", "-1 does not fit its field's range, 0 to 255", 1, 1},
      {"a,\r\nb\r\n  ", "ttt", "the source ended inside a record", 3, 3},
      {"", "t", "the source is empty", 1, 1},
      {" \r\n\r\n ", "i", "the source is empty", 1, 1},
      // a record's value names its field
      {"pendenza, 600, -4.5", "tPG", "field gradient: \"-4.5\" is not a whole number", 1, 16},
      // a position past 32 bits is told by the range a position has
      {"pendenza, 99999999999, 5", "tPG",
       "field position: 99999999999 m is outside the range of a position, 0 to "
       "1000000 m",
       1, 11},
      {"pendenza, 600, 99999999999", "tPG",
       "field gradient: 99999999999 does not fit its field's range, "
       "-2147483648 to 2147483647",
       1, 16},
      {"pendenza, 600", "tPG", "field gradient is missing: the source ended inside the record", 1, 14},
      {"stazione, \"Ponte", "tN", "field name: quoted item without its closing quote", 1, 11},
      {"\"open", "t", "quoted item without its closing quote", 1, 1},
  };
  for (const auto& c : casi) {
    try {
      leggi(c.testo, c.letture);
      ADD_FAILURE() << "no fault for " << c.testo;
    } catch (const errore_lettura& e) {
      EXPECT_EQ(e.what(), std::string(c.messaggio)) << c.testo;
      EXPECT_EQ(e.dove().file, "f.txt");
      EXPECT_EQ(e.dove().riga, c.riga) << c.testo;
      EXPECT_EQ(e.dove().colonna, c.colonna) << c.testo;
    }
  }
}

TEST(Lettore, LocationsCountLinesWhateverTheirEnd) {
  lettore r("uno\r\n  due,\ntre, \"q\r\nq\"\r\n quattro", "Valdoro_linea.txt");
  std::vector<std::string> luoghi;
  while (!r.esaurito()) {
    r.leggi_testo();
    luogo l = r.luogo_voce();
    luoghi.push_back(l.file + ":" + std::to_string(l.riga) + ":" + std::to_string(l.colonna));
  }
  EXPECT_EQ(luoghi, (std::vector<std::string>{"Valdoro_linea.txt:1:1", "Valdoro_linea.txt:2:3", "Valdoro_linea.txt:3:1",
                                              "Valdoro_linea.txt:3:6", "Valdoro_linea.txt:5:2"}));
}

}  // namespace
}  // namespace valdoro

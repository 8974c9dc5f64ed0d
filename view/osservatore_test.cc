// The watcher of the sources, shown looks at the files by hand.
#include "view/osservatore.h"

#include <gtest/gtest.h>

namespace valdoro {
namespace {

using namespace std::chrono_literals;

firma_file firma(uint64_t dimensione) { return {true, dimensione, 1, 7}; }

// The facts file is looked at like the sources; 0 stands for no file.
firma_file firma_fatti(uint64_t dimensione) { return dimensione == 0 ? firma_file{} : firma(dimensione); }

struct banco {
  osservatore o{{"line.txt", "train.txt", "facts.txt"}, {firma(10), firma(20), firma_file{}}};
  osservatore::istante t{};
  osservatore::decisione guarda(uint64_t linea, uint64_t treno, uint64_t fatti = 0,
                                std::chrono::milliseconds dopo = 25ms) {
    t += dopo;
    return o.guarda({firma(linea), firma(treno), firma_fatti(fatti)}, t);
  }
};

TEST(Osservatore, BothSourcesAreCompiledAtFirstThenOnlyASettledChange) {
  banco b;
  EXPECT_TRUE(b.guarda(10, 20).compila);   // the first compile
  EXPECT_FALSE(b.guarda(10, 20).compila);  // nothing changed
  EXPECT_FALSE(b.guarda(11, 20).compila);  // changing: not yet
  EXPECT_FALSE(b.guarda(12, 20).compila);  // still changing
  EXPECT_TRUE(b.guarda(12, 20).compila);   // settled for one look
  EXPECT_FALSE(b.guarda(12, 20).compila);
  // A file that goes away is a change like any other.
  EXPECT_FALSE(b.o.guarda({firma_file{}, firma(20), firma_file{}}, b.t += 25ms).compila);
  EXPECT_TRUE(b.o.guarda({firma_file{}, firma(20), firma_file{}}, b.t += 25ms).compila);
}

// A save of the facts file changes the papers and their diagnostics: it is
// compiled as a source is, and so is its coming and going.  No facts file
// at all is a state like any other, not a change at every look.
TEST(Osservatore, TheFactsFileIsWatchedAsTheSourcesAre) {
  banco b;
  EXPECT_TRUE(b.guarda(10, 20).compila);
  EXPECT_FALSE(b.guarda(10, 20).compila);
  EXPECT_FALSE(b.guarda(10, 20, 30).compila);  // written beside them
  EXPECT_TRUE(b.guarda(10, 20, 30).compila);
  EXPECT_FALSE(b.guarda(10, 20, 31).compila);  // saved again
  EXPECT_TRUE(b.guarda(10, 20, 31).compila);
  EXPECT_FALSE(b.guarda(10, 20, 31).compila);
  EXPECT_FALSE(b.guarda(10, 20, 0).compila);  // taken away
  EXPECT_TRUE(b.guarda(10, 20, 0).compila);
  EXPECT_FALSE(b.guarda(10, 20, 0).compila);
  // Written at length, it is announced by its name.
  osservatore::decisione d;
  for (uint64_t n = 40; n < 50; ++n) {
    d = b.guarda(10, 20, n);
    if (!d.attese.empty()) break;
  }
  EXPECT_EQ(d.attese, (std::vector<std::string>{"facts.txt"}));
}

TEST(Osservatore, ALongWriteIsAnnouncedOnceWithTheSourcesBeingWritten) {
  banco b;
  b.guarda(10, 20);
  uint64_t n = 10;
  osservatore::decisione d;
  // Changing at every look: announced once 200 ms have gone by, not before.
  for (int i = 0; i < 8; ++i) {
    d = b.guarda(++n, 20);
    EXPECT_FALSE(d.compila);
    EXPECT_TRUE(d.attese.empty()) << i;
  }
  d = b.guarda(++n, 20);
  EXPECT_EQ(d.attese, (std::vector<std::string>{"line.txt"}));
  EXPECT_TRUE(b.guarda(++n, 21).attese.empty());  // once only, though the train source now changes too
  d = b.guarda(n, 21);
  EXPECT_TRUE(d.compila);
  EXPECT_TRUE(d.attese.empty());
  // After the compile a new long write is announced again.
  for (int i = 0; i < 9; ++i) d = b.guarda(n, 22 + i);
  EXPECT_EQ(d.attese, (std::vector<std::string>{"train.txt"}));
}

}  // namespace
}  // namespace valdoro

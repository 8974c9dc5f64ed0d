// The watcher of the sources, shown looks at the files by hand.
#include "view/osservatore.h"

#include <gtest/gtest.h>

namespace valdoro {
namespace {

using namespace std::chrono_literals;

firma_file firma(uint64_t dimensione) { return {true, dimensione, 1, 7}; }

struct banco {
  osservatore o{{"line.txt", "train.txt"}, {firma(10), firma(20)}};
  osservatore::istante t{};
  osservatore::decisione guarda(uint64_t linea, uint64_t treno, std::chrono::milliseconds dopo = 25ms) {
    t += dopo;
    return o.guarda({firma(linea), firma(treno)}, t);
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
  EXPECT_FALSE(b.o.guarda({firma_file{}, firma(20)}, b.t += 25ms).compila);
  EXPECT_TRUE(b.o.guarda({firma_file{}, firma(20)}, b.t += 25ms).compila);
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

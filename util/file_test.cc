#include "util/file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

TEST(SafeWrite, ReplacesWholeFileAndLeavesNoTemporary) {
  cartella_temporanea dir;
  dir.scrivi("a.dat", std::string(100, 'x'));
  scrivi_file(dir / "a.dat", "new");
  EXPECT_EQ(dir.leggi("a.dat"), "new");
  EXPECT_EQ(dir.conta_file(), 1);
}

TEST(SafeWrite, FailureKeepsThePreviousFileAndRemovesTheTemporary) {
  cartella_temporanea dir;
  dir.scrivi("a.dat", "old content");
  imposta_guasto_scrittura([](const std::filesystem::path&) { throw errore_file("write", "a.dat", "No space left on device"); });
  EXPECT_THROW(scrivi_file(dir / "a.dat", "new content"), errore_file);
  imposta_guasto_scrittura(nullptr);
  EXPECT_EQ(dir.leggi("a.dat"), "old content");
  EXPECT_EQ(dir.conta_file(), 1);
}

TEST(SafeWrite, PiecesReplaceTheFileOnlyWhenConcluded) {
  cartella_temporanea dir;
  dir.scrivi("a.dat", "old");
  {
    file_in_scrittura file(dir / "a.dat");
    file.aggiungi("ne");
    file.aggiungi("w");
    EXPECT_EQ(dir.leggi("a.dat"), "old");
    file.concludi();
  }
  EXPECT_EQ(dir.leggi("a.dat"), "new");
  EXPECT_EQ(dir.conta_file(), 1);
}

// A caller's exception between two pieces: the writer goes out of scope
// unfinished.
TEST(SafeWrite, UnfinishedWriterKeepsThePreviousFileAndRemovesTheTemporary) {
  cartella_temporanea dir;
  dir.scrivi("a.dat", "old");
  {
    file_in_scrittura file(dir / "a.dat");
    file.aggiungi("half of it");
  }
  EXPECT_EQ(dir.leggi("a.dat"), "old");
  EXPECT_EQ(dir.conta_file(), 1);
}

TEST(SafeWrite, ReadOnlyDirectoryNamesFileAndReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
  cartella_temporanea dir;
  dir.scrivi("a.dat", "old");
  std::filesystem::permissions(dir.percorso(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  try {
    scrivi_file(dir / "a.dat", "new");
    ADD_FAILURE() << "write succeeded";
  } catch (const errore_file& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write " + (dir / "a.dat").string() + ": Permission denied");
  }
  EXPECT_EQ(dir.leggi("a.dat"), "old");
}

TEST(SafeWrite, TargetTakenByADirectoryFailsCleanly) {
  cartella_temporanea dir;
  std::filesystem::create_directory(dir / "a.dat");
  EXPECT_THROW(scrivi_file(dir / "a.dat", "new"), errore_file);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a.dat"));
  EXPECT_EQ(dir.conta_file(), 0);
}

TEST(ReadFile, MissingFileNamesIt) {
  cartella_temporanea dir;
  try {
    leggi_file(dir / "none.txt");
    ADD_FAILURE();
  } catch (const errore_file& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read " + (dir / "none.txt").string() + ": No such file or directory");
  }
}

}  // namespace
}  // namespace valdoro

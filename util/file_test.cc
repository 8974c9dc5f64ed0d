#include "util/file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "testing/cartella_temporanea.h"
#include "testing/guardia.h"

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
  imposta_guasto_scrittura(
      [](const std::filesystem::path&) { throw errore_file("write", "a.dat", "No space left on device"); });
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

namespace valdoro {
namespace {

namespace fs = std::filesystem;

std::string errore_di(const std::function<void()>& fai) {
  try {
    fai();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

// A link at the target is replaced, never written through, and its victim
// keeps its bytes; names that are not the writer's (an editor's "a.dat.tmp",
// a temporary-looking FIFO it does not draw) are left alone.
TEST(SafeWrite, LinkAtTheTargetIsReplacedAndUnrelatedNamesAreLeftAlone) {
  cartella_temporanea dir;
  dir.scrivi("victim", "secret");
  fs::create_symlink(dir / "victim", dir / "a.dat");
  fs::create_symlink(dir / "victim", dir / "a.dat.tmp");
  ASSERT_EQ(::mkfifo((dir / "a.dat.0000000000000000.valdoro-tmp").c_str(), 0600), 0);
  scrivi_file(dir / "a.dat", "new");
  EXPECT_EQ(dir.leggi("victim"), "secret");
  EXPECT_FALSE(fs::is_symlink(dir / "a.dat"));
  EXPECT_EQ(dir.leggi("a.dat"), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "a.dat.tmp"));
  EXPECT_EQ(fs::status(dir / "a.dat.0000000000000000.valdoro-tmp").type(), fs::file_type::fifo);
}

// Sets the temporaries' random source for one test.
struct caso_installato {
  explicit caso_installato(sorgente_caso c) { imposta_caso_temporanei(std::move(c)); }
  ~caso_installato() { imposta_caso_temporanei(nullptr); }
};

std::string nome_estratto(const std::string& bersaglio, uint64_t numero) {
  char cifre[17];
  std::snprintf(cifre, sizeof cifre, "%016llx", static_cast<unsigned long long>(numero));
  return bersaglio + "." + cifre + ".valdoro-tmp";
}

// Someone who guessed the names the writer draws plants a link to a victim,
// a FIFO and a link to a device at the first three: none is opened, the
// writer draws again, and the fourth name takes the content.
TEST(SafeWrite, PlantedAtTheDrawnNamesTheWriterDrawsAgain) {
  cartella_temporanea dir;
  dir.scrivi("victim", "secret");
  dir.scrivi("a.dat", "old");
  fs::create_symlink(dir / "victim", dir / nome_estratto("a.dat", 1));
  ASSERT_EQ(::mkfifo((dir / nome_estratto("a.dat", 2)).c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir / nome_estratto("a.dat", 3));
  std::vector<std::string> provati;
  uint64_t prossimo = 1;
  {
    guardia g("a write with a FIFO planted at a temporary's name", std::chrono::seconds(60));
    caso_installato caso([&] { return prossimo++; });
    imposta_guasto_scrittura([&](const fs::path&) {
      for (const auto& voce : fs::directory_iterator(dir.percorso())) {
        if (!voce.is_symlink() && voce.is_regular_file() && nome_temporaneo(voce.path().filename().string())) {
          provati.push_back(voce.path().filename().string());
        }
      }
    });
    scrivi_file(dir / "a.dat", "new");
    imposta_guasto_scrittura(nullptr);
  }
  EXPECT_EQ(prossimo, 5u);
  EXPECT_EQ(provati, std::vector<std::string>{nome_estratto("a.dat", 4)});
  EXPECT_EQ(dir.leggi("victim"), "secret");
  EXPECT_EQ(dir.leggi("a.dat"), "new");
  EXPECT_TRUE(fs::is_symlink(dir / nome_estratto("a.dat", 1)));
  EXPECT_EQ(fs::status(dir / nome_estratto("a.dat", 2)).type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_symlink(dir / nome_estratto("a.dat", 3)));
  EXPECT_FALSE(fs::exists(dir / nome_estratto("a.dat", 4)));
}

// Every name drawn is taken: the writer gives up with a reason that says
// so, and the previous file stays.
TEST(SafeWrite, EveryDrawnNameTakenEndsWithAClearMessage) {
  cartella_temporanea dir;
  dir.scrivi("victim", "secret");
  dir.scrivi("a.dat", "old");
  fs::create_symlink(dir / "victim", dir / nome_estratto("a.dat", 7));
  int estrazioni = 0;
  caso_installato caso([&] {
    ++estrazioni;
    return uint64_t{7};
  });
  EXPECT_EQ(errore_di([&] { scrivi_file(dir / "a.dat", "new"); }),
            "cannot write " + (dir / "a.dat").string() + ": all 100 names tried for its temporary file were taken");
  EXPECT_EQ(estrazioni, kProveTemporaneo);
  EXPECT_EQ(dir.leggi("victim"), "secret");
  EXPECT_EQ(dir.leggi("a.dat"), "old");
}

// A fault at each point of a replacement: after opening, after each piece,
// at the flush and at the rename.  Each ends the write with the previous
// file whole and no temporary left.
TEST(SafeWrite, FaultAtEveryPointKeepsThePreviousFile) {
  const struct {
    fase_scrittura fase;
    int volta;  // which call at that point fails
  } casi[] = {
      {fase_scrittura::apertura, 1}, {fase_scrittura::pezzo, 1},    {fase_scrittura::pezzo, 2},
      {fase_scrittura::scarico, 1},  {fase_scrittura::rinomina, 1},
  };
  for (const auto& caso : casi) {
    SCOPED_TRACE("point " + std::to_string(static_cast<int>(caso.fase)) + ", call " + std::to_string(caso.volta));
    cartella_temporanea dir;
    dir.scrivi("a.dat", "old");
    int volte = 0;
    imposta_guasto_fasi([&](const fs::path& f, fase_scrittura fase) {
      if (fase == caso.fase && ++volte == caso.volta) throw errore_file("write", f, "No space left on device");
    });
    const std::string e = errore_di([&] {
      file_in_scrittura file(dir / "a.dat");
      file.aggiungi("ne");
      file.aggiungi("w");
      file.concludi();
    });
    imposta_guasto_fasi(nullptr);
    EXPECT_EQ(e, "cannot write " + (dir / "a.dat").string() + ": No space left on device");
    EXPECT_EQ(dir.leggi("a.dat"), "old");
    EXPECT_EQ(dir.conta_file(), 1);
  }
}

// The points in the order a writer meets them; a file the run deletes again
// soon is not flushed, so it has no flush point.
TEST(SafeWrite, FaultPointsComeInTheOrderOfTheWrite) {
  cartella_temporanea dir;
  for (durata d : {durata::durevole, durata::transitoria}) {
    std::vector<fase_scrittura> viste;
    imposta_guasto_fasi([&](const fs::path&, fase_scrittura fase) { viste.push_back(fase); });
    {
      file_in_scrittura file(dir / "a.dat", d);
      file.aggiungi("ne");
      file.aggiungi("w");
      file.concludi();
    }
    imposta_guasto_fasi(nullptr);
    std::vector<fase_scrittura> attese = {fase_scrittura::apertura, fase_scrittura::pezzo, fase_scrittura::pezzo,
                                          fase_scrittura::scarico, fase_scrittura::rinomina};
    if (d == durata::transitoria) attese.erase(attese.begin() + 3);
    EXPECT_EQ(viste, attese);
    EXPECT_EQ(dir.leggi("a.dat"), "new");
  }
}

TEST(SafeWrite, NewFileTakesTheUsualModeBeforeTheUmask) {
  cartella_temporanea dir;
  const mode_t prima = ::umask(022);
  scrivi_file(dir / "a.dat", "x");
  ::umask(prima);
  EXPECT_EQ(fs::status(dir / "a.dat").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(SafeWrite, TemporaryNamesAreFreshAndRecognised) {
  cartella_temporanea dir;
  std::vector<std::string> visti;
  imposta_guasto_scrittura([&](const fs::path&) {
    for (const auto& voce : fs::directory_iterator(dir.percorso())) visti.push_back(voce.path().filename().string());
  });
  scrivi_file(dir / "a.dat", "1");
  fs::remove(dir / "a.dat");
  scrivi_file(dir / "a.dat", "2");
  imposta_guasto_scrittura(nullptr);
  ASSERT_EQ(visti.size(), 2u);
  EXPECT_NE(visti[0], visti[1]);
  for (const std::string& nome : visti) {
    EXPECT_EQ(nome.rfind("a.dat.", 0), 0u) << nome;
    EXPECT_TRUE(nome_temporaneo(nome)) << nome;
  }
}

TEST(SafeWrite, TemporaryNamePattern) {
  const struct {
    const char* nome;
    bool nostro;
  } casi[] = {
      {"a.dat.0123456789abcdef.valdoro-tmp", true},
      {".0123456789abcdef.valdoro-tmp", false},  // no target name before it
      {"a.dat.0123456789ABCDEF.valdoro-tmp", false},
      {"a.dat.0123456789abcde.valdoro-tmp", false},
      {"a.dat_0123456789abcdef.valdoro-tmp", false},
      {"a.dat.0123456789abcdef.valdoro-tmp~", false},
      {"a.dat.tmp", false},
      {"valdoro-tmp", false},
  };
  for (const auto& caso : casi) EXPECT_EQ(nome_temporaneo(caso.nome), caso.nostro) << caso.nome;
}

TEST(ReadFile, RefusesWhatIsNotABoundedRegularFile) {
  cartella_temporanea dir;
  dir.scrivi("ok.txt", "abc");
  dir.scrivi("big.txt", std::string(101, 'x'));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "ok.txt", dir / "link");
  fs::create_symlink("/dev/zero", dir / "zero");
  const struct {
    fs::path percorso;
    collegamento c;
    std::string atteso;
  } casi[] = {
      {dir / "ok.txt", collegamento::rifiuta, "abc"},
      {dir / "link", collegamento::segui, "abc"},
      {dir / "link", collegamento::rifiuta,
       "cannot read " + (dir / "link").string() + ": it is a symbolic link, not a regular file"},
      {dir / "fifo", collegamento::rifiuta,
       "cannot read " + (dir / "fifo").string() + ": it is a FIFO, not a regular file"},
      {dir / "sub", collegamento::rifiuta, "cannot read " + (dir / "sub").string() + ": it is a directory"},
      {dir / "zero", collegamento::segui,
       "cannot read " + (dir / "zero").string() + ": it is a device, not a regular file"},
      {"/dev/zero", collegamento::segui, "cannot read /dev/zero: it is a device, not a regular file"},
      {dir / "big.txt", collegamento::rifiuta,
       "cannot read " + (dir / "big.txt").string() + ": larger than the 100 bytes an input may have"},
  };
  for (const auto& caso : casi) {
    std::string letto;
    const std::string e = errore_di([&] { letto = leggi_file(caso.percorso, caso.c, 100); });
    EXPECT_EQ(e == "no error" ? letto : e, caso.atteso);
  }
}

// Between the look at an input and its opening another program may put
// something else at its name: whatever it is, nothing of it is read, and a
// FIFO does not hold the open waiting for a writer.
TEST(ReadFile, WhatIsPutAtTheNameAfterTheLookIsRefused) {
  cartella_temporanea dir;
  const fs::path a = dir / "a.txt";
  const std::string sostituito = "cannot read " + a.string() + ": it was replaced while it was being opened";
  const auto collegamento_a_un_altro = [&] {
    dir.scrivi("b.txt", "other");
    fs::remove(a);
    fs::create_symlink(dir / "b.txt", a);
  };
  const struct {
    const char* cosa;
    std::function<void()> metti;
    collegamento c;
    std::string atteso;
  } casi[] = {
      {"another file",
       [&] {
         dir.scrivi("b.txt", "other");
         fs::rename(dir / "b.txt", a);
       },
       collegamento::rifiuta, sostituito},
      {"a FIFO",
       [&] {
         fs::remove(a);
         ::mkfifo(a.c_str(), 0600);
       },
       collegamento::rifiuta, sostituito},
      {"a directory",
       [&] {
         fs::remove(a);
         fs::create_directory(a);
       },
       collegamento::rifiuta, sostituito},
      {"a link to another file", collegamento_a_un_altro, collegamento::rifiuta,
       "cannot read " + a.string() + ": it is a symbolic link, not a regular file"},
      {"a link to another file, links followed", collegamento_a_un_altro, collegamento::segui, sostituito},
  };
  for (const auto& caso : casi) {
    fs::remove_all(a);
    fs::remove(dir / "b.txt");
    dir.scrivi("a.txt", "abc");
    bool chiamato = false;
    imposta_guasto_lettura([&](const fs::path& p) {
      chiamato = true;
      if (p == a) caso.metti();
    });
    std::string e;
    {
      guardia g(caso.cosa, std::chrono::seconds(20));
      e = errore_di([&] { leggi_file(a, caso.c); });
    }
    imposta_guasto_lettura(nullptr);
    EXPECT_TRUE(chiamato) << caso.cosa;
    EXPECT_EQ(e, caso.atteso) << caso.cosa;
  }
}

TEST(ReadFile, LimitInMebibytesIsSaidSo) {
  EXPECT_EQ(kLimiteIngresso, 64u << 20);
  cartella_temporanea dir;
  dir.scrivi("a", std::string(3, 'x'));
  EXPECT_EQ(errore_di([&] { leggi_file(dir / "a", collegamento::rifiuta, 0); }),
            "cannot read " + (dir / "a").string() + ": larger than the 0 bytes an input may have");
  const fs::path grande = dir / "sparse";
  { std::ofstream(grande, std::ios::binary) << ""; }
  fs::resize_file(grande, (64u << 20) + 1);  // sparse: no room taken on the disk
  EXPECT_EQ(errore_di([&] { leggi_file(grande); }),
            "cannot read " + grande.string() + ": larger than the 64 MiB an input may have");
}

// A file that grows after it was opened is cut at no limit: past it, the
// read is refused.
TEST(ReadFile, FileGrowingPastTheLimitIsRefused) {
  cartella_temporanea dir;
  dir.scrivi("a", "12345");
  file_in_lettura file(dir / "a", collegamento::rifiuta, 8);
  { std::ofstream(dir / "a", std::ios::binary | std::ios::app) << "6789"; }
  char buffer[64];
  size_t totale = 0;
  const std::string e = errore_di([&] {
    while (size_t n = file.leggi(buffer, sizeof buffer)) totale += n;
  });
  EXPECT_EQ(e, "cannot read " + (dir / "a").string() + ": larger than the 8 bytes an input may have");
}

TEST(FolderLock, SecondHolderWaitsThenGivesUpWithTheFolderNamed) {
  cartella_temporanea dir;
  {
    blocco_cartella primo(dir.percorso());
    EXPECT_EQ(errore_di([&] { blocco_cartella secondo(dir.percorso(), std::chrono::milliseconds(50)); }),
              "another run is writing in " + dir.percorso().string());
  }
  EXPECT_EQ(errore_di([&] { blocco_cartella terzo(dir.percorso(), std::chrono::milliseconds(0)); }), "no error");
  EXPECT_EQ(dir.conta_file(), 0);  // nothing left in the folder
}

TEST(FolderLock, WaiterGetsTheLockWhenTheHolderLetsGo) {
  cartella_temporanea dir;
  auto primo = std::make_unique<blocco_cartella>(dir.percorso());
  std::thread rilascia([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    primo.reset();
  });
  EXPECT_EQ(errore_di([&] { blocco_cartella secondo(dir.percorso(), std::chrono::seconds(10)); }), "no error");
  rilascia.join();
}

// The lock is the folder's, not the path's: two runs that reach one folder
// by two paths (a link, a path through "..", a bind mount) wait for each
// other, whichever path took it first.
void un_blocco_per_due_percorsi(const std::filesystem::path& cartella, const std::filesystem::path& altra) {
  {
    blocco_cartella primo(cartella);
    EXPECT_EQ(errore_di([&] { blocco_cartella secondo(altra, std::chrono::milliseconds(20)); }),
              "another run is writing in " + altra.string());
  }
  {
    blocco_cartella primo(altra);
    EXPECT_EQ(errore_di([&] { blocco_cartella secondo(cartella, std::chrono::milliseconds(20)); }),
              "another run is writing in " + cartella.string());
  }
  EXPECT_EQ(errore_di([&] { blocco_cartella terzo(altra, std::chrono::milliseconds(0)); }), "no error");
}

TEST(FolderLock, OneFolderHasOneLockThroughALinkOrDotDot) {
  cartella_temporanea dir;
  const std::filesystem::path cartella = dir / "Valdoro";
  std::filesystem::create_directories(cartella / "sotto");
  std::filesystem::create_directory_symlink(cartella, dir / "collegamento");
  for (const std::filesystem::path& altra : {dir / "collegamento", cartella / "sotto" / ".."}) {
    SCOPED_TRACE(altra.string());
    un_blocco_per_due_percorsi(cartella, altra);
  }
  // The folder beside it, a link's own folder, is not held by it.
  blocco_cartella primo(cartella);
  EXPECT_EQ(errore_di([&] { blocco_cartella secondo(dir.percorso(), std::chrono::milliseconds(0)); }), "no error");
}

TEST(FolderLock, OneFolderHasOneLockThroughABindMount) {
  cartella_temporanea dir;
  const std::filesystem::path cartella = dir / "Valdoro";
  std::filesystem::create_directories(cartella);
  std::filesystem::create_directory(dir / "montata");
  if (::mount(cartella.c_str(), (dir / "montata").c_str(), nullptr, MS_BIND, nullptr) != 0) {
    GTEST_SKIP() << "a bind mount needs root: " << std::strerror(errno);
  }
  un_blocco_per_due_percorsi(cartella, dir / "montata");
  ::umount((dir / "montata").c_str());
}

// A killed run's temporaries of the holder's own names go with the next
// lock; whatever else is there stays, names of the same form included (a
// user's own file, another program's outputs), and links and folders that
// look like ours.
enum class piantato { file, link, cartella };

TEST(FolderLock, RemovesOnlyTheStrayTemporariesOfItsOwnNames) {
  const std::vector<std::string> nostri = {"a.dat", "Valdoro_Dir 5802.sim"};
  const struct {
    const char* nome;
    piantato tipo;
    bool tolto;
  } casi[] = {
      {"a.dat.0123456789abcdef.valdoro-tmp", piantato::file, true},
      {"Valdoro_Dir 5802.sim.fedcba9876543210.valdoro-tmp", piantato::file, true},
      {"thesis.0000000000000000.valdoro-tmp", piantato::file, false},
      {"b.dat.0123456789abcdef.valdoro-tmp", piantato::file, false},
      {"xa.dat.0123456789abcdef.valdoro-tmp", piantato::file, false},
      {"a.da.0123456789abcdef.valdoro-tmp", piantato::file, false},
      {"a.dat.a.dat.0123456789abcdef.valdoro-tmp", piantato::file, false},
      {"Valdoro_Dir 5802.sim.0123456789ABCDEF.valdoro-tmp", piantato::file, false},
      {"a.dat.0123456789abcdef.valdoro-tmp~", piantato::file, false},
      {"a.dat.tmp", piantato::file, false},
      {"a.dat", piantato::file, false},
      {"victim", piantato::file, false},
      {"a.dat.1111111111111111.valdoro-tmp", piantato::link, false},
      {"a.dat.2222222222222222.valdoro-tmp", piantato::cartella, false},
  };
  cartella_temporanea dir;
  for (const auto& caso : casi) {
    if (caso.tipo == piantato::file) dir.scrivi(caso.nome, "planted");
    if (caso.tipo == piantato::link) fs::create_symlink(dir / "victim", dir / caso.nome);
    if (caso.tipo == piantato::cartella) fs::create_directory(dir / caso.nome);
  }
  { blocco_cartella blocco(dir.percorso(), nostri); }
  for (const auto& caso : casi) {
    EXPECT_EQ(!fs::exists(fs::symlink_status(dir / caso.nome)), caso.tolto) << caso.nome;
  }
  EXPECT_EQ(dir.leggi("victim"), "planted");
  // A lock that names nothing removes nothing.
  dir.scrivi("a.dat.0123456789abcdef.valdoro-tmp", "planted");
  { blocco_cartella blocco(dir.percorso()); }
  EXPECT_TRUE(fs::exists(dir / "a.dat.0123456789abcdef.valdoro-tmp"));
}

// A FIFO's waiting writer is let through by any open of the FIFO: a refused
// FIFO must never have been opened.
TEST(ReadFile, WhatIsNotARegularFileIsNeverOpened) {
  cartella_temporanea dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::atomic<bool> aperto{false};
  std::thread scrittore([&] {
    const int fd = ::open((dir / "fifo").c_str(), O_WRONLY | O_CLOEXEC);
    aperto = true;
    if (fd >= 0) ::close(fd);
  });
  for (collegamento c : {collegamento::rifiuta, collegamento::segui}) {
    EXPECT_EQ(errore_di([&] { leggi_file(dir / "fifo", c); }),
              "cannot read " + (dir / "fifo").string() + ": it is a FIFO, not a regular file");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(aperto);
  const int fd = ::open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // lets the writer go
  scrittore.join();
  ::close(fd);
}

// The temporary's suffix must fit too: a path that leaves it no room is
// said to be too long, of the part the user can shorten.
TEST(SafeWrite, PathsWithNoRoomForTheTemporaryAreSaidToBeTooLong) {
  cartella_temporanea dir;
  fs::path profonda = dir.percorso();
  while (profonda.native().size() + 200 < PATH_MAX - 16) profonda /= std::string(199, 'd');
  profonda /= std::string(PATH_MAX - 16 - profonda.native().size() - 2, 'e');
  fs::create_directories(profonda);
  const struct {
    fs::path percorso;
    std::string motivo;
  } casi[] = {
      {profonda / "a.dat", "the folder's path is too long"},
      {dir / std::string(NAME_MAX - 10, 'n'), "the file's name is too long"},
  };
  for (const auto& caso : casi) {
    EXPECT_EQ(errore_di([&] { scrivi_file(caso.percorso, "x"); }),
              "cannot write " + caso.percorso.string() + ": " + caso.motivo);
  }
}

TEST(FolderLock, MissingFolderNamesIt) {
  cartella_temporanea dir;
  EXPECT_EQ(errore_di([&] { blocco_cartella blocco(dir / "none"); }),
            "cannot lock " + (dir / "none").string() + ": No such file or directory");
}

TEST(FolderFlush, MissingFolderNamesIt) {
  cartella_temporanea dir;
  sincronizza_cartella(dir.percorso());
  EXPECT_EQ(errore_di([&] { sincronizza_cartella(dir / "none"); }),
            "cannot flush " + (dir / "none").string() + ": No such file or directory");
}

}  // namespace
}  // namespace valdoro

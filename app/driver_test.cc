#include "app/driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/messaggi.h"

#include "testing/cartella_temporanea.h"

namespace valdoro {
namespace {

class piattaforma_finta : public piattaforma {
 public:
  explicit piattaforma_finta(std::filesystem::path cartella) : cartella_(std::move(cartella)) {}
  std::filesystem::path cartella_programma() override { return cartella_; }
  void mostra_finestra() override { eventi.push_back("show"); }
  void chiudi_finestra() override { eventi.push_back("close"); }
  void messaggio_errore(const std::string& t) override { eventi.push_back("box:" + t); }
  void guasto(const std::exception& e) override { eventi.push_back(std::string("fault:valdoro: ") + e.what()); }
  void avviso(const std::string& t) override { eventi.push_back("notice:" + t); }
  std::vector<std::string> eventi;

 private:
  std::filesystem::path cartella_;
};

TEST(Errore, ShowsTheNumberAndEndsTheRun) {
  piattaforma_finta p("/nonexistent");
  EXPECT_EQ(errore(p, "1251"), kUscitaInterrotta);
  ASSERT_EQ(p.eventi.size(), 1u);
  EXPECT_EQ(p.eventi[0], "box: Errore n. 1251");
}

TEST(FormLoad, WritesTheBinaryFilesIntoTheProgramDirectory) {
  cartella_temporanea dir;
  piattaforma_finta p(dir.percorso());
  form_load(p);
  EXPECT_EQ(p.eventi.front(), "show");
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdoro_Dir 5802.sim"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdoro_Dir 5802.dat"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdoro_linea.dat"));
}

// A full disk's box asks for this much room: the run's files, and the two
// sources, a few kilobytes, beside them while they are compiled.
TEST(FormLoad, NeedsNoMoreRoomThanAFullDiskIsAskedFor) {
  cartella_temporanea dir;
  piattaforma_finta p(dir.percorso());
  ASSERT_EQ(form_load(p), kUscitaPulita);
  std::uintmax_t totale = 0;
  for (const auto& voce : std::filesystem::directory_iterator(dir.percorso())) totale += voce.file_size();
  EXPECT_LE(totale + (std::uintmax_t{256} << 10), std::uintmax_t{kMegabyteNecessari} << 20);
}

TEST(FormLoad, UnwritableDirectoryEndsWithAFileFault) {
  cartella_temporanea dir;
  std::filesystem::create_directory(dir / "Valdoro_Dir 5802.sim");  // the name is taken
  piattaforma_finta p(dir.percorso());
  EXPECT_EQ(form_load(p), kUscitaInterrotta);
  bool guasto = false;
  for (const std::string& e : p.eventi) guasto |= e.rfind("fault:valdoro: cannot write ", 0) == 0;
  EXPECT_TRUE(guasto);
  EXPECT_EQ(p.eventi.back(), "close");
}

}  // namespace
}  // namespace valdoro

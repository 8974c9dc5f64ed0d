#include "app/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "model/nomi_file.h"
#include "util/file.h"
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

// Another run holds the folder for the whole wait: the run says so, ends
// with status 2 and writes nothing.
TEST(FormLoad, FolderHeldByAnotherRunIsToldAndNothingIsWritten) {
  cartella_temporanea dir;
  piattaforma_finta p(dir.percorso());
  {
    blocco_cartella altra(dir.percorso());
    imposta_attesa_cartella_programma(std::chrono::milliseconds(50));
    EXPECT_EQ(form_load(p), kUscitaInterrotta);
    imposta_attesa_cartella_programma(std::chrono::seconds(60));
  }
  EXPECT_EQ(p.eventi, (std::vector<std::string>{
                          "show", "fault:valdoro: another run is writing in " + dir.percorso().string(), "close"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir.percorso()));
}

// A train source that records an error number (a signal past the end of the
// track, put into the source after the run wrote it and before the
// compiler reads it): every file is still written, one notice names the
// record, and the status is 1.
TEST(FormLoad, ARecordedErrorWritesEveryFileAndEndsWithStatusOne) {
  cartella_temporanea dir;
  piattaforma_finta p(dir.percorso());
  const std::string treno = file_sorgente_treno(kNomeLinea, kNomeTreno);
  int riga_segnale = 0;
  imposta_guasto_fasi([&](const std::filesystem::path& f, fase_scrittura fase) {
    if (f.filename() != file_note(kNomeLinea, kNomeTreno) || fase != fase_scrittura::apertura) return;
    std::string testo = dir.leggi(treno);
    const size_t dopo = testo.find("[segnali]\r\n") + 11;
    riga_segnale = 1 + static_cast<int>(std::count(testo.begin(), testo.begin() + dopo, '\n'));
    testo.insert(dopo, "segnale,  300000,   2, 4, 1,  1, 0,    2,  2,1,1, 0\r\n");
    dir.scrivi(treno, testo);
  });
  const int stato = form_load(p);
  imposta_guasto_fasi(nullptr);
  EXPECT_EQ(stato, kUscitaErroreRegistrato);
  ASSERT_GT(riga_segnale, 1);
  EXPECT_EQ(p.eventi, (std::vector<std::string>{
                          "show",
                          "notice:valdoro: " + treno + ":" + std::to_string(riga_segnale) +
                              ":1: error 15: position 300000 m is beyond the usable end of the track, 224900 m",
                          "close"}));
  for (const std::string& nome : {file_profilo(kNomeLinea), file_stazioni(kNomeLinea, kNomeTreno),
                                  file_celle(kNomeLinea, kNomeTreno), file_note(kNomeLinea, kNomeTreno),
                                  file_rallentamenti(kNomeLinea, kNomeTreno), file_scheda(kNomeLinea, kNomeTreno)}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / nome)) << nome;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / treno));
}

}  // namespace
}  // namespace valdoro

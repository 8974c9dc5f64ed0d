// File faults during a whole run: whatever fails, the run ends with a
// message naming the file and the reason and exit status 2, every output
// file is either its previous version or the new one, whole, and nothing
// temporary stays in the program directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/driver.h"
#include "model/errori.h"
#include "model/nomi_file.h"
#include "output/percorso.h"
#include "testing/cartella_temporanea.h"
#include "testing/guardia.h"
#include "util/file.h"

namespace valdoro {
namespace {

namespace fs = std::filesystem;

class piattaforma_finta : public piattaforma {
 public:
  explicit piattaforma_finta(fs::path cartella) : cartella_(std::move(cartella)) {}
  fs::path cartella_programma() override { return cartella_; }
  void mostra_finestra() override {}
  void chiudi_finestra() override {}
  void messaggio_errore(const std::string& t) override { messaggi.push_back("box:" + t); }
  void guasto(const std::exception& e) override { messaggi.push_back(std::string("fault:valdoro: ") + e.what()); }
  void avviso(const std::string& t) override { messaggi.push_back("notice:" + t); }
  std::vector<std::string> messaggi;

 private:
  fs::path cartella_;
};

// What each entry of a directory holds, in words, so that a failure shows
// names and states rather than megabytes of track.
using stati = std::map<std::string, std::string>;

std::string precedente(const std::string& nome) { return "previous " + nome; }

std::string linea() { return file_sorgente_linea(kNomeLinea); }
std::string treno() { return file_sorgente_treno(kNomeLinea, kNomeTreno); }

// Resets the seams however a test ends.
struct guasto_installato {
  explicit guasto_installato(guasto_scrittura g) { imposta_guasto_scrittura(std::move(g)); }
  explicit guasto_installato(guasto_fasi g) { imposta_guasto_fasi(std::move(g)); }
  ~guasto_installato() { imposta_guasto_fasi(nullptr); }
};

struct caso_installato {
  explicit caso_installato(sorgente_caso c) { imposta_caso_temporanei(std::move(c)); }
  ~caso_installato() { imposta_caso_temporanei(nullptr); }
};

// One point of a clean run where a write can fail.
struct punto {
  std::string bersaglio;
  fase_scrittura fase;
};

const char* nome_fase(fase_scrittura f) {
  switch (f) {
    case fase_scrittura::apertura:
      return "open";
    case fase_scrittura::pezzo:
      return "piece";
    case fase_scrittura::scarico:
      return "flush";
    case fase_scrittura::rinomina:
      return "rename";
  }
  return "?";
}

class GuastiFile : public ::testing::Test {
 protected:
  // One clean run: the files it leaves and the targets it writes, in order.
  static void SetUpTestSuite() {
    cartella_temporanea dir;
    piattaforma_finta p(dir.percorso());
    {
      guasto_installato conta(guasto_fasi([](const fs::path& f, fase_scrittura fase) {
        if (fase == fase_scrittura::apertura) bersagli_->push_back(f.filename().string());
        punti_->push_back({f.filename().string(), fase});
      }));
      ASSERT_EQ(form_load(p), kUscitaPulita);
    }
    for (const auto& voce : fs::directory_iterator(dir.percorso())) {
      std::string nome = voce.path().filename().string();
      (*buoni_)[nome] = dir.leggi(nome);
    }
  }

  static stati leggi_stati(const cartella_temporanea& dir) {
    stati c;
    for (const auto& voce : fs::directory_iterator(dir.percorso())) {
      std::string nome = voce.path().filename().string();
      std::string testo = voce.is_regular_file() ? dir.leggi(nome) : "";
      if (voce.is_directory()) {
        c[nome] = "directory";
      } else if (buoni_->count(nome) && testo == buoni_->at(nome)) {
        c[nome] = "new";
      } else if (testo == precedente(nome)) {
        c[nome] = "previous";
      } else {
        c[nome] = "other, " + std::to_string(testo.size()) + " bytes";
      }
    }
    return c;
  }

  // Puts an earlier version of every output file into the directory.
  static stati prepara_precedenti(const cartella_temporanea& dir) {
    stati precedenti;
    for (const auto& [nome, testo] : *buoni_) {
      dir.scrivi(nome, precedente(nome));
      precedenti[nome] = "previous";
    }
    return precedenti;
  }

  // Each output is whole: new where it was written before the fault, the
  // previous version otherwise; nothing else is left.
  static void controlla_intere(const cartella_temporanea& dir, stati atteso, const std::vector<std::string>& scritti) {
    for (const std::string& nome : scritti) {
      if (buoni_->count(nome) && atteso[nome] == "previous") atteso[nome] = "new";
    }
    EXPECT_EQ(leggi_stati(dir), atteso);
  }

  static std::string guasto_atteso(const cartella_temporanea& dir, const std::string& verbo, const std::string& nome,
                                   const std::string& motivo) {
    return "fault:valdoro: cannot " + verbo + " " + (dir / nome).string() + ": " + motivo;
  }

  static inline std::vector<std::string>* bersagli_ = new std::vector<std::string>;
  static inline std::vector<punto>* punti_ = new std::vector<punto>;
  static inline std::map<std::string, std::string>* buoni_ = new std::map<std::string, std::string>;
};

TEST_F(GuastiFile, ACleanRunWritesEveryFileOnceAndLeavesTheSixOutputs) {
  EXPECT_EQ(*bersagli_,
            (std::vector<std::string>{linea(), treno(), file_note(kNomeLinea, kNomeTreno),
                                      file_rallentamenti(kNomeLinea, kNomeTreno), file_scheda(kNomeLinea, kNomeTreno),
                                      file_profilo(kNomeLinea), file_stazioni(kNomeLinea, kNomeTreno),
                                      file_celle(kNomeLinea, kNomeTreno)}));
  std::vector<std::string> uscite;
  for (const auto& [nome, testo] : *buoni_) uscite.push_back(nome);
  // In the order of their names.
  EXPECT_EQ(uscite,
            (std::vector<std::string>{file_celle(kNomeLinea, kNomeTreno), file_stazioni(kNomeLinea, kNomeTreno),
                                      file_note(kNomeLinea, kNomeTreno), file_rallentamenti(kNomeLinea, kNomeTreno),
                                      file_scheda(kNomeLinea, kNomeTreno), file_profilo(kNomeLinea)}));
}

// The points of the clean run: every file opened, written, flushed (the
// six outputs, not the two sources the run deletes again) and renamed, the
// profile in many pieces.
TEST_F(GuastiFile, EveryFileMeetsEveryPointOfAWrite) {
  std::map<std::string, std::vector<std::string>> fasi;
  for (const punto& p : *punti_) {
    std::vector<std::string>& v = fasi[p.bersaglio];
    if (v.empty() || v.back() != nome_fase(p.fase)) v.push_back(nome_fase(p.fase));
  }
  ASSERT_EQ(fasi.size(), 8u);
  for (const auto& [nome, viste] : fasi) {
    const bool sorgente = nome == linea() || nome == treno();
    EXPECT_EQ(viste, sorgente ? (std::vector<std::string>{"open", "piece", "rename"})
                              : (std::vector<std::string>{"open", "piece", "flush", "rename"}))
        << nome;
  }
  size_t pezzi_profilo = 0;
  for (const punto& p : *punti_)
    pezzi_profilo += p.bersaglio == file_profilo(kNomeLinea) && p.fase == fase_scrittura::pezzo;
  EXPECT_GT(pezzi_profilo, 1u);
}

// A full disk, simulated at each point of every write of the run in turn:
// when a file is opened, after each of its pieces, at its flush and at its
// rename.
TEST_F(GuastiFile, DiskFullAtEveryPointOfEveryWrite) {
  for (size_t n = 0; n < punti_->size(); ++n) {
    const punto& guasto = (*punti_)[n];
    SCOPED_TRACE("fault at " + std::string(nome_fase(guasto.fase)) + " of " + guasto.bersaglio + " (point " +
                 std::to_string(n) + ")");
    cartella_temporanea dir;
    stati precedenti = prepara_precedenti(dir);
    piattaforma_finta p(dir.percorso());
    size_t chiamata = 0;
    {
      guasto_installato disco_pieno(guasto_fasi([&](const fs::path& f, fase_scrittura) {
        if (chiamata++ == n) throw errore_file("write", f, "No space left on device");
      }));
      EXPECT_EQ(form_load(p), kUscitaInterrotta);
    }
    EXPECT_EQ(p.messaggi,
              std::vector<std::string>{guasto_atteso(dir, "write", guasto.bersaglio, "No space left on device")});
    // The files renamed before the fault are the new ones.
    std::vector<std::string> rinominati;
    for (size_t i = 0; i < n; ++i) {
      if ((*punti_)[i].fase == fase_scrittura::rinomina) rinominati.push_back((*punti_)[i].bersaglio);
    }
    controlla_intere(dir, precedenti, rinominati);
  }
}

// Someone planted a link to a victim, a FIFO and a link to a device at the
// first three names each file of the run draws for its temporary: nothing
// is written through them, every file draws again, and the run ends cleanly
// with the six new files.
TEST_F(GuastiFile, PlantedAtTheDrawnNamesEveryFileDrawsAgain) {
  auto estratto = [](const std::string& bersaglio, int k) {
    return bersaglio + ".000000000000000" + std::to_string(k) + ".valdoro-tmp";
  };
  cartella_temporanea vittima;
  vittima.scrivi("victim", "secret");
  cartella_temporanea dir;
  stati atteso = prepara_precedenti(dir);
  for (const std::string& b : *bersagli_) {
    fs::create_symlink(vittima / "victim", dir / estratto(b, 1));
    ASSERT_EQ(::mkfifo((dir / estratto(b, 2)).c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir / estratto(b, 3));
    atteso[estratto(b, 1)] = "other, 6 bytes";  // the victim's "secret", through the link
    atteso[estratto(b, 2)] = atteso[estratto(b, 3)] = "other, 0 bytes";
  }
  piattaforma_finta p(dir.percorso());
  uint64_t estrazioni = 0;
  {
    guardia g("a run with FIFOs planted at its temporaries' names", std::chrono::seconds(60));
    caso_installato caso([&] { return estrazioni++ % 4 + 1; });  // 1, 2, 3, 4, 1, ...
    EXPECT_EQ(form_load(p), kUscitaPulita);
  }
  EXPECT_EQ(p.messaggi, std::vector<std::string>{});
  EXPECT_EQ(estrazioni, 4 * bersagli_->size());
  EXPECT_EQ(vittima.leggi("victim"), "secret");
  for (const auto& [nome, testo] : *buoni_) atteso[nome] = "new";
  EXPECT_EQ(leggi_stati(dir), atteso);
}

// Every name drawn is taken: the run ends with the file named and why.
TEST_F(GuastiFile, EveryDrawnNameTakenEndsTheRunWithAClearMessage) {
  cartella_temporanea vittima;
  vittima.scrivi("victim", "secret");
  cartella_temporanea dir;
  stati precedenti = prepara_precedenti(dir);
  const std::string primo = bersagli_->front();
  fs::create_symlink(vittima / "victim", dir / (primo + ".0000000000000001.valdoro-tmp"));
  piattaforma_finta p(dir.percorso());
  {
    caso_installato caso([] { return uint64_t{1}; });
    EXPECT_EQ(form_load(p), kUscitaInterrotta);
  }
  EXPECT_EQ(p.messaggi, std::vector<std::string>{guasto_atteso(
                            dir, "write", primo, "all 100 names tried for its temporary file were taken")});
  EXPECT_EQ(vittima.leggi("victim"), "secret");
  fs::remove(dir / (primo + ".0000000000000001.valdoro-tmp"));
  controlla_intere(dir, precedenti, {});
}

// Every name the run writes, taken in turn by a directory with a file in it.
TEST_F(GuastiFile, OutputNameTakenByADirectory) {
  for (size_t n = 0; n < bersagli_->size(); ++n) {
    const std::string& preso = (*bersagli_)[n];
    SCOPED_TRACE("taken: " + preso);
    cartella_temporanea dir;
    stati precedenti = prepara_precedenti(dir);
    fs::remove(dir / preso);
    fs::create_directory(dir / preso);
    dir.scrivi(preso + "/keep", "kept");
    precedenti[preso] = "directory";
    piattaforma_finta p(dir.percorso());
    EXPECT_EQ(form_load(p), kUscitaInterrotta);
    EXPECT_EQ(p.messaggi, std::vector<std::string>{guasto_atteso(dir, "write", preso, "Is a directory")});
    controlla_intere(dir, precedenti, std::vector<std::string>(bersagli_->begin(), bersagli_->begin() + n));
    EXPECT_EQ(dir.leggi(preso + "/keep"), "kept");
  }
}

// A source removed after it was written and before the compiler reads it:
// a file fault, not a scenario without a line or a train, so the previous
// binary files must survive.
TEST_F(GuastiFile, SourceVanishingBeforeTheCompilerReadsIt) {
  for (const std::string& sparito : {linea(), treno()}) {
    SCOPED_TRACE("vanishing: " + sparito);
    cartella_temporanea dir;
    stati precedenti = prepara_precedenti(dir);
    piattaforma_finta p(dir.percorso());
    std::vector<std::string> scritti;
    {
      guasto_installato sparisce([&](const fs::path& f) {
        std::string nome = f.filename().string();
        if (nome != linea() && nome != treno() && fs::exists(dir / sparito)) fs::remove(dir / sparito);
        scritti.push_back(nome);
      });
      EXPECT_EQ(form_load(p), kUscitaInterrotta);
    }
    EXPECT_EQ(p.messaggi, std::vector<std::string>{guasto_atteso(dir, "read", sparito, "No such file or directory")});
    // The documents are written before the compiler runs; the binary
    // files after it, so they must all be the previous ones.
    controlla_intere(dir, precedenti, scritti);
  }
}

// The same at the level of memorizza_percorso, which the tools share: a
// source that is not there is a file fault, thrown before any binary file
// is touched, and no source is left behind.
TEST(SorgenteSparita, IsAFileFaultAndNoBinaryFileIsTouched) {
  const std::string linea_minima = "[generale]\r\nlunghezza percorso, 1000\r\n[fine]\r\n";
  const std::string binari[] = {"Valdoro_linea.dat", "Valdoro_Dir 5802.sim", "Valdoro_Dir 5802.dat"};
  for (const std::string& sparito : {linea(), treno()}) {
    SCOPED_TRACE("missing: " + sparito);
    cartella_temporanea dir;
    for (const std::string& b : binari) dir.scrivi(b, precedente(b));
    if (sparito != linea()) dir.scrivi(linea(), linea_minima);
    if (sparito != treno()) dir.scrivi(treno(), "[generale]\r\n[fine]\r\n");
    scenario s;
    diagnostiche d;
    s.nome_linea = kNomeLinea;
    s.nome_treno = kNomeTreno;
    try {
      memorizza_percorso(s, d, 1, dir.percorso());
      ADD_FAILURE() << "no fault; error " << d.codice_errore();
    } catch (const errore_file& e) {
      EXPECT_EQ(std::string(e.what()), "cannot read " + (dir / sparito).string() + ": No such file or directory");
    }
    for (const std::string& b : binari) EXPECT_EQ(dir.leggi(b), precedente(b)) << b;
    EXPECT_FALSE(fs::exists(dir / sparito));
    if (sparito == treno()) {
      EXPECT_FALSE(fs::exists(dir / linea()));
    }
  }
}

}  // namespace
}  // namespace valdoro

#include "app/messaggi.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/argomenti.h"

#include "testing/cartella_temporanea.h"
#include "util/file.h"

namespace valdoro {
namespace {

namespace fs = std::filesystem;

struct caso_guasto {
  const char* nome;
  natura_guasto natura;
  const char* file;  // in the folder
  bool protetta;
  std::string atteso;
};

TEST(TestoGuasto, EachFaultSaysWhatHappenedAndWhatToDo) {
  const fs::path cartella = fs::u8path("C:/Giochi/Valdoro Jos\u00e9");
  const std::string dove = "\n\nFolder: " + cartella.u8string() + "\nWindows says: REASON";
  // What leads to the simulator's folder even when that one is protected.
  const std::string sempre =
      "The way that always works: move the whole Valdoro folder to a folder of your own such as Documents, start "
      "Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for this "
      "scenario's files (README.txt, section 2, says how to find it).";
  const caso_guasto casi[] = {
      {"in use", natura_guasto::in_uso, "Valdoro_Dir 5802.sim", false,
       "Another program, most likely the simulator, has \"Valdoro_Dir 5802.sim\" open, so Valdoro cannot replace "
       "it.\nClose the simulator and start Valdoro again." +
           dove},
      {"folder at the name of a working file", natura_guasto::cartella_al_nome, "Valdoro_linea.txt", false,
       "A folder stands where Valdoro writes the working file \"Valdoro_linea.txt\" (the line's source, which "
       "every run writes and deletes again).\nMove or rename that folder, then start Valdoro again." +
           dove},
      {"folder at the name of the train source", natura_guasto::cartella_al_nome, "Valdoro_Dir 5802-.txt", false,
       "A folder stands where Valdoro writes the working file \"Valdoro_Dir 5802-.txt\" (the train's source, "
       "which every run writes and deletes again).\nMove or rename that folder, then start Valdoro again." +
           dove},
      {"protected folder", natura_guasto::non_scrivibile, "Valdoro_Dir 5802_note.txt", true,
       "Valdoro cannot write in its folder: it is a protected system folder, where only programs set up by an "
       "administrator may write.\n" +
           sempre + dove},
      {"read-only folder", natura_guasto::non_scrivibile, "Valdoro_Dir 5802_note.txt", false,
       "Valdoro cannot write in its folder: Windows does not let it change files there (a read-only disk, or a "
       "folder that belongs to someone else).\n" +
           sempre + dove},
      {"disk full", natura_guasto::disco_pieno, "Valdoro_linea.dat", false,
       "The disk is full: Valdoro could not finish \"Valdoro_linea.dat\".\nNot written: \"Valdoro_linea.dat\", "
       "\"Valdoro_Dir 5802.sim\" and \"Valdoro_Dir 5802.dat\". The simulator needs all three, so the scenario is "
       "not ready yet.\nValdoro needs about 5 MB free on this disk. Make room (empty the Recycle Bin, remove what you "
       "no longer need) and start Valdoro again." +
           dove},
      {"read-only file", natura_guasto::sola_lettura, "Valdoro_Dir 5802.sim", false,
       "Valdoro cannot replace \"Valdoro_Dir 5802.sim\": it is marked read-only.\nRight-click that file, choose "
       "Properties, clear \"Read-only\" at the bottom of the General tab and click OK; or delete the old file. Then "
       "start Valdoro again." +
           dove},
      {"anything else", natura_guasto::altro, "Valdoro_Dir 5802.dat", false,
       "Valdoro could not write \"Valdoro_Dir 5802.dat\".\nStart Valdoro again. If this comes back, use the way "
       "that always works: move the whole Valdoro folder to a folder of your own such as Documents, start "
       "Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for this "
       "scenario's files (README.txt, section 2, says how to find it)." +
           dove},
  };
  for (const caso_guasto& c : casi) {
    const errore_file e("write", cartella / c.file, "REASON", c.natura);
    EXPECT_EQ(testo_guasto(e, cartella, c.protetta), c.atteso) << c.nome;
  }
}

TEST(TestoGuasto, TheFolderItselfAndFaultsOfNoFile) {
  const fs::path cartella = "C:/Valdoro";
  EXPECT_EQ(testo_guasto(errore_file("lock", cartella, "REASON"), cartella, false),
            "Valdoro could not lock \"C:/Valdoro\".\nStart Valdoro again. If this comes back, use the way that "
            "always works: move the whole Valdoro folder to a folder of your own such as Documents, start "
            "Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for "
            "this scenario's files (README.txt, section 2, says how to find it).\n\nFolder: C:/Valdoro\nWindows "
            "says: REASON");
  EXPECT_EQ(testo_guasto(errore_cartella_occupata(cartella), cartella, false),
            "Another Valdoro has held this folder for over a minute, so this one wrote nothing.\nWait until the "
            "other one's small window, \"Attendere\", has gone, then start Valdoro again.\n\nFolder: C:/Valdoro");
  EXPECT_EQ(testo_guasto(std::runtime_error("cannot start the work: Not enough memory"), cartella, false),
            "Valdoro stopped before it finished.\nStart Valdoro again.\n\ncannot start the work: Not enough memory");
}

// A full disk stops a run before the simulator's files, which are written
// last: the box names those that are not in the folder, and only those.
TEST(TestoGuasto, AFullDiskNamesTheSimulatorsFilesThatAreMissing) {
  cartella_temporanea dir;
  const errore_file pieno("write", dir / "Valdoro_Dir 5802.sim", "REASON", natura_guasto::disco_pieno);
  const std::string fine =
      "Valdoro needs about 5 MB free on this disk. Make room (empty the Recycle Bin, remove what you no longer "
      "need) and start Valdoro again.\n\nFolder: " +
      dir.percorso().u8string() + "\nWindows says: REASON";
  const std::string inizio = "The disk is full: Valdoro could not finish \"Valdoro_Dir 5802.sim\".\n";
  const struct {
    std::vector<std::string> presenti;
    std::string riga;
  } casi[] = {
      {{"Valdoro_Dir 5802_note.txt"},
       "Not written: \"Valdoro_linea.dat\", \"Valdoro_Dir 5802.sim\" and \"Valdoro_Dir 5802.dat\". The simulator "
       "needs all three, so the scenario is not ready yet.\n"},
      {{"Valdoro_linea.dat"},
       "Not written: \"Valdoro_Dir 5802.sim\" and \"Valdoro_Dir 5802.dat\". The simulator needs all three, so the "
       "scenario is not ready yet.\n"},
      {{"Valdoro_linea.dat", "Valdoro_Dir 5802.sim"},
       "Not written: \"Valdoro_Dir 5802.dat\". The simulator needs all three, so the scenario is not ready yet.\n"},
      // An earlier run's set stays whole: nothing to name.
      {{"Valdoro_linea.dat", "Valdoro_Dir 5802.sim", "Valdoro_Dir 5802.dat"}, ""},
  };
  for (const auto& c : casi) {
    for (const std::string& nome : c.presenti) dir.scrivi(nome, "x");
    EXPECT_EQ(testo_guasto(pieno, dir.percorso(), false), inizio + c.riga + fine) << c.riga;
  }
  // A directory at a binary file's name is no file for the simulator.
  cartella_temporanea altra;
  std::filesystem::create_directory(altra / "Valdoro_Dir 5802.dat");
  altra.scrivi("Valdoro_linea.dat", "x");
  altra.scrivi("Valdoro_Dir 5802.sim", "x");
  EXPECT_NE(testo_guasto(pieno, altra.percorso(), false).find("Not written: \"Valdoro_Dir 5802.dat\"."),
            std::string::npos);
  // Other faults leave the line out.
  const errore_file in_uso("write", dir / "Valdoro_Dir 5802.sim", "REASON", natura_guasto::in_uso);
  cartella_temporanea vuota;
  EXPECT_EQ(testo_guasto(in_uso, vuota.percorso(), false).find("Not written"), std::string::npos);
}

struct caso_cartella {
  const char* cartella;
  bool atteso;
};

// Every copy that an archive tool makes lies in a temporary folder, under
// whatever name the tool chooses: the place is what counts.
TEST(InCartellaTemporanea, AnyFolderInsideATemporaryOneWhateverTheToolNamedIt) {
  const std::vector<std::string> temporanee = {
      "C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\", "D:\\Tmp", "C:\\Windows\\Temp", "C:\\", "\\\\server\\share", ""};
  const caso_cartella casi[] = {
      // Explorer, 7-Zip, WinRAR.
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\Temp1_valdoro-1.0.0-windows-x86_64.zip\\valdoro-1.0.0", true},
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\7zO4C3D2E1F", true},
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\Rar$EXa1234.5678\\valdoro-1.0.0", true},
      // Any other name, any depth, any spelling, the folder itself.
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\Temp1_valdoro\\valdoro-1.0.0", true},
      {"c:/users/JOS\u00e9/appdata/local/temp/a/b/c/d", true},
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp", true},
      {"d:\\tmp\\wz1a2b\\valdoro", true},
      {"C:\\Windows\\Temp\\valdoro", true},
      // Outside them, names alike included.
      {"C:\\Users\\Jos\u00e9\\AppData\\Local\\Temporary\\x.zip\\valdoro", false},
      {"C:\\Users\\Jos\u00e9\\Downloads\\valdoro.zip\\valdoro-1.0.0", false},
      {"C:\\Users\\Jos\u00e9\\Documents\\Temp\\valdoro", false},
      {"D:\\Tmp2\\valdoro", false},
      {"C:\\Windows\\Temporanea", false},
      // A root named as a temporary folder refuses nothing.
      {"C:\\Giochi\\valdoro", false},
      {"\\\\server\\share\\valdoro", false},
  };
  for (const caso_cartella& c : casi) EXPECT_EQ(in_cartella_temporanea(c.cartella, temporanee), c.atteso) << c.cartella;
  EXPECT_FALSE(in_cartella_temporanea("C:\\Users\\Jos\u00e9\\AppData\\Local\\Temp\\7zO1", {}));
}

TEST(DentroCartella, WindowsPathsWhateverTheirSpelling) {
  EXPECT_TRUE(dentro_cartella("C:\\Program Files\\Valdoro", "C:\\Program Files"));
  EXPECT_TRUE(dentro_cartella("c:/program files/Valdoro/", "C:\\PROGRAM FILES\\"));
  EXPECT_TRUE(dentro_cartella("C:\\Program Files", "C:\\Program Files"));
  EXPECT_FALSE(dentro_cartella("C:\\Program Files (x86)\\Valdoro", "C:\\Program Files"));
  EXPECT_FALSE(dentro_cartella("C:\\Programmi\\Valdoro", "C:\\Program Files"));
  EXPECT_FALSE(dentro_cartella("C:\\Valdoro", ""));
}

// Runs of blanks and line ends as one blank: the read-me files wrap the
// texts where they like.
std::string spazi_uniti(const std::string& testo) {
  std::string uniti;
  for (char c : testo) {
    const bool spazio = c == ' ' || c == '\r' || c == '\n';
    if (!spazio) {
      uniti += c;
    } else if (!uniti.empty() && uniti.back() != ' ') {
      uniti += ' ';
    }
  }
  return uniti;
}

// The players' read-me files, as Notepad reads them everywhere: UTF-8 with
// a byte order mark, CR LF after every line; and every text the program
// can show a player quoted in them.
TEST(LetturaGiocatori, ReadMesHoldEveryMessageAsNotepadReadsThem) {
  for (const char* nome : {"README.txt", "LEGGIMI.txt"}) {
    const std::string testo = leggi_file(fs::path(VALDORO_SOURCE_DIR) / "docs" / "giocatori" / nome);
    ASSERT_EQ(testo.substr(0, 3), "\xEF\xBB\xBF") << nome;
    ASSERT_GE(testo.size(), 5u) << nome;
    EXPECT_EQ(testo.substr(testo.size() - 2), "\r\n") << nome;
    for (size_t i = 0; i < testo.size(); ++i) {
      const bool lf_solo = testo[i] == '\n' && (i == 0 || testo[i - 1] != '\r');
      const bool cr_solo = testo[i] == '\r' && (i + 1 == testo.size() || testo[i + 1] != '\n');
      EXPECT_FALSE(lf_solo) << nome << ": bare LF at byte " << i;
      EXPECT_FALSE(cr_solo) << nome << ": bare CR at byte " << i;
    }
    const std::string uniti = spazi_uniti(testo);
    for (size_t i = 0; i < kNumeroMessaggi; ++i) {
      const std::string messaggio = spazi_uniti(componi(kMessaggi[i].chi));
      EXPECT_NE(uniti.find(messaggio), std::string::npos) << nome << " lacks:\n" << messaggio;
    }
    // errore's two numbers, and the usage line of a refused argument.
    for (const char* altro : {"\" Errore n. 1250\"", "\" Errore n. 1251\"", "usage: valdoro [--help | --version]"}) {
      EXPECT_NE(uniti.find(altro), std::string::npos) << nome << " lacks " << altro;
    }
  }
}

}  // namespace
}  // namespace valdoro

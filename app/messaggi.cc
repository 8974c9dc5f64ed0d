#include "app/messaggi.h"

#include <iterator>

#include "model/nomi_file.h"
#include "sources/scrittori.h"
#include "util/file.h"

namespace valdoro {

namespace fs = std::filesystem;

// The boxes say what happened, then what to do, then where, and last, on
// lines of their own, the system's words, which come in the system's
// language.
const voce_messaggio kMessaggi[] = {
    {messaggio::in_uso,
     "Another program, most likely the simulator, has <file> open, so Valdoro cannot replace it.\n"
     "Close the simulator and start Valdoro again.\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::cartella_al_nome,
     "A folder stands where Valdoro writes <file>.\n"
     "Move or rename that folder, then start Valdoro again.\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::cartella_protetta,
     "Valdoro cannot write in its folder: it is a protected system folder, where only programs set up by an "
     "administrator may write.\n"
     "The way that always works: move the whole Valdoro folder to a folder of your own such as Documents, start "
     "Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for this "
     "scenario's files (README.txt, section 2, says how to find it).\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::cartella_non_scrivibile,
     "Valdoro cannot write in its folder: Windows does not let it change files there (a read-only disk, or a "
     "folder that belongs to someone else).\n"
     "The way that always works: move the whole Valdoro folder to a folder of your own such as Documents, start "
     "Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for this "
     "scenario's files (README.txt, section 2, says how to find it).\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::disco_pieno,
     "The disk is full: Valdoro could not finish <file>.<missing>\n"
     "Valdoro needs about <MB> MB free on this disk. Make room (empty the Recycle Bin, remove what you no longer "
     "need) and start Valdoro again.\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::file_sola_lettura,
     "Valdoro cannot replace <file>: it is marked read-only.\n"
     "Right-click that file, choose Properties, clear \"Read-only\" at the bottom of the General tab and click "
     "OK; or delete the old file. Then start Valdoro again.\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::cartella_occupata,
     "Another Valdoro has held this folder for over a minute, so this one wrote nothing.\n"
     "Wait until the other one's small window, \"Attendere\", has gone, then start Valdoro again.\n"
     "\n"
     "Folder: <folder>"},
    {messaggio::guasto_file,
     "Valdoro could not <verb> <file>.\n"
     "Start Valdoro again. If this comes back, use the way that always works: move the whole Valdoro folder to a "
     "folder of your own such as Documents, start Valdoro.exe there, then copy the six files it writes into the "
     "folder where the simulator looks for this scenario's files (README.txt, section 2, says how to find it).\n"
     "\n"
     "Folder: <folder>\n"
     "Windows says: <reason>"},
    {messaggio::guasto,
     "Valdoro stopped before it finished.\n"
     "Start Valdoro again.\n"
     "\n"
     "<reason>"},
    {messaggio::dentro_archivio,
     "Valdoro was started from inside the zip archive, from a copy that Windows deletes again, so it wrote "
     "nothing.\n"
     "Extract the archive first (right-click it, Extract All...), then start Valdoro.exe in the extracted folder."},
    {messaggio::argomento_ignoto, "unknown argument \"<argument>\""},
    {messaggio::uso,
     "usage: valdoro [--help | --version]\n"
     "Writes the Valdoro scenario (line \"Valdoro\", train \"Dir 5802\") into the directory that\n"
     "holds this program: three binary files for the simulator and three documents for the\n"
     "driver.  Without arguments it runs; it reads no other input.\n"
     "  --help     print this text and exit\n"
     "  --version  print the version and exit"},
    {messaggio::versione, "valdoro <version>"},
};
const size_t kNumeroMessaggi = std::size(kMessaggi);

namespace {

void sostituisci(std::string& testo, const std::string& campo, const std::string& valore) {
  for (size_t i = testo.find(campo); i != std::string::npos; i = testo.find(campo, i + valore.size())) {
    testo.replace(i, campo.size(), valore);
  }
}

// The working sources are no file a player keeps: they are named for what
// they are, so that a folder standing at one's name can still be found.
std::string nome_per_giocatore(const fs::path& percorso) {
  const std::string nome = percorso.filename().u8string();
  if (nome == file_sorgente_linea(kNomeLinea)) {
    return "the working file \"" + nome + "\" (the line's source, which every run writes and deletes again)";
  }
  if (nome == file_sorgente_treno(kNomeLinea, kNomeTreno)) {
    return "the working file \"" + nome + "\" (the train's source, which every run writes and deletes again)";
  }
  return "\"" + nome + "\"";
}

// The simulator's three files are written last: a run that ran out of
// room may leave the papers without them, which looks like a finished
// scenario.  The box names those not there, in a line of its own.
std::string mancanti_al_simulatore(const fs::path& cartella) {
  const std::string nomi[] = {file_profilo(kNomeLinea), file_stazioni(kNomeLinea, kNomeTreno),
                              file_celle(kNomeLinea, kNomeTreno)};
  std::vector<std::string> mancanti;
  for (const std::string& nome : nomi) {
    if (!esiste_file(cartella / nome)) mancanti.push_back("\"" + nome + "\"");
  }
  if (mancanti.empty()) return "";
  std::string elenco = mancanti.front();
  for (size_t i = 1; i < mancanti.size(); ++i) elenco += (i + 1 == mancanti.size() ? " and " : ", ") + mancanti[i];
  return "\nNot written: " + elenco + ". The simulator needs all three, so the scenario is not ready yet.";
}

messaggio per_natura(natura_guasto n, bool protetta) {
  switch (n) {
    case natura_guasto::in_uso:
      return messaggio::in_uso;
    case natura_guasto::cartella_al_nome:
      return messaggio::cartella_al_nome;
    case natura_guasto::non_scrivibile:
      return protetta ? messaggio::cartella_protetta : messaggio::cartella_non_scrivibile;
    case natura_guasto::disco_pieno:
      return messaggio::disco_pieno;
    case natura_guasto::sola_lettura:
      return messaggio::file_sola_lettura;
    case natura_guasto::altro:
      break;
  }
  return messaggio::guasto_file;
}

// ASCII letters in one case and one slash, no separator at the end.
std::string forma_confronto(const std::string& percorso) {
  std::string forma;
  for (char c : percorso) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    forma += c;
  }
  while (!forma.empty() && forma.back() == '\\') forma.pop_back();
  return forma;
}

// "C:", "C:\", "\\server\share": the top of a disk or of a share.
bool radice_di_disco(const std::string& percorso) {
  const std::string p = forma_confronto(percorso);
  if (p.size() == 2 && p[1] == ':') return true;
  if (p.rfind("\\\\", 0) != 0) return false;
  const size_t server = p.find('\\', 2);
  return server == std::string::npos || p.find('\\', server + 1) == std::string::npos;
}

}  // namespace

std::string componi(messaggio m, const campi& c) {
  std::string testo;
  for (const voce_messaggio& v : kMessaggi) {
    if (v.chi == m) testo = v.testo;
  }
  sostituisci(testo, "<MB>", std::to_string(kMegabyteNecessari));
  for (const auto& [campo, valore] : c) sostituisci(testo, "<" + campo + ">", valore);
  return testo;
}

std::string testo_guasto(const std::exception& e, const fs::path& cartella, bool protetta) {
  const std::string cartella_utf8 = cartella.u8string();
  if (dynamic_cast<const errore_cartella_occupata*>(&e) != nullptr) {
    return componi(messaggio::cartella_occupata, {{"folder", cartella_utf8}});
  }
  const auto* f = dynamic_cast<const errore_file*>(&e);
  if (f == nullptr) return componi(messaggio::guasto, {{"reason", e.what()}});
  // A fault of the folder itself (its lock) names the folder.
  const std::string file = f->percorso().parent_path() == cartella ? nome_per_giocatore(f->percorso())
                                                                   : "\"" + f->percorso().u8string() + "\"";
  const messaggio m = per_natura(f->natura(), protetta);
  const std::string mancanti = m == messaggio::disco_pieno ? mancanti_al_simulatore(cartella) : "";
  return componi(m, {{"file", file},
                     {"verb", f->verbo()},
                     {"folder", cartella_utf8},
                     {"reason", f->motivo()},
                     {"missing", mancanti}});
}

bool dentro_cartella(const std::string& percorso, const std::string& base) {
  const std::string p = forma_confronto(percorso);
  const std::string b = forma_confronto(base);
  if (b.empty() || p.compare(0, b.size(), b) != 0) return false;
  return p.size() == b.size() || p[b.size()] == '\\';
}

bool in_cartella_temporanea(const std::string& cartella, const std::vector<std::string>& temporanee) {
  for (const std::string& temporanea : temporanee) {
    if (!radice_di_disco(temporanea) && dentro_cartella(cartella, temporanea)) return true;
  }
  return false;
}

}  // namespace valdoro

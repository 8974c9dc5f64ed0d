// Everything the program needs from the platform it runs on.  The driver
// sees only this interface; the console backend (Linux) and the window
// backend (Windows) implement it.
#ifndef VALDORO_APP_PIATTAFORMA_H_
#define VALDORO_APP_PIATTAFORMA_H_

#include <exception>
#include <filesystem>
#include <string>

namespace valdoro {

class piattaforma {
 public:
  virtual ~piattaforma() = default;

  // The directory that holds the program file itself.
  virtual std::filesystem::path cartella_programma() = 0;

  // Shows the waiting window ("Attendere") and paints it once.
  virtual void mostra_finestra() = 0;
  // Destroys the window; safe to call when it is not shown.
  virtual void chiudi_finestra() = 0;

  // The modal message of errore: text and an OK button; returns when the
  // user has dismissed it.
  virtual void messaggio_errore(const std::string& testo) = 0;

  // A run that ends because a file operation failed, or for any other
  // fault than errore: the console prints the fault's line, the window
  // says in a player's words what happened and what to do.
  virtual void guasto(const std::exception& e) = 0;

  // A recorded error number at the end of a run that wrote its files.
  virtual void avviso(const std::string& testo) = 0;
};

}  // namespace valdoro

#endif  // VALDORO_APP_PIATTAFORMA_H_

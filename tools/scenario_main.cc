#include <iostream>

#include "tools/comandi.h"

int main(int argc, char** argv) {
  // Results go out through write(2), so that a full disk or a closed output
  // is seen and reported rather than cutting the output short in silence.
  valdoro::uscita_controllata uscita(1);
  std::ostream out(&uscita);
  return valdoro::esegui_scenario(argc, argv, out, std::cerr);
}

#include <iostream>

#include "tools/comandi.h"

int main(int argc, char** argv) { return valdoro::esegui_scenario(argc, argv, std::cout, std::cerr); }

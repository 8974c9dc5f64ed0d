# Run with cmake -P at build time: writes USCITA, a C++ file that defines,
# for each NOME=FILE of VOCI (separated by "|"), the array
# `extern const char NOME[]` holding FILE's bytes and a NUL.  The page of
# `scenario view` is written as real files and reaches the program so.
string(REPLACE "|" ";" voci "${VOCI}")
set(testo "// Generated from the files named below; edit those, not this.\n")
string(APPEND testo "namespace valdoro {\n")
foreach(voce IN LISTS voci)
  string(REGEX MATCH "^([^=]+)=(.*)$" _ "${voce}")
  set(nome "${CMAKE_MATCH_1}")
  set(file "${CMAKE_MATCH_2}")
  file(READ "${file}" esadecimale HEX)
  string(REGEX REPLACE "(..)" "'\\\\x\\1'," byte "${esadecimale}")
  get_filename_component(breve "${file}" NAME)
  string(APPEND testo "// ${breve}\nextern const char ${nome}[] = {${byte}'\\0'};\n")
endforeach()
string(APPEND testo "}  // namespace valdoro\n")
file(WRITE "${USCITA}.nuovo" "${testo}")
# Replaced only when it changed, so that an unchanged page rebuilds nothing.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${USCITA}.nuovo" "${USCITA}")
file(REMOVE "${USCITA}.nuovo")

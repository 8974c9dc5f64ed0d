# The source lists that more than one build takes: the program's build and
# the fuzz build compile the same core.

# Of the platform halves in a list (*_posix.cc, *_windows.cc), keeps the one
# of the system built for: no source file is wrapped whole in #ifdef.
macro(valdoro_solo_piattaforma lista)
  if(WIN32)
    list(FILTER ${lista} EXCLUDE REGEX "_posix\\.cc$")
  else()
    list(FILTER ${lista} EXCLUDE REGEX "_windows\\.cc$")
  endif()
endmacro()

# The portable core below `radice`: model/, util/, sources/, compiler/ and
# output/, without the tests.
function(valdoro_sorgenti_nucleo risultato radice)
  file(GLOB sorgenti CONFIGURE_DEPENDS
    ${radice}/model/*.cc ${radice}/util/*.cc ${radice}/sources/*.cc ${radice}/compiler/*.cc ${radice}/output/*.cc)
  list(FILTER sorgenti EXCLUDE REGEX "_test\\.cc$")
  valdoro_solo_piattaforma(sorgenti)
  set(${risultato} ${sorgenti} PARENT_SCOPE)
endfunction()

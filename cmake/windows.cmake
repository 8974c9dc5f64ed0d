# The Windows programs, Valdoro.exe and scenario.exe: the shared core and
# driver with the window backend, linked into one .exe that runs on a bare
# Windows machine.

# Everything static: no libgcc, libstdc++ or winpthread DLL to ship.  No
# time stamp in the PE header, so that the same sources give the same file.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)

enable_language(RC)

# The icon, the version information and the manifest of a program, from
# app/valdoro.rc.in and app/valdoro.manifest.in.  The icon is app/valdoro.ico
# unless a fourth argument names another in app/.
function(valdoro_risorse bersaglio nome descrizione)
  set(VALDORO_RISORSA_ICONA ${CMAKE_CURRENT_SOURCE_DIR}/app/valdoro.ico)
  if(ARGC GREATER 3)
    set(VALDORO_RISORSA_ICONA ${CMAKE_CURRENT_SOURCE_DIR}/app/${ARGV3})
  endif()
  set(VALDORO_RISORSA_NOME ${nome})
  set(VALDORO_RISORSA_DESCRIZIONE ${descrizione})
  set(cartella ${CMAKE_BINARY_DIR}/risorse/${nome})
  set(VALDORO_RISORSA_MANIFESTO ${cartella}/${nome}.manifest)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/app/valdoro.manifest.in ${VALDORO_RISORSA_MANIFESTO} @ONLY)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/app/valdoro.rc.in ${cartella}/${nome}.rc @ONLY)
  target_sources(${bersaglio} PRIVATE ${cartella}/${nome}.rc)
  # windres reads the files it names when the .rc changes, not when they do.
  set_source_files_properties(${cartella}/${nome}.rc PROPERTIES
    OBJECT_DEPENDS "${VALDORO_RISORSA_ICONA};${VALDORO_RISORSA_MANIFESTO}")
endfunction()

# The window code is compiled into each program rather than archived:
# WinMain must be in the link before the C runtime asks for it.
add_library(valdoro_finestra INTERFACE)
target_sources(valdoro_finestra INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/app/finestra_windows.cc)
target_compile_definitions(valdoro_finestra INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(valdoro_finestra INTERFACE valdoro_app user32 gdi32)

# WIN32: a GUI program (-mwindows), no console window.
add_executable(Valdoro WIN32)
target_link_libraries(Valdoro PRIVATE valdoro_finestra)
valdoro_risorse(Valdoro Valdoro "Valdoro scenario packager")

if(VALDORO_TESTS)
  # Console programs that open the same window and message boxes and print
  # what they find; tests/windows/prove_wine.sh runs them under wine.  They
  # carry the program's manifest, so that Windows treats their window as it
  # treats Valdoro.exe's.
  foreach(prova guarda_finestra prova_messaggio prova_file prova_lenta prova_attesa)
    add_executable(${prova} tests/windows/${prova}.cc)
    target_link_libraries(${prova} PRIVATE valdoro_finestra)
    valdoro_risorse(${prova} ${prova} "Valdoro test program")
  endforeach()
  # The embedded scenario's sources, input for scenario.exe.
  add_executable(scrivi_sorgenti tests/windows/scrivi_sorgenti.cc)
  target_link_libraries(scrivi_sorgenti PRIVATE valdoro_app shell32)
  # Starts scenario.exe as a double click does and as a prompt does.
  add_executable(prova_console tests/windows/prova_console.cc)
  target_compile_definitions(prova_console PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_include_directories(prova_console PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # Reads a program's icon, version information and manifest back.
  add_executable(leggi_risorse tests/windows/leggi_risorse.cc)
  target_compile_definitions(leggi_risorse PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_include_directories(leggi_risorse PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(leggi_risorse PRIVATE version)
endif()

# The Windows program, Valdoro.exe: the shared core and driver with the
# window backend, linked into one .exe that runs on a bare Windows machine.

# Everything static: no libgcc, libstdc++ or winpthread DLL to ship.
add_link_options(-static -static-libgcc -static-libstdc++)

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

if(VALDORO_TESTS)
  # Console programs that open the same window and message boxes and print
  # what they find; tests/windows/prove_wine.sh runs them under wine.
  foreach(prova guarda_finestra prova_messaggio prova_file)
    add_executable(${prova} tests/windows/${prova}.cc)
    target_link_libraries(${prova} PRIVATE valdoro_finestra)
  endforeach()
endif()

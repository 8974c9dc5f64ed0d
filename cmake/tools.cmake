# The `scenario` program for scenario authors, in its four rooms: cli/ (the
# command and dump), draw/ (the pictures), view/ (the live page), lsp/ (the
# language server).  It alone uses CLI11 and
# nlohmann-json; the packager links nothing beyond the core library.

if(WIN32)
  # Both are header-only: the cross build takes Debian's headers, copied
  # folder by folder, since the rest of /usr/include belongs to the Linux C
  # library and would clash with mingw's.
  set(VALDORO_INTESTAZIONI ${CMAKE_BINARY_DIR}/intestazioni)
  foreach(cartella CLI nlohmann boost)
    if(NOT EXISTS /usr/include/${cartella})
      message(STATUS "scenario.exe skipped: needs libcli11-dev, nlohmann-json3-dev and libboost-dev")
      return()
    endif()
    # Boost's headers are many: linked to, not copied.
    if(cartella STREQUAL boost)
      file(CREATE_LINK /usr/include/boost ${VALDORO_INTESTAZIONI}/boost SYMBOLIC)
    else()
      file(COPY /usr/include/${cartella} DESTINATION ${VALDORO_INTESTAZIONI})
    endif()
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${VALDORO_INTESTAZIONI})
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VALDORO_INTESTAZIONI})
  # Boost.Asio and Boost.Beast, header-only, for the view's server.
  add_library(valdoro_beast INTERFACE)
  target_include_directories(valdoro_beast SYSTEM INTERFACE ${VALDORO_INTESTAZIONI})
  target_compile_definitions(valdoro_beast INTERFACE _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(valdoro_beast INTERFACE ws2_32 mswsock)
else()
  # A machine without them still builds and tests the packager;
  # scripts/test.sh installs them, so CI always builds the tool.
  find_package(CLI11 CONFIG QUIET)
  find_package(nlohmann_json 3 QUIET)
  find_path(VALDORO_BEAST boost/beast.hpp)
  if(NOT CLI11_FOUND OR NOT nlohmann_json_FOUND OR NOT VALDORO_BEAST)
    message(STATUS "scenario tool skipped: needs libcli11-dev, nlohmann-json3-dev and libboost-dev")
    return()
  endif()
  # Boost.Asio and Boost.Beast, header-only, for the view's server.
  find_package(Threads REQUIRED)
  add_library(valdoro_beast INTERFACE)
  target_include_directories(valdoro_beast SYSTEM INTERFACE ${VALDORO_BEAST})
  target_link_libraries(valdoro_beast INTERFACE Threads::Threads)
endif()

# Four rooms: the command line, the pictures, the live page, the editor's server.
file(GLOB TOOLS_SOURCES CONFIGURE_DEPENDS cli/*.cc draw/*.cc view/*.cc lsp/*.cc)
list(FILTER TOOLS_SOURCES EXCLUDE REGEX "(_test|_main)\\.cc$")
valdoro_solo_piattaforma(TOOLS_SOURCES)
# The live page is written as real files (view/pagina/) and embedded at
# build time.
set(VALDORO_PAGINA ${CMAKE_CURRENT_SOURCE_DIR}/view/pagina)
set(VALDORO_PAGINA_CC ${CMAKE_CURRENT_BINARY_DIR}/view/vista_pagina.cc)
add_custom_command(OUTPUT ${VALDORO_PAGINA_CC}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/view
  COMMAND ${CMAKE_COMMAND} -DUSCITA=${VALDORO_PAGINA_CC}
    "-DVOCI=kPaginaVista=${VALDORO_PAGINA}/vista.html|kScriptVista=${VALDORO_PAGINA}/vista.js|kStileVista=${VALDORO_PAGINA}/vista.css"
    -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/incorpora.cmake
  DEPENDS ${VALDORO_PAGINA}/vista.html ${VALDORO_PAGINA}/vista.js ${VALDORO_PAGINA}/vista.css
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/incorpora.cmake
  VERBATIM)
add_library(scenario_tools STATIC ${TOOLS_SOURCES} ${VALDORO_PAGINA_CC})
# Boost names its headers in the exceptions it throws: in a release, by
# their names under the include folder, not by this machine's path.
target_compile_options(valdoro_beast INTERFACE $<$<CONFIG:Release>:-ffile-prefix-map=/usr/include/=>)
target_link_libraries(scenario_tools PUBLIC valdoro_core CLI11::CLI11 nlohmann_json::nlohmann_json valdoro_beast)
target_compile_definitions(scenario_tools PUBLIC VALDORO_VERSIONE="${PROJECT_VERSION}")

# On Windows a console program, linked statically like Valdoro.exe.
add_executable(scenario cli/scenario_main.cc)
target_link_libraries(scenario PRIVATE scenario_tools)
if(NOT WIN32 AND NOT VALDORO_SANITIZE)
  # Like valdoro: one file that runs on any x86-64 Linux.
  target_link_options(scenario PRIVATE -static)
endif()
if(WIN32)
  target_compile_definitions(scenario PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(scenario PRIVATE shell32)
  valdoro_risorse(scenario scenario "Valdoro tools for scenario authors" scenario.ico)
  return()
endif()

if(VALDORO_TESTS)
  file(GLOB TOOLS_TESTS CONFIGURE_DEPENDS cli/*_test.cc draw/*_test.cc view/*_test.cc lsp/*_test.cc)
  target_sources(valdoro_tests PRIVATE ${TOOLS_TESTS})
  target_link_libraries(valdoro_tests PRIVATE scenario_tools)

  # The embedded scenario's bytes, worked out by hand and summed.
  add_test(NAME valdoro_scenario_bytes
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/scenario_bytes_test.sh $<TARGET_FILE:valdoro> $<TARGET_FILE:scenario>)

  # Planted temporaries, folder paths too long, the private folder and a
  # closed standard error.
  add_test(NAME scenario_cleanup
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/cleanup_test.sh $<TARGET_FILE:valdoro> $<TARGET_FILE:scenario>)

  # The pictures as a browser shows them; without chromium the test fails
  # and says so, rather than passing unseen.  Most of its time is the
  # browser's: the sanitizers' build leaves it to the plain one, and puts
  # the drawing code through the sanitizers in its unit tests.
  find_program(CHROMIUM chromium)
  if(NOT VALDORO_SANITIZE)
    add_test(NAME scenario_draw_render
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/draw/render_test.sh $<TARGET_FILE:scenario> $<TARGET_FILE:valdoro>
      ${CHROMIUM})
  endif()

  # The language server as a process on its two pipes.
  add_test(NAME scenario_lsp COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/lsp/lsp_test.sh $<TARGET_FILE:scenario>)

  # The view's server as any client on this machine may try it.
  add_test(NAME scenario_view COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/view/view_test.sh $<TARGET_FILE:scenario>)
  # The view's page in headless Chromium driven by chromedriver, with
  # Debian's own Python, for which python3-selenium is installed.  The
  # screenshots stay in the build directory.
  find_program(CHROMEDRIVER chromedriver)
  add_test(NAME scenario_view_browser
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/view/view_browser_test.py $<TARGET_FILE:scenario>
    ${CHROMIUM} ${CHROMEDRIVER} ${CMAKE_BINARY_DIR}/artifacts)

  # The language server in headless Neovim, as an author meets it.  The
  # sanitizers' build leaves it to the plain one: it tests the editor's
  # side of the protocol, which the protocol tests put through the
  # sanitizers from the server's.
  if(NOT VALDORO_SANITIZE)
    add_test(NAME scenario_lsp_neovim
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/lsp_neovim_test.sh $<TARGET_FILE:scenario>)
  endif()
endif()

# The `scenario` program for scenario authors.  It alone uses CLI11 and
# nlohmann-json; the packager links nothing beyond the core library.

if(WIN32)
  # Both are header-only: the cross build takes Debian's headers, copied
  # folder by folder, since the rest of /usr/include belongs to the Linux C
  # library and would clash with mingw's.
  set(VALDORO_INTESTAZIONI ${CMAKE_BINARY_DIR}/intestazioni)
  foreach(cartella CLI nlohmann)
    if(NOT EXISTS /usr/include/${cartella})
      message(STATUS "scenario.exe skipped: needs libcli11-dev and nlohmann-json3-dev")
      return()
    endif()
    file(COPY /usr/include/${cartella} DESTINATION ${VALDORO_INTESTAZIONI})
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${VALDORO_INTESTAZIONI})
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VALDORO_INTESTAZIONI})
else()
  # A machine without them still builds and tests the packager;
  # scripts/test.sh installs them, so CI always builds the tool.
  find_package(CLI11 CONFIG QUIET)
  find_package(nlohmann_json 3 QUIET)
  if(NOT CLI11_FOUND OR NOT nlohmann_json_FOUND)
    message(STATUS "scenario tool skipped: needs libcli11-dev and nlohmann-json3-dev")
    return()
  endif()
endif()

file(GLOB TOOLS_SOURCES CONFIGURE_DEPENDS tools/*.cc)
list(FILTER TOOLS_SOURCES EXCLUDE REGEX "(_test|_main)\\.cc$")
add_library(scenario_tools STATIC ${TOOLS_SOURCES})
target_link_libraries(scenario_tools PUBLIC valdoro_core CLI11::CLI11 nlohmann_json::nlohmann_json)
target_compile_definitions(scenario_tools PUBLIC VALDORO_VERSIONE="${PROJECT_VERSION}")

# On Windows a console program, linked statically like Valdoro.exe.
add_executable(scenario tools/scenario_main.cc)
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
  file(GLOB TOOLS_TESTS CONFIGURE_DEPENDS tools/*_test.cc)
  target_sources(valdoro_tests PRIVATE ${TOOLS_TESTS})
  target_link_libraries(valdoro_tests PRIVATE scenario_tools)

  # The pictures as a browser shows them; without chromium the test fails
  # and says so, rather than passing unseen.
  find_program(CHROMIUM chromium)
  add_test(NAME scenario_draw_render
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/render_test.sh $<TARGET_FILE:scenario> $<TARGET_FILE:valdoro>
    ${CHROMIUM})
endif()

# The `scenario` program for scenario authors.  It alone uses CLI11 and
# nlohmann-json; the packager links nothing beyond the core library.
if(WIN32)
  return()
endif()

# A machine without them still builds and tests the packager; scripts/test.sh
# installs them, so CI always builds the tool.
find_package(CLI11 CONFIG QUIET)
find_package(nlohmann_json 3 QUIET)
if(NOT CLI11_FOUND OR NOT nlohmann_json_FOUND)
  message(STATUS "scenario tool skipped: needs libcli11-dev and nlohmann-json3-dev")
  return()
endif()

file(GLOB TOOLS_SOURCES CONFIGURE_DEPENDS tools/*.cc)
list(FILTER TOOLS_SOURCES EXCLUDE REGEX "(_test|_main)\\.cc$")
add_library(scenario_tools STATIC ${TOOLS_SOURCES})
target_link_libraries(scenario_tools PUBLIC valdoro_core CLI11::CLI11 nlohmann_json::nlohmann_json)

add_executable(scenario tools/scenario_main.cc)
target_link_libraries(scenario PRIVATE scenario_tools)

if(VALDORO_TESTS)
  file(GLOB TOOLS_TESTS CONFIGURE_DEPENDS tools/*_test.cc)
  target_sources(valdoro_tests PRIVATE ${TOOLS_TESTS})
  target_link_libraries(valdoro_tests PRIVATE scenario_tools)

  # The pictures as a browser shows them.
  # The pictures as a browser shows them; without chromium the test fails
  # and says so, rather than passing unseen.
  find_program(CHROMIUM chromium)
  add_test(NAME scenario_draw_render
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/render_test.sh $<TARGET_FILE:scenario> $<TARGET_FILE:valdoro>
    ${CHROMIUM})
endif()

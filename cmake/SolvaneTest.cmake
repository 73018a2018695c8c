# solvane_add_test(NAME SOURCES... LIBS ...): one GoogleTest program per folder.
# Tests are discovered when ctest runs, so a sanitizer build never runs a test
# binary at build time. tests/test_main.cpp sets up the environment.
#
# Built for Windows, each program runs under Wine as one test (a Wine start
# per test case would cost more than the tests), in a Wine prefix of the
# build's own that the wine.prefix test makes first.
if(CMAKE_CROSSCOMPILING)
  # The corpus tests compare timelines through Python, which a Windows program
  # cannot start here: they skip, and windows.CorvidPlayRendersTheSameSamples
  # checks the corpus against the build for this machine instead.
  set(SOLVANE_NATIVE_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH "A build of this tree for the build machine")
  set(SOLVANE_WINE_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all)
  add_test(NAME wine.prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${SOLVANE_WINE_ENVIRONMENT}")
endif()

# solvane_add_wine_test(NAME COMMAND...): a test run under Wine.
function(solvane_add_wine_test name)
  add_test(NAME ${name} COMMAND ${ARGN} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${SOLVANE_WINE_ENVIRONMENT}")
endfunction()

function(solvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/windows/test_main.cpp)
  else()
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  endif()
  target_compile_definitions(${name} PRIVATE SOLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  if(CMAKE_CROSSCOMPILING)
    solvane_add_wine_test(${name} ${name})
  else()
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
      DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

# solvane_add_gui_test(NAME SOURCES... LIBS ...): a test program that opens
# FLTK windows. It runs as one test under its own Xvfb server when xvfb-run
# is installed; without a display its tests skip.
find_program(SOLVANE_XVFB_RUN xvfb-run)
function(solvane_add_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  if(TARGET solvane_leak_suppressions)
    target_link_libraries(${name} PRIVATE solvane_leak_suppressions)
  endif()
  target_compile_definitions(${name} PRIVATE SOLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  if(SOLVANE_XVFB_RUN)
    add_test(NAME ${name} COMMAND ${SOLVANE_XVFB_RUN} -a $<TARGET_FILE:${name}>
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  else()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
endfunction()

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
  # Wine makes no window without a screen: programs with windows run on a
  # virtual X screen, in a prefix of their own whose desktop belongs to that
  # screen, one at a time (SOLVANE_WINE_SCREEN_LOCK).
  set(SOLVANE_WINE_SCREEN_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wine-x11 WINEDEBUG=-all)
  set(SOLVANE_WINE_SCREEN_LOCK wine-x11)
  set(SOLVANE_TEST_MAIN ${PROJECT_SOURCE_DIR}/tests/windows/test_main.cpp)
else()
  set(SOLVANE_TEST_MAIN ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
endif()
find_program(SOLVANE_XVFB_RUN xvfb-run)

# solvane_add_wine_test(NAME COMMAND...): a test run under Wine.
function(solvane_add_wine_test name)
  add_test(NAME ${name} COMMAND ${ARGN} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${SOLVANE_WINE_ENVIRONMENT}")
endfunction()

function(solvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${SOLVANE_TEST_MAIN})
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
# windows. It runs as one test under its own Xvfb server when xvfb-run is
# installed; without a display its tests skip. Built for Windows, it runs
# under Wine on that screen.
function(solvane_add_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${SOLVANE_TEST_MAIN})
  if(TARGET solvane_leak_suppressions)
    target_link_libraries(${name} PRIVATE solvane_leak_suppressions)
  endif()
  target_compile_definitions(${name} PRIVATE SOLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  if(CMAKE_CROSSCOMPILING AND SOLVANE_XVFB_RUN)
    add_test(NAME ${name} COMMAND ${SOLVANE_XVFB_RUN} -a -s "-screen 0 1024x768x24" ${CMAKE_CROSSCOMPILING_EMULATOR}
                                  $<TARGET_FILE:${name}>
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${SOLVANE_WINE_SCREEN_LOCK}
                                            ENVIRONMENT "${SOLVANE_WINE_SCREEN_ENVIRONMENT}")
  elseif(SOLVANE_XVFB_RUN)
    add_test(NAME ${name} COMMAND ${SOLVANE_XVFB_RUN} -a $<TARGET_FILE:${name}>
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  else()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
endfunction()

# solvane_add_test(NAME SOURCES... LIBS ...): one GoogleTest program per folder.
# Tests are discovered when ctest runs, so a sanitizer build never runs a test
# binary at build time.
function(solvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;SOLVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

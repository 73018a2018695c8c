# solvane_add_test(NAME SOURCES... LIBS ...): one GoogleTest program per folder.
# Tests are discovered when ctest runs, so a sanitizer build never runs a test
# binary at build time. tests/test_main.cpp sets up the environment.
function(solvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  target_compile_definitions(${name} PRIVATE SOLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST)
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

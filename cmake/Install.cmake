# What `cmake --install` puts where: the show and its data, and the CORVID
# sound library for other programs (static and shared library, public
# headers, pkg-config file and CMake package).
if(TARGET corvid AND WIN32)
  # One static library holding the platform parts the sound library uses, the
  # DLL with its import library, the headers, the player and a short README.
  add_library(corvid_static STATIC $<TARGET_OBJECTS:corvid> $<TARGET_OBJECTS:solvane_platform_base>
              $<TARGET_OBJECTS:solvane_platform_audio> $<TARGET_OBJECTS:solvane_platform_gui>)
  set_target_properties(corvid_static PROPERTIES OUTPUT_NAME corvid ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
  install(TARGETS corvid_static ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(TARGETS corvid_shared RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(TARGETS corvid-play RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/sound/include/corvid.h ${PROJECT_SOURCE_DIR}/sound/include/corvid_song.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/windows-readme.txt DESTINATION . RENAME README.txt)
elseif(TARGET corvid)
  install(TARGETS corvid solvane_platform_base solvane_platform_audio ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(TARGETS corvid_shared LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/sound/include/corvid.h ${PROJECT_SOURCE_DIR}/sound/include/corvid_song.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  file(RELATIVE_PATH CORVID_PKGCONFIG_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/corvid.pc.in ${CMAKE_BINARY_DIR}/corvid.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/corvid.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

  # find_package(corvid): the imported target corvid::corvid, found relative
  # to the package files, so that the installed tree can move.
  set(CORVID_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/corvid)
  file(RELATIVE_PATH CORVID_PACKAGE_TO_PREFIX /prefix/${CORVID_PACKAGE_DIR} /prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/corvidConfig.cmake.in ${CMAKE_BINARY_DIR}/corvidConfig.cmake @ONLY)
  include(CMakePackageConfigHelpers)
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/corvidConfigVersion.cmake VERSION ${CORVID_VERSION}
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_BINARY_DIR}/corvidConfig.cmake ${CMAKE_BINARY_DIR}/corvidConfigVersion.cmake
          DESTINATION ${CORVID_PACKAGE_DIR})
endif()

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/man/solvane.1 ${PROJECT_SOURCE_DIR}/man/corvid-play.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

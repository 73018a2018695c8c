# What `cmake --install` puts where: the show and its data, and the CORVID
# sound library for other programs (static library, public header, pkg-config).
if(TARGET corvid)
  install(TARGETS corvid solvane_platform_base solvane_platform_audio ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/sound/include/corvid.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/corvid.pc.in ${CMAKE_BINARY_DIR}/corvid.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/corvid.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

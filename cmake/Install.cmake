# SPDX-License-Identifier: Apache-2.0
# Installs the library, its headers and licence, the locmap tool, a CMake package (locmap50::locmap50) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LOCMAP50_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/locmap50)

# On Windows the DLL goes to bin (RUNTIME) and its import library to lib (ARCHIVE).
install(TARGETS locmap50 EXPORT locmap50Targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The MinGW C++ runtime goes beside the DLL that needs it (cmake/MinGWRuntime.cmake).
if(LOCMAP50_MINGW_RUNTIME_DLLS)
  install(FILES ${LOCMAP50_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY include/locmap50 DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(FILES ${LOCMAP50_GENERATED_INCLUDE_DIR}/locmap50/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/locmap50)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(TARGET locmap)
  # The installed tool finds the library installed beside it, wherever the prefix is.
  if(NOT WIN32)
    file(RELATIVE_PATH toolToLibrary "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
    set_target_properties(locmap PROPERTIES INSTALL_RPATH "$ORIGIN/${toolToLibrary}")
  endif()
  install(TARGETS locmap RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES tools/locmap.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES tools/completion/locmap.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME locmap)
endif()

install(EXPORT locmap50Targets NAMESPACE locmap50::
  FILE locmap50Targets.cmake DESTINATION ${LOCMAP50_CMAKE_PACKAGE_DIR})
configure_package_config_file(cmake/locmap50Config.cmake.in
  ${PROJECT_BINARY_DIR}/locmap50Config.cmake
  INSTALL_DESTINATION ${LOCMAP50_CMAKE_PACKAGE_DIR})
# 2.x releases keep the interface of 2.0: a request for 2.0 accepts any 2.y, and no 1.y.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/locmap50ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/locmap50Config.cmake ${PROJECT_BINARY_DIR}/locmap50ConfigVersion.cmake
  DESTINATION ${LOCMAP50_CMAKE_PACKAGE_DIR})

# The .pc file finds its prefix from its own place, so an installed tree can be moved.
file(RELATIVE_PATH LOCMAP50_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" LOCMAP50_PC_TO_PREFIX "${LOCMAP50_PC_TO_PREFIX}")
configure_file(cmake/locmap50.pc.in ${PROJECT_BINARY_DIR}/locmap50.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/locmap50.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

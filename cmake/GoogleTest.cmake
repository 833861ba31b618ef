# SPDX-License-Identifier: Apache-2.0
# Provides GTest::gtest and GTest::gtest_main: the installed package on the
# host, or Debian's GoogleTest sources when cross-building. Without either,
# the GoogleTest programs are left out and the other tests still run.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
set(LOCMAP50_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT TARGET GTest::gtest_main AND NOT EXISTS ${LOCMAP50_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(STATUS "GoogleTest not found (no package, no ${LOCMAP50_GTEST_SOURCE_DIR}): "
    "the unit and C interface tests are skipped; install googletest to build them")
elseif(NOT TARGET GTest::gtest_main)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${LOCMAP50_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Newer GoogleTest sources define the namespaced names themselves.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()


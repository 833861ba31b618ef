# SPDX-License-Identifier: Apache-2.0
# Installs the build into a scratch prefix, checks what landed there, and builds and runs consumers against it.
#
# Inputs (-D): BUILD_DIR, CONSUMER_DIR (this directory), WORK_DIR, PROJECT_DIR
# (consumers run there, so the example map's relative INCLUDE resolves),
# VERSION, GENERATOR, BUILD_TYPE, C_COMPILER, CXX_COMPILER, CONSUMER_FLAGS
# (compile and link flags every consumer needs, such as the sanitizers),
# PKG_CONFIG, WINDOWS (ON for the cross-built Windows leg), EMULATOR.
# On Linux a C++ consumer uses find_package and a C consumer pkg-config; on
# Windows a C consumer links the installed import library and runs under Wine.

set(prefix "${WORK_DIR}/prefix")
set(siteMap examples/site/zor_location_map)
file(REMOVE_RECURSE "${WORK_DIR}")

include(${CMAKE_CURRENT_LIST_DIR}/RunChecked.cmake)

function(expect_output what expected)
  if(NOT lastOutput STREQUAL expected)
    message(FATAL_ERROR "${what} printed:\n${lastOutput}\nexpected:\n${expected}")
  endif()
endfunction()

function(expect_installed)
  foreach(file IN LISTS ARGN)
    if(NOT EXISTS "${prefix}/${file}")
      file(GLOB_RECURSE present RELATIVE "${prefix}" "${prefix}/*")
      string(REPLACE ";" "\n  " present "${present}")
      message(FATAL_ERROR "not installed: ${file}\ninstalled:\n  ${present}")
    endif()
  endforeach()
endfunction()

run_checked("cmake --install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --config "${BUILD_TYPE}")
expect_installed(include/locmap50/locmap50.h include/locmap50/VnLocMap.h include/locmap50/version.h
  include/locmap50/result_codes.h lib/cmake/locmap50/locmap50Config.cmake
  lib/cmake/locmap50/locmap50ConfigVersion.cmake lib/cmake/locmap50/locmap50Targets.cmake
  lib/pkgconfig/locmap50.pc share/doc/locmap50/LICENSE)

set(cExpected "outcome 0\nhard 0 \\\\server\\share\\libs\\libc.a\nprefixes $TOOLS`$LIBS`$DOCS`$SHARED_MODELS`$VENDOR_IP`\n")

if(WINDOWS)
  # The DLL needs the MinGW C++ runtime beside it.
  expect_installed(bin/locmap50.dll lib/liblocmap50.dll.a bin/locmap.exe
    bin/libgcc_s_dw2-1.dll bin/libstdc++-6.dll bin/libwinpthread-1.dll)
  # A plain C program linked against the import library, with the DLLs beside it.
  file(GLOB installedDlls "${prefix}/bin/*.dll")
  file(COPY ${installedDlls} DESTINATION "${WORK_DIR}/c")
  run_checked("building the C consumer" "${C_COMPILER}" "${CONSUMER_DIR}/c_consumer.c" -I "${prefix}/include"
    "${prefix}/lib/liblocmap50.dll.a" -static -o "${WORK_DIR}/c/c_consumer.exe")
  run_checked("running the C consumer" ${EMULATOR} "${WORK_DIR}/c/c_consumer.exe" "${siteMap}")
  expect_output("c_consumer.exe" "${cExpected}")
  return()
endif()

expect_installed(lib/liblocmap50.so.${VERSION} bin/locmap)
# The SONAME carries the major version, so 1.x updates replace each other.
execute_process(COMMAND readelf -d "${prefix}/lib/liblocmap50.so.${VERSION}" OUTPUT_VARIABLE dynamic)
if(NOT dynamic MATCHES "SONAME[^\n]*\\[liblocmap50\\.so\\.[0-9]+\\]")
  message(FATAL_ERROR "liblocmap50.so.${VERSION} has no versioned SONAME:\n${dynamic}")
endif()

# The installed tool finds the installed library by itself.
run_checked("the installed locmap" "${prefix}/bin/locmap" --map "${siteMap}" hard "$DOCS")
expect_output("locmap hard $DOCS" "C:\\Program Files\\Zor\\docs\n")

# The manual page renders without a single warning, and the installed bash
# completion works with the installed tool.
expect_installed(share/man/man1/locmap.1 share/bash-completion/completions/locmap)
execute_process(COMMAND groff -man -Tutf8 -ww -z "${prefix}/share/man/man1/locmap.1"
  RESULT_VARIABLE status ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff could not render locmap.1 cleanly (${status}):\n${warnings}")
endif()
run_checked("the bash completion" bash "${CONSUMER_DIR}/check_completion.sh" "${prefix}/bin"
  "${prefix}/share/bash-completion/completions/locmap" quick)
expect_output("the bash completion" "bash completion: all cases passed\n")

# Configured only: the source tree as a subdirectory, and a top-level build
# on a machine without GoogleTest, which leaves the GoogleTest programs out.
run_checked("configuring the subdirectory consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}/subdirectory_consumer"
  -B "${WORK_DIR}/subdirectory" -G "${GENERATOR}" "-DLOCMAP50_SOURCE_DIR=${PROJECT_DIR}"
  "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
run_checked("configuring without GoogleTest" "${CMAKE_COMMAND}" -S "${PROJECT_DIR}" -B "${WORK_DIR}/no-gtest"
  -G "${GENERATOR}" -DLOCMAP50_BUILD_TESTS=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
  "-DLOCMAP50_GTEST_SOURCE_DIR=${WORK_DIR}/no-such-googletest"
  "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
if(NOT lastOutput MATCHES "GoogleTest not found")
  message(FATAL_ERROR "configuring without GoogleTest did not say that the tests are skipped:\n${lastOutput}")
endif()

# C++ through the CMake package.
run_checked("configuring the C++ consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}/cxx_consumer"
  -B "${WORK_DIR}/cxx" -G "${GENERATOR}" "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
  "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" "-DCMAKE_CXX_FLAGS=${CONSUMER_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${CONSUMER_FLAGS}")
run_checked("building the C++ consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/cxx")
run_checked("running the C++ consumer" "${WORK_DIR}/cxx/cxx_consumer" "${siteMap}")
expect_output("cxx_consumer" "errors 0\nhard 0 C:\\tools\\bin\\cc.exe\nsoft 0 $VENDOR_IP\\core.v\n")

# C through pkg-config.
if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config is missing (bash scripts/install-deps.sh all installs it)")
endif()
set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig")
run_checked("pkg-config --modversion" "${PKG_CONFIG}" --modversion locmap50)
expect_output("pkg-config --modversion locmap50" "${VERSION}\n")
run_checked("pkg-config --cflags --libs" "${PKG_CONFIG}" --cflags --libs locmap50)
separate_arguments(pkgFlags UNIX_COMMAND "${lastOutput}")
separate_arguments(consumerFlags UNIX_COMMAND "${CONSUMER_FLAGS}")
run_checked("building the C consumer" "${C_COMPILER}" ${consumerFlags} "${CONSUMER_DIR}/c_consumer.c" ${pkgFlags}
  -o "${WORK_DIR}/c_consumer")
set(ENV{LD_LIBRARY_PATH} "${prefix}/lib")
run_checked("running the C consumer" "${WORK_DIR}/c_consumer" "${siteMap}")
expect_output("c_consumer" "${cExpected}")

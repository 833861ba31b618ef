# SPDX-License-Identifier: Apache-2.0
# Installs the build into a scratch prefix, builds a C++ consumer against the installed files only, and runs it with
# the test build's hooked library in place of the installed one: allocations fail inside the library, and the
# consumer must see what the headers promise.
#
# Inputs (-D): BUILD_DIR, CONSUMER_DIR (the consumer's sources), HOOKED_LIBRARY (the hooked locmap50.dll or .so),
# WORK_DIR, PROJECT_DIR (the consumer runs there), GENERATOR, BUILD_TYPE, CXX_COMPILER, TOOLCHAIN_FILE (Windows
# leg), WINDOWS, EMULATOR.

set(prefix "${WORK_DIR}/prefix")
set(runDir "${WORK_DIR}/run")
file(REMOVE_RECURSE "${WORK_DIR}")

include(${CMAKE_CURRENT_LIST_DIR}/../install/RunChecked.cmake)

run_checked("cmake --install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --config "${BUILD_TYPE}")

# The cross toolchain searches packages under its own root only, so the
# package directory is named outright.
set(configureArguments "-Dlocmap50_DIR=${prefix}/lib/cmake/locmap50" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
  "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
if(WINDOWS)
  list(APPEND configureArguments "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}")
else()
  # The consumer finds the hooked library through LD_LIBRARY_PATH, not a run path.
  list(APPEND configureArguments -DCMAKE_SKIP_RPATH=ON)
endif()
run_checked("configuring the consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer"
  -G "${GENERATOR}" ${configureArguments})
run_checked("building the consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer")

# The consumer beside the installed DLLs (the C++ runtime among them), the
# hooked locmap50.dll replacing the installed one; on Linux the hooked
# library comes first in the search path.
if(WINDOWS)
  file(GLOB installedDlls "${prefix}/bin/*.dll")
  list(FILTER installedDlls EXCLUDE REGEX "/locmap50\\.dll$")
  file(COPY ${installedDlls} "${WORK_DIR}/consumer/boundary_consumer.exe" DESTINATION "${runDir}")
  file(COPY_FILE "${HOOKED_LIBRARY}" "${runDir}/locmap50.dll")
  set(consumer ${EMULATOR} "${runDir}/boundary_consumer.exe")
else()
  get_filename_component(hookedDir "${HOOKED_LIBRARY}" DIRECTORY)
  set(ENV{LD_LIBRARY_PATH} "${hookedDir}")
  set(consumer "${WORK_DIR}/consumer/boundary_consumer")
endif()
run_checked("running the consumer" ${consumer} examples/site/zor_location_map)
# ChangeEntry returns LOCMAP50_FAILED (1).
set(expected "VnLocMap::addEntry threw std::bad_alloc\nChangeEntry returned 1\n")
string(APPEND expected "hard 0 C:\\tools\\bin\\cc.exe\n")
if(NOT lastOutput STREQUAL expected)
  message(FATAL_ERROR "the consumer printed:\n${lastOutput}\nexpected:\n${expected}")
endif()

# SPDX-License-Identifier: Apache-2.0
# Cross-compiles for 32-bit Windows with MinGW-w64 and runs the results under Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LOCMAP50_MINGW_TRIPLE i686-w64-mingw32)

# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER ${LOCMAP50_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LOCMAP50_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LOCMAP50_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LOCMAP50_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test discovery and ctest start every Windows program through Wine, by way
# of a launcher that prepares a quiet prefix first.
find_program(LOCMAP50_WINE wine REQUIRED)
get_filename_component(LOCMAP50_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LOCMAP50_WINE_RUN})

#!/usr/bin/env bash
# Runs the whole test suite of a Release build under valgrind memcheck; fails on any memory error or leak.
#
# Usage: scripts/valgrind.sh   (build dir: build-valgrind, or LOCMAP50_VALGRIND_BUILD_DIR)
set -uo pipefail
source "$(dirname "$0")/common.sh"

build=${LOCMAP50_VALGRIND_BUILD_DIR:-$LOCMAP50_BUILD_DIR-valgrind}

# Every test program, and each test CTest runs, is started through valgrind:
# the emulator setting is how CMake prefixes test commands.
memcheck="valgrind;--tool=memcheck;--error-exitcode=99;--leak-check=full"
memcheck+=";--errors-for-leak-kinds=definite,indirect;--show-leak-kinds=definite,indirect;--quiet"

command -v valgrind >/dev/null || { echo "missing: valgrind (sudo bash .ci/run installs it)"; exit 1; }
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DLOCMAP50_BUILD_TESTS=ON -DLOCMAP50_SANITIZE=OFF \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$memcheck" &&
    run_ctest "$build"

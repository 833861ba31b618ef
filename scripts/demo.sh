#!/usr/bin/env bash
# Builds the library and shows it at work on the shipped example map: loading it, then translating names both ways.
set -euo pipefail
source "$(dirname "$0")/common.sh"

dir=$LOCMAP50_BUILD_DIR
options=(-DCMAKE_BUILD_TYPE=Debug)
# The demo needs no test framework: without GoogleTest the tests are left out
# (only when the directory is new, so a test build stays a test build).
if [ ! -f "$dir/CMakeCache.txt" ] && [ ! -f /usr/src/googletest/CMakeLists.txt ] &&
   ! ls /usr/lib/*/cmake/GTest/GTestConfig.cmake >/dev/null 2>&1; then
    options+=(-DLOCMAP50_BUILD_TESTS=OFF)
fi
configure_and_build "$dir" "${options[@]}"

# Run from the repository root: relative INCLUDE lines in the map resolve against it.
map=examples/site/zor_location_map
if [ -x "$dir/tools/locmap" ]; then
    say "$dir/tools/locmap check $map"
    "$dir/tools/locmap" check "$map"
fi
say "$dir/examples/translate_names $map"
"$dir/examples/translate_names" "$map"

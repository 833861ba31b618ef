#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The 32-bit Windows leg: cross-builds the library and the whole test suite with MinGW-w64 and runs it under Wine.
set -uo pipefail
source "$(dirname "$0")/common.sh"

win_dir=$LOCMAP50_WIN_BUILD_DIR
export WINEDEBUG=-all

check_tools() {
    local tool missing=0
    for tool in i686-w64-mingw32-gcc-posix i686-w64-mingw32-g++-posix i686-w64-mingw32-objdump wine wineboot wineserver; do
        command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool (sudo bash .ci/run installs it)"; missing=1; }
    done
    [ -f /usr/src/googletest/CMakeLists.txt ] || { echo "missing: /usr/src/googletest (package googletest)"; missing=1; }
    [ "$missing" = 0 ]
}

build_windows() {
    configure_and_build "$win_dir" windows
}

# True when every test ctest's log (file $1) lists as failed died on a Linux
# signal. Such a death is Wine's own: a fault in the program under test ends
# it with a Windows exception, an "Unhandled exception" dump and exit status 5.
only_wine_crashes() {
    local failed
    failed=$(sed -n '/^The following tests FAILED:/,$p' "$1" | grep -E '^[[:space:]]+[0-9]+ - ') || return 1
    ! grep -qvE '\((SEGFAULT|BUS error|ILLEGAL|Child aborted)\)$' <<<"$failed"
}

# The server started with the prefix may have ended during a long build.
# Wine itself crashes now and then as a test program exits, after the test has
# passed; such tests, and only such, run once more.
run_windows_tests() {
    scripts/wine-run.sh --prepare >/dev/null || return 1
    local log=$win_dir/Testing/windows-tests.log
    mkdir -p "$win_dir/Testing"
    run_ctest "$win_dir" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] && return 0
    only_wine_crashes "$log" || return 1
    say "Wine crashed under the tests above; running them once more"
    (cd "$win_dir" && ctest --rerun-failed --output-on-failure --timeout 300)
}

# The build already starts Wine to list the tests, so the prefix is made first.
step "Windows tools" check_tools &&
    step "Wine prefix" scripts/wine-run.sh --prepare &&
    step "Windows build" build_windows &&
    step "Windows tests (Wine)" run_windows_tests
finish "Windows leg"

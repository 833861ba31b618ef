# SPDX-License-Identifier: Apache-2.0
# Shared settings and helpers of the build and test scripts; sourced, not run.
#
# Environment knobs (all optional):
#   LOCMAP50_BUILD_DIR      Linux Debug build directory (default: build); the
#                           sanitizer, valgrind, benchmark and fuzz builds use it plus a suffix
#   LOCMAP50_WIN_BUILD_DIR  Windows build directory (default: build-windows)
#   LOCMAP50_JOBS           parallel compile and test jobs (default: 2)
#   LOCMAP50_FUZZ_SECONDS   how long each fuzz target runs after replaying its seeds (default: 60)
#   LOCMAP50_WINE_LINGER    seconds the Wine server stays up with no program running (default: 120)

LOCMAP50_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$LOCMAP50_ROOT"

LOCMAP50_BUILD_DIR=${LOCMAP50_BUILD_DIR:-build}
LOCMAP50_WIN_BUILD_DIR=${LOCMAP50_WIN_BUILD_DIR:-build-windows}
LOCMAP50_JOBS=${LOCMAP50_JOBS:-2}

if command -v ninja >/dev/null 2>&1; then
    LOCMAP50_GENERATOR=Ninja
else
    LOCMAP50_GENERATOR="Unix Makefiles"
fi

say() { printf '\n=== %s\n' "$*"; }

# configure_preset DIR PRESET [cmake options...]: configures DIR with one of
# CMakePresets.json's presets, which hold each build's settings (keeping the
# generator of an existing cache).
configure_preset() {
    local dir=$1 preset=$2
    shift 2
    local generator=()
    [ -f "$dir/CMakeCache.txt" ] || generator=(-G "$LOCMAP50_GENERATOR")
    cmake -S "$LOCMAP50_ROOT" --preset "$preset" -B "$dir" "${generator[@]}" "$@"
}

# configure_and_build DIR PRESET [cmake options...]: configures DIR as
# configure_preset does and builds everything in it.
configure_and_build() {
    configure_preset "$@" && cmake --build "$1" --parallel "$LOCMAP50_JOBS"
}

# run_ctest DIR: every test of DIR, failures shown in full; a hung test is a failure.
run_ctest() {
    (cd "$1" && ctest --parallel "$LOCMAP50_JOBS" --output-on-failure --timeout 300)
}

# Steps record their failure and the run goes on, so one report shows every broken part.
LOCMAP50_FAILED_STEPS=()
step() {
    local name=$1
    shift
    say "$name"
    local started=$SECONDS
    if "$@"; then
        say "$name: passed ($((SECONDS - started)) s)"
    else
        say "$name: FAILED ($((SECONDS - started)) s)"
        LOCMAP50_FAILED_STEPS+=("$name")
        return 1
    fi
}

# finish LEG: prints the outcome of all steps and sets the exit status.
finish() {
    if [ ${#LOCMAP50_FAILED_STEPS[@]} -eq 0 ]; then
        say "$1: all steps passed in $SECONDS s"
        return 0
    fi
    say "$1: failed steps: ${LOCMAP50_FAILED_STEPS[*]} ($SECONDS s)"
    return 1
}

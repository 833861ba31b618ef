#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Linux leg: a Debug build and a sanitizer build with their whole test suites, the tool built on its own against the installed Debug library, the README's runnable blocks, a ThreadSanitizer run of the many-threads test, then the benchmarks and fuzz targets when present.
set -uo pipefail
source "$(dirname "$0")/common.sh"

# Any sanitizer report ends the test process with a failure.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

debug_dir=$LOCMAP50_BUILD_DIR
sanitize_dir=$LOCMAP50_BUILD_DIR-sanitize
tsan_dir=$LOCMAP50_BUILD_DIR-tsan
# Absolute: a fuzz target changes its current directory.
bench_dir=$(realpath -m "$LOCMAP50_BUILD_DIR-bench")
fuzz_dir=$(realpath -m "$LOCMAP50_BUILD_DIR-fuzz")
valgrind_dir=$LOCMAP50_BUILD_DIR-valgrind

build_debug() {
    configure_and_build "$debug_dir" debug
}
build_sanitized() {
    configure_and_build "$sanitize_dir" sanitize
}

# ThreadSanitizer sees only the threads that run, so it checks the library
# and the many-threads test alone: the other tests use one thread.
run_thread_sanitizer() {
    configure_preset "$tsan_dir" tsan &&
        cmake --build "$tsan_dir" --parallel "$LOCMAP50_JOBS" --target locmap50_thread_tests &&
        LOCMAP50_STRESS_ROUNDS=${LOCMAP50_STRESS_ROUNDS:-20} "$tsan_dir/tests/locmap50_thread_tests"
}

# The benchmarks run once, briefly, and each fuzz target replays its seeds
# and fuzzes for half a minute (CI time is shared): here the point is that they build and run clean.
run_benchmarks_briefly() {
    LOCMAP50_BENCH_BUILD_DIR=$bench_dir bash scripts/bench.sh --benchmark_min_time=0.01
}
run_fuzzers_briefly() {
    LOCMAP50_FUZZ_BUILD_DIR=$fuzz_dir bash scripts/fuzz-smoke.sh "${LOCMAP50_FUZZ_SECONDS:-30}"
}
run_valgrind() {
    LOCMAP50_VALGRIND_BUILD_DIR=$valgrind_dir bash scripts/valgrind.sh
}

if step "Linux Debug build" build_debug; then
    step "Linux Debug tests" run_ctest "$debug_dir"
    step "Linux tool on the installed library" bash scripts/test-installed-tool.sh "$debug_dir"
    # The README's runnable blocks, in a fresh clone, on this build.
    step "README walk" bash scripts/readme-walk.sh
fi
step "Linux sanitizer build" build_sanitized && step "Linux sanitizer tests" run_ctest "$sanitize_dir"
step "Linux ThreadSanitizer, many threads" run_thread_sanitizer
if [ -f bench/CMakeLists.txt ]; then
    step "Linux benchmarks" run_benchmarks_briefly
fi
step "Linux Release tests under valgrind" run_valgrind
if [ -f fuzz/CMakeLists.txt ]; then
    step "Linux fuzz targets" run_fuzzers_briefly
fi
finish "Linux leg"

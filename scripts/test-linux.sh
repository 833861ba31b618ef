#!/usr/bin/env bash
# The Linux leg: a Debug build and a sanitizer build with their whole test suites, then the benchmarks and fuzz targets when present.
set -uo pipefail
source "$(dirname "$0")/common.sh"

# Any sanitizer report ends the test process with a failure.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

debug_dir=$LOCMAP50_BUILD_DIR
sanitize_dir=$LOCMAP50_BUILD_DIR-sanitize
bench_dir=$LOCMAP50_BUILD_DIR-bench
fuzz_dir=$LOCMAP50_BUILD_DIR-fuzz

build_debug() {
    configure_and_build "$debug_dir" -DCMAKE_BUILD_TYPE=Debug -DLOCMAP50_BUILD_TESTS=ON -DLOCMAP50_SANITIZE=OFF
}
build_sanitized() {
    configure_and_build "$sanitize_dir" -DCMAKE_BUILD_TYPE=Debug -DLOCMAP50_BUILD_TESTS=ON -DLOCMAP50_SANITIZE=ON
}

# Runs every benchmark once, briefly: the point here is that they build and run.
build_and_run_benchmarks() {
    configure_and_build "$bench_dir" -DCMAKE_BUILD_TYPE=Release \
        -DLOCMAP50_BUILD_TESTS=OFF -DLOCMAP50_BUILD_BENCHMARKS=ON || return 1
    local program found=0
    for program in "$bench_dir"/bench/*; do
        [ -f "$program" ] && [ -x "$program" ] || continue
        found=1
        echo "--- $program"
        "$program" --benchmark_min_time=0.01 || return 1
    done
    [ "$found" = 1 ] || { echo "no benchmark programs in $bench_dir/bench"; return 1; }
}

# Runs each fuzz target for a short while on a scratch copy of its seed corpus.
build_and_run_fuzzers() {
    CC=clang CXX=clang++ configure_and_build "$fuzz_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLOCMAP50_BUILD_TESTS=OFF -DLOCMAP50_BUILD_FUZZERS=ON || return 1
    local program name seeds work found=0
    for program in "$fuzz_dir"/fuzz/*; do
        [ -f "$program" ] && [ -x "$program" ] || continue
        found=1
        name=$(basename "$program")
        # Absolute paths: a fuzz target may change its current directory.
        seeds=$LOCMAP50_ROOT/fuzz/corpus
        [ -d "$seeds/$name" ] && seeds=$seeds/$name
        work=$(realpath -m "$fuzz_dir/corpus-$name")
        mkdir -p "$work"
        echo "--- $program (${LOCMAP50_FUZZ_SECONDS:-30} s)"
        "$program" -max_total_time="${LOCMAP50_FUZZ_SECONDS:-30}" -print_final_stats=1 \
            -artifact_prefix="$(realpath -m "$fuzz_dir")/" "$work" "$seeds" || return 1
    done
    [ "$found" = 1 ] || { echo "no fuzz programs in $fuzz_dir/fuzz"; return 1; }
}

step "Linux Debug build" build_debug && step "Linux Debug tests" run_ctest "$debug_dir"
step "Linux sanitizer build" build_sanitized && step "Linux sanitizer tests" run_ctest "$sanitize_dir"
if [ -f bench/CMakeLists.txt ]; then
    step "Linux benchmarks" build_and_run_benchmarks
fi
if [ -f fuzz/CMakeLists.txt ]; then
    step "Linux fuzz targets" build_and_run_fuzzers
fi
finish "Linux leg"

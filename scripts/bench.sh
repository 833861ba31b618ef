#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them; arguments go to the benchmark program.
#
# Usage: scripts/bench.sh [--benchmark_filter=REGEX ...]   (build dir: build-bench,
# or LOCMAP50_BENCH_BUILD_DIR). Needs Google Benchmark (Debian: libbenchmark-dev).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOCMAP50_BENCH_BUILD_DIR:-$root/build-bench}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DLOCMAP50_BUILD_BENCHMARKS=ON -DLOCMAP50_BUILD_TESTS=OFF
cmake --build "$build" -j2 --target locmap50_bench
"$build/bench/locmap50_bench" "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the benchmarks in release mode, runs them and prints the summary table of ratios against their targets.
#
# Usage: scripts/bench.sh [--benchmark_filter=REGEX ...]   (build dir: build-bench,
# or LOCMAP50_BENCH_BUILD_DIR). Needs Google Benchmark (Debian: libbenchmark-dev).
# With no arguments every benchmark runs five rounds and the table gives the
# median and the range of each; arguments go to the benchmark program instead.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOCMAP50_BENCH_BUILD_DIR:-$root/build-bench}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && generator=()

cmake -S "$root" --preset bench -B "$build" "${generator[@]}"
cmake --build "$build" -j2 --target locmap50_bench
if [ $# -eq 0 ]; then
    set -- --benchmark_repetitions=5
fi
# The generated maps go into a directory of this run's own: runs at the same
# time would otherwise write and remove each other's files.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/locmap50_bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
TMPDIR=$scratch "$build/bench/locmap50_bench" "$@"

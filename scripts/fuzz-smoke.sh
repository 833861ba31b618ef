#!/usr/bin/env bash
# Builds the map file fuzz target with clang and runs it on the seed corpus for a while; fails on any crash.
#
# Usage: scripts/fuzz-smoke.sh [SECONDS]   (default 60; build dir: build-fuzz,
# or LOCMAP50_FUZZ_BUILD_DIR). A crashing input is left in the build dir's fuzz/
# folder as crash-*, leak-* or timeout-*.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOCMAP50_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLOCMAP50_BUILD_FUZZERS=ON -DLOCMAP50_BUILD_TESTS=OFF
cmake --build "$build" -j2 --target fuzz_load_map

# Every run saves map files, and each save is synced to disk: on a memory file
# system that costs nothing, so the fuzzer spends its time in the reader.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# New inputs go to a scratch corpus; the committed seeds are only read.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/fuzz/fuzz_load_map" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$build/fuzz/" \
    "$scratch" "$root/fuzz/corpus"

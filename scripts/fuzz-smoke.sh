#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the fuzz targets with clang, replays each committed seed corpus, then fuzzes each target for a while; fails on any finding.
#
# Usage: scripts/fuzz-smoke.sh [SECONDS]   (per target, default 60; build dir:
# build-fuzz, or LOCMAP50_FUZZ_BUILD_DIR). A failing input is left in the
# build dir's fuzz/ folder as <target>-crash-*, -leak-*, -oom-* or -timeout-*.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOCMAP50_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
targets=(fuzz_load_map fuzz_capi_sequence fuzz_round_trip)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S "$root" --preset fuzz -B "$build" "${generator[@]}"
cmake --build "$build" -j2 --target "${targets[@]}"

# Every run saves map files, and each save is synced to disk: on a memory file
# system that costs nothing, so the fuzzer spends its time in the library.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# New inputs go to a scratch corpus; the committed seeds are only read.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Standard output is closed: the C interface target writes maps to it.
options=(-timeout=10 -rss_limit_mb=2048 -max_len=4096 -close_fd_mask=1 -print_final_stats=1)

for target in "${targets[@]}"; do
    seeds=$root/fuzz/corpus/$target
    echo "=== $target: replaying $(ls "$seeds" | wc -l) seeds"
    "$build/fuzz/$target" -runs=0 "${options[@]}" -artifact_prefix="$build/fuzz/$target-" "$seeds"
    echo "=== $target: fuzzing for $seconds s"
    mkdir -p "$scratch/$target"
    "$build/fuzz/$target" -max_total_time="$seconds" "${options[@]}" \
        -artifact_prefix="$build/fuzz/$target-" "$scratch/$target" "$seeds"
done

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the whole test suite of a Release build under valgrind memcheck; fails on any memory error or leak.
#
# Usage: scripts/valgrind.sh   (build dir: build-valgrind, or LOCMAP50_VALGRIND_BUILD_DIR)
set -uo pipefail
source "$(dirname "$0")/common.sh"

# Absolute: each test program runs from its own folder.
build=$(realpath -m "${LOCMAP50_VALGRIND_BUILD_DIR:-$LOCMAP50_BUILD_DIR-valgrind}")

memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect --quiet)

# Each GoogleTest program starts under memcheck with all its cases, split in
# one shard per job, as valgrind's start-up costs more than most cases; the
# other tests (the tool's runs, the C header check) start through the
# emulator setting, which is how CMake prefixes test commands.
run_gtest_shard() {
    local program=$1 shard=$2 log=$3
    (cd "$build/tests" &&
        GTEST_TOTAL_SHARDS=$LOCMAP50_JOBS GTEST_SHARD_INDEX=$shard timeout 1800 "${memcheck[@]}" "$program" --gtest_brief=1) \
        >"$log" 2>&1
}
run_gtest_programs() {
    local program shard status=0 logs=() pids=() i
    for program in "$build"/tests/locmap50_unit_tests "$build"/tests/locmap50_capi_tests \
        "$build"/tests/locmap_tool_tests; do
        [ -x "$program" ] || continue
        for ((shard = 0; shard < LOCMAP50_JOBS; shard++)); do
            logs+=("$build/memcheck-$(basename "$program")-$shard.log")
            run_gtest_shard "$program" "$shard" "${logs[-1]}" &
            pids+=($!)
        done
    done
    for i in "${!pids[@]}"; do
        if wait "${pids[$i]}"; then
            echo "memcheck passed: $(basename "${logs[$i]}" .log)"
        else
            echo "memcheck FAILED: $(basename "${logs[$i]}" .log)"
            cat "${logs[$i]}"
            status=1
        fi
    done
    return "$status"
}
# The exit status table reruns, for their codes alone, commands that the
# other tool tests already run under memcheck; under valgrind it would take
# minutes, so it runs in the other builds only.
run_other_tests() {
    (cd "$build" && ctest --parallel "$LOCMAP50_JOBS" --output-on-failure --timeout 300 --label-exclude "^(gtest-.*|exit-table)$")
}

command -v valgrind >/dev/null || { echo "missing: valgrind (sudo bash .ci/run installs it)"; exit 1; }
emulator=$(IFS=';'; echo "${memcheck[*]}")
# The emulator comes from here, not the preset: it is the memcheck command above.
configure_and_build "$build" valgrind "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" || exit 1
status=0
run_gtest_programs || status=1
run_other_tests || status=1
exit "$status"

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds and runs every test: the Linux leg, then the 32-bit Windows leg under Wine; fails if either fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

status=0
summary=()
# run_leg NAME SCRIPT: runs one leg and notes its outcome and duration.
run_leg() {
    local started=$SECONDS outcome=passed
    bash "$here/$2" || { outcome=FAILED; status=1; }
    summary+=("$1 $outcome in $((SECONDS - started)) s")
}
run_leg Linux test-linux.sh
run_leg Windows test-windows.sh

printf '\n=== %s\n' "${summary[@]}"
exit "$status"

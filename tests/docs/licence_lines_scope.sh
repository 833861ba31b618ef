#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Checks that the licence line check covers what git tracks in a checkout: a file a README step leaves untracked fails nothing.
#
# Usage: licence_lines_scope.sh SPDX_SCRIPT
set -euo pipefail

script=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/scripts"
cp "$script" "$scratch/scripts/spdx.sh"
cd "$scratch"
git init -q .
printf '// SPDX-License-Identifier: Apache-2.0\nint f();\n' >tracked.cpp
git add tracked.cpp scripts/spdx.sh
printf 'int main() {}\n' >left_by_a_step.cpp

bash scripts/spdx.sh --check || { echo "an untracked file failed the check" >&2; exit 1; }
git add left_by_a_step.cpp
if bash scripts/spdx.sh --check >/dev/null 2>&1; then
    echo "a tracked file without the line passed the check" >&2
    exit 1
fi
echo "checked: tracked files only"

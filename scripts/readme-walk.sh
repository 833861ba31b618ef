#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Walks the README's blocks marked "<!-- runnable -->" in a fresh clone, as a reader would: shell blocks run in order in one shell, C and C++ blocks are compiled against the Debug build and run; every command must succeed.
#
# The clone's build/ is the Debug build of this tree (LOCMAP50_BUILD_DIR), so
# that the blocks that build find it built; without one they build it.
# Outputs are not compared, only exit statuses: the README shows what to
# expect, and the tool's own tests hold its exact output.
set -euo pipefail
source "$(dirname "$0")/common.sh"

readme_marker='<!-- runnable -->'
debug_dir=$(realpath -m "$LOCMAP50_BUILD_DIR")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clone=$work/locmap50
mkdir -p "$work/blocks" "$work/home" "$work/tmp"

if git -C "$LOCMAP50_ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git clone --quiet "$LOCMAP50_ROOT" "$clone"
else
    # Not a git checkout: a copy of the tree, without its build directories.
    mkdir "$clone"
    tar -C "$LOCMAP50_ROOT" --exclude='./build*' -cf - . | tar -C "$clone" -xf -
fi
[ ! -f "$debug_dir/CMakeCache.txt" ] || ln -s "$debug_dir" "$clone/build"

# Each marked block goes to blocks/LINE.LANG, LINE being its first line in the README.
awk -v marker="$readme_marker" -v dir="$work/blocks" '
    $0 == marker { marked = NR; next }
    marked && !file {
        if ($0 !~ /^```[a-z]+$/) { printf "README line %d: %s is not followed by a code block\n", marked, marker; exit 1 }
        file = sprintf("%s/%05d.%s", dir, NR + 1, substr($0, 4)); marked = 0; printf "" > file; next
    }
    file && /^```$/ { close(file); file = ""; next }
    file { print > file }
' "$clone/README.md"
blocks=("$work"/blocks/*)
[ -e "${blocks[0]}" ] || { echo "the README marks no block as runnable" >&2; exit 1; }

# The walk in one script, run from the clone's root.
{
    echo 'set -eo pipefail'
    echo "cd '$clone'"
    for block in "${blocks[@]}"; do
        name=$(basename "$block")
        line=$((10#${name%%.*}))
        echo "echo '=== README line $line'"
        case "$name" in
            *.sh) echo "source '$block'" ;;
            *.c) echo "cc -std=c99 -Wall -Werror -x c '$block' -I include -I build/include -L build -llocmap50 -o '$work/$name.out'" ;;
            *.cpp) echo "c++ -std=c++17 -Wall -Werror -x c++ '$block' -I include -I build/include -L build -llocmap50 -o '$work/$name.out'" ;;
            *) echo "README line $line: no way to run a block of ${name#*.}" >&2; exit 1 ;;
        esac
        case "$name" in
            *.c | *.cpp) echo "LD_LIBRARY_PATH=build '$work/$name.out'" ;;
        esac
    done
} >"$work/walk.sh"

# A clean environment: no variable named after a soft prefix, no map set by the caller.
started=$SECONDS
if env -i PATH="$PATH" HOME="$work/home" TMPDIR="$work/tmp" LANG=C.UTF-8 LOCMAP50_JOBS="$LOCMAP50_JOBS" \
    bash "$work/walk.sh" >"$work/walk.log" 2>&1 </dev/null; then
    echo "README walk: ${#blocks[@]} runnable blocks passed in $((SECONDS - started)) s"
else
    cat "$work/walk.log"
    echo "README walk: the block above failed" >&2
    exit 1
fi

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Gives every C/C++, CMake, shell and Python file of the source tree its licence line at the top (after a shebang), or with --check lists the files that lack it.
#
# Usage: spdx.sh [--check]
# Running it again changes nothing. Map files, fixtures and golden texts are
# no code and get no line. Exit status: 0, or 1 when --check found a file
# without the line.
set -euo pipefail
cd "$(dirname "$0")/.."

identifier="SPDX-License-Identifier: Apache-2.0"
check=false
case "${1:-}" in
    --check) check=true ;;
    "") ;;
    *) echo "usage: spdx.sh [--check]" >&2; exit 2 ;;
esac

# The files of the source tree: in a git checkout what git tracks (and, when
# lines are added, what it would track), so that files a README step or a
# scratch build leaves in the tree never fail the check; outside one, every
# file but the build directories.
source_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        if $check; then
            git ls-files -z --cached
        else
            git ls-files -z --cached --others --exclude-standard
        fi
    else
        find . -path './build*' -prune -o -path ./.git -prune -o -type f -printf '%P\0'
    fi
}

# first and second: the file's first two lines (read by the shell itself:
# a process per file would make the check slow).
read_top() {
    first="" second=""
    { IFS= read -r first || true; IFS= read -r second || true; } <"$1"
}

# Sets comment to what carries the line in file $1 (and first and second to
# its top lines), or to nothing for a file that gets none.
licence_comment() {
    local file=$1
    comment=""
    case "$file" in
        tests/data/* | tests/golden/* | tools/testdata/* | fuzz/corpus/*) return 0 ;;
        *.c | *.h | *.h.in | *.cpp | *.hpp | *.cc | CMakeLists.txt | */CMakeLists.txt | *.cmake | *.cmake.in) ;;
        *.sh | *.bash | *.py) ;;
        *.*) return 0 ;;
    esac
    read_top "$file"
    case "$file" in
        # In the comment style the file opens with; C files and headers default to /* */.
        *.c | *.h | *.h.in | *.cpp | *.hpp | *.cc)
            if [[ "$first" == //* ]] || [[ "$file" != *.[ch] && "$file" != *.h.in && "$first" != /\** ]]; then
                comment="// $identifier"
            else
                comment="/* $identifier */"
            fi
            ;;
        CMakeLists.txt | */CMakeLists.txt | *.cmake | *.cmake.in | *.sh | *.bash | *.py) comment="# $identifier" ;;
        *)
            # Scripts without a suffix are known by their shebang.
            if [[ "$first" =~ ^\#!.*(/|[[:space:]])(ba)?sh([[:space:]]|$)|^\#!.*python ]]; then
                comment="# $identifier"
            fi
            ;;
    esac
    return 0
}

# Puts comment $2 at the top of file $1, after its shebang when it has one.
add_line() {
    local file=$1 comment=$2 temporary
    temporary=$(mktemp "$file.XXXXXX")
    if [[ "$first" == '#!'* ]]; then
        { head -n 1 "$file"; printf '%s\n' "$comment"; tail -n +2 "$file"; } >"$temporary"
    else
        { printf '%s\n' "$comment"; cat "$file"; } >"$temporary"
    fi
    # Keep the file's mode (scripts stay executable).
    chmod --reference="$file" "$temporary"
    mv "$temporary" "$file"
}

missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    licence_comment "$file"
    [ -n "$comment" ] || continue
    # The line goes first, or after a shebang.
    [[ "$first" != *"$identifier"* && "$second" != *"$identifier"* ]] || continue
    if $check; then
        echo "no licence line ($comment): $file"
        missing=$((missing + 1))
    else
        add_line "$file" "$comment"
        echo "added: $file"
    fi
done < <(source_files)

if $check && [ "$missing" -gt 0 ]; then
    echo "$missing files lack the licence line; bash scripts/spdx.sh adds it" >&2
    exit 1
fi
exit 0

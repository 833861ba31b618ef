#!/usr/bin/env bash
# Runs the installed bash completion of locmap on a few command lines and prints what it offers, one line per case.
# Usage: check_completion.sh PREFIX MAP
set -u
prefix=$1
map=$2
PATH="$prefix/bin:$PATH"
# shellcheck source=/dev/null
source "$prefix/share/bash-completion/completions/locmap"

offer() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _locmap
    echo "${COMPREPLY[*]}"
}

offer locmap ch
offer locmap --map "$map" list --js
offer locmap --map "$map" hard '$V'
offer locmap --map "$map" set "'\$D"

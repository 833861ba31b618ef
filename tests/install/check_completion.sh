#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the bash completion of locmap as bash runs it, on command lines people type, and checks what it offers.
# Usage: check_completion.sh BIN_DIR COMPLETION_FILE [quick]
# BIN_DIR holds the locmap to run; "quick" runs only a few cases, to see that an installed completion works.
# Prints one line per failed case, and exits 1 when any failed.
set -u
bin_dir=$(cd "$1" && pwd)
completion=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
PATH="$bin_dir:$PATH"
unset TOOLS LIBS DOCS VENDOR_IP ZOR_LOCATION_MAP WDIR
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
mkdir -p "$HOME" "$work/files/project" "$work/slow"
cd "$work/files" || exit 1

# Names a shell would split or expand, each holding a map.
site_map='ZOR_LOCATION_MAP_2
$TOOLS
C:\tools
$DOCS
C:\docs
$VENDOR_IP
\\server\vendor\ip
'
printf '%s' "$site_map" >'my map.map'
printf '%s' "$site_map" >'a[1].map'
printf '%s' "$site_map" >'*'
printf 'ZOR_LOCATION_MAP_2\n$PROJECT_SOURCES\nC:\\src\n' >project/zor_location_map
# A locmap that never answers: completion must give up on it.
printf '#!/bin/sh\nsleep 30\n' >"$work/slow/locmap"
chmod +x "$work/slow/locmap"

# shellcheck source=/dev/null
source "$completion" || exit 1
# The hanging case below need not wait the whole usual limit.
_locmap_time_limit=1
function=$(complete -p locmap 2>/dev/null | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
[ -n "$function" ] || fail "complete -p locmap names no function: $(complete -p locmap 2>&1)"

# comp_set LINE: sets COMP_LINE, COMP_POINT, COMP_WORDS and COMP_CWORD as
# bash does when completion is asked for with the cursor at the end of LINE:
# words end at unquoted blanks, and a run of the other unquoted characters
# of COMP_WORDBREAKS (= : > < ; | & () is a word of its own; quotes and
# backslashes stay in the words.
comp_set() {
    local line=$1 word="" quote="" kind="" c i
    COMP_WORDS=()
    for ((i = 0; i < ${#line}; i++)); do
        c=${line:i:1}
        if [ -n "$quote" ]; then
            word+=$c
            if [ "$c" = "\\" ] && [ "$quote" = '"' ]; then
                ((i++))
                word+=${line:i:1}
            elif [ "$c" = "$quote" ]; then
                quote=""
            fi
            continue
        fi
        case "$c" in
            ' ' | $'\t')
                [ -z "$kind" ] || COMP_WORDS+=("$word")
                word="" kind=""
                continue
                ;;
            [=:\>\<\;\|\&\(]) [ "$kind" != w ] || { COMP_WORDS+=("$word"); word=""; } ; kind=b ;;
            *) [ "$kind" != b ] || { COMP_WORDS+=("$word"); word=""; } ; kind=w ;;
        esac
        word+=$c
        case "$c" in
            \\) ((i++)); word+=${line:i:1} ;;
            \' | \") quote=$c ;;
        esac
    done
    COMP_WORDS+=("$word")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
}

# offers LINE: prints what completion offers for LINE, sorted, each in [].
offers() {
    comp_set "$1"
    COMPREPLY=()
    "$function" locmap "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '[%s]\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr -d '\n'
}

# expect LINE OFFERS: the completion of LINE offers exactly OFFERS.
expect() {
    local got
    got=$(offers "$1")
    [ "$got" = "$2" ] || fail "$1 -> $got, expected $2"
}

# expect_some LINE OFFER...: the completion of LINE offers each OFFER (among others).
expect_some() {
    local line=$1 got offer
    shift
    got=$(offers "$line")
    for offer in "$@"; do
        [[ "$got" == *"[$offer]"* ]] || fail "$line -> $got, lacks $offer"
    done
}

all_prefixes="['\$DOCS']['\$TOOLS']['\$VENDOR_IP']"

finish() {
    [ "$failures" = 0 ] || exit 1
    echo "bash completion: all cases passed"
    exit 0
}

expect 'locmap ch' '[check]'
expect "locmap --map 'my map.map' paths '\$" "$all_prefixes"
[ "${3:-}" != quick ] || finish

expect 'locmap wh' '[where][which]'
expect 'locmap help sa' '[save]'
expect_some 'locmap --' --map --project --strict --keep-going
expect 'locmap --map *' '[*]'
expect 'locmap --map my' '[my map.map]'
expect "locmap --map 'my m" '[my map.map]'
expect 'locmap --map "my m' '[my map.map]'
expect 'locmap --map my\ m' '[my map.map]'
expect 'locmap --map=my' '[my map.map]'
expect 'locmap --map=' '[*][a[1].map][my map.map][project]'
expect 'locmap -p pro' '[project]'
expect 'locmap --project=pro' '[project]'
expect 'locmap --map a check --format=' '[legacy][text]'
expect 'locmap list --format ' '[map][text]'
expect 'locmap --map a list --js' '[--json]'
expect_some 'locmap save --' --dry-run --quiet --force --map
expect_some 'locmap hard --' --map-only --map
expect_some 'locmap set --' --dry-run --quiet --all-files --file
# Every command's own options, and the global ones, after the command.
expect 'locmap check --q' '[--quiet]'
expect 'locmap hard --j' '[--json]'
expect 'locmap soft --j' '[--json]'
expect 'locmap where --j' '[--json]'

# Soft prefixes, from a map named every way the shell allows. A soft name
# that goes on (hard, explain) keeps its quote open for the rest of the name.
open_prefixes="['\$DOCS]['\$TOOLS]['\$VENDOR_IP]"
expect "locmap --map 'my map.map' hard '\$" "$open_prefixes"
expect 'locmap --map "my map.map" paths ' "$all_prefixes"
expect 'locmap --map my\ map.map hard $V' "['\$VENDOR_IP]"
expect "locmap --map=my\\ map.map hard '\$D" "['\$DOCS]"
expect "locmap --map='my map.map' explain \$T" "['\$TOOLS]"
expect "locmap -m 'a[1].map' which \$" "$all_prefixes"
expect "locmap --map '*' hard \$D" "['\$DOCS]"
expect "locmap --map=* remove \$D" "['\$DOCS']"
expect "locmap --project project hard \$" "['\$PROJECT_SOURCES]"
expect "locmap --project=project set \$" "['\$PROJECT_SOURCES']"
expect "locmap set --map 'my map.map' \$T" "['\$TOOLS']"
expect "locmap --map 'my map.map' set \$TOOLS pro" '[project]'
expect "locmap --map 'my map.map' add \$NEW_ONE " '[project]'
expect "locmap --map 'my map.map' remove \$TOOLS " ''

# A file named * stays one name.
expect 'locmap export ' '[*][a[1].map][my map.map][project]'
expect 'locmap --map my\ map.map soft *' '[*]'

# A map read from standard input gives no prefixes, and nothing is read.
got=$(printf 'ZOR_LOCATION_MAP_2\n$FROM_STDIN\nC:\\x\n' | offers "locmap --map - hard \$")
[ -z "$got" ] || fail "locmap --map - hard \$ -> $got, expected nothing"
got=$(printf 'ZOR_LOCATION_MAP_2\n$FROM_STDIN\nC:\\x\n' | offers "locmap hard \$")
[[ "$got" != *FROM_STDIN* ]] || fail "locmap hard \$ read standard input: $got"

# With no map option, the map found from here, where the tool finds one itself.
if ZOR_LOCATION_MAP="$work/files/my map.map" locmap list >/dev/null 2>&1 </dev/null; then
    got=$(ZOR_LOCATION_MAP="$work/files/my map.map" offers "locmap hard \$D")
    [ "$got" = "['\$DOCS]" ] || fail "locmap hard \$D with ZOR_LOCATION_MAP -> $got"
fi

# A locmap that hangs is given up after its time limit.
started=$SECONDS
got=$(PATH="$work/slow:$PATH" offers "locmap --map 'my map.map' hard \$")
[ -z "$got" ] || fail "a hanging locmap offered $got"
[ $((SECONDS - started)) -lt 10 ] || fail "a hanging locmap held completion for $((SECONDS - started)) s"

finish

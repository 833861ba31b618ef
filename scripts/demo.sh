#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the library and the locmap tool and shows them at work on the shipped examples: check, both translations, an environment override, an edit on a copy, project discovery and a broken map.
set -euo pipefail
source "$(dirname "$0")/common.sh"

dir=$LOCMAP50_BUILD_DIR
# Without GoogleTest the configure leaves the unit tests out by itself. A
# build directory made before keeps its own configuration and is brought up
# to date.
if [ -f "$dir/CMakeCache.txt" ]; then
    cmake --build "$dir" --parallel "$LOCMAP50_JOBS"
else
    configure_and_build "$dir" debug
fi

locmap=$(realpath "$dir/tools/locmap")
if [ ! -x "$locmap" ]; then
    echo "the locmap tool was not built: CLI11 or nlohmann-json is missing (bash scripts/install-deps.sh build)" >&2
    exit 1
fi
# Variables named after the example's prefixes would override its entries.
unset TOOLS LIBS DOCS SHARED_MODELS VENDOR_IP SCRIPTS ZOR_LOCATION_MAP

# show COMMAND...: prints the command line, then runs it (the word locmap
# stands for the tool just built); a nonzero exit is shown, not fatal.
show() {
    say "$*"
    local word command=() status=0
    for word in "$@"; do
        if [ "$word" = locmap ]; then command+=("$locmap"); else command+=("$word"); fi
    done
    "${command[@]}" || status=$?
    [ "$status" = 0 ] || echo "(exit status $status)"
}

# Run from the repository root: relative INCLUDE lines in a map resolve against it.
site=(--map examples/site/zor_location_map)
show locmap "${site[@]}" check
show locmap "${site[@]}" hard '$TOOLS\bin\cc.exe' '$LIBS/libc.a' '$SHARED_MODELS\ram.v'
show locmap "${site[@]}" soft 'C:\tools\bin\cc.exe' '\\server\vendor\ip\core.v' 'd:\MIRROR\libs\libm.a'
show locmap "${site[@]}" list

say "An environment variable named after a soft prefix overrides the map (the file is not in force mode):"
show env 'TOOLS=D:\other tools' locmap "${site[@]}" hard '$TOOLS\bin\cc.exe'
show env 'TOOLS=D:\other tools' locmap "${site[@]}" check

say "Edits are saved at once; this one works on a copy of the example:"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/examples"
cp -r examples/site "$work/examples/"
(
    cd "$work"
    show locmap "${site[@]}" add '$SCRIPTS' 'C:\tools\scripts'
    show locmap "${site[@]}" paths '$SCRIPTS'
    say "the saved copy of examples/site/zor_location_map:"
    cat examples/site/zor_location_map
    # The new entry lies inside $TOOLS, which hard-to-soft translation tries first.
    show locmap "${site[@]}" check
)

say "On Linux the site reads its own main map, with POSIX hard paths (examples/linux-site):"
linux=(--map examples/linux-site/zor_location_map)
show locmap "${linux[@]}" check
show locmap "${linux[@]}" hard '$TOOLS/bin/cc' '$LIBS\libc.so' '$DOCS/index.html'
say "POSIX paths match exactly, letter case included, at / boundaries (the second and third do not translate):"
show locmap "${linux[@]}" soft /opt/tools/bin/cc /opt/Tools/bin/cc /opt/toolsX/bin/cc '/usr/share/doc/Zor Docs/a.html'
show locmap "${linux[@]}" abs rel/x.v
show env 'TOOLS=/usr/local/tools' locmap "${linux[@]}" hard '$TOOLS/bin/cc'

show locmap --project examples/project list
say "With neither --map nor --project, the map a tool started here finds, and how:"
show env ZOR_LOCATION_MAP=examples/site/zor_location_map locmap where
say "A map with every mistake the reader reports (TOOLS set for the override warning):"
show env 'TOOLS=D:\other tools' locmap --map examples/broken/zor_location_map check

say "The same map through the C interface (examples/translate_names.c):"
"$dir/examples/translate_names" examples/site/zor_location_map

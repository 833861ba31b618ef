#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs one Windows program under Wine in a quiet, prepared prefix; the Windows leg's test launcher.
#
# CMake uses this as the cross-compiling emulator, so test discovery, ctest and
# a plain "scripts/wine-run.sh prog.exe" all see the same prefix and settings.
# "scripts/wine-run.sh --prepare" only makes the prefix and starts its server.
# WINEPREFIX may be set by the caller; otherwise one prefix per user is shared
# by every build directory, because a prefix costs half a gigabyte and seconds to make.
set -euo pipefail

export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=${WINEARCH:-win32}
# No Mono or Gecko installers, no desktop menu entries: nothing may ask questions.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=d}
# No display is needed or wanted: the programs are console programs.
unset DISPLAY WAYLAND_DISPLAY

# Wine refuses a prefix that another user owns, as under "sudo" with the
# caller's HOME; such runs get a prefix of their own in the temporary directory.
default_prefix() {
    local home=${HOME:-}
    if [ -n "$home" ] && [ -d "$home" ] && [ "$(stat -c %u "$home")" = "$(id -u)" ]; then
        echo "${XDG_CACHE_HOME:-$home/.cache}/locmap50/wine-$WINEARCH"
    else
        echo "${TMPDIR:-/tmp}/locmap50-wine-$(id -u)-$WINEARCH"
    fi
}
export WINEPREFIX=${WINEPREFIX:-$(default_prefix)}

prepare_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Several test processes may start at once; one of them makes the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 </dev/null
        wineserver -w
    fi
    flock -u 9
    exec 9>&-
}

# Debian's wineserver wrapper passes -p0, so the server quits the moment no
# Windows program runs, and a program starting in that instant dies with
# "recvmsg: Connection reset by peer"; a test run starts hundreds. This server
# lingers between programs instead and ends once none has run for a while.
# A nonzero status means a server already runs: that one is used.
keep_server() {
    wineserver -p"${LOCMAP50_WINE_LINGER:-120}" </dev/null >/dev/null 2>&1 || true
    # The first program also starts the server's own programs, which hold its
    # standard error until the server ends: so not a test's, which ctest awaits.
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

[ -f "$WINEPREFIX/system.reg" ] || prepare_prefix
if [ "${1:-}" = "--prepare" ]; then
    keep_server
    echo "Wine prefix: $WINEPREFIX"
    exit 0
fi
exec wine "$@"

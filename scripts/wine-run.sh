#!/usr/bin/env bash
# Runs one Windows program under Wine in a quiet, prepared prefix; the Windows leg's test launcher.
#
# CMake uses this as the cross-compiling emulator, so test discovery, ctest and
# a plain "scripts/wine-run.sh prog.exe" all see the same prefix and settings.
# WINEPREFIX may be set by the caller; otherwise one prefix per user is shared
# by every build directory, because a prefix costs half a gigabyte and seconds to make.
set -euo pipefail

export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=${WINEARCH:-win32}
# No Mono or Gecko installers, no desktop menu entries: nothing may ask questions.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=d}
if [ -z "${WINEPREFIX:-}" ]; then
    cache_root=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}
    export WINEPREFIX="$cache_root/locmap50/wine-$WINEARCH"
fi
# No display is needed or wanted: programs run as console programs.
unset DISPLAY WAYLAND_DISPLAY

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

[ -f "$WINEPREFIX/system.reg" ] || prepare_prefix
exec wine "$@"

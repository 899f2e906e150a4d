#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator of the windows preset's tests. One prefix per
# build tree, made once (under a lock, as CTest runs tests side by side).
set -euo pipefail
wine=/usr/lib/wine/wine64
# The build tree's own prefix: the nearest folder above the program that holds CMakeCache.txt.
tree="$(cd "$(dirname "$1")" && pwd)"
while [ "$tree" != / ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree="$(dirname "$tree")"; done
[ "$tree" = / ] && tree="$(cd "$(dirname "$1")" && pwd)"
prefix="${QUINTOR_WINEPREFIX:-$tree/wineprefix}"
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    (
        flock 9
        [ -f "$prefix/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1; /usr/lib/wine/wineserver -w; }
    ) 9>"$prefix.lock"
fi
# Windows' windows need a display: a private one when there is none.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$@"
fi
exec "$wine" "$@"

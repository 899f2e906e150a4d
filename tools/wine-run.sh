#!/usr/bin/env bash
# Runs a Windows program under Wine and exits with its status: wine-run.sh PROGRAM.exe [ARGS...].
# The cross build's test programs start through it (CMAKE_CROSSCOMPILING_EMULATOR).
#
# All the programs of one test run share one Wine prefix, made on first use: creating one takes
# several seconds. It lives in $QUINTOR_WINEPREFIX if set, else under $XDG_RUNTIME_DIR (fresh
# for each run of tools/test.sh), else under /tmp; a lock keeps parallel tests from making it
# twice, and a marker written last tells a finished prefix from one whose making was cut short.
# Wine keeps its files under HOME, so HOME is a folder of its own beside the prefix.
# Without an X display a private Xvfb is started for the program, as Wine cannot make windows
# without one. The Wine server stays QUINTOR_WINE_LINGER seconds (default 30) after the last
# program, so that the next test's program starts in a fraction of a second.
set -euo pipefail

[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [ARGS...]" >&2; exit 2; }

wine=${QUINTOR_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || { echo "wine-run.sh: no Wine loader at $wine (install wine64 and libwine)" >&2; exit 2; }

root=${QUINTOR_WINEPREFIX:-${XDG_RUNTIME_DIR:-/tmp}/quintor-wine-$(id -u)}
export WINEPREFIX=$root/prefix
export HOME=$root/home
export WINEDEBUG=${QUINTOR_WINEDEBUG:--all}
# No Mono or Gecko download prompt while the prefix is made, and no desktop menu entries
# written into HOME for the shortcuts an installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
# A program linked to MinGW-w64's shared runtime finds its DLLs here; Quintor itself is static.
export WINEPATH="/usr/lib/gcc/x86_64-w64-mingw32/12-posix;/usr/x86_64-w64-mingw32/lib${WINEPATH:+;$WINEPATH}"

# Written to the marker once a prefix is made: a prefix made with other settings is made again.
setup="no debugger"
mkdir -p "$root"
chmod 700 "$root"
(
    flock 9
    if [ "$(cat "$root/ready" 2>/dev/null)" != "$setup" ]; then
        rm -rf "$WINEPREFIX" "$HOME"
        mkdir -p "$HOME"
        "$wine" wineboot -i >"$root/wineboot.log" 2>&1 ||
            { echo "wine-run.sh: wineboot failed, see $root/wineboot.log" >&2; exit 1; }
        # No debugger for a program that crashes: Wine's own waits on a crash dialog nobody
        # sees, and even without the dialog the crashed program's status came back 0 one time
        # in three. With none, the process ends with the exception's code (0xC0000005 gives 5)
        # after Wine's one-line report of the fault.
        "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
            /t REG_SZ /d '' /f >>"$root/wineboot.log" 2>&1 ||
            { echo "wine-run.sh: could not turn the debugger off, see $root/wineboot.log" >&2; exit 1; }
        # wineboot returns before the registry is written out; the server's end flushes it.
        "${wine%/*}/wineserver" -w
        echo "$setup" >"$root/ready"
    fi
) 9>"$root/lock"

# A server that outlives each program by a while: one started afresh also starts Wine's services,
# which costs about two seconds per program. Its output goes nowhere, so that it holds none of the
# caller's pipes open. Fails harmlessly when one is running already.
"${wine%/*}/wineserver" -p"${QUINTOR_WINE_LINGER:-30}" </dev/null >/dev/null 2>&1 || true

xvfb_pid=
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    # -displayfd makes the server pick a free display and write its number once it accepts
    # clients, so parallel tests neither collide nor race the server's start.
    exec 8< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
    xvfb_pid=$!
    trap stop_xvfb EXIT
    read -r -t 30 number <&8 || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
fi

status=0
"$wine" "$@" || status=$?
exit "$status"

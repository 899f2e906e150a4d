#!/usr/bin/env bash
# Builds the tuner and starts it with data/ (the shipped Accords.ini) as the current directory,
# on the machine's own sound cards. Without a display (a fresh server, CI) it shows the tuner at
# work instead, under a private X server with a sound server of its own, saves a screenshot to
# build/screenshot.png, and ends.
#
# With --windows it builds the Windows program instead (the `windows` preset, MinGW-w64) and
# runs it under Wine the same way: on the desktop if there is one, else at work on Xvfb with its
# screenshot saved to build/screenshot-windows.png.
set -euo pipefail
cd "$(dirname "$0")/.."

windows=
case "${1:-}" in
--windows) windows=yes ;;
"") ;;
*) echo "usage: $0 [--windows]" >&2; exit 2 ;;
esac

if [ -n "$windows" ]; then
    tools/install-deps.sh windows
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j2 --target quintor
    program="$PWD/build/windows/src/quintor.exe"
    # One prefix for every run of the demo: making it takes several seconds.
    export QUINTOR_WINEPREFIX="$PWD/build/windows/wine-demo"
    if [ -n "${DISPLAY:-}" ]; then
        cd data
        exec ../tools/wine-run.sh "$program"
    fi
    xvfb-run -a -s "-screen 0 1024x768x24" tools/windows_demo.sh "$program" "$PWD/data" \
        "$PWD/build/screenshot-windows.png"
    echo "The Windows tuner heard an A string in tune under Wine; screenshot: build/screenshot-windows.png"
    exit 0
fi

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target quintor
binary="$PWD/build/default/src/quintor"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    cd data
    exec "$binary"
fi

tools/headless_demo.sh "$binary" "$PWD/data" "$PWD/build/screenshot.png"
echo "The tuner heard an A string in tune; screenshot: build/screenshot.png"

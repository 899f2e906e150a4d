#!/usr/bin/env bash
# Builds the tuner and starts it with data/ (the shipped Accords.ini) as the current directory,
# on the machine's own sound cards. Without a display (a fresh server, CI) it shows the tuner at
# work instead, under a private X server with a sound server of its own, saves a screenshot to
# build/screenshot.png, and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
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

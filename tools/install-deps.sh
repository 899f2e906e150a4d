#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever the build, the tests and the tuner need and is missing.
# Usage: install-deps.sh [linux|windows]...; without a group, all of them (what CI needs).
set -euo pipefail

# The X session, sound server and screenshots that both builds' demos and tests run in.
common=(
    cmake make pkg-config binutils-mingw-w64-x86-64
    pulseaudio pulseaudio-utils sox
    xvfb xauth xdotool imagemagick
    openbox x11-utils
)
linux=(
    g++
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core libxcb1-dev
    libasound2-dev libasound2-plugins alsa-utils
    libgtest-dev libbenchmark-dev libfftw3-dev
    pipewire pipewire-bin wireplumber dbus
    dpkg-dev file lintian desktop-file-utils appstream
)
# The cross compilers (posix threads, for std::thread), Wine to run the programs and tests
# (64-bit only), NSIS for the installer, GoogleTest's sources to build with the cross compiler,
# and unzip and file for the package checks.
windows=(
    g++-mingw-w64-x86-64-posix
    wine64 libwine
    nsis googletest unzip file
)

packages=("${common[@]}")
[ $# -gt 0 ] || set -- linux windows
for group; do
    case $group in
    linux) packages+=("${linux[@]}") ;;
    windows) packages+=("${windows[@]}") ;;
    *) echo "usage: $0 [linux|windows]..." >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

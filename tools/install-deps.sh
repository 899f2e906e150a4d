#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever is missing of the package groups named, then unpacks
# PipeWire's ALSA plugin for the Linux end-to-end tests.
# Usage: tools/install-deps.sh [GROUP...]
#   default  what the build, every test and the tuner need on both platforms (linux windows)
#   linux    the Linux build, its tests and its package
#   windows  the Windows cross build, Wine to run it and its tests, the installer
#   fuzz     the clang fuzzing tool chain
set -euo pipefail

# PipeWire's ALSA plugin lives here, unpacked rather than installed: the package conflicts with
# pulseaudio, which the other tests record from. The tests read it from this path.
pipewire_alsa=/var/cache/quintor/pipewire-alsa

# The X session, sound server and screenshots that both builds' demos and tests run in, and the
# resource compiler both builds use.
common=(
    cmake make pkg-config binutils-mingw-w64-x86-64 clang-format-14
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
fuzz=(clang libclang-rt-14-dev libfuzzer-14-dev)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(default)

packages=("${common[@]}")
with_linux=no
for group in "${groups[@]}"; do
    case $group in
        default)
            packages+=("${linux[@]}" "${windows[@]}")
            with_linux=yes
            ;;
        linux)
            packages+=("${linux[@]}")
            with_linux=yes
            ;;
        windows) packages+=("${windows[@]}") ;;
        fuzz) packages+=("${fuzz[@]}") ;;
        *)
            echo "unknown package group: $group (default, linux, windows, fuzz)" >&2
            exit 2
            ;;
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

if [ $with_linux = yes ] &&
    [ ! -e "$pipewire_alsa/usr/share/alsa/alsa.conf.d/50-pipewire.conf" ]; then
    download=$(mktemp -d)
    chmod 755 "$download" # apt hands the download to its own user
    trap 'rm -rf "$download"' EXIT
    (cd "$download" && apt-get download -qq pipewire-alsa)
    rm -rf "$pipewire_alsa" && mkdir -p "$pipewire_alsa"
    dpkg-deb -x "$download"/pipewire-alsa_*.deb "$pipewire_alsa"
fi

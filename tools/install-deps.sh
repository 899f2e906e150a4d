#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever the build, the tests and the tuner need and is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config binutils-mingw-w64-x86-64
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core libxcb1-dev
    libasound2-dev libasound2-plugins alsa-utils
    libgtest-dev libbenchmark-dev libfftw3-dev
    pulseaudio pulseaudio-utils sox
    pipewire pipewire-bin wireplumber dbus
    xvfb xauth xdotool imagemagick
    openbox x11-utils
    dpkg-dev file lintian desktop-file-utils appstream
)

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

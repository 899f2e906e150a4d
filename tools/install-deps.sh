#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever is missing of the package groups named (default: what
# the build, the tests and the tuner need; fuzz: the clang fuzzing tool chain), then unpacks
# PipeWire's ALSA plugin for the end-to-end tests.
# Usage: tools/install-deps.sh [GROUP...]
set -euo pipefail

# PipeWire's ALSA plugin lives here, unpacked rather than installed: the package conflicts with
# pulseaudio, which the other tests record from. The tests read it from this path.
pipewire_alsa=/var/cache/quintor/pipewire-alsa

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(default)

packages=()
for group in "${groups[@]}"; do
    case $group in
        default)
            packages+=(
                cmake g++ make pkg-config binutils-mingw-w64-x86-64 clang-format-14
                qt6-base-dev qt6-translations-l10n fonts-dejavu-core libxcb1-dev
                libasound2-dev libasound2-plugins alsa-utils
                libgtest-dev libbenchmark-dev libfftw3-dev
                pulseaudio pulseaudio-utils sox
                pipewire pipewire-bin wireplumber dbus
                xvfb xauth xdotool imagemagick
                openbox x11-utils
                dpkg-dev file lintian desktop-file-utils appstream
            )
            ;;
        fuzz) packages+=(clang libclang-rt-14-dev libfuzzer-14-dev) ;;
        *)
            echo "unknown package group: $group (default, fuzz)" >&2
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

if [[ " ${groups[*]} " == *" default "* ]] &&
    [ ! -e "$pipewire_alsa/usr/share/alsa/alsa.conf.d/50-pipewire.conf" ]; then
    download=$(mktemp -d)
    chmod 755 "$download" # apt hands the download to its own user
    trap 'rm -rf "$download"' EXIT
    (cd "$download" && apt-get download -qq pipewire-alsa)
    rm -rf "$pipewire_alsa" && mkdir -p "$pipewire_alsa"
    dpkg-deb -x "$download"/pipewire-alsa_*.deb "$pipewire_alsa"
fi

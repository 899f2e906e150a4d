#!/usr/bin/env bash
# Shows the Windows build of the tuner doing its job under Wine, on a machine without display or
# sound card; run inside an X server (tools/run.sh --windows starts it under xvfb-run). openbox
# decorates and focuses the window as a desktop would, a private PulseAudio server (which Wine's
# sound driver records from) plays a plucked A string in tune, GO is clicked, and once the A
# string's label is framed in green the window is saved as a screenshot. The tuner is then
# closed from its title bar's keyboard shortcut, and must end with status 0.
#
# Usage: windows_demo.sh PROGRAM.exe TUNINGS_FOLDER SCREENSHOT
# QUINTOR_WINEPREFIX names a Wine prefix folder to reuse from one run to the next (making one
# takes several seconds); without it the demo makes a fresh one.
set -euo pipefail
program=$(realpath "$1")
tunings=$2
shot=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-session.sh"

ws_work=$(mktemp -d)
chmod 700 "$ws_work"
export QUINTOR_WINEPREFIX=${QUINTOR_WINEPREFIX:-$ws_work/wine}
wineserver=/usr/lib/wine/wineserver
finish() {
    ws_stop_all
    # The prefix's server and its helper processes belong to this demo.
    WINEPREFIX=$QUINTOR_WINEPREFIX/prefix "$wineserver" -k 2>/dev/null || true
    rm -rf "$ws_work"
}
trap finish EXIT

# Where the tuner draws, in the dialog units of its template (res/Quintor.rc): the dialog's
# size, GO, and the A string's label (the second string in the standard tuning).
dialog=(360 215)
go=(314 14)
a_label=(100 97 25 18)

ws_start_window_manager
ws_start_sound_server

# The prefix is made before the tuner's clock starts.
"$here/wine-run.sh" cmd /c exit 0 >"$ws_work/prefix.log" 2>&1 ||
    { echo "Wine could not start: $(cat "$ws_work/prefix.log")" >&2; exit 1; }

(cd "$tunings" && exec "$here/wine-run.sh" "$program") >"$ws_work/tuner.log" 2>&1 &
tuner_pid=$!
ws_pids+=($tuner_pid)

if ! ws_find_window Quintor "$tuner_pid" 60; then
    echo "The tuner's window did not come up: $(cat "$ws_work/tuner.log")" >&2
    /usr/bin/import -window root "$shot" || true
    exit 1
fi
xdotool windowactivate --sync "$ws_window"
ws_click_dialog_point "$ws_window" "${dialog[@]}" "${go[@]}"
# 110.1 Hz: 1.6 cents sharp, in tune to any ear, and half a bin of the 5.9 s block above 110 Hz.
# The tuner reads whole hertz by truncation, and exactly 110 Hz sits at the top of bin 653's
# reach: the smallest shift in Wine's capture path reads 109 Hz, a yellow frame.
ws_play_plucks 110.1

# A block of sound is about 5.9 s long; the string is framed once the first whole one is
# analysed.
region=$(ws_dialog_region "$ws_window" "${dialog[@]}" "${a_label[@]}" 4)
framed=
for _ in $(seq $((30 * ws_patience))); do
    sleep 1
    /usr/bin/import -window "$ws_window" "$shot"
    if [ "$(ws_green_pixels "$shot" "$region")" -gt 0 ]; then
        framed=yes
        break
    fi
done
if [ -z "$framed" ]; then
    echo "The A string was not shown in tune within 30 s; the last screen is in $shot." >&2
    exit 1
fi
# The picture to keep shows the window as a desktop does, with its title bar.
/usr/bin/import -frame -window "$ws_window" "$shot"

# Closing as a user does: the window manager's Alt+F4 asks the window to close.
xdotool windowactivate --sync "$ws_window" key alt+F4
if ! ws_wait_for 20 eval '! kill -0 "$tuner_pid" 2>/dev/null'; then
    echo "The tuner did not end within 20 s of being closed." >&2
    exit 1
fi
status=0
wait "$tuner_pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "The tuner ended with status $status: $(cat "$ws_work/tuner.log")" >&2
    exit 1
fi

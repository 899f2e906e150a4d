#!/usr/bin/env bash
# Shows the tuner doing its job on a machine without display or sound card. A private X server
# with a window manager decorates and focuses the window as on a desktop, a private PulseAudio
# server plays a plucked A string in tune into the tuner's microphone, GO is pressed, and once a
# block of sound has been analysed (the string's name framed in green) the window is saved as a
# screenshot.
#
# Usage: headless_demo.sh PROGRAM TUNINGS_FOLDER SCREENSHOT
set -euo pipefail
program=$1
tunings=$2
shot=$3
. "$(dirname "$0")/lib/session.sh"

session_begin
session_start_x
session_start_pulseaudio

# A2 at 110 Hz, a pluck every 3.5 s: each 5.9 s block holds a whole one. Half a second of
# silence first, as a real string is not plucked the instant recording starts.
sox -R -n -r 44100 -c 1 -b 16 -e signed-integer -t raw "$session_dir/strings.raw" \
    synth 3 pluck 110 pad 0.5 repeat 5

mkdir -m 700 "$session_dir/qt"
session_start "$session_dir/tuner.log" \
    sh -c 'cd "$1" && XDG_RUNTIME_DIR="$2" exec "$3"' sh "$tunings" "$session_dir/qt" "$program"
if ! session_find_window Quintor "$session_pid"; then
    echo "The tuner's window did not come up: $(cat "$session_dir/tuner.log")" >&2
    /usr/bin/import -window root "$shot" || true
    exit 1
fi

# GO is the default button: Return presses it from any control of the focused window.
xdotool windowactivate --sync "$session_window" key Return
session_start "$session_dir/pacat.log" pacat --device=mono1 --format=s16le --rate=44100 \
    --channels=1 --latency-msec=300 "$session_dir/strings.raw"

# The first block is full about 6 s later; its string is framed soon after.
framed_green() {
    /usr/bin/import -frame -window "$session_window" "$shot"
    local green
    green=$(/usr/bin/convert "$shot" -fill black +opaque '#00FF00' -fill white -opaque '#00FF00' \
        -format '%[fx:mean*w*h]' info:)
    [ "${green%.*}" -gt 0 ]
}
session_wait_for "a string shown in tune (the last screen is in $shot)" framed_green

#!/usr/bin/env bash
# Shows the tuner doing its job on a machine without display or sound card; run inside an X
# server (tools/run.sh starts it under xvfb-run). A window manager decorates and focuses the
# window as on a desktop, a private PulseAudio server plays a plucked A string in tune into the
# tuner's microphone, GO is pressed, and once a block of sound has been analysed (the string's
# name framed in green) the window is saved as a screenshot.
#
# Usage: headless_demo.sh PROGRAM TUNINGS_FOLDER SCREENSHOT
set -euo pipefail
program=$1
tunings=$2
shot=$3

work=$(mktemp -d)
chmod 700 "$work"
pids=()
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop_all EXIT

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# The server's sink is mono at the tuner's rate; its monitor is what the tuner records.
mkdir -m 700 "$work/home" "$work/run"
cat >"$work/server.pa" <<'EOF'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=mono1 rate=44100 channels=1 format=s16le
set-default-sink mono1
set-default-source mono1.monitor
EOF
HOME="$work/home" XDG_RUNTIME_DIR="$work/run" pulseaudio -n -F "$work/server.pa" --daemonize=no \
    --exit-idle-time=-1 --disallow-exit --use-pid-file=no >"$work/pulseaudio.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$work/run/pulse/native" PULSE_SOURCE=mono1.monitor PULSE_SINK=mono1
for _ in $(seq 50); do
    timeout 2 pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
timeout 2 pactl info >/dev/null 2>&1 || { echo "The sound server did not start." >&2; exit 1; }

# A2 at 110 Hz, a pluck every 3.5 s: each 5.9 s block holds a whole one. Half a second of
# silence first, as a real string is not plucked the instant recording starts.
sox -R -n -r 44100 -c 1 -b 16 -e signed-integer -t raw "$work/strings.raw" \
    synth 3 pluck 110 pad 0.5 repeat 5

mkdir -m 700 "$work/qt"
(cd "$tunings" && XDG_RUNTIME_DIR="$work/qt" exec "$program") >"$work/tuner.log" 2>&1 &
pids+=($!)
tuner_pid=${pids[-1]}

# xdotool matches names regardless of case: a message box is called "quintor".
window=""
for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --name '^Quintor$' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = Quintor ] && window=$id
    done
    [ -n "$window" ] && break
    kill -0 "$tuner_pid" 2>/dev/null || break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "The tuner's window did not come up." >&2
    /usr/bin/import -window root "$shot" || true
    exit 1
fi

# GO is the default button: Return presses it from any control of the focused window.
xdotool windowactivate --sync "$window"
xdotool key Return
pacat --device=mono1 --format=s16le --rate=44100 --channels=1 --latency-msec=300 \
    "$work/strings.raw" >"$work/pacat.log" 2>&1 &
pids+=($!)

# The first block is full about 6 s later; its string is framed within a few more.
for _ in $(seq 20); do
    sleep 1
    /usr/bin/import -frame -window "$window" "$shot"
    green=$(/usr/bin/convert "$shot" -fill black +opaque '#00FF00' -fill white -opaque '#00FF00' \
        -format '%[fx:mean*w*h]' info:)
    [ "${green%.*}" -gt 0 ] && exit 0
done
echo "No string was shown in tune within 20 s; the last screen is in $shot." >&2
exit 1

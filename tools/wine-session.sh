# Helpers to run the Windows build of the tuner on a private X display with a window manager and
# a sound server of its own: sourced by tools/windows_demo.sh, the end-to-end test under Wine and
# the Wine start-up benchmark. Every name starts with ws_; nothing runs when the file is sourced.
#
# The caller sets ws_work to a private folder (mode 0700) and calls ws_stop_all on exit; each
# helper that starts a process records its id in ws_pids so that ws_stop_all stops it.

ws_pids=()
ws_patience=${QUINTOR_PATIENCE:-1}

# Stops what the helpers started, the newest first.
ws_stop_all() {
    local i
    for ((i = ${#ws_pids[@]} - 1; i >= 0; i--)); do
        kill "${ws_pids[i]}" 2>/dev/null || true
        wait "${ws_pids[i]}" 2>/dev/null || true
    done
    ws_pids=()
}

# ws_wait_for SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS times the
# patience (QUINTOR_PATIENCE); fails when time runs out.
ws_wait_for() {
    local deadline=$((SECONDS + $1 * ws_patience))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

ws_wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Starts openbox on $DISPLAY and waits until it manages the screen.
ws_start_window_manager() {
    openbox >"$ws_work/openbox.log" 2>&1 &
    ws_pids+=($!)
    ws_wait_for 10 ws_wm_running || { echo "openbox did not start: $(cat "$ws_work/openbox.log")" >&2; return 1; }
}

ws_server_ready() {
    timeout 2 pactl info >/dev/null 2>&1
}

# Starts a private PulseAudio server with one mono 44.1 kHz null sink, mono1, whose monitor is
# the default source: what is played into mono1 is what a recorder hears. Exports the variables
# that point clients (pactl, pacat, Wine's sound driver) at it.
ws_start_sound_server() {
    mkdir -m 700 -p "$ws_work/pulse-home" "$ws_work/pulse-run"
    cat >"$ws_work/server.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=mono1 rate=44100 channels=1 format=s16le
set-default-sink mono1
set-default-source mono1.monitor
PA
    HOME="$ws_work/pulse-home" XDG_RUNTIME_DIR="$ws_work/pulse-run" pulseaudio -n \
        -F "$ws_work/server.pa" --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no >"$ws_work/pulseaudio.log" 2>&1 &
    ws_pids+=($!)
    export PULSE_SERVER="unix:$ws_work/pulse-run/pulse/native" PULSE_SOURCE=mono1.monitor PULSE_SINK=mono1
    ws_wait_for 10 ws_server_ready ||
        { echo "The sound server did not start: $(cat "$ws_work/pulseaudio.log")" >&2; return 1; }
}

# ws_play_plucks FREQUENCY: plays a plucked string into mono1, a pluck every 3.5 s for about
# 20 s, after half a second of silence. Played in real time by pacat, as a guitar would.
ws_play_plucks() {
    sox -R -n -r 44100 -c 1 -b 16 -e signed-integer -t raw "$ws_work/strings.raw" \
        synth 3 pluck "$1" pad 0.5 repeat 5
    pacat --device=mono1 --format=s16le --rate=44100 --channels=1 --latency-msec=300 \
        "$ws_work/strings.raw" >"$ws_work/pacat.log" 2>&1 &
    ws_pids+=($!)
}

# ws_find_window NAME PID SECONDS: sets ws_window to the visible window named exactly NAME
# (xdotool matches names regardless of case and as a pattern), giving up after SECONDS times the
# patience or as soon as process PID has ended.
ws_find_window() {
    local name=$1 pid=$2 id
    local deadline=$((SECONDS + $3 * ws_patience))
    ws_window=
    while [ $SECONDS -lt $deadline ]; do
        for id in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
            [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$name" ] && ws_window=$id
        done
        [ -n "$ws_window" ] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# ws_window_size WINDOW: prints the width and height of the window's client area.
ws_window_size() {
    xwininfo -id "$1" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w, h }'
}

# ws_click_dialog_point WINDOW DIALOG_WIDTH DIALOG_HEIGHT X Y: clicks the point (X, Y), in the
# dialog units of a dialog template DIALOG_WIDTH x DIALOG_HEIGHT units large, of WINDOW's client
# area. Wine draws the controls inside the window: they have no X window to click on.
ws_click_dialog_point() {
    local size
    size=($(ws_window_size "$1"))
    xdotool mousemove --window "$1" $(($4 * size[0] / $2)) $(($5 * size[1] / $3)) click 1
}

# ws_green_pixels IMAGE [GEOMETRY]: prints how many pixels of IMAGE (or of its region GEOMETRY,
# WxH+X+Y) are pure green, the colour of the frame of a string in tune.
ws_green_pixels() {
    local crop=()
    [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
    local count
    count=$(/usr/bin/convert "$1" "${crop[@]}" -fill black +opaque '#00FF00' -fill white \
        -opaque '#00FF00' -format '%[fx:mean*w*h]' info:) || return 1
    printf '%.0f\n' "$count"
}

# ws_dialog_region WINDOW DIALOG_WIDTH DIALOG_HEIGHT X Y W H MARGIN: prints, as an ImageMagick
# geometry in the window's pixels, the dialog-unit rectangle (X, Y, W, H) grown by MARGIN units
# on every side.
ws_dialog_region() {
    local size
    size=($(ws_window_size "$1"))
    local sx=${size[0]} sy=${size[1]}
    local x=$((($4 - $8) * sx / $2)) y=$((($5 - $8) * sy / $3))
    local w=$((($6 + 2 * $8) * sx / $2)) h=$((($7 + 2 * $8) * sy / $3))
    ((x < 0)) && x=0
    ((y < 0)) && y=0
    echo "${w}x${h}+${x}+${y}"
}

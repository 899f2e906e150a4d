# Shell helpers for running a desktop program away from any desktop: a private X server with a
# window manager, a private PulseAudio server, waits within one patience, and a cleanup that ends
# all that was started. Source it, then call session_begin before anything else.
#
# Every wait is bounded by QUINTOR_TEST_PATIENCE seconds (default 120), the tests' own setting.

session_patience=${QUINTOR_TEST_PATIENCE:-120}
session_pids=()

# Makes a private scratch folder, $session_dir, and ends everything started here on exit.
session_begin() {
    session_dir=$(mktemp -d "${TMPDIR:-/tmp}/quintor-session.XXXXXX") || return 1
    trap session_end EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# Ends what was started, last first, and removes the scratch folder.
session_end() {
    local i
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        kill "${session_pids[i]}" 2>/dev/null && wait "${session_pids[i]}" 2>/dev/null || true
    done
    session_pids=()
    rm -rf "$session_dir"
}

# session_start LOG COMMAND...: starts COMMAND in the background, output to LOG, ended on exit;
# its process id in $session_pid.
session_start() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    session_pid=$!
    session_pids+=("$session_pid")
}

# session_wait_for WHAT COMMAND...: runs COMMAND until it succeeds, a few times a second; fails,
# saying what it waited for, once the patience has gone by.
session_wait_for() {
    local what=$1 end=$((SECONDS + session_patience))
    shift
    until "$@"; do
        if ((SECONDS >= end)); then
            echo "waited ${session_patience} s for: $what" >&2
            return 1
        fi
        sleep 0.1
    done
}

# A private Xvfb (1024x768, 24 bits) with openbox as its window manager; DISPLAY is set to it.
session_start_x() {
    local fd_file="$session_dir/display"
    session_start "$session_dir/xvfb.log" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        -noreset 3>"$fd_file"
    session_wait_for "Xvfb to take connections" test -s "$fd_file" || return 1
    export DISPLAY=":$(cat "$fd_file")"
    session_start "$session_dir/openbox.log" openbox
    session_wait_for "openbox to manage the screen" \
        sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'
}

# A private PulseAudio server with one mono 44.1 kHz sink, mono1, whose monitor is the default
# source; its clients (this shell's children) reach it through the exported PULSE_ variables.
session_start_pulseaudio() {
    mkdir -m 700 "$session_dir/pulse-home" "$session_dir/pulse-run"
    cat >"$session_dir/server.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=mono1 rate=44100 channels=1 format=s16le
set-default-sink mono1
set-default-source mono1.monitor
PA
    HOME="$session_dir/pulse-home" XDG_RUNTIME_DIR="$session_dir/pulse-run" \
        session_start "$session_dir/pulseaudio.log" pulseaudio -n -F "$session_dir/server.pa" \
        --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no
    export PULSE_SERVER="unix:$session_dir/pulse-run/pulse/native" PULSE_SOURCE=mono1.monitor \
        PULSE_SINK=mono1
    session_wait_for "the PulseAudio server to answer" \
        sh -c "timeout $session_patience pactl info >/dev/null 2>&1"
}

# session_windows NAME: the ids of the visible windows named exactly NAME (xdotool's own match
# ignores case).
session_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" != "$1" ] || echo "$id"
    done
}

# session_find_window NAME PID: waits for a visible window named NAME while process PID runs;
# its id in $session_window.
session_find_window() {
    session_window=""
    _session_window_up() {
        session_window=$(session_windows "$1" | head -n 1)
        [ -n "$session_window" ] || ! kill -0 "$2" 2>/dev/null
    }
    session_wait_for "a window named $1" _session_window_up "$1" "$2" && [ -n "$session_window" ]
}

# session_wait_active WINDOW: waits until the window manager has given WINDOW the focus, which it
# does once the window is mapped and nothing modal stands over it.
session_wait_active() {
    _session_active() {
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
    }
    session_wait_for "window $1 to be active" _session_active "$1"
}

# session_frame WINDOW: the window manager's frame around WINDOW, as "left top right bottom" in
# screen pixels (right and bottom exclusive).
session_frame() {
    local info extents
    info=$(xwininfo -id "$1")
    extents=($(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,))
    awk -v l="${extents[0]:-0}" -v r="${extents[1]:-0}" -v t="${extents[2]:-0}" \
        -v b="${extents[3]:-0}" -F: '
        /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
        /Width/ { w = $2 } /Height/ { h = $2 }
        END { print x - l, y - t, x + w + r, y + h + b }' <<<"$info"
}

# The windows the window manager manages, one "id name" a line.
session_managed_windows() {
    local id
    for id in $(xprop -root _NET_CLIENT_LIST | sed -n 's/.*# //p' | tr ',' ' '); do
        echo "$((id)) \"$(xdotool getwindowname "$id" 2>/dev/null)\""
    done
}

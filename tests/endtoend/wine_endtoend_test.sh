#!/usr/bin/env bash
# The Windows build of the tuner under Wine, as a user meets it: on a private Xvfb with openbox,
# recording through Wine's sound driver from a private PulseAudio server that plays a plucked
# A string in tune (110 Hz). GO is clicked; the A string's label (LA1, the second string of the
# standard tuning) must be framed in green and no other label; closed with Alt+F4, the tuner
# must end with status 0.
#
# Environment (CTest sets it): PROGRAM, the quintor.exe to run; SOURCE_DIR; WORK_DIR, a folder
# of the build tree for the Wine prefix (made on the first run, kept for the next) and the last
# screenshot. QUINTOR_PATIENCE multiplies every time limit (default 1). Exits 77 (skipped) when
# a tool it needs is not installed.
set -uo pipefail

for tool in /usr/lib/wine/wine64 Xvfb openbox pulseaudio pactl pacat sox xdotool xwininfo xprop \
    /usr/bin/import /usr/bin/convert; do
    command -v "$tool" >/dev/null ||
        { echo "SKIP: $tool is not installed (tools/install-deps.sh windows installs it)"; exit 77; }
done
[ -f "$PROGRAM" ] || { echo "FAIL: no program $PROGRAM" >&2; exit 1; }

. "$SOURCE_DIR/tools/wine-session.sh"
ws_work=$(mktemp -d "${TMPDIR:-/tmp}/quintor-wine-e2e.XXXXXX") || exit 1
chmod 700 "$ws_work"
mkdir -p "$WORK_DIR"
export QUINTOR_WINEPREFIX=$WORK_DIR/wine
shot=$WORK_DIR/wine-endtoend.png

xvfb_pid=
finish() {
    ws_stop_all
    WINEPREFIX=$QUINTOR_WINEPREFIX/prefix /usr/lib/wine/wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    rm -rf "$ws_work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$ws_work/tuner.log" ] && echo "The tuner's output: $(cat "$ws_work/tuner.log")" >&2
    exit 1
}

# A display of its own, whose number the server picks and reports once it takes clients.
exec 8< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>"$ws_work/xvfb.log")
xvfb_pid=$!
read -r -t $((30 * ws_patience)) number <&8 || fail "Xvfb did not start: $(cat "$ws_work/xvfb.log")"
export DISPLAY=":$number"

ws_start_window_manager || fail "no window manager"
ws_start_sound_server || fail "no sound server"
# The prefix is made (or found) before the tuner starts, so its time limits hold the tuner alone.
"$SOURCE_DIR/tools/wine-run.sh" cmd /c exit 0 >"$ws_work/prefix.log" 2>&1 ||
    fail "Wine could not start: $(cat "$ws_work/prefix.log")"

# The tuner in a folder holding the shipped tunings, as the Start menu entry starts it.
mkdir "$ws_work/tunings"
cp "$SOURCE_DIR/data/Accords.ini" "$ws_work/tunings/"
(cd "$ws_work/tunings" && exec "$SOURCE_DIR/tools/wine-run.sh" "$PROGRAM") >"$ws_work/tuner.log" 2>&1 &
tuner_pid=$!

ws_find_window Quintor "$tuner_pid" 60 || fail "the tuner's window did not come up"

# The template's geometry (res/Quintor.rc), in dialog units: its size, GO's centre, the labels.
dialog=(360 215)
labels_x=(50 100 149 200 249 299)
a_string=1
xdotool windowactivate --sync "$ws_window"
ws_click_dialog_point "$ws_window" "${dialog[@]}" 314 14
# 110.1 Hz: 1.6 cents sharp, in tune to any ear, and half a bin of the 5.9 s block above 110 Hz.
# The tuner reads whole hertz by truncation, and exactly 110 Hz sits at the top of bin 653's
# reach: the smallest shift in Wine's capture path reads 109 Hz, a yellow frame.
ws_play_plucks 110.1

# Each label with a margin of 8 units, less than half the gap between two labels.
regions=()
for x in "${labels_x[@]}"; do
    regions+=("$(ws_dialog_region "$ws_window" "${dialog[@]}" "$x" 97 25 18 8)")
done
framed=
deadline=$((SECONDS + 40 * ws_patience))
while [ $SECONDS -lt $deadline ]; do
    kill -0 "$tuner_pid" 2>/dev/null || fail "the tuner ended while capturing"
    /usr/bin/import -window "$ws_window" "$shot" 2>/dev/null || fail "no screenshot of the window"
    # A frame round a label is a few dozen pixels at least; a stray green pixel is not one.
    if [ "$(ws_green_pixels "$shot" "${regions[a_string]}")" -ge 20 ]; then
        framed=yes
        break
    fi
    sleep 0.5
done
[ -n "$framed" ] || fail "LA1 was not framed in green within $((40 * ws_patience)) s; last screen: $shot"
for i in "${!regions[@]}"; do
    [ "$i" -eq "$a_string" ] && continue
    green=$(ws_green_pixels "$shot" "${regions[i]}")
    [ "$green" -eq 0 ] || fail "string $((i + 1))'s label is framed in green too ($green pixels); screen: $shot"
done

# Closed from the window manager, as a user does: WM_CLOSE reaches the dialog mid-capture.
closed_at=$SECONDS
xdotool windowactivate --sync "$ws_window" key alt+F4
if ! ws_wait_for 20 eval '! kill -0 "$tuner_pid" 2>/dev/null'; then
    /usr/bin/import -window root "$shot" 2>/dev/null
    if xwininfo -id "$ws_window" 2>/dev/null | grep -q IsViewable; then
        fail "the tuner's window was still up 20 s after Alt+F4; screen: $shot"
    fi
    fail "the tuner's window closed but its process was still running 20 s after Alt+F4;" \
        "its threads: $(ps -L -o pid=,tid=,stat=,wchan:24=,comm= --ppid "$(pgrep -P "$tuner_pid" | head -n 1)" \
            -p "$(pgrep -P "$tuner_pid" | tr '\n' ',' | sed 's/,$//')" 2>/dev/null)"
fi
status=0
wait "$tuner_pid" || status=$?
[ "$status" -eq 0 ] || fail "the tuner ended with status $status"
echo "LA1 framed in green; the tuner ended with status 0, $((SECONDS - closed_at)) s after Alt+F4"

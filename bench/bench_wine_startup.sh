#!/usr/bin/env bash
# The Windows build under Wine beside the Linux build, on a private Xvfb with openbox and a
# private PulseAudio server: time from launch to the window mapped, and processor use while
# capturing an A string (the interface thread, the whole process, and for Wine its server).
# Prints figures; it is a benchmark, no test: it passes no judgement.
#
# Usage: bench_wine_startup.sh [RUNS [SECONDS]]   (defaults 5 and 20)
# QUINTOR_WINDOWS_PROGRAM and QUINTOR_LINUX_PROGRAM name the programs (defaults
# build/windows/src/quintor.exe and build/default/src/quintor); the Linux one is measured when
# it exists. QUINTOR_WINEPREFIX names the Wine prefix folder (default build/windows/wine-bench).
set -euo pipefail
trap 'echo "bench_wine_startup.sh: line $LINENO failed with status $?" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-5}
seconds=${2:-20}
exe=${QUINTOR_WINDOWS_PROGRAM:-$root/build/windows/src/quintor.exe}
linux=${QUINTOR_LINUX_PROGRAM:-$root/build/default/src/quintor}
[ -f "$exe" ] || { echo "No Windows program at $exe: cmake --build --preset windows" >&2; exit 1; }

. "$root/tools/wine-session.sh"
ws_work=$(mktemp -d)
chmod 700 "$ws_work"
export QUINTOR_WINEPREFIX=${QUINTOR_WINEPREFIX:-$root/build/windows/wine-bench}
wineserver=/usr/lib/wine/wineserver
xvfb_pid=
finish() {
    ws_stop_all
    WINEPREFIX=$QUINTOR_WINEPREFIX/prefix "$wineserver" -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
    rm -rf "$ws_work"
}
trap finish EXIT

exec 8< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 30 number <&8
export DISPLAY=":$number"
ws_start_window_manager
ws_start_sound_server
cp "$root/data/Accords.ini" "$ws_work/"
"$root/tools/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1
tick=$(getconf CLK_TCK)

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# launch KIND: starts the tuner of that kind in the tunings folder; sets app (the launched
# process) and proc (the tuner's own process: under Wine, the child of wine-run.sh).
launch() {
    if [ "$1" = windows ]; then
        (cd "$ws_work" && exec "$root/tools/wine-run.sh" "$exe") >>"$ws_work/tuner.log" 2>&1 &
    else
        (cd "$ws_work" && XDG_RUNTIME_DIR="$ws_work/pulse-run" exec "$linux") >>"$ws_work/tuner.log" 2>&1 &
    fi
    app=$!
    proc=$app
}

# Prints the first window named Quintor once one is mapped (nothing after 60 s). Read whole:
# cutting xdotool's output short would kill it with SIGPIPE.
wait_mapped() {
    local found
    found=$(timeout 60 xdotool search --sync --onlyvisible --name '^Quintor$' 2>/dev/null) || true
    echo "${found%%$'\n'*}"
}

close_tuner() {
    xdotool windowactivate --sync "$1" key alt+F4 2>/dev/null || true
    ws_wait_for 20 eval '! kill -0 "$app" 2>/dev/null' || kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}

# Sum of user and system ticks of one thread (/proc/PID/task/TID/stat; the name in brackets
# may hold spaces, so fields are counted after its closing bracket).
thread_ticks() {
    sed 's/.*) //' "$1" 2>/dev/null | awk '{ print $12 + $13 }'
}

# CPU share over SECONDS of the process's main thread (the interface thread), of the whole
# process, and of the Wine server when there is one, in per cent of one core.
measure_capture() {
    local kind=$1 window=$2
    if [ "$kind" = windows ]; then
        ws_click_dialog_point "$window" 360 215 314 14
    else
        xdotool windowactivate --sync "$window" key Return
    fi
    ws_play_plucks 110
    sleep 2
    local server
    server=$(pgrep -f "^$wineserver" -n 2>/dev/null || pgrep -x wineserver64 -n 2>/dev/null || true)
    [ "$kind" = windows ] || server=
    local main0 all0 srv0=0 main1 all1 srv1=0 t
    local -A before=()
    for t in /proc/$proc/task/*; do before[${t##*/}]=$(thread_ticks "$t/stat"); done
    main0=$(thread_ticks "/proc/$proc/task/$proc/stat")
    all0=$(sed 's/.*) //' "/proc/$proc/stat" | awk '{ print $12 + $13 }')
    [ -n "$server" ] && srv0=$(thread_ticks "/proc/$server/stat")
    sleep "$seconds"
    main1=$(thread_ticks "/proc/$proc/task/$proc/stat")
    all1=$(sed 's/.*) //' "/proc/$proc/stat" | awk '{ print $12 + $13 }')
    [ -n "$server" ] && srv1=$(thread_ticks "/proc/$server/stat")
    printf '  %-8s capture over %s s: interface thread %5.1f %%, process %5.1f %%' "$kind" "$seconds" \
        "$(awk -v d=$((main1 - main0)) -v t="$tick" -v s="$seconds" 'BEGIN { print 100 * d / t / s }')" \
        "$(awk -v d=$((all1 - all0)) -v t="$tick" -v s="$seconds" 'BEGIN { print 100 * d / t / s }')"
    if [ -n "$server" ]; then
        printf ', wineserver %5.1f %%' \
            "$(awk -v d=$((srv1 - srv0)) -v t="$tick" -v s="$seconds" 'BEGIN { print 100 * d / t / s }')"
    fi
    printf '\n'
    # The busiest thread, by its name (Wine names some of its own).
    local busiest="" most=-1 delta
    for t in /proc/$proc/task/*; do
        delta=$(($(thread_ticks "$t/stat") - ${before[${t##*/}]:-0}))
        ((delta > most)) && { most=$delta; busiest="$(cat "$t/comm" 2>/dev/null) (thread ${t##*/})"; }
    done
    printf '  %-8s busiest thread: %s, %s %%\n' "$kind" "$busiest" \
        "$(awk -v d="$most" -v t="$tick" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * d / t / s }')"
}

bench() {
    local kind=$1 i start window times=()
    if [ "$kind" = windows ]; then
        # The first start of a session also starts the Wine server and its services.
        WINEPREFIX=$QUINTOR_WINEPREFIX/prefix "$wineserver" -k 2>/dev/null || true
        WINEPREFIX=$QUINTOR_WINEPREFIX/prefix "$wineserver" -w 2>/dev/null || true
    fi
    for ((i = 1; i <= runs; i++)); do
        start=$(now_ms)
        launch "$kind"
        window=$(wait_mapped)
        [ -n "$window" ] || { echo "  $kind: no window within 60 s" >&2; close_tuner ""; return; }
        times+=($(($(now_ms) - start)))
        if [ "$kind" = windows ]; then
            proc=$(pgrep -P "$app" -n || echo "$app")
        fi
        if ((i == runs)); then
            measure_capture "$kind" "$window"
        fi
        close_tuner "$window"
    done
    local sorted
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    printf '  %-8s launch to window mapped: first %s ms, then median %s ms (runs: %s)\n' "$kind" \
        "${times[0]}" "${sorted[$((${#sorted[@]} / 2))]}" "${times[*]}"
}

echo "Quintor start and capture, $runs runs, on $(nproc) cores:"
bench windows
if [ -x "$linux" ]; then
    bench linux
else
    echo "  linux    not measured: no $linux (cmake --build --preset default)"
fi

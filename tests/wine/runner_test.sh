#!/usr/bin/env bash
# tools/wine-run.sh, through which CTest starts every Windows test program: a program's exit
# status and output must come back as they are, or failing tests would pass, and a program that
# crashes must end with a failing status, every time, instead of hanging on Wine's crash dialog
# or coming back 0. Usage:
# runner_test.sh WINE_RUN CRASHING_PROGRAM. Exits 77 (skipped) without Wine.
set -uo pipefail
runner=${1:?usage: runner_test.sh WINE_RUN CRASHING_PROGRAM}
crasher=${2:?usage: runner_test.sh WINE_RUN CRASHING_PROGRAM}
[ -x /usr/lib/wine/wine64 ] || { echo "SKIP: Wine is not installed (tools/install-deps.sh windows)"; exit 77; }

failures=0
for status in 0 1 3 77; do
    "$runner" cmd /c exit $status >/dev/null 2>&1
    got=$?
    [ "$got" -eq "$status" ] || { echo "FAIL: a program exiting with $status came back as $got" >&2; failures=$((failures + 1)); }
done
out=$("$runner" cmd /c echo bonjour 2>/dev/null | tr -d '\r')
[ "$out" = bonjour ] || { echo "FAIL: the program's output came back as '$out'" >&2; failures=$((failures + 1)); }
# Several times: with Wine's debugger in the way, one crash in three came back as a success.
# timeout only turns a hang into a failure; a crash takes about a second.
for attempt in 1 2 3 4 5 6; do
    timeout 120 "$runner" "$crasher" >/dev/null 2>&1
    got=$?
    if [ "$got" -eq 124 ]; then
        echo "FAIL: a crashing program was still running after 120 s (the crash dialog?)" >&2
        failures=$((failures + 1))
        break
    elif [ "$got" -eq 0 ]; then
        echo "FAIL: a crashing program came back with status 0 (attempt $attempt)" >&2
        failures=$((failures + 1))
        break
    fi
done
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# tools/wine-run.sh, through which CTest starts every Windows test program: a program's exit
# status and output must come back as they are, or failing tests would pass. Exits 77
# (skipped) without Wine.
set -uo pipefail
runner=${1:?usage: runner_test.sh WINE_RUN}
[ -x /usr/lib/wine/wine64 ] || { echo "SKIP: Wine is not installed (tools/install-deps.sh windows)"; exit 77; }

failures=0
for status in 0 1 3 77; do
    "$runner" cmd /c exit $status >/dev/null 2>&1
    got=$?
    [ "$got" -eq "$status" ] || { echo "FAIL: a program exiting with $status came back as $got" >&2; failures=$((failures + 1)); }
done
out=$("$runner" cmd /c echo bonjour 2>/dev/null | tr -d '\r')
[ "$out" = bonjour ] || { echo "FAIL: the program's output came back as '$out'" >&2; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Builds and runs every test: the default and asan builds run them all, the tsan build runs the
# cross-thread ones. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
jobs="$(nproc)"

for preset in default asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs" --timeout 600
done

cmake --preset tsan >/dev/null
# Only the programs of the cross-thread tests. The target list is read whole first: grep -q
# leaving a pipe early would break make's output, and pipefail would then drop the target.
help="$(cmake --build --preset tsan --target help)"
targets=()
for t in test_wave test_analysis test_capture; do
    if grep -q "^\.\.\. $t\$" <<<"$help"; then
        targets+=("$t")
    fi
done
cmake --build --preset tsan -j"$jobs" --target "${targets[@]}"
ctest --preset tsan -j"$jobs" --timeout 600

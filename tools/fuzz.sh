#!/usr/bin/env bash
# Builds the fuzzers (preset fuzz) and runs each for SECONDS over its seeds and dictionary. New
# inputs go to a scratch copy of the seeds, never into the repository. Exits non-zero on any crash,
# leak, timeout or broken invariant; the input that broke it is kept and its path printed.
# Usage: tools/fuzz.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
fi
seconds="$1"
shift

# Every fuzzer, by its name in fuzz/CMakeLists.txt.
targets=(fuzz_profile fuzz_accord fuzz_resources)
if [ $# -gt 0 ]; then
    targets=("$@")
fi

tools/install-deps.sh fuzz

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake --preset fuzz "${launcher[@]}" >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}" >/dev/null

scratch="$(mktemp -d)"
findings="build/fuzz/findings"
mkdir -p "$findings"
trap 'rm -rf "$scratch"' EXIT

# halt on the first report of any sanitizer; libFuzzer counts leaks and timeouts as failures.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:quarantine_size_mb=64"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

failed=()
for t in "${targets[@]}"; do
    corpus="$scratch/corpus/$t"
    mkdir -p "$corpus" "$scratch/tmp/$t"
    if [ -d "fuzz/corpus/$t" ]; then
        cp -r "fuzz/corpus/$t/." "$corpus/"
    fi
    dict=()
    [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
    log="$scratch/$t.log"
    status=0
    TMPDIR="$scratch/tmp/$t" "build/fuzz/fuzz/$t" "${dict[@]}" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$t-" "$corpus" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    if [ "$status" -ne 0 ]; then
        failed+=("$t")
        echo "$t: FAILED after ${runs:-?} executions (exit $status)"
        grep -E "^(==[0-9]+==ERROR|SUMMARY|fuzz_[a-z]+:|artifact_prefix|Test unit written)" "$log" |
            head -20 || tail -20 "$log"
    else
        echo "$t: ${runs:-?} executions in ${seconds} s, corpus $(ls "$corpus" | wc -l) inputs"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed: ${failed[*]} (inputs in $findings)" >&2
    exit 1
fi

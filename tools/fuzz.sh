#!/usr/bin/env bash
# Fuzzes the viewer's own decoders for as long as one asks: the long runs
# before a release. Each target in turn, at a low priority, from the seed
# pictures, the regression corpus and what earlier runs found, which it keeps
# in <build>/fuzz_runs/<target>/corpus (the suite's short runs share it).
#   tools/fuzz.sh [minutes per target] [target...]
#   (default: 10 minutes; tga pcx netpbm orientation)
# Builds first if needed. Stops at the first target that fails: the input
# that did it is in <build>/fuzz_runs/<target>/artifacts (README, "Fuzzing
# the viewer's decoders", says what to do with it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}
minutes=${1:-10}
[[ $minutes =~ ^[0-9]+$ ]] && [ "$minutes" -gt 0 ] || { echo "fuzz.sh: $minutes is not a number of minutes" >&2; exit 2; }
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tga pcx netpbm orientation)
for target in "${targets[@]}"; do
    [ -f "$root/tests/fuzz/${target}_fuzzer.cpp" ] || { echo "fuzz.sh: no fuzz target $target" >&2; exit 2; }
done

VELLORAN_BUILD=$build bash "$root/tools/build_quietly.sh" fuzz.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
pictures=$build/fuzz_pictures
bash "$root/tests/payload_programs/make_test_pictures.sh" "$pictures"
bash "$root/tests/fuzz/make_seeds.sh" "$pictures" "$build/fuzz_seeds"

for target in "${targets[@]}"; do
    echo "== $target: $minutes minutes"
    work=$build/fuzz_runs/$target
    if ! "$root/tests/fuzz/run_fuzzer.sh" "$build/fuzz/fuzz_$target" $((minutes * 60)) "$work" \
        "$build/fuzz_seeds/$target" "$root/tests/fuzz/regressions/$target" >"$log" 2>&1; then
        grep -E "ERROR|SUMMARY|broken promise|Test unit written" "$log" >&2 || tail -n 30 "$log" >&2
        echo "fuzz.sh: $target failed; the input is in $work/artifacts" >&2
        exit 1
    fi
    # The last status line (coverage, corpus) and the run's totals.
    grep -E "^#[0-9]+" "$log" | tail -n 1
    grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$log"
done

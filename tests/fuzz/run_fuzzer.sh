#!/usr/bin/env bash
# Runs one decoder fuzz target for the seconds given, at a low priority, on
# the corpus it keeps in the work folder (new finds are added there) and the
# further corpus folders given (seeds, regressions; those that exist). The
# target brings its own bounds (tests/fuzz/fuzz_support.h). A crash, a
# timeout or an allocation over the bounds ends the run with a failure and
# leaves the input in <work>/artifacts.
set -euo pipefail
fuzzer=${1:?usage: run_fuzzer.sh fuzzer seconds work-folder [corpus-folder...]}
seconds=${2:?seconds}
work=${3:?work folder}
shift 3
corpora=()
for folder in "$@"; do
    [ -d "$folder" ] && corpora+=("$folder")
done
mkdir -p "$work/corpus" "$work/artifacts"
exec nice -n 10 "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    "$work/corpus" "${corpora[@]}"

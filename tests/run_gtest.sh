#!/usr/bin/env bash
# Runs a GoogleTest program under Wine, given as the whole command that starts
# it (the program's own arguments last):
#   run_gtest.sh wine shell_tests.exe
#   run_gtest.sh run_with_display.sh 1024x768 wine install_e2e.exe --gtest_filter=Drives.*
# A run that fails a check fails. A run that ends badly without a failed check,
# or that shows Wine's own abort, runs once more, only the cases that had not
# passed, and says so on a line of its own that tools/test.sh lists at the end
# of the suite. A run that shows Wine's own abort is ended at once
# (watch_for_abort.sh says why).
set -uo pipefail

. "$(dirname "$0")/watch_for_abort.sh"

run() {
    run_watched "$@"
    [ "$aborted" -eq 1 ] && wineserver -k >/dev/null 2>&1
    cat "$output"
}

run "$@"
[ "$status" -eq 0 ] && exit 0
# A check that failed after Wine's own abort failed because of the abort.
if ! grep -qE "$abort_pattern" "$output" && grep -qE '(: Failure$|^\[  FAILED  \] )' "$output"; then
    exit "$status"
fi

# The filter of the first run, narrowed by the cases that passed in it.
filter='*'
for argument in "$@"; do
    case $argument in --gtest_filter=*) filter=${argument#--gtest_filter=} ;; esac
done
positive=${filter%%-*}
negative=
[ "$positive" != "$filter" ] && negative=${filter#*-}
passed=$(sed -n 's/^\[       OK \] \([^ ]*\) (.*$/\1/p' "$output" | paste -sd: -)
negative=$(printf '%s\n' "$negative" "$passed" | sed '/^$/d' | paste -sd: -)
narrowed="${positive:-*}${negative:+-$negative}"

program=$(basename "$(printf '%s\n' "$@" | grep -i '\.exe$' | tail -n 1)")
if abort=$(grep -m 1 -E "$abort_pattern" "$output"); then
    why="after Wine's own abort ($abort)"
else
    why="without a failed check ($(tail -n 1 "$output"))"
fi
note="$program ended with status $status $why; running again: --gtest_filter=$narrowed"
echo "VELLORAN-RERUN: $note"
# CTest keeps only the first kilobyte of a passed test's output: the list
# that tools/test.sh prints is kept apart.
[ -n "${VELLORAN_RERUN_LOG:-}" ] && echo "$note" >>"$VELLORAN_RERUN_LOG"
run "$@" "--gtest_filter=$narrowed"
exit "$status"

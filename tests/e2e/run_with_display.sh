#!/usr/bin/env bash
# Runs a command on a private X server of the size given, so that what the
# end-to-end tests see never depends on the developer's own display:
#   run_with_display.sh 1024x768 wine pages_e2e.exe --gtest_filter=AgreementPage.*
set -uo pipefail
size=${1:?screen size, such as 1024x768}
shift

# A running wine server keeps the display that its first program opened:
# let it end first, so that this run's programs draw on this run's screen.
# It ends within seconds once the last program has; one that a stray process
# keeps alive is ended, as no other run shares this lane's prefix meanwhile.
settle() {
    timeout 30 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
}

settle
# Lanes that run side by side look for a free display number each in a range
# of their own, so that two of them never start a server on the same one.
first_display=$((100 + 10 * ${VELLORAN_LANE:-0}))
# A program that Wine's Linux side aborted is ended at once (watch_for_abort.sh).
. "$(dirname "$0")/../watch_for_abort.sh"
run_watched xvfb-run -a -n "$first_display" -s "-screen 0 ${size}x24 -nolisten tcp" \
    "$(dirname "$0")/run_i386.sh" "$@"
cat "$output"
settle
# A program whose wine server was ended under it (by another run in the same
# prefix, say) can end with status 0 in the middle of a test: a run counts
# only when GoogleTest has reported its end.
if [ "$status" -eq 0 ] && ! grep -q '^\[==========\] .* ran\.' "$output"; then
    echo "the test program ended before GoogleTest reported its end" >&2
    status=1
fi
exit $status

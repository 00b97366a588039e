#!/usr/bin/env bash
# Builds everything and runs every test: native tool tests, unit tests and
# end-to-end tests under Wine in a private X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

bash "$root/tools/build.sh"
cd "$build"
# Every window of the tests opens in a private X server, never on the desktop.
# No test runs twice because it failed: a GoogleTest program that a crash
# outside our checks cut short runs its remaining cases once more
# (tests/run_gtest.sh), and each such run is listed at the end, so that a
# flake is seen and not hidden.
export VELLORAN_RERUN_LOG=$build/Testing/reruns.log
mkdir -p "$build/Testing"
rm -f "$VELLORAN_RERUN_LOG"
status=0
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure --parallel 5 "$@" || status=$?
if [ -s "$VELLORAN_RERUN_LOG" ]; then
    echo "Test programs that ran their remaining cases again after a crash outside our checks:"
    sed 's/^/    /' "$VELLORAN_RERUN_LOG"
else
    echo "No test program needed a second run."
fi
exit $status

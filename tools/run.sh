#!/usr/bin/env bash
# Builds everything, then runs the setup under Wine in the prefix under
# build/: on your display when there is one (DISPLAY set); without one it
# walks through a whole install on a private X server and keeps a screenshot
# of every screen it passes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

echo "Building into $build (log: $build/build.log) ..."
VELLORAN_BUILD=$build bash "$root/tools/build_quietly.sh" run.sh

# A 64-bit prefix, as our users' Windows is. No Mono or Gecko prompts; and no
# menu entries for the shortcuts on your own desktop, which would point into
# this throwaway prefix.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Where the kernel runs no 32-bit code, Wine's loader goes through qemu
# (tests/e2e/run_i386.sh says how); elsewhere it runs as it is.
if qemu=$(command -v qemu-i386); then
    export VELLORAN_QEMU_I386=$qemu
fi
run_i386=$root/tests/e2e/run_i386.sh
"$run_i386" "$root/tests/wine_prefix.sh"

if [ -n "${DISPLAY:-}" ]; then
    "$run_i386" wine "$build/VelloranSetup.exe"
    exit 0
fi

walkthrough=$build/tests/e2e/install_e2e.exe
if [ ! -f "$walkthrough" ]; then
    echo "run.sh: $walkthrough was not built; no display to run the setup on either" >&2
    exit 1
fi
# The private X server has no window manager: Wine draws the title bars.
"$run_i386" "$root/tests/e2e/e2e_prefix.sh"
shots=$build/walkthrough
rm -rf "$shots"
mkdir -p "$shots"
# The test runner's own output goes to a log; what the run did is printed.
log=$shots/walkthrough.log
status=0
VELLORAN_SETUP_EXE=$build/VelloranSetup.exe VELLORAN_SCREENSHOTS=$shots \
    "$root/tests/e2e/run_with_display.sh" 1024x768 wine "$walkthrough" \
    --gtest_filter='Walkthrough.InstallsVelloranPageByPage' >"$log" 2>&1 || status=$?
echo "Ran VelloranSetup.exe under Wine (prefix $WINEPREFIX), pressing through every page."
if [ -f "$shots/summary.txt" ]; then
    tr -d '\r' <"$shots/summary.txt"
    echo "(The walkthrough takes all of it away again at its end: the prefix stays as it was.)"
fi
if [ "$status" -ne 0 ]; then
    echo "The walkthrough FAILED; its output:"
    grep -E 'Failure|Expected|Which is|actual|FAILED' "$log" | head -20
    echo "(all of it in $log)"
fi
echo "Screenshots of every screen: $shots"
exit $status

#!/usr/bin/env bash
# Measures one install on a private X server and prints the figures of the
# copy page's pace: the time from the copy page opening to the last file
# installed against the floor its timer sets (81 ticks of 50 ms = 4.05 s),
# and the longest single tick. It prints; it judges nothing.
#   tools/bench_install.sh [runs]     (default 1; builds first if needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}
runs=${1:-1}

program=$build/tests/e2e/install_e2e.exe
if [ ! -f "$program" ] || [ ! -f "$build/VelloranSetup.exe" ]; then
    bash "$root/tools/build.sh" >/dev/null
fi

# No Mono or Gecko prompts; and no menu entries for the shortcuts on your own
# desktop, which would point into this throwaway prefix.
export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if qemu=$(command -v qemu-i386); then
    export VELLORAN_QEMU_I386=$qemu
fi
"$root/tests/e2e/run_i386.sh" "$root/tests/wine_prefix.sh"
"$root/tests/e2e/run_i386.sh" "$root/tests/e2e/e2e_prefix.sh"

for run in $(seq 1 "$runs"); do
    echo "Run $run of $runs:"
    output=$(VELLORAN_SETUP_EXE=$build/VelloranSetup.exe VELLORAN_SCREENSHOTS=$build/screenshots \
        "$root/tests/e2e/run_with_display.sh" 1024x768 wine "$program" \
        --gtest_filter='InstallPace.*' --gtest_also_run_disabled_tests 2>&1) || true
    if ! grep '^\[ figures  \]' <<<"$output" | sed 's/^\[ figures  \] /  /'; then
        echo "  no figures; the run said:"
        grep -v '^X connection' <<<"$output" | sed 's/^/    /'
    fi
done

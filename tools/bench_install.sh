#!/usr/bin/env bash
# Measures one install on a private X server and prints the figures of the
# copy page's pace: the time from the copy page opening to the last file
# installed and to the shortcut page, against the floor its timer sets
# (81 ticks of 50 ms = 4.05 s), and the longest single tick; then the time
# from starting the setup to its agreement page beside the time a window
# program that does nothing else takes to show its window. It prints; it
# judges nothing.
#   tools/bench_install.sh [runs]     (default 1; builds first if needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}
runs=${1:-1}

program=$build/tools/bench/install_pace.exe
if [ ! -f "$program" ] || [ ! -f "$build/tools/bench/plain_window.exe" ] || [ ! -f "$build/VelloranSetup.exe" ]; then
    bash "$root/tools/build.sh" >/dev/null
fi

# No Mono or Gecko prompts; and no menu entries for the shortcuts on your own
# desktop, which would point into this throwaway prefix.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if qemu=$(command -v qemu-i386); then
    export VELLORAN_QEMU_I386=$qemu
fi
"$root/tests/e2e/run_i386.sh" "$root/tests/wine_prefix.sh"
"$root/tests/e2e/run_i386.sh" "$root/tests/e2e/e2e_prefix.sh"

# In a Wine virtual desktop, as on Windows, a window that is hidden goes at
# once. On the bare private X server, Wine treats a page as a window that a
# window manager looks after, and before taking it off the screen it waits for
# that window manager's word, which never comes: 2 s more for every page that
# closes (the copy page's 2 s before the shortcut page among them), which is
# Wine's and no part of the setup.
for run in $(seq 1 "$runs"); do
    echo "Run $run of $runs:"
    output=$(VELLORAN_SETUP_EXE=$build/VelloranSetup.exe VELLORAN_SCREENSHOTS=$build/screenshots \
        "$root/tests/e2e/run_with_display.sh" 1024x768 \
        wine explorer /desktop=velloran-bench,1024x768 "$program" 2>&1) || true
    if ! grep '^\[ figures  \]' <<<"$output" | sed 's/^\[ figures  \] /  /'; then
        echo "  no figures; the run said:"
        grep -v '^X connection' <<<"$output" | sed 's/^/    /'
    fi
done

#!/usr/bin/env bash
# Runs a command with the prefix set to the display scaling given, as DPI
# (120, 144, 192), and sets the standard 96 DPI again afterwards, also when
# the command fails:
#   at_dpi.sh 144 run_with_display.sh 1024x768 wine install_e2e.exe ...
# Wine reads the value when a program starts, so the prefix's wine server
# is let end first.
set -uo pipefail
dpi=${1:?DPI, such as 144}
shift
here=$(dirname "$0")

set_dpi() {
    timeout 30 wineserver -w >/dev/null 2>&1 || true
    "$here/run_i386.sh" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    local status=$?
    timeout 30 wineserver -w >/dev/null 2>&1 || true
    return $status
}

trap 'set_dpi 96' EXIT
set_dpi "$dpi" || { echo "at_dpi.sh: cannot set $dpi DPI" >&2; exit 1; }
"$@"

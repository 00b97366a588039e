#!/usr/bin/env bash
# tools/build.sh for the scripts that build before they run something: its
# output goes to <build>/build.log, and only a failure shows its end.
# Usage: build_quietly.sh <name of the calling script>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}
mkdir -p "$build"
if ! bash "$root/tools/build.sh" >"$build/build.log" 2>&1; then
    tail -n 40 "$build/build.log" >&2
    echo "$1: the build failed; all of its output is in $build/build.log" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds everything and runs every test: native tool tests, unit tests and
# end-to-end tests under Wine in a private X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

bash "$root/tools/build.sh"
cd "$build"
# Every window of the tests opens in a private X server, never on the desktop.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure --parallel 5 "$@"

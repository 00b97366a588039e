#!/usr/bin/env bash
# Builds everything and runs every test: native tool tests, unit tests and
# end-to-end tests under Wine in a private X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

bash "$root/tools/build.sh"
cd "$build"
# Every window of the tests opens in a private X server, never on the desktop.
# A test that fails runs once more, and fails the suite only when it fails
# again: on machines whose kernel runs no 32-bit code, Wine's 32-bit side runs
# under qemu's emulation, which now and then aborts a test program inside
# Wine's own Linux libraries ("malloc(): invalid size"), away from any code
# of ours. Both runs' output stays in the log.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure --parallel 5 --repeat until-pass:2 "$@"

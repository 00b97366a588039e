#!/usr/bin/env bash
# Configures and builds everything into build/ (VelloranSetup.exe, the payload
# programs, the host tools and the tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

bash "$root/tools/install_deps.sh"
cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

#!/usr/bin/env bash
# Configures and builds everything into build/ (VelloranSetup.exe, the payload
# programs, the host tools and the tests). Arguments go to "cmake --build"
# ("--target setup" builds the setup alone).
#
# Signed when the environment names a certificate (README, "Releasing"):
#   VELLORAN_SIGN_PFX        PKCS#12 file with the code-signing certificate and key
#   VELLORAN_SIGN_PASSWORD   its password
#   VELLORAN_SIGN_TIMESTAMP  optional: an RFC 3161 time-stamping server's URL
# Without VELLORAN_SIGN_PFX the build is unsigned, also in a build folder
# that was signed before.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

pfx=
if [ -n "${VELLORAN_SIGN_PFX:-}" ]; then
    pfx=$(realpath "$VELLORAN_SIGN_PFX")
    [ -r "$pfx" ] || { echo "build.sh: cannot read VELLORAN_SIGN_PFX ($VELLORAN_SIGN_PFX)" >&2; exit 1; }
    [ -n "${VELLORAN_SIGN_PASSWORD+set}" ] || { echo "build.sh: VELLORAN_SIGN_PASSWORD is not set" >&2; exit 1; }
fi

bash "$root/tools/install_deps.sh"
cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DVELLORAN_SIGN_PFX="$pfx" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"

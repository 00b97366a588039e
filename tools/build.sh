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
#
# The password is read once and taken out of the environment before anything
# else runs, so that no build step (compilers, generators, the tools of the
# build) is handed it. tools/sign.sh reads it from file descriptor 9: a file
# that only this user may read, deleted as soon as it is open.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}

pfx=
if [ -n "${VELLORAN_SIGN_PFX:-}" ]; then
    pfx=$(realpath "$VELLORAN_SIGN_PFX")
    [ -r "$pfx" ] || { echo "build.sh: cannot read VELLORAN_SIGN_PFX ($VELLORAN_SIGN_PFX)" >&2; exit 1; }
    [ -n "${VELLORAN_SIGN_PASSWORD+set}" ] || { echo "build.sh: VELLORAN_SIGN_PASSWORD is not set" >&2; exit 1; }
    password_file=$(umask 077 && mktemp "${TMPDIR:-/tmp}/velloran-sign.XXXXXX")
    printf '%s' "$VELLORAN_SIGN_PASSWORD" >"$password_file"
    exec 9<"$password_file"
    rm -f "$password_file"
fi
unset VELLORAN_SIGN_PASSWORD

bash "$root/tools/install_deps.sh"
cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DVELLORAN_SIGN_PFX="$pfx" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"

#!/usr/bin/env bash
# Creates (or brings up to date) the tests' throwaway Wine prefix once, before
# any test starts Wine. The wine server it starts stays up a while, which
# spares the test programs a cold start. The prefix is a 64-bit one (WoW64),
# as our users' Windows is, unless WINEARCH names another; a prefix of the
# other kind, left by an earlier build, is made anew.
#   wine_prefix.sh                 makes the prefix where none is
#   wine_prefix.sh --from FOLDER   starts a prefix that is not there yet as a
#                                  copy of FOLDER: making one takes most of a
#                                  minute under qemu, copying one a second
#   wine_prefix.sh --template      makes a prefix to be copied, and waits
#                                  until the wine server has written it
set -euo pipefail
: "${WINEPREFIX:?}"
mode=${1:-}
export WINEDEBUG=-all WINEARCH=${WINEARCH:-win64} WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
    echo "wine_prefix.sh: $WINEPREFIX is not a $WINEARCH prefix; making it anew" >&2
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
if [ "$mode" = --from ] && [ ! -d "$WINEPREFIX/drive_c" ]; then
    mkdir -p "$WINEPREFIX"
    cp -a "${2:?wine_prefix.sh: --from needs a folder}/." "$WINEPREFIX/"
fi
wine wineboot --init >/dev/null 2>&1 || true
test -d "$WINEPREFIX/drive_c/windows"
# The wine server writes system.reg only a while later, so a prefix just
# made is known for a WoW64 one by its 32-bit system folder.
[ "$WINEARCH" != win64 ] || test -d "$WINEPREFIX/drive_c/windows/syswow64"
[ "$mode" != --template ] || wineserver -w

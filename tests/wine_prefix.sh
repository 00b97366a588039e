#!/usr/bin/env bash
# Creates (or brings up to date) the tests' throwaway Wine prefix once, before
# any test starts Wine. The prefix is a 64-bit one (WoW64),
# as our users' Windows is, unless WINEARCH names another; a prefix of the
# other kind, left by an earlier build, is made anew.
#   wine_prefix.sh                 makes the prefix where none is
#   wine_prefix.sh --from FOLDER   starts a prefix that is not there yet as a
#                                  copy of FOLDER, ready as it is: making
#                                  one takes most of a minute under qemu,
#                                  copying one a second
#   wine_prefix.sh --template      makes a prefix to be copied, with what
#                                  the end-to-end scenarios need set in it
#                                  (e2e/e2e_prefix.sh), and waits until the
#                                  wine server has written it
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
    # A copy of an up-to-date prefix is up to date: no wine server need
    # start for it.
    exit 0
fi
wine wineboot --init >/dev/null 2>&1 || true
test -d "$WINEPREFIX/drive_c/windows"
# The wine server writes system.reg only a while later, so a prefix just
# made is known for a WoW64 one by its 32-bit system folder.
[ "$WINEARCH" != win64 ] || test -d "$WINEPREFIX/drive_c/windows/syswow64"
here=$(dirname "$0")
if [ "$mode" = --template ]; then
    "$here/e2e/run_i386.sh" "$here/e2e/e2e_prefix.sh"   # ends when the server has written the prefix
elif grep -s '^"LogPixels"=dword:' "$WINEPREFIX/user.reg" | grep -qv '=dword:00000060$'; then
    # A run at another display scaling (e2e/at_dpi.sh) that was killed before
    # it could set 96 DPI again, in a prefix that an earlier build left.
    "$here/e2e/run_i386.sh" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
fi

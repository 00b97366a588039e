#!/usr/bin/env bash
# Creates (or brings up to date) the tests' throwaway Wine prefix once, before
# any test starts Wine. The wine server it starts stays up a while, which
# spares the test programs a cold start.
set -euo pipefail
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot --init >/dev/null 2>&1 || true
test -d "$WINEPREFIX/drive_c/windows"

#!/usr/bin/env bash
# Makes the tests' Wine prefix draw title bars itself: the private X servers
# of the end-to-end tests have no window manager to draw them, and the
# screenshots should show each page with its caption.
set -euo pipefail
: "${WINEPREFIX:?}"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
# Nor is there one to answer for the windows Wine would hand it: unmanaged,
# a closing page leaves the screen at once instead of after Wine's wait of
# two seconds for a window manager.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
# Wine's menu builder would copy every shortcut the tests make into the menus
# of the account that runs them (~/.local/share/applications).
wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f >/dev/null
# The standard 96 DPI (100 %), also after a run at another scale
# (at_dpi.sh) that was stopped before it could set it back.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
wineserver -w

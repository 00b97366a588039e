// The modal pages of the setup. Each runs its dialog owned by the main window
// and, when done, schedules the next step itself.
#pragma once
#include <windows.h>

int ShowAgreementPage(HWND owner);
int ShowDirectoryPage(HWND owner);
int ShowShortcutPage(HWND owner);

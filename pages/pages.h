// The modal pages of the setup. Each runs its dialog owned by the main window
// and, when done, schedules the next step itself.
#pragma once
#include <windows.h>

int ShowAgreementPage(HWND owner);
int ShowDirectoryPage(HWND owner);
int ShowShortcutPage(HWND owner);

// What the shortcut page offers before anything is chosen: the Programs
// folder of the Start Menu, and in it the install folder's name.
void ComposeDefaultShortcutFolder();
// What "Finish" records: the image types when asked for, the application's
// entries, the shortcut folder and the shortcuts in it.
void RecordInstallation(bool registerTypes);

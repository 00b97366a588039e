// Resource ids of the viewer, grouped by kind.
#pragma once

// Icons: the application icon has the lowest id, so that "Velloran.exe,0"
// names it.
#define IDI_VELLORAN        1

// Menus and accelerators
#define IDR_VIEWER_MENU     100
#define IDR_VIEWER_KEYS     100

// Menu commands
#define IDM_FILE_OPEN       1001
#define IDM_FILE_EXIT       1002

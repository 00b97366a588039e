// The viewer's one window: the picture scaled to fit, a File menu.
#pragma once
#include <windows.h>

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Loads the file and shows it; on failure tells the user why in a message
// box and keeps whatever was on show. True when the picture is shown.
bool OpenPicture(HWND window, const char *path);

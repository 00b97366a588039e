// The copy page: unpacks one payload file per tick of the step timer into the
// install directory, with a progress line and bar, until all are installed.
#pragma once
#include <windows.h>

int  ShowCopyPage(HWND owner);
void RunCopyTick();

// The same copy without the page, all files at once, for a silent run. False
// after a failure, which gives back what the copy replaced, as the page does.
bool CopyWithoutPage();

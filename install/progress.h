// The copy page's progress bar: a blue bar over control 214 with the
// percentage in white, drawn straight into the control's device context.
#pragma once
#include <windows.h>

// From the first tick to ReleaseProgress the bar is held by this file.
void StartProgress(HWND bar);
void AdvanceProgress();
void ReleaseProgress();

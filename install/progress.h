// The copy page's progress bar: a blue bar over control 214 with the
// percentage in white, drawn straight into the control's device context.
#pragma once
#include <windows.h>

extern HWND g_progressBar;

void StartProgress(int divisor);
void AdvanceProgress();
void ReleaseProgress();

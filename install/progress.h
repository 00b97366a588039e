// The copy page's progress bar: a bar over control 214 with the percentage
// on it, drawn straight into the control's device context. The percentage is
// also the control's window text, which screen readers read as its name.
#pragma once
#include <windows.h>

// The colours of the bar. Under high contrast they are the system's own, so
// that the bar follows the contrast theme the user chose.
struct BarColours {
    COLORREF filled;
    COLORREF rest;
    COLORREF numberOnFilled;
    COLORREF numberOnRest;
};

BarColours ChooseBarColours(bool highContrast);
bool IsHighContrastOn();

// From the first tick to ReleaseProgress the bar is held by this file.
// StartProgress asks the system whether high contrast is on.
void StartProgress(HWND bar);
void StartProgressInContrast(HWND bar, bool highContrast);
void AdvanceProgress();
void ReleaseProgress();

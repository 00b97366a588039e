#include "install/progress.h"

#include "install/progress_math.h"

#include <string.h>

// Rows at the standard 96 DPI; the control grows with the DPI, and so do they.
enum { BAR_TOP = 2, BAR_BOTTOM = 18, NUMBER_TOP = 1, NUMBER_TEXT_SIZE = 12, STANDARD_DPI = 96 };

static HWND         s_bar;
static int          s_barTop, s_barBottom, s_numberTop;
static HDC          s_barDc;
static HBRUSH       s_barBrush;
static HGDIOBJ      s_previousBrush;
static ProgressMath s_progress;

void StartProgress(HWND bar)
{
    s_bar = bar;
    RECT client;
    GetClientRect(s_bar, &client);
    StartProgressMath(&s_progress, client.right, PROGRESS_DIVISOR);
    // The device context is held for the whole copy rather than fetched per tick.
    s_barDc = GetDC(s_bar);
    int dpi = GetDeviceCaps(s_barDc, LOGPIXELSY);
    s_barTop    = MulDiv(BAR_TOP, dpi, STANDARD_DPI);
    s_barBottom = MulDiv(BAR_BOTTOM, dpi, STANDARD_DPI);
    s_numberTop = MulDiv(NUMBER_TOP, dpi, STANDARD_DPI);
    s_barBrush = CreateSolidBrush(RGB(0, 0, 255));
    s_previousBrush = SelectObject(s_barDc, s_barBrush);
}

// Repaints the whole bar: blue up to the right edge, black after it, and the
// number centred over both, which also wipes out the previous number.
void AdvanceProgress()
{
    int number = AdvanceProgressMath(&s_progress);
    RECT bar = { 0, s_barTop, s_progress.right, s_barBottom };
    FillRect(s_barDc, &bar, s_barBrush);
    if (number < 0)
        return;

    RECT rest = { s_progress.right, s_barTop, s_progress.fullWidth, s_barBottom };
    FillRect(s_barDc, &rest, (HBRUSH)GetStockObject(BLACK_BRUSH));
    SetBkMode(s_barDc, TRANSPARENT);
    SetTextColor(s_barDc, RGB(255, 255, 255));
    char text[NUMBER_TEXT_SIZE];
    wsprintfA(text, "%d", number);
    SIZE extent;
    GetTextExtentPoint32A(s_barDc, text, (int)strlen(text), &extent);
    TextOutA(s_barDc, s_progress.fullWidth / 2 - extent.cx / 2, s_numberTop, text, (int)strlen(text));
}

void ReleaseProgress()
{
    if (s_previousBrush)
        SelectObject(s_barDc, s_previousBrush);
    ReleaseDC(s_bar, s_barDc);
    if (s_barBrush)
        DeleteObject(s_barBrush);
    s_barDc = NULL;
    s_barBrush = NULL;
    s_previousBrush = NULL;
}

#include "install/progress.h"

#include "install/progress_math.h"

#include <string.h>

// Rows at the standard 96 DPI; the control grows with the DPI, and so do they.
enum { BAR_TOP = 2, BAR_BOTTOM = 18, NUMBER_TOP = 1, NUMBER_TEXT_SIZE = 12, STANDARD_DPI = 96 };

static HWND         s_bar;
static int          s_barTop, s_barBottom, s_numberTop, s_fullHeight;
static HDC          s_barDc;
static HBRUSH       s_barBrush;
static HBRUSH       s_restBrush;
static HGDIOBJ      s_previousBrush;
static BarColours   s_colours;
static ProgressMath s_progress;

BarColours ChooseBarColours(bool highContrast)
{
    if (!highContrast)
        return { RGB(0, 0, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255) };
    return { GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHTTEXT),
             GetSysColor(COLOR_WINDOWTEXT) };
}

bool IsHighContrastOn()
{
    HIGHCONTRASTA contrast = {};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

void StartProgress(HWND bar)
{
    StartProgressInContrast(bar, IsHighContrastOn());
}

void StartProgressInContrast(HWND bar, bool highContrast)
{
    s_bar = bar;
    RECT client;
    GetClientRect(s_bar, &client);
    StartProgressMath(&s_progress, client.right, PROGRESS_DIVISOR);
    s_fullHeight = client.bottom;
    // The device context is held for the whole copy rather than fetched per tick.
    s_barDc = GetDC(s_bar);
    int dpi = GetDeviceCaps(s_barDc, LOGPIXELSY);
    s_barTop    = MulDiv(BAR_TOP, dpi, STANDARD_DPI);
    s_barBottom = MulDiv(BAR_BOTTOM, dpi, STANDARD_DPI);
    s_numberTop = MulDiv(NUMBER_TOP, dpi, STANDARD_DPI);
    s_colours = ChooseBarColours(highContrast);
    s_barBrush = CreateSolidBrush(s_colours.filled);
    s_restBrush = CreateSolidBrush(s_colours.rest);
    s_previousBrush = SelectObject(s_barDc, s_barBrush);
}

// The percentage becomes the bar's text, and a screen reader is told that
// its name changed. The text is set through DefWindowProc: the static's own
// WM_SETTEXT may repaint it over the bar drawn here.
static void NameProgress(int number)
{
    char text[NUMBER_TEXT_SIZE];
    wsprintfA(text, "%d%%", number);
    DefWindowProcA(s_bar, WM_SETTEXT, 0, (LPARAM)text);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, s_bar, OBJID_WINDOW, CHILDID_SELF);
}

// Repaints the whole bar: filled up to the right edge, the rest after it,
// and the number centred over both, which also wipes out the previous
// number. Each part of the number is drawn in the colour of what it stands on.
void AdvanceProgress()
{
    int number = AdvanceProgressMath(&s_progress);
    RECT bar = { 0, s_barTop, s_progress.right, s_barBottom };
    FillRect(s_barDc, &bar, s_barBrush);
    if (number < 0)
        return;

    RECT rest = { s_progress.right, s_barTop, s_progress.fullWidth, s_barBottom };
    FillRect(s_barDc, &rest, s_restBrush);
    SetBkMode(s_barDc, TRANSPARENT);
    char text[NUMBER_TEXT_SIZE];
    wsprintfA(text, "%d", number);
    int length = (int)strlen(text);
    SIZE extent;
    GetTextExtentPoint32A(s_barDc, text, length, &extent);
    int x = s_progress.fullWidth / 2 - extent.cx / 2;
    RECT filledPart = { 0, 0, s_progress.right, s_fullHeight };
    RECT restPart = { s_progress.right, 0, s_progress.fullWidth, s_fullHeight };
    SetTextColor(s_barDc, s_colours.numberOnFilled);
    ExtTextOutA(s_barDc, x, s_numberTop, ETO_CLIPPED, &filledPart, text, length, NULL);
    SetTextColor(s_barDc, s_colours.numberOnRest);
    ExtTextOutA(s_barDc, x, s_numberTop, ETO_CLIPPED, &restPart, text, length, NULL);
    NameProgress(number);
}

void ReleaseProgress()
{
    if (s_previousBrush)
        SelectObject(s_barDc, s_previousBrush);
    ReleaseDC(s_bar, s_barDc);
    if (s_barBrush)
        DeleteObject(s_barBrush);
    if (s_restBrush)
        DeleteObject(s_restBrush);
    s_barDc = NULL;
    s_barBrush = NULL;
    s_restBrush = NULL;
    s_previousBrush = NULL;
}

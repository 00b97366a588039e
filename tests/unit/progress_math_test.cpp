// The progress bar's fixed-point growth, alone, and the bar drawn with it.
#include "install/progress.h"
#include "install/progress_math.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Right edge after each advance, index 0 after the first.
std::vector<int> RightEdges(int fullWidth)
{
    ProgressMath progress;
    StartProgressMath(&progress, fullWidth, 79);
    std::vector<int> edges;
    for (int advance = 1; advance <= PROGRESS_TOTAL; ++advance) {
        AdvanceProgressMath(&progress);
        edges.push_back(progress.right);
    }
    return edges;
}

// A bar of 310 pixels: 310 / 79 = 3.9240 pixels an advance; the right edge
// (-1: not looked at) and the number shown after the advance given.
TEST(ProgressMathTest, ABarOf310GrowsByItsStepAndCountsToOneHundred)
{
    ProgressMath progress;
    StartProgressMath(&progress, 310, 79);
    EXPECT_EQ(std::vector<int>(progress.stepDigits, progress.stepDigits + PROGRESS_DIGITS),
              std::vector<int>({ 3, 9, 2, 4, 0 }));
    const struct { int advance, right, number; } after[] = {
        { 1, 0, 1 }, { 2, 4, 2 }, { 3, 8, 3 }, { 4, -1, 5 }, { 5, -1, 6 }, { 13, 48, 16 }, { 14, 51, 17 },
        { 79, 306, 98 }, { 80, 310, 100 },
    };
    int advance = 0;
    for (const auto &row : after) {
        int number = 0;
        for (; advance < row.advance; ++advance)
            number = AdvanceProgressMath(&progress);
        if (row.right >= 0) {
            EXPECT_EQ(progress.right, row.right) << "advance " << advance;
        }
        EXPECT_EQ(number, row.number) << "advance " << advance;
    }
    EXPECT_EQ(AdvanceProgressMath(&progress), -1) << "an 81st advance shows no number";
}

// A bar narrower than the advances: its last pixel comes with the last one.
TEST(ProgressMathTest, NarrowBarGrowsItsLastPixelWithTheLastAdvance)
{
    std::vector<int> edges = RightEdges(78);
    EXPECT_EQ(std::vector<int>(edges.end() - 3, edges.end()), std::vector<int>({ 77, 77, 78 }));
}

// The first advance draws nothing (its pixels come with the next); never
// back, never more than a whole step and a pixel at once, and exactly at the
// width at the end; a bar of no width draws no blue at all.
TEST(ProgressMathTest, EveryWidthGrowsByItsStepAndEndsExactlyAtItsFullWidth)
{
    for (int width = 0; width <= 2000; ++width) {
        std::vector<int> edges = RightEdges(width);
        ASSERT_EQ(edges.back(), width) << "width " << width;
        ASSERT_EQ(edges[0], 0) << "width " << width;
        for (size_t i = 1; i < edges.size(); ++i) {
            ASSERT_GE(edges[i], edges[i - 1]) << "width " << width << ", advance " << i + 1;
            ASSERT_LE(edges[i] - edges[i - 1], width / PROGRESS_DIVISOR + 1)
                << "width " << width << ", advance " << i + 1;
        }
    }
}

} // namespace

// The pixels of columns [left, right) of the bar's rows in the colour given.
static int CountPixels(HDC dc, int left, int right, COLORREF colour)
{
    int count = 0;
    for (int x = left; x < right; ++x)
        for (int y = 2; y < 18; ++y)
            count += GetPixel(dc, x, y) == colour;
    return count;
}

static int s_nameChanges;
static void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) { ++s_nameChanges; }

// Half way, the bar is named "50%", each change announced, and the number
// shows on both parts in the colour chosen for each: under high contrast
// the system's, which the test compares with the choice in both states.
TEST(ProgressBar, NamesItsPercentageAndDrawsInTheColoursOfTheContrast)
{
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, GetModuleHandleA(NULL),
                                         OnNameChange, GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
    EXPECT_EQ(ChooseBarColours(true).filled, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(ChooseBarColours(true).numberOnRest, GetSysColor(COLOR_WINDOWTEXT));
    for (bool highContrast : { false, true }) {
        HWND bar = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 0, 0, 200, 20, NULL, NULL, NULL, NULL);
        StartProgressInContrast(bar, highContrast);
        s_nameChanges = 0;
        for (int i = 0; i < PROGRESS_TOTAL / 2; ++i)
            AdvanceProgress();
        char text[16] = "";
        GetWindowTextA(bar, text, sizeof(text));
        EXPECT_STREQ(text, "50%");
        EXPECT_EQ(s_nameChanges, PROGRESS_TOTAL / 2);
        BarColours colours = ChooseBarColours(highContrast);
        HDC dc = GetDC(bar);
        int edge = 0;
        while (edge < 200 && GetPixel(dc, edge, 17) == colours.filled)
            ++edge;
        EXPECT_GT(CountPixels(dc, 0, edge, colours.numberOnFilled), 0) << highContrast;
        EXPECT_GT(CountPixels(dc, edge, 200, colours.numberOnRest), 0) << highContrast;
        ReleaseDC(bar, dc);
        ReleaseProgress();
        DestroyWindow(bar);
    }
    UnhookWinEvent(hook);
}

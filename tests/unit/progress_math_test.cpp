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

TEST(ProgressMathTest, StepWidthDigitsOf310)
{
    ProgressMath progress;
    StartProgressMath(&progress, 310, 79);
    const int expected[PROGRESS_DIGITS] = { 3, 9, 2, 4, 0 };
    for (int k = 0; k < PROGRESS_DIGITS; ++k)
        EXPECT_EQ(progress.stepDigits[k], expected[k]) << "digit " << k;
}

TEST(ProgressMathTest, RightEdgesOf310)
{
    std::vector<int> edges = RightEdges(310);
    EXPECT_EQ(edges[0], 0);
    EXPECT_EQ(edges[1], 4);
    EXPECT_EQ(edges[2], 8);
    EXPECT_EQ(edges[12], 48);
    EXPECT_EQ(edges[13], 51);
    EXPECT_EQ(edges[78], 306);
    EXPECT_EQ(edges[79], 310);
}

TEST(ProgressMathTest, NarrowBarGrowsAPixelAtATime)
{
    std::vector<int> edges = RightEdges(78);
    EXPECT_EQ(edges[77], 77);
    EXPECT_EQ(edges[78], 77);
    EXPECT_EQ(edges[79], 78);
    for (size_t i = 1; i < edges.size(); ++i)
        EXPECT_LE(edges[i] - edges[i - 1], 1) << "advance " << i + 1;
}

TEST(ProgressMathTest, ZeroWidthDrawsNoBlue)
{
    for (int edge : RightEdges(0))
        EXPECT_EQ(edge, 0);
}

TEST(ProgressMathTest, EveryWidthEndsExactlyAtItsFullWidth)
{
    for (int width = 0; width <= 2000; ++width) {
        std::vector<int> edges = RightEdges(width);
        ASSERT_EQ(edges.back(), width) << "width " << width;
        for (size_t i = 1; i < edges.size(); ++i)
            ASSERT_GE(edges[i], edges[i - 1]) << "width " << width;
        ASSERT_LE(edges[78], width) << "width " << width;
    }
}

TEST(ProgressMathTest, NumbersCountToOneHundred)
{
    ProgressMath progress;
    StartProgressMath(&progress, 310, 79);
    std::vector<int> numbers;
    for (int advance = 1; advance <= PROGRESS_TOTAL; ++advance)
        numbers.push_back(AdvanceProgressMath(&progress));
    EXPECT_EQ(numbers[0], 1);
    EXPECT_EQ(numbers[1], 2);
    EXPECT_EQ(numbers[2], 3);
    EXPECT_EQ(numbers[3], 5);
    EXPECT_EQ(numbers[4], 6);
    EXPECT_EQ(numbers[79], 100);
    EXPECT_EQ(AdvanceProgressMath(&progress), -1) << "an 81st advance shows no number";
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

// The progress bar's fixed-point growth, alone.
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

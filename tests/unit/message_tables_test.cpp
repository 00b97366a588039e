// Routing through message and command tables, on real windows.
#include "common/message_tables.h"

#include <gtest/gtest.h>

namespace {

struct Call {
    int    row;
    HWND   window;
    UINT   message;
    WORD   controlId;
    WORD   notifyCode;
    WPARAM wParam;
    LPARAM lParam;
};
Call g_last;

// Row 1 answers 11, row 2 answers 22.
template <int ROW>
LRESULT MessageRow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_last = { ROW, window, message, 0, 0, wParam, lParam };
    return 11 * ROW;
}

LRESULT CommandRow(HWND window, WORD controlId, WORD notifyCode, LPARAM lParam)
{
    g_last = { 3, window, 0, controlId, notifyCode, 0, lParam };
    return 33;
}

const MessageEntry kTwoRowsForOneMessage[] = {
    { WM_USER + 1, MessageRow<1> },
    { WM_USER + 1, MessageRow<2> },
    { WM_USER + 2, MessageRow<2> },
};
const MessageTable kDialogTable = { ARRAYSIZE(kTwoRowsForOneMessage), kTwoRowsForOneMessage, DEFAULT_NONE };
const MessageTable kWindowTable = { ARRAYSIZE(kTwoRowsForOneMessage), kTwoRowsForOneMessage, DEFAULT_WINDOWPROC };

const CommandEntry kCommands[] = {
    { 7, CommandRow },
};
const CommandTable kDialogCommands = { ARRAYSIZE(kCommands), kCommands, DEFAULT_NONE };

class MessageTablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_last = {};
        window = CreateWindowExA(0, "STATIC", "before", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
        ASSERT_NE(window, (HWND)NULL);
    }
    void TearDown() override { DestroyWindow(window); }
    HWND window;
};

// The first matching row wins, later rows are reached for other messages,
// messages are compared on all 32 bits, and an unmatched message of a dialog
// table gives 0 (row 0: no row was called).
TEST_F(MessageTablesTest, TheFirstRowOfTheMessageAnswers)
{
    const struct { UINT message; LRESULT result; int row; } cases[] = {
        { WM_USER + 1, 11, 1 }, { WM_USER + 2, 22, 2 }, { 0x10000 + WM_USER + 1, 0, 0 },
        { WM_SETFONT, 0, 0 }, { WM_CTLCOLOREDIT, 0, 0 },
    };
    for (const auto &c : cases) {
        g_last = {};
        EXPECT_EQ(RouteMessage(&kDialogTable, window, c.message, 5, 6), c.result) << c.message;
        EXPECT_EQ(g_last.row, c.row) << c.message;
        if (c.row) {
            EXPECT_EQ(g_last.window, window);
            EXPECT_EQ(g_last.message, c.message);
            EXPECT_EQ(g_last.wParam, 5u);
            EXPECT_EQ(g_last.lParam, 6);
        }
    }
}

// Only the default window procedure stores and returns the window text, and
// only a window table passes an unmatched message on to it.
TEST_F(MessageTablesTest, OnlyAWindowTablePassesUnmatchedMessagesToDefWindowProc)
{
    char text[16] = {};
    EXPECT_EQ(RouteMessage(&kDialogTable, window, WM_SETTEXT, 0, (LPARAM)"routed"), 0);
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(text, "before");
    EXPECT_TRUE(RouteMessage(&kWindowTable, window, WM_SETTEXT, 0, (LPARAM)"routed"));
    EXPECT_EQ(RouteMessage(&kWindowTable, window, WM_GETTEXT, sizeof(text), (LPARAM)text), 6);
    EXPECT_STREQ(text, "routed");
}

// The id is the low word alone: the high word is the notification code.
TEST_F(MessageTablesTest, CommandRowGetsControlIdNotificationAndLParam)
{
    HWND control = (HWND)(INT_PTR)0x4242;
    for (WORD code : { (WORD)EN_UPDATE, (WORD)0xFFFF }) {
        EXPECT_EQ(RouteCommand(&kDialogCommands, window, MAKEWPARAM(7, code), (LPARAM)control), 33);
        EXPECT_EQ(g_last.row, 3);
        EXPECT_EQ(g_last.controlId, 7);
        EXPECT_EQ(g_last.notifyCode, code);
        EXPECT_EQ(g_last.lParam, (LPARAM)control);
    }
    g_last = {};
    EXPECT_EQ(RouteCommand(&kDialogCommands, window, MAKEWPARAM(8, 7), 0), 0);
    EXPECT_EQ(g_last.row, 0);
}

} // namespace

// The pages at the screen's display scaling, read off the screen: every text
// fits its control, the page picture fills its frame, the folder lists'
// icons have grown, the path previews show their end and the progress
// number sits in the middle of the bar. CTest runs
// these in a prefix set to 144 DPI (150 %), where Wine shows what a DPI-aware
// program shows on Windows.
#include "install_steps.h"

namespace {

enum {
    // Pictures of the bar, one advance apart, until one shows the number.
    NUMBER_TRIES = 5,
    // A number is in the middle when its centre is this close to the bar's.
    CENTRE_SLACK = 2
};

int ScreenDpi()
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

// The pages' font, as the dialog manager makes it from the templates.
HFONT CreatePageFont()
{
    return CreateFontA(-MulDiv(8, ScreenDpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       "MS Sans Serif");
}

// The folder list's icons are as large as small icons are at this DPI.
void ExpectIconsFollowTheDpi(HWND list)
{
    RECT icon;
    ASSERT_TRUE(ListViewItemScreenRect(list, 0, &icon));
    int wanted = MulDiv(16, ScreenDpi(), 96);
    EXPECT_EQ(icon.right - icon.left, wanted) << "the list's icons are " << icon.right - icon.left << " wide";
    EXPECT_EQ(icon.bottom - icon.top, wanted) << "the list's icons are " << icon.bottom - icon.top << " high";
}

// Every static text, button and check box of the page shows its whole text:
// a button's on one line, a static's wrapped within its height.
void ExpectTextsFit(HWND page)
{
    HDC screen = GetDC(NULL);
    HFONT font = CreatePageFont();
    HGDIOBJ previous = SelectObject(screen, font);
    int checked = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string text = WindowText(child), kind = WindowClass(child);
        bool button = kind == "Button", label = kind == "Static";
        if (text.empty() || !IsWindowVisible(child) || (!button && !label))
            continue;
        RECT client;
        GetClientRect(child, &client);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        UINT type = style & BS_TYPEMASK;
        // A check box's own square and its gap take room before the text.
        if (button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX))
            client.left += MulDiv(16, ScreenDpi(), 96);
        RECT needed = client;
        DrawTextA(screen, text.c_str(), (int)text.size(), &needed,
                  DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK) | DT_NOPREFIX);
        EXPECT_LE(needed.right - needed.left, client.right - client.left)
            << "\"" << text << "\" is wider than its control";
        EXPECT_LE(needed.bottom - needed.top, client.bottom - client.top)
            << "\"" << text << "\" is taller than its control";
        ++checked;
    }
    EXPECT_GT(checked, 0) << "the page shows no text to measure";
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(NULL, screen);
}

// No pixel inside the frame's etched edge shows the page's face colour or
// the black beyond a bitmap's edge.
::testing::AssertionResult PictureFillsFrame(const ScreenPicture &shot, HWND frame)
{
    RECT inside;
    GetClientRect(frame, &inside);
    MapWindowPoints(frame, NULL, (POINT *)&inside, 2);
    InflateRect(&inside, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    DWORD faceRgb = ((DWORD)GetRValue(face) << 16) | ((DWORD)GetGValue(face) << 8) | GetBValue(face);
    int empty = 0, coveredOnMiddleRow = 0;
    const int middle = (inside.top + inside.bottom) / 2;
    for (int y = inside.top; y < inside.bottom; ++y)
        for (int x = inside.left; x < inside.right; ++x) {
            DWORD pixel = shot.At(x, y);
            bool blank = pixel == faceRgb || pixel == 0;
            empty += blank ? 1 : 0;
            if (y == middle && !blank)
                ++coveredOnMiddleRow;
        }
    if (empty == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << empty << " pixels of the frame's inside of " << inside.right - inside.left
                                         << " x " << inside.bottom - inside.top << " are empty; the middle row has "
                                         << coveredOnMiddleRow << " covered";
}

class Scaling : public InstallScenario {
protected:
    // The screen once it has stopped changing, saved under the scenario's name.
    void StillShot(const char *label, ScreenPicture *shot)
    {
        ASSERT_TRUE(CaptureStillScreen(shot, SCREENSHOT_SETTLE_MS)) << "the screen did not settle";
        EXPECT_FALSE(SavePicture(ScenarioShotName(label), *shot).empty());
    }
};

TEST_F(Scaling, EveryPageIsWholeAtTheScreensDpi)
{
    // At 96 DPI the picture is placed as it always was, not fitted to its frame.
    ASSERT_GT(ScreenDpi(), 96) << "run this scenario above 96 DPI, as tests/e2e/at_dpi.sh does";
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    HWND agreement = WaitForPage(AGREEMENT_PAGE);
    ASSERT_NE(agreement, (HWND)NULL);
    ExpectTextsFit(agreement);
    ASSERT_TRUE(PressButtonByText(agreement, "I Agree"));

    HWND directory = WaitForPage(DIRECTORY_PAGE);
    ASSERT_NE(directory, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ExpectTextsFit(directory);
    EXPECT_TRUE(EditShowsItsEnd(GetDlgItem(directory, IDC_DIR_PREVIEW)));
    ExpectIconsFollowTheDpi(GetDlgItem(directory, IDC_DIR_FOLDER_LIST));
    ScreenPicture shot;
    ASSERT_NO_FATAL_FAILURE(StillShot("directory", &shot));
    EXPECT_TRUE(PictureFillsFrame(shot, GetDlgItem(directory, IDC_DIR_PICTURE_FRAME)));

    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(PayloadRows() / 4, copy));
    ExpectTextsFit(copy);
    RECT bar;
    ASSERT_TRUE(GetClientRect(GetDlgItem(copy, IDC_COPY_PROGRESS), &bar));
    CopyPageReading reading = {};
    bool read = false;
    for (int attempt = 0; attempt < NUMBER_TRIES && !read; ++attempt)
        read = !SaveScreenNow(ScenarioShotName("copy"), &shot).empty() && ReadCopyPage(shot, copy, &reading)
               && reading.number.right > 0 && reading.blueTop >= 0;
    ASSERT_TRUE(read) << "no picture showed the bar with its number";
    int numberMiddle = (reading.number.left + reading.number.right) / 2;
    int numberCentre = (reading.number.top + reading.number.bottom) / 2;
    int barCentre = (reading.blueTop + reading.blueBottom) / 2;
    EXPECT_NEAR(numberMiddle, bar.right / 2, CENTRE_SLACK) << "the number is not in the middle";
    EXPECT_NEAR(numberCentre, barCentre, CENTRE_SLACK) << "the number is not on the bar's middle row; bar rows "
                                                       << reading.blueTop << " to " << reading.blueBottom;
    // The bar grows with the control: no more than its standard rim is left.
    EXPECT_LE(bar.bottom - (reading.blueBottom - reading.blueTop), MulDiv(4, ScreenDpi(), 96))
        << "the bar fills rows " << reading.blueTop << " to " << reading.blueBottom << " of " << bar.bottom;

    HWND shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ExpectTextsFit(shortcuts);
    EXPECT_TRUE(EditShowsItsEnd(GetDlgItem(shortcuts, IDC_SC_PREVIEW)));
    ExpectIconsFollowTheDpi(GetDlgItem(shortcuts, IDC_SC_FOLDER_LIST));
    ASSERT_NO_FATAL_FAILURE(StillShot("shortcuts", &shot));
    EXPECT_TRUE(PictureFillsFrame(shot, GetDlgItem(shortcuts, IDC_SC_PICTURE_FRAME)));
    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
}

}  // namespace

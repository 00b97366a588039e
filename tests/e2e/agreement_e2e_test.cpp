// The first thing a person sees: the full-screen main window and, over it,
// the licence agreement page with its way on and its way out.
#include "harness.h"

namespace {

enum { LICENCE_LIMIT = 5000 };

// The licence as VelloranSetup.exe carries it, read from its resources.
std::string LicenceResource()
{
    HMODULE setup = LoadLibraryExA(SetupExePath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!setup)
        return std::string();
    char text[LICENCE_LIMIT] = "";
    int length = LoadStringA(setup, IDS_LICENCE, text, LICENCE_LIMIT);
    FreeLibrary(setup);
    return std::string(text, length > 0 ? length : 0);
}

class AgreementPage : public SetupScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SetupScenario::SetUp());
        ASSERT_NO_FATAL_FAILURE(StartSetupIn());
        page_ = WaitForPage(AGREEMENT_PAGE);
        ASSERT_NE(page_, (HWND)NULL) << "the agreement page did not show; " << SetupShows();
    }

    enum CancelWay { ESCAPE_KEY, CANCEL_BUTTON, BUTTON_NAMED_CANCEL };

    // Asks to cancel the way given and returns the question box, checked.
    HWND AskToCancel(CancelWay way)
    {
        if (way == ESCAPE_KEY)
            EXPECT_TRUE(PressKey(page_, VK_ESCAPE));
        else if (way == CANCEL_BUTTON)
            EXPECT_TRUE(PressButton(page_, IDCANCEL));
        else
            EXPECT_TRUE(PressButtonByText(page_, "Cancel"));
        HWND box = WaitForBox(QUESTION);
        if (!box) {
            ADD_FAILURE() << "no question after " << (way == ESCAPE_KEY ? "Escape" : "Cancel");
            return NULL;
        }
        EXPECT_EQ(MessageBoxText(box), CANCEL_QUESTION);
        EXPECT_EQ(GetWindow(box, GW_OWNER), page_) << "the question belongs to the page";
        EXPECT_EQ(GetDlgItem(box, IDOK), (HWND)NULL) << "a yes/no question has no OK";
        return box;
    }

    HWND page_ = NULL;
};

// The page over the main window (whose style and size are
// main_window_test's), centred on the screen, the focus on "I Agree", and
// the licence as the setup carries it, read-only. Started again meanwhile,
// the setup gives way: no second backdrop, the running page comes to the
// front, exit code 1618.
TEST_F(AgreementPage, ShowsTheLicenceReadOnlyCentredOverTheMainWindowAndASecondSetupGivesWay)
{
    HWND main = WaitForWindow(NULL, "SETUP", setup_.processId, WINDOW_TIMEOUT_MS);
    ASSERT_NE(main, (HWND)NULL) << "no window of class SETUP";
    EXPECT_EQ(GetWindow(page_, GW_OWNER), main) << "the page belongs to the main window";
    RECT rect;
    ASSERT_TRUE(GetWindowRect(page_, &rect));
    EXPECT_NEAR((rect.left + rect.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    EXPECT_EQ(FocusedWindow(page_), GetDlgItem(page_, IDOK));
    Screenshot("agreement");

    HWND edit = GetDlgItem(page_, IDC_LICENCE_TEXT);
    LONG style = GetWindowLongA(edit, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VSCROLL);
    std::string expected = LicenceResource();
    std::string shown = WindowText(edit);
    ASSERT_FALSE(expected.empty()) << "cannot read the licence from " << SetupExePath();
    EXPECT_EQ(shown, expected);
    EXPECT_GT(shown.size(), 4000u);
    EXPECT_LT(shown.size(), (size_t)LICENCE_LIMIT - 1) << "the licence was cut";
    for (size_t at = shown.find('\n'); at != std::string::npos; at = shown.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && shown[at - 1] == '\r') << "a line feed without carriage return at " << at;

    SetupProcess second = {};
    ASSERT_TRUE(StartSetup(scratch_, &second));
    EXPECT_EQ(WaitForExit(second, EXIT_TIMEOUT_MS), EXIT_ANOTHER_RUNNING) << "the second setup did not give way";
    EndSetup(&second);
    int backdrops = 0;
    for (HWND window = FindWindowA("SETUP", NULL); window; window = FindWindowExA(NULL, window, "SETUP", NULL))
        ++backdrops;
    EXPECT_EQ(backdrops, 1);
    EXPECT_EQ(GetForegroundWindow(), page_) << "the running page was not brought to the front";
    EXPECT_TRUE(IsWindowVisible(page_));
}

// Escape, the Cancel button and a press on the button found by its name each
// ask; "No" leaves the page as it was and still answering, "Yes" ends the
// setup as cancelled.
TEST_F(AgreementPage, EscapeAndCancelAskAndNoKeepsThePageAsItWasAndYesEndsTheSetup)
{
    std::string licence = WindowText(GetDlgItem(page_, IDC_LICENCE_TEXT));
    ASSERT_FALSE(licence.empty());

    for (CancelWay way : { ESCAPE_KEY, CANCEL_BUTTON, BUTTON_NAMED_CANCEL }) {
        HWND box = AskToCancel(way);
        ASSERT_NE(box, (HWND)NULL);
        Screenshot("question");
        ASSERT_TRUE(PressButton(box, IDNO));
        ASSERT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT_MS)) << "the question stayed";
        // The page is still there, usable, and shows the licence as before.
        EXPECT_TRUE(IsWindow(page_) && IsWindowVisible(page_)) << "the page went away";
        EXPECT_TRUE(IsWindowEnabled(page_)) << "the page stayed disabled";
        EXPECT_EQ(WindowText(GetDlgItem(page_, IDC_LICENCE_TEXT)), licence);
        EXPECT_EQ(WaitForPage(AGREEMENT_PAGE), page_);
    }

    HWND box = AskToCancel(CANCEL_BUTTON);
    ASSERT_NE(box, (HWND)NULL);
    ASSERT_TRUE(PressButton(box, IDYES));
    HWND cancelled = WaitForBox(CANCELLED);
    ASSERT_NE(cancelled, (HWND)NULL) << "no closing message after Yes";
    EXPECT_EQ(MessageBoxText(cancelled), PROGRAM_WILL_EXIT);
    EXPECT_FALSE(IsWindow(page_) && IsWindowVisible(page_)) << "the page stayed open";
    EXPECT_EQ(WindowClass(GetWindow(cancelled, GW_OWNER)), "SETUP") << "the message belongs to the main window";
    Screenshot("cancelled");
    ASSERT_TRUE(PressButton(cancelled, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_CANCELLED);
}

}  // namespace

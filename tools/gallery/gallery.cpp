// The screen gallery: a picture of every page and every message of the
// setup, named in the order a person meets them (01-agreement to
// 15-success), in the screenshot folder. tools/gallery.sh runs it once per
// screen size in Wine's virtual desktop; CTest does not run it. It checks no
// behaviour, only that every window it waits for comes and says what its
// picture is named after, so that a picture never shows the wrong screen.
#include "install_steps.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

const char APP_PATHS_PARENT[]    = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char APP_PATHS_KEPT_AT[]   = "SOFTWARE\\velloran-e2e-gallery-app-paths";
const char INSTALL_NAME[]        = "Velloran";
// Of the top row of a title bar, the part that must show the active caption
// colour for the window to count as shown: all of it, but for its ends.
const double WHOLE_CAPTION = 0.9;

class Gallery : public InstallScenario {
protected:
    void SetUp() override
    {
        // A run cut short may have left App Paths aside.
        appPathsAside_ = KeyExists(HKEY_LOCAL_MACHINE, APP_PATHS_KEPT_AT);
        PutAppPathsBack();
        ASSERT_NO_FATAL_FAILURE(InstallScenario::SetUp());
        ASSERT_NO_FATAL_FAILURE(ExpectScreenSize());
    }

    void TearDown() override
    {
        // Before the base compares the registry with what it was.
        PutAppPathsBack();
        InstallScenario::TearDown();
    }

    // VELLORAN_GALLERY_SCREEN ("800x600") is the size the pictures are
    // meant to have; a desktop of another size would mislabel the folder.
    void ExpectScreenSize()
    {
        const char *wanted = getenv("VELLORAN_GALLERY_SCREEN");
        if (!wanted || !*wanted)
            return;
        int width = 0, height = 0;
        ASSERT_EQ(sscanf(wanted, "%dx%d", &width, &height), 2) << "VELLORAN_GALLERY_SCREEN=" << wanted;
        ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), width) << "the desktop is not " << wanted;
        ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), height) << "the desktop is not " << wanted;
    }

    // The screen once it is fully drawn, as <screenshot folder>\<name>.png;
    // the window it is named after must be on top and active in it. A
    // screen that never settles (a blinking caret) is kept as last seen.
    void Picture(const char *name, HWND window)
    {
        ScreenPicture picture;
        if (!CaptureStillScreen(&picture, SCREENSHOT_SETTLE_MS)) {
            ASSERT_FALSE(picture.pixels.empty()) << "cannot capture the screen for " << name;
        }
        ASSERT_NO_FATAL_FAILURE(Keep(name, window, picture));
    }

    // The copy page never stops changing, and a capture may fall between
    // its bar and the number on it: captures are taken until one shows the
    // line, the bar and its number whole.
    void CopyPicture(const char *name, HWND copyPage)
    {
        ScreenPicture picture;
        CopyPageReading reading = {};
        const char *stopped = NULL;
        bool whole = WaitUntil([&] {
            if (!IsWindowVisible(copyPage))
                stopped = "the copy ended before the picture was taken";
            else if (!CaptureScreen(&picture))
                stopped = "cannot capture the screen";
            else if (!ReadCopyPage(picture, copyPage, &reading))
                stopped = "the copy page is not on the screen";
            return stopped || (reading.lineDrawn && reading.blueWidth > 0 && reading.whiteNumber &&
                               reading.restIsBlackOrNumber);
        }, WINDOW_TIMEOUT_MS, 0);
        ASSERT_FALSE(stopped) << name << ": " << stopped;
        ASSERT_TRUE(whole) << "no capture showed the copy page whole for " << name;
        ASSERT_NO_FATAL_FAILURE(Keep(name, copyPage, picture));
    }

    void Keep(const char *name, HWND window, const ScreenPicture &picture)
    {
        std::string path = SavePicture(name, picture);
        ASSERT_FALSE(path.empty()) << "cannot save the picture " << name;
        printf("[ picture  ] %s\n", path.c_str());
        ASSERT_GE(ActiveCaptionShown(window, picture), WHOLE_CAPTION)
            << path << " does not show \"" << WindowText(window) << "\" on top and active";
    }

    void WaitForMessage(const char *caption, const std::string &text, HWND *box)
    {
        *box = WaitForBox(caption);
        ASSERT_NE(*box, (HWND)NULL) << "no \"" << caption << "\" message";
        ASSERT_EQ(MessageBoxText(*box), text);
    }

    void Answer(HWND box, int button)
    {
        ASSERT_TRUE(PressButton(box, button));
        ASSERT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT_MS)) << "the message stayed";
    }

    // Replaces the directory page's name, key by key as a person types;
    // each key is sent, so the edit has taken it when the call returns.
    void TypeName(HWND page, const std::string &name)
    {
        HWND edit = GetDlgItem(page, IDC_DIR_FOLDER_NAME);
        ASSERT_NE(edit, (HWND)NULL);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (char key : "\b" + name)
            SendMessageA(edit, WM_CHAR, (WPARAM)(unsigned char)key, 1);
        ASSERT_EQ(WindowText(edit), name);
    }

    // With App Paths gone, "Finish" reports that it cannot open it. The key
    // is kept elsewhere meanwhile and put back whatever happens.
    void SetAppPathsAside()
    {
        HKEY appPaths = NULL, kept = NULL;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_PARENT, 0, KEY_READ, &appPaths), ERROR_SUCCESS);
        LONG made = RegCreateKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_KEPT_AT, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                    &kept, NULL);
        LONG copied = made == ERROR_SUCCESS ? RegCopyTreeA(appPaths, NULL, kept) : made;
        RegCloseKey(appPaths);
        if (kept)
            RegCloseKey(kept);
        ASSERT_EQ(copied, ERROR_SUCCESS) << "cannot keep a copy of App Paths";
        appPathsAside_ = true;
        ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, APP_PATHS_PARENT), ERROR_SUCCESS);
    }

    void PutAppPathsBack()
    {
        if (!appPathsAside_)
            return;
        HKEY appPaths = NULL, kept = NULL;
        LONG restored = RegCreateKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_PARENT, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                        &appPaths, NULL);
        if (restored == ERROR_SUCCESS)
            restored = RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_KEPT_AT, 0, KEY_READ, &kept);
        if (restored == ERROR_SUCCESS)
            restored = RegCopyTreeA(kept, NULL, appPaths);
        if (kept)
            RegCloseKey(kept);
        if (appPaths)
            RegCloseKey(appPaths);
        if (restored != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot put App Paths back; a copy is in HKLM\\" << APP_PATHS_KEPT_AT;
            return;
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, APP_PATHS_KEPT_AT);
        appPathsAside_ = false;
    }

    // The shell window opens over the message; a person switches back to
    // the setup to read it. Wine's virtual desktop restacks a window on the
    // screen only when its place in the window list changes, and the
    // message may be first in the list already while the shell window lies
    // over it on the screen: topmost for a moment, it moves. True once the
    // screen shows the message's whole caption bar.
    bool BringToFront(HWND box)
    {
        return WaitUntil([&] {
            SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            SetWindowPos(box, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            SetForegroundWindow(box);
            Sleep(STILL_INTERVAL_MS);
            ScreenPicture picture;
            return CaptureScreen(&picture) && ActiveCaptionShown(box, picture) >= WHOLE_CAPTION;
        }, WINDOW_TIMEOUT_MS, 0);
    }

    // Part of the window's title bar in the active caption colour, from
    // 0 to 1: the top row of it, which the caption's text and buttons leave
    // free. Where another window lies over it, that part is missing.
    static double ActiveCaptionShown(HWND window, const ScreenPicture &picture)
    {
        TITLEBARINFO title = {};
        title.cbSize = sizeof(title);
        if (!GetTitleBarInfo(window, &title) || title.rcTitleBar.right <= title.rcTitleBar.left)
            return 0;
        const COLORREF colours[] = { GetSysColor(COLOR_ACTIVECAPTION), GetSysColor(COLOR_GRADIENTACTIVECAPTION) };
        int y = title.rcTitleBar.top + 1, matching = 0;
        for (int x = title.rcTitleBar.left; x < title.rcTitleBar.right; ++x) {
            if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
                continue;
            DWORD shown = picture.At(x, y);
            for (COLORREF colour : colours)
                if (shown == (((DWORD)GetRValue(colour) << 16) | ((DWORD)GetGValue(colour) << 8) | GetBValue(colour))) {
                    ++matching;
                    break;
                }
        }
        return (double)matching / (title.rcTitleBar.right - title.rcTitleBar.left);
    }

    bool appPathsAside_ = false;
};

TEST_F(Gallery, CancelledOnTheAgreementPage)
{
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    HWND agreement = WaitForPage(AGREEMENT_PAGE);
    ASSERT_NE(agreement, (HWND)NULL) << "the agreement page did not show";
    ASSERT_NO_FATAL_FAILURE(Picture("01-agreement", agreement));

    HWND question = NULL, cancelled = NULL;
    ASSERT_TRUE(PressButtonByText(agreement, "Cancel"));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(QUESTION, CANCEL_QUESTION, &question));
    ASSERT_NO_FATAL_FAILURE(Picture("02-agreement-cancel-question", question));
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(CANCELLED, PROGRAM_WILL_EXIT, &cancelled));
    ASSERT_NO_FATAL_FAILURE(Picture("03-cancelled", cancelled));
    ASSERT_TRUE(PressButton(cancelled, IDOK));
    ASSERT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_CANCELLED) << "the setup did not end as it should";
}

// A folder where the readme must go: the copy stops there with its error.
TEST_F(Gallery, CopyStoppedByAFolderInTheWay)
{
    ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((installDir_ + "\\readme.wri").c_str(), NULL));
    HWND directory = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));

    HWND exists = NULL, failure = NULL;
    ASSERT_TRUE(PressButtonByText(directory, "Next"));
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(DIRECTORY_EXISTS_QUESTION, &exists));
    ASSERT_EQ(MessageBoxText(exists), DIRECTORY_EXISTS_QUESTION);
    ASSERT_NO_FATAL_FAILURE(Picture("07-directory-exists-question", exists));
    ASSERT_NO_FATAL_FAILURE(Answer(exists, IDYES));

    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(COPY_FAILURE_START, &failure));
    ASSERT_EQ(WindowText(failure), ERROR_CAPTION);
    std::string destination = "\nTo=" + installDir_ + "\\readme.wri\n";
    ASSERT_NE(MessageBoxText(failure).find(destination), std::string::npos) << MessageBoxText(failure);
    ASSERT_NO_FATAL_FAILURE(Picture("10-copy-error", failure));
    ASSERT_NO_FATAL_FAILURE(Answer(failure, IDOK));

    HWND setupError = WaitForBox(SETUP_ERROR);
    ASSERT_NE(setupError, (HWND)NULL) << "no \"" << SETUP_ERROR << "\" message after the copy error";
    ASSERT_EQ(MessageBoxText(setupError).rfind(SETUP_ERROR_START, 0), 0u) << MessageBoxText(setupError);
    ASSERT_NO_FATAL_FAILURE(Picture("11-setup-error", setupError));
    ASSERT_TRUE(PressButton(setupError, IDOK));
    ASSERT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_FAILED) << "the setup did not end as it should";
}

// Every other question asked and answered "No", then "Finish" with App
// Paths missing: the registry error, and the success message after it.
TEST_F(Gallery, InstalledWithEveryQuestionTakenBack)
{
    HWND directory = NULL, question = NULL, warning = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(Picture("04-directory", directory));
    ASSERT_TRUE(PressButtonByText(directory, "Cancel"));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(QUESTION, CANCEL_QUESTION, &question));
    ASSERT_NO_FATAL_FAILURE(Picture("05-directory-cancel-question", question));
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));

    ASSERT_NO_FATAL_FAILURE(TypeName(directory, ""));
    ASSERT_TRUE(PressButtonByText(directory, "Next"));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(WARNING_CAPTION, NO_NAME_WARNING, &warning));
    ASSERT_NO_FATAL_FAILURE(Picture("06-directory-no-name-warning", warning));
    ASSERT_NO_FATAL_FAILURE(Answer(warning, IDOK));
    ASSERT_NO_FATAL_FAILURE(TypeName(directory, INSTALL_NAME));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));

    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(PayloadRows() / 2, copy)) << "the copy did not get half way";
    ASSERT_NO_FATAL_FAILURE(CopyPicture("08-copy", copy));
    ASSERT_TRUE(PressButton(copy, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(QUESTION, COPY_CANCEL_QUESTION, &question));
    ASSERT_NO_FATAL_FAILURE(Picture("09-copy-cancel-question", question));
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));

    HWND shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ASSERT_NO_FATAL_FAILURE(Picture("12-shortcut", shortcuts));
    ASSERT_TRUE(PressButton(shortcuts, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(CONFIRMATION, SHORTCUT_CANCEL_QUESTION, &question));
    ASSERT_NO_FATAL_FAILURE(Picture("13-shortcut-cancel-question", question));
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));

    HWND registryError = NULL, success = NULL;
    ASSERT_NO_FATAL_FAILURE(SetAppPathsAside());
    std::vector<HWND> before = TopLevelWindows(0);
    ASSERT_TRUE(PressButtonByText(shortcuts, "Finish"));
    ASSERT_NO_FATAL_FAILURE(WaitForMessage(ERROR_CAPTION,
                                           std::string("Couldn't open a key in registry\n") + APP_PATHS_PARENT,
                                           &registryError));
    ASSERT_NO_FATAL_FAILURE(Picture("14-registry-error", registryError));
    ASSERT_NO_FATAL_FAILURE(Answer(registryError, IDOK));

    ASSERT_NO_FATAL_FAILURE(WaitForMessage(SUCCESS_CAPTION, SUCCESS_MESSAGE, &success));
    ASSERT_NE(WaitForShellWindow(before, "Velloran"), (HWND)NULL) << "the shortcut folder did not open";
    ASSERT_TRUE(BringToFront(success)) << "the success message stays under the shell window";
    ASSERT_NO_FATAL_FAILURE(Picture("15-success", success));

    EndDescendants(setup_.processId);
    ASSERT_TRUE(PressButton(success, IDOK));
    ASSERT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_INSTALLED) << "the setup did not end as it should";
}

}  // namespace

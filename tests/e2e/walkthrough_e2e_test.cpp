// One whole successful install, screen after screen, with a picture of each
// in the screenshot folder (01-agreement to 05-success): what tools/run.sh
// shows when there is no display to run the setup on.
#include "install_steps.h"

namespace {

const char *const SHORTCUT_FILES[] = { "\\Velloran.lnk", "\\Uninstall.lnk", "\\Readme.lnk" };
const char APP_PATHS_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char UNINSTALL_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char DOCUMENT_TYPE[] = "VELLORAN1.Image";

// The shell window opens over the message; a person switches back to the
// setup to read it. True once the message is on top at its middle.
bool BringToFront(HWND box)
{
    RECT rect;
    if (!GetWindowRect(box, &rect))
        return false;
    POINT middle = { (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
    DWORD start = GetTickCount();
    do {
        SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(box);
        HWND top = WindowFromPoint(middle);
        if (top && GetAncestor(top, GA_ROOT) == box)
            return true;
        Sleep(POLL_INTERVAL_MS);
    } while (GetTickCount() - start < WINDOW_TIMEOUT_MS);
    return false;
}

// What the run did, in a few lines for tools/run.sh to print:
// <screenshot folder>\summary.txt.
void WriteSummary(const std::string &installDir, const std::string &shortcutFolder)
{
    std::string text = "Installed Velloran in " + installDir + "\r\n" +
                       "Shortcuts (Velloran, Uninstall, Readme) in " + shortcutFolder + "\r\n" +
                       "Registered HKLM\\" + APP_PATHS_KEY + "\r\n" +
                       "Registered HKLM\\" + UNINSTALL_KEY + "\r\n" +
                       "Registered HKCR\\" + DOCUMENT_TYPE + " for the picture types, and their WIN.INI extensions\r\n";
    EXPECT_TRUE(WriteWholeFile(ScreenshotFolder() + "\\summary.txt", text));
}

class Walkthrough : public InstallScenario {};

TEST_F(Walkthrough, InstallsVelloranPageByPage)
{
    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory, "01-agreement"));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    EXPECT_FALSE(SaveScreenshot("02-directory").empty());

    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(PayloadRows() / 2, copy)) << "the copy did not get half way";
    EXPECT_FALSE(SaveScreenNow("03-copy").empty());

    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    std::string shortcutFolder = WindowText(GetDlgItem(shortcuts, IDC_SC_PREVIEW));
    ASSERT_FALSE(shortcutFolder.empty());
    registrations_.NoteShortcutFolder(shortcutFolder);
    EXPECT_FALSE(SaveScreenshot("04-shortcuts").empty());
    ASSERT_TRUE(PressButtonByText(shortcuts, "Finish"));

    HWND success = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(success, (HWND)NULL) << "no success message after \"Finish\"";
    EXPECT_EQ(MessageBoxText(success), SUCCESS_MESSAGE);
    EXPECT_NE(WaitForShellWindow(setup_.processId), (HWND)NULL) << "the shortcut folder did not open";
    EXPECT_TRUE(BringToFront(success)) << "the success message stays under the shell window";
    EXPECT_FALSE(SaveScreenshot("05-success").empty());

    ExpectInstalledRows(PayloadRows());
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    for (const char *link : SHORTCUT_FILES)
        EXPECT_TRUE(FileExists(shortcutFolder + link)) << shortcutFolder + link << " is missing";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, APP_PATHS_KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, DOCUMENT_TYPE));
    WriteSummary(installDir_, shortcutFolder);

    WaitForMenuBuilders(setup_.processId);
    for (DWORD child : DescendantProcesses(setup_.processId))
        TerminateProcessById(child);
    ASSERT_TRUE(PressButton(success, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_INSTALLED) << "the setup did not end as installed";
}

}  // namespace

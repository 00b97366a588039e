// One whole successful install, screen after screen, as a person who only
// presses "Next" and "Finish" makes it, with a picture of each screen in the
// screenshot folder (01-agreement to 05-success): what tools/run.sh shows
// when there is no display to run the setup on.
#include "expected_names.h"
#include "install_steps.h"

namespace {

// Below HKEY_LOCAL_MACHINE, where the setup writes: the machine's own file
// types, not the merged HKEY_CLASSES_ROOT. Each is read in the view of the
// programs that look for it: Default Apps' in the 64-bit view, the rest in
// the setup's own (App Paths and Classes are one key in both views).
struct RegisteredKey {
    const char *path;
    REGSAM view;
};
const RegisteredKey REGISTERED_KEYS[] = {
    { APP_PATHS_ENTRY, 0 },
    { APP_PATHS_EXE_ENTRY, 0 },
    { UNINSTALL_ENTRY, 0 },
    { "SOFTWARE\\Classes\\VELLORAN1.Image", 0 },
    { APPLICATION_KEY, 0 },
    { "SOFTWARE\\Velloran\\Capabilities", KEY_WOW64_64KEY },
};

// The shell window opens over the message; a person switches back to the
// setup to read it. True once the message is on top at its middle.
bool BringToFront(HWND box)
{
    RECT rect;
    if (!GetWindowRect(box, &rect))
        return false;
    POINT middle = { (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
    return WaitUntil([&] {
        SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(box);
        HWND top = WindowFromPoint(middle);
        return top && GetAncestor(top, GA_ROOT) == box;
    }, WINDOW_TIMEOUT_MS);
}

// What the run left on the machine, read back from it, in a few lines for
// tools/run.sh to print: <screenshot folder>\summary.txt.
void WriteSummary()
{
    std::string installDir, shortcutFolder;
    ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "InstallLocation", &installDir);
    ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "Scdir", &shortcutFolder);
    std::string text = "Installed Velloran in " + installDir + "\r\n" +
                       "Shortcuts (Velloran, Uninstall, Readme) in " + shortcutFolder + "\r\n";
    for (const RegisteredKey &key : REGISTERED_KEYS)
        if (KeyExists(HKEY_LOCAL_MACHINE, key.path, key.view))
            text += std::string("Registered HKLM\\") + key.path + "\r\n";
    std::string opened, winIni;
    for (const char *type : IMAGE_TYPES) {
        std::string documentType;
        if (ReadText(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\.") + type, "", &documentType) &&
            documentType == "VELLORAN1.Image")
            opened += std::string(" .") + type;
        std::string entry;
        if (ExtensionEntry(type, &entry) && entry.find("Velloran.exe") != std::string::npos)
            winIni += std::string(" ") + type;
    }
    text += "Extension keys now naming VELLORAN1.Image:" + (opened.empty() ? std::string(" none") : opened) + "\r\n";
    text += "WIN.INI [extensions] entries:" + (winIni.empty() ? std::string(" none") : winIni) + "\r\n";
    EXPECT_TRUE(WriteWholeFile(ScreenshotFolder() + "\\summary.txt", text));
}

class Walkthrough : public InstallScenario {
protected:
    void TearDown() override
    {
        InstallScenario::TearDown();
        if (madeInstallDir_)
            RemoveTree(installDir_);
    }

    bool madeInstallDir_ = false;
};

TEST_F(Walkthrough, InstallsVelloranPageByPage)
{
    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    // The scenarios' folder of its own would show in the pictures; a
    // person's drive has none.
    RemoveTree(root_);
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory, "01-agreement"));
    // Where "Next" installs: the folder "Velloran" at the root of the drive
    // the setup was started from.
    installDir_ = WindowText(GetDlgItem(directory, IDC_DIR_PREVIEW));
    ASSERT_EQ(installDir_, scratch_.substr(0, 3) + "Velloran");
    ASSERT_FALSE(DirectoryExists(installDir_))
        << installDir_ << " is there already, left by an earlier run that was stopped; remove it first";
    madeInstallDir_ = true;
    EXPECT_FALSE(SaveScreenshot("02-directory").empty());

    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(PayloadRows() / 2, copy)) << "the copy did not get half way";
    EXPECT_FALSE(SaveScreenNow("03-copy").empty());

    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    std::string shortcutFolder = WindowText(GetDlgItem(shortcuts, IDC_SC_PREVIEW));
    ASSERT_FALSE(shortcutFolder.empty());
    // The Start Menu path is longer than the preview: its end, the folder
    // that gets the shortcuts, is what shows.
    EXPECT_TRUE(EditShowsItsEnd(GetDlgItem(shortcuts, IDC_SC_PREVIEW)));
    EXPECT_FALSE(SaveScreenshot("04-shortcuts").empty());
    std::vector<HWND> before = TopLevelWindows(0);
    ASSERT_TRUE(PressButtonByText(shortcuts, "Finish"));

    HWND success = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(success, (HWND)NULL) << "no success message after \"Finish\"";
    EXPECT_EQ(MessageBoxText(success), SUCCESS_MESSAGE);
    EXPECT_NE(WaitForShellWindow(before, "Velloran"), (HWND)NULL) << "the shortcut folder did not open";
    EXPECT_TRUE(BringToFront(success)) << "the success message stays under the shell window";
    EXPECT_FALSE(SaveScreenshot("05-success").empty());

    ExpectInstalledRows(PayloadRows());
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    for (const char *link : SHORTCUT_FILES)
        EXPECT_TRUE(FileExists(shortcutFolder + link)) << shortcutFolder + link << " is missing";
    for (const RegisteredKey &key : REGISTERED_KEYS)
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key.path, key.view)) << "HKLM\\" << key.path << " is missing";
    std::string registeredDir;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "InstallLocation", &registeredDir));
    EXPECT_EQ(registeredDir, installDir_);
    WriteSummary();

    EndDescendants(setup_.processId);
    ASSERT_TRUE(PressButton(success, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_INSTALLED) << "the setup did not end as installed";
}

}  // namespace

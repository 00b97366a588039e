#include "finish_steps.h"

#include <algorithm>

// ---- Installing ----------------------------------------------------------

void FullInstallScenario::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(InstallScenario::SetUp());
    windowsAtStart_ = TopLevelWindows(0);
    ASSERT_FALSE(StartMenuRoot().empty()) << "the shell names no Start Menu folder";
}

void FullInstallScenario::TearDown()
{
    // Shell windows the setup opened and nobody closed.
    for (HWND window : TopLevelWindows(0)) {
        if (std::find(windowsAtStart_.begin(), windowsAtStart_.end(), window) == windowsAtStart_.end() &&
            IsShellWindowProgram(WindowProcess(window)))
            CloseShellWindow(window);
    }
    // What the setups started lives on after them: the shell window's program.
    for (DWORD setup : setups_)
        EndDescendants(setup);
    for (DWORD adopted : adopted_) {
        EndDescendants(adopted);
        EndProcess(adopted);
    }
    // The setup ended, the machine put back and checked.
    InstallScenario::TearDown();
    for (const std::string &parent : installParents_)
        RemoveTree(parent);
}

HWND FullInstallScenario::OpenWith64BitShell(const std::string &what, const std::string &viewerCaption)
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string start = std::string(windows) + "\\Sysnative\\start.exe";
    if (!FileExists(start)) {
        ADD_FAILURE() << start << " is missing: this is no 64-bit Windows";
        return NULL;
    }
    std::string line = start + " \"" + what + "\"";
    HANDLE process = NULL;
    DWORD processId = 0;
    if (!StartProcess(start, "\"" + what + "\"", scratch_, SW_SHOWDEFAULT, &process, &processId)) {
        ADD_FAILURE() << "cannot start " << line << ", error " << GetLastError();
        return NULL;
    }
    BOOL wow64 = TRUE;
    EXPECT_TRUE(IsWow64Process(process, &wow64));
    EXPECT_FALSE(wow64) << start << " ran as a 32-bit program";
    EXPECT_EQ(WaitForExit(process, EXIT_TIMEOUT_MS), 0u) << line;
    CloseHandle(process);
    HWND viewer = WaitForWindow(viewerCaption.c_str(), VIEWER_CLASS, 0, WINDOW_TIMEOUT_MS);
    if (!viewer) {
        ADD_FAILURE() << "no viewer window \"" << viewerCaption << "\" after " << line;
        return NULL;
    }
    Adopt(WindowProcess(viewer));
    return viewer;
}

std::string FullInstallScenario::MakeInstallParent(const char *stem)
{
    std::string parent = MakeFolderIn("C:\\", stem);
    if (!parent.empty())
        installParents_.push_back(parent);
    return parent;
}

HWND FullInstallScenario::InstallUpToShortcutPage(const std::string &parent, bool folderExists)
{
    if (parent.size() < 4 || lstrcmpiA(parent.substr(0, 3).c_str(), "C:\\") != 0) {
        ADD_FAILURE() << "the install parent " << parent << " is not a folder of C:";
        return NULL;
    }
    HWND directory = NULL, copy = NULL;
    OpenDirectoryPage(&directory);
    if (setup_.process)
        setups_.push_back(setup_.processId);
    if (HasFatalFailure())
        return NULL;
    if (!WaitForText(GetDlgItem(directory, IDC_DIR_PREVIEW), "C:\\Velloran")) {
        ADD_FAILURE() << "the directory page does not start at C:\\ but shows "
                      << WindowText(GetDlgItem(directory, IDC_DIR_PREVIEW));
        return NULL;
    }
    // Down from C:\ one folder at a time, as a person browses.
    std::vector<std::string> folders;
    for (size_t start = 3, end; start < parent.size(); start = end + 1) {
        end = std::min(parent.find('\\', start), parent.size());
        folders.push_back(parent.substr(start, end - start));
    }
    BrowseTo(directory, folders);
    if (HasFatalFailure())
        return NULL;
    Screenshot("directory");
    NextToCopyPage(directory, folderExists, &copy);
    HWND page = NULL;
    if (!HasFatalFailure())
        WaitForShortcutPageWithoutQuestion(&page);
    if (HasFatalFailure())
        return NULL;
    installDir_ = parent + "\\Velloran";
    return page;
}

void FullInstallScenario::FinishAndCloseShellWindow(HWND page, const std::string &folder)
{
    std::vector<HWND> before = TopLevelWindows(0);
    ASSERT_TRUE(PressButton(page, IDOK));
    ASSERT_TRUE(WaitForWindowGone(page, WINDOW_TIMEOUT_MS)) << "the page stayed after Finish";
    HWND success = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(success, (HWND)NULL) << "no closing message after Finish";
    HWND shell = WaitForShellWindow(before, folder.substr(folder.rfind('\\') + 1));
    ASSERT_NE(shell, (HWND)NULL) << "the shortcut folder was not opened in a shell window";
    Screenshot("shell window");
    CloseShellWindow(shell);
}

void FullInstallScenario::ExpectSuccessAndExit()
{
    HWND box = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(box, (HWND)NULL) << "no closing message";
    EXPECT_EQ(MessageBoxText(box), SUCCESS_MESSAGE);
    EXPECT_EQ(WindowClass(GetWindow(box, GW_OWNER)), "SETUP") << "the message belongs to the main window";
    Screenshot("success");
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_INSTALLED);
}

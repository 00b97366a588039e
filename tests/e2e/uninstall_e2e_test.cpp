// Velloran installed for real, then used and removed as a person would: the
// pictures open through the command the setup registered, the uninstaller
// starts from its Start Menu shortcut, and afterwards the machine is as it
// was before the setup, but for a file the user put into the install folder.
#include "finish_steps.h"

#include <algorithm>

namespace {

const char REMOVE_QUESTION[]   = "Do you want to remove Velloran?";
const char IN_USE_QUESTION[]   = "Velloran is still running, and its files cannot be removed while it runs:";
const char COPY_PREFIX[]       = "Velloran-uninstall-";

const char OPEN_PICTURE[] = "left open.png";

// The file's identity on its volume: the same after a rename, another for a
// new file.
ULONGLONG FileId(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    BY_HANDLE_FILE_INFORMATION information = {};
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return ((ULONGLONG)information.nFileIndexHigh << 32) | information.nFileIndexLow;
}

// A picture for the viewer to open; what it shows of one is the viewer's
// own tests' business (viewer_test.cpp).
bool WritePicture(const std::string &path)
{
    return WritePng(path, 2, 1, { 0xD02020, 0x2040D0 });
}

class Uninstall : public FullInstallScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FullInstallScenario::SetUp());
        copiesBefore_ = TempPathsStartingWith(COPY_PREFIX);
        parent_ = MakeInstallParent("uninstall");
        ASSERT_FALSE(parent_.empty()) << "cannot make a folder in C:\\";
        programs_ = parent_ + "\\My Programs";
        ASSERT_TRUE(CreateDirectoryA(programs_.c_str(), NULL));
        pictures_ = scratch_ + "\\My Pictures";
        ASSERT_TRUE(CreateDirectoryA(pictures_.c_str(), NULL));
    }

    void TearDown() override
    {
        for (const auto &process : processes_)
            CloseHandle(process.second);
        FullInstallScenario::TearDown();
        // A copy of the uninstaller that did not manage to delete itself.
        for (const std::string &copy : TempPathsStartingWith(COPY_PREFIX))
            if (std::find(copiesBefore_.begin(), copiesBefore_.end(), copy) == copiesBefore_.end())
                RemoveTree(copy);
    }

    // The machine before the setup: .bmp opened by another program, .png
    // known to the system but opened by none, .jpg with an empty default value
    // and an OpenWithProgids of another program's, another program's WIN.INI
    // entry for gif and an empty one for png.
    void ArrangeMachine()
    {
        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ".bmp", "", "Paint.Picture"));
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".png", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
                  ERROR_SUCCESS);
        RegDeleteValueA(key, "");
        RegCloseKey(key);
        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ".jpg", "", ""));
        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ".jpg\\OpenWithProgids", "Other.Jpeg", ""));
        ASSERT_TRUE(WriteProfileStringA("extensions", "gif", "C:\\Other\\paint.exe ^.gif"));
        ASSERT_TRUE(WriteProfileStringA("extensions", "png", ""));
        before_ = ReadMachineState();
        parentBefore_ = TreeEntries(parent_);
    }

    // The installation into "My Programs", the box ticked, to its success
    // message and its end.
    void Install()
    {
        ASSERT_NO_FATAL_FAILURE(ArrangeMachine());
        ASSERT_NO_FATAL_FAILURE(InstallAgain(false));
    }

    // The setup run to its end, into "My Programs" again or for the first time.
    void InstallAgain(bool folderExists)
    {
        HWND page = InstallUpToShortcutPage(programs_, folderExists);
        ASSERT_NE(page, (HWND)NULL);
        ASSERT_EQ(SendMessageA(GetDlgItem(page, IDC_SC_REGISTER_TYPES), BM_GETCHECK, 0, 0), BST_CHECKED);
        shortcutFolder_ = StartMenuRoot() + "\\Programs\\Velloran";
        ASSERT_NO_FATAL_FAILURE(FinishAndCloseShellWindow(page, shortcutFolder_));
        ASSERT_NO_FATAL_FAILURE(ExpectSuccessAndExit());
        ASSERT_TRUE(FileExists(installDir_ + "\\Velloran.exe"));
        EndSetup(&setup_);
    }

    // Starts a command line as the shell would, in the folder given.
    DWORD Start(const std::string &commandLine, const std::string &folder)
    {
        std::string line = commandLine;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &info)) {
            ADD_FAILURE() << "cannot start " << commandLine << ", error " << GetLastError();
            return 0;
        }
        CloseHandle(info.hThread);
        Keep(info.dwProcessId, info.hProcess);
        return info.dwProcessId;
    }

    // A process of the programs under test, held open so that its exit code
    // can be read after it has ended, and ended in TearDown if it has not.
    void Keep(DWORD processId, HANDLE process)
    {
        Adopt(processId);
        if (process)
            processes_.push_back({ processId, process });
    }

    // Given a list, notes in it every window that shows up meanwhile: a
    // quiet removal, which does all its work within this wait.
    DWORD ExitCodeOf(DWORD processId, std::vector<std::string> *newWindows = NULL)
    {
        for (const auto &process : processes_) {
            if (process.first != processId)
                continue;
            if (newWindows)
                return WaitForExitNotingNewWindows(process.second, INSTALL_TIMEOUT_MS, newWindows);
            return WaitForExit(process.second, EXIT_TIMEOUT_MS);
        }
        ADD_FAILURE() << "process " << processId << " was not kept";
        return STILL_ACTIVE;
    }

    // The picture file opened through the registered open command.
    DWORD OpenWithRegisteredCommand(const std::string &picture)
    {
        std::string command;
        EXPECT_TRUE(ReadText(HKEY_CLASSES_ROOT, std::string(DOCUMENT_TYPE) + "\\shell\\open\\command", "", &command));
        size_t at = command.find("%1");
        EXPECT_NE(at, std::string::npos) << command;
        return Start(at == std::string::npos ? command : command.replace(at, 2, picture), pictures_);
    }

    HWND WaitForViewer(DWORD process, const std::string &title)
    {
        HWND viewer = WaitForWindow(NULL, VIEWER_CLASS, process, WINDOW_TIMEOUT_MS);
        return viewer && WaitForText(viewer, title) ? viewer : NULL;
    }

    void CloseViewer(HWND viewer, DWORD process)
    {
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForProcessGone(process, EXIT_TIMEOUT_MS)) << "the viewer did not end when closed";
    }

    // The Uninstall shortcut's target, as the shell reads the shortcut.
    std::string UninstallerFromShortcut()
    {
        ShortcutInfo info = ReadShortcut(shortcutFolder_ + "\\Uninstall.lnk");
        EXPECT_TRUE(info.loaded) << "the Uninstall shortcut cannot be read";
        EXPECT_TRUE(SamePath(info.target, installDir_ + "\\uninstall.exe")) << info.target;
        return info.target;
    }

    // The uninstaller's question, checked and answered "Yes".
    void AnswerYes(DWORD process)
    {
        HWND question = WaitForWindow(UNINSTALL_CAPTION, "#32770", process, WINDOW_TIMEOUT_MS);
        ASSERT_NE(question, (HWND)NULL) << "the uninstaller asked nothing";
        std::string text = MessageBoxText(question);
        EXPECT_NE(text.find(REMOVE_QUESTION), std::string::npos) << text;
        EXPECT_NE(text.find(installDir_), std::string::npos) << text;
        EXPECT_NE(GetDlgItem(question, IDNO), (HWND)NULL);
        Screenshot("question");
        ASSERT_TRUE(PressButton(question, IDYES));
        ASSERT_TRUE(WaitForWindowGone(question, WINDOW_TIMEOUT_MS));
    }

    // The uninstaller's last message, from whichever of its processes shows
    // it: read, kept in a screenshot and closed.
    std::string ClosingMessage(DWORD *process)
    {
        HWND box = WaitForWindow(UNINSTALL_CAPTION, "#32770", 0, WINDOW_TIMEOUT_MS);
        if (!box) {
            ADD_FAILURE() << "the uninstaller's closing message did not show";
            return std::string();
        }
        *process = WindowProcess(box);
        Keep(*process, OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *process));
        std::string text = MessageBoxText(box);
        EXPECT_NE(GetDlgItem(box, IDOK), (HWND)NULL);
        EXPECT_EQ(GetDlgItem(box, IDYES), (HWND)NULL) << "a question where a message was due";
        Screenshot("closing message");
        EXPECT_TRUE(PressButton(box, IDOK));
        EXPECT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT_MS));
        return text;
    }

    // The uninstaller given, started from a folder of the user's and answered
    // "Yes"; the original hands over to a copy of itself outside the install
    // folder, whose closing message is returned. With a viewer open, the copy asks
    // about it first and gets the answer given; after "Cancel" there is no
    // closing message.
    std::string UninstallWith(const std::string &uninstaller, int inUseAnswer = 0)
    {
        if (uninstaller.empty())
            return std::string();
        DWORD original = Start("\"" + uninstaller + "\"", scratch_);
        if (!original)
            return std::string();
        AnswerYes(original);
        if (HasFatalFailure())
            return std::string();
        EXPECT_EQ(ExitCodeOf(original), 0u);
        DWORD finisher = 0;
        std::string text;
        if (inUseAnswer)
            AnswerInUseQuestion(inUseAnswer, &finisher);
        if (inUseAnswer != IDCANCEL)
            text = ClosingMessage(&finisher);
        EXPECT_NE(finisher, original) << "the uninstaller worked from inside the install folder";
        // Files left to the restart are a removal that needs one, as deployment tools read it.
        DWORD expected = inUseAnswer == IDCANCEL ? EXIT_CANCELLED
                         : inUseAnswer == IDNO   ? EXIT_REBOOT_REQUIRED
                                                 : EXIT_INSTALLED;
        EXPECT_EQ(ExitCodeOf(finisher), expected);
        ExpectCopyGone();
        return text;
    }

    // The copy deletes itself once it has ended.
    void ExpectCopyGone()
    {
        EXPECT_TRUE(WaitUntil([&] { return TempPathsStartingWith(COPY_PREFIX) == copiesBefore_; }, EXIT_TIMEOUT_MS,
                              POLL_INTERVAL_MS * 4))
            << "the uninstaller left a copy of itself in the temp folder";
    }

    // The question about the viewer left open, from the uninstaller's copy.
    void AnswerInUseQuestion(int answer, DWORD *asker)
    {
        HWND question = WaitForWindow(UNINSTALL_CAPTION, "#32770", 0, WINDOW_TIMEOUT_MS);
        ASSERT_NE(question, (HWND)NULL) << "nothing was asked about the viewer";
        *asker = WindowProcess(question);
        Keep(*asker, OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *asker));
        std::string text = MessageBoxText(question);
        EXPECT_EQ(text.rfind(IN_USE_QUESTION, 0), 0u) << text;
        EXPECT_NE(text.find("Velloran.exe: " + std::string(OPEN_PICTURE) + " - Velloran"), std::string::npos) << text;
        for (int button : { IDYES, IDNO, IDCANCEL })
            EXPECT_NE(GetDlgItem(question, button), (HWND)NULL) << "button " << button;
        Screenshot("in use question");
        ASSERT_TRUE(PressButton(question, answer));
        ASSERT_TRUE(WaitForWindowGone(question, WINDOW_TIMEOUT_MS));
    }

    // A picture of the user's opened in the installed viewer, and left open.
    DWORD LeaveViewerOpen(HWND *viewer)
    {
        std::string picture = pictures_ + "\\" + OPEN_PICTURE;
        EXPECT_TRUE(WritePicture(picture));
        DWORD process = OpenWithRegisteredCommand(picture);
        *viewer = process ? WaitForViewer(process, std::string(OPEN_PICTURE) + " - Velloran") : NULL;
        EXPECT_NE(*viewer, (HWND)NULL) << "the viewer did not open " << picture;
        return process;
    }

    void ExpectMachineAsBefore()
    {
        for (const std::string &difference : Differences(before_, ReadMachineState()))
            ADD_FAILURE() << "not as before the setup: " << difference;
    }

    std::string parent_, programs_, pictures_, shortcutFolder_;
    MachineState before_;
    std::vector<std::string> parentBefore_, copiesBefore_;
    std::vector<std::pair<DWORD, HANDLE>> processes_;
};

TEST_F(Uninstall, InstalledViewerShowsPicturesAndTheUninstallShortcutPutsTheMachineBack)
{
    ASSERT_NO_FATAL_FAILURE(Install());

    // A picture with spaces in its path, opened as a double-click in 64-bit
    // Explorer opens it; the registered command itself opens one in every
    // scenario that leaves the viewer open.
    const std::string name = "green and yellow.png";
    ASSERT_TRUE(WritePicture(pictures_ + "\\" + name));
    HWND viewer = OpenWith64BitShell(pictures_ + "\\" + name, name + " - Velloran");
    ASSERT_NE(viewer, (HWND)NULL);
    Screenshot("viewer");
    CloseViewer(viewer, WindowProcess(viewer));

    // A file of the user's own in the install folder.
    std::string notes = installDir_ + "\\My notes.txt";
    ASSERT_TRUE(WriteBytes(notes, { 'm', 'i', 'n', 'e' }));

    std::string text = UninstallWith(UninstallerFromShortcut());
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(text.find("Velloran has been removed from this computer"), 0u) << text;
    EXPECT_NE(text.find("Removed: 79 program files, 3 folders, 3 shortcuts, 6 registry keys, 4 file type links and "
                        "10 WIN.INI entries."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("The program folder " + installDir_ + " was not removed: it still holds 1 item that "
                        "Velloran did not install (files you added)."),
              std::string::npos)
        << text;

    ExpectMachineAsBefore();
    std::vector<std::string> left = TreeEntries(parent_);
    EXPECT_EQ(left, std::vector<std::string>({ "My Programs\\", "My Programs\\Velloran\\",
                                               "My Programs\\Velloran\\My notes.txt" }))
        << Joined(left);
}

// Cancel on the shortcut page asks; "No" keeps the page as it was, "Yes"
// ends the setup with its files installed but nothing registered, no
// shortcut and no shell window started. A copy of uninstall.exe elsewhere
// knows of nothing to remove; the one in the install folder removes the
// files it finds there.
TEST_F(Uninstall, CancelledSetupIsRemovedByItsOwnUninstaller)
{
    ASSERT_NO_FATAL_FAILURE(ArrangeMachine());
    HWND page = InstallUpToShortcutPage(programs_);
    ASSERT_NE(page, (HWND)NULL);
    const std::string preview = WindowText(GetDlgItem(page, IDC_SC_PREVIEW));
    for (int answer : { IDNO, IDYES }) {
        ASSERT_TRUE(PressButton(page, IDCANCEL));
        HWND question = WaitForBox(CONFIRMATION);
        ASSERT_NE(question, (HWND)NULL) << "no question after Cancel";
        EXPECT_EQ(MessageBoxText(question), SHORTCUT_CANCEL_QUESTION);
        EXPECT_EQ(GetWindow(question, GW_OWNER), page) << "the question belongs to the page";
        ASSERT_TRUE(PressButton(question, answer));
        ASSERT_TRUE(WaitForWindowGone(question, WINDOW_TIMEOUT_MS));
        if (answer == IDYES)
            break;
        EXPECT_TRUE(IsWindowVisible(page) && IsWindowEnabled(page)) << "the page did not stay after No";
        EXPECT_EQ(WindowText(GetDlgItem(page, IDC_SC_PREVIEW)), preview);
        EXPECT_EQ(SendMessageA(GetDlgItem(page, IDC_SC_REGISTER_TYPES), BM_GETCHECK, 0, 0), BST_CHECKED);
        ExpectMachineAsBefore();
    }
    ASSERT_NE(WaitForBox(CANCELLED), (HWND)NULL) << "no closing message after Yes";
    EXPECT_FALSE(IsWindow(page) && IsWindowVisible(page)) << "the page stayed open";
    Screenshot("cancelled");
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
    EXPECT_TRUE(Descendants(setup_.processId).empty()) << "the setup started a program";
    EndSetup(&setup_);
    ExpectMachineAsBefore();
    std::vector<std::string> installed = TreeEntries(installDir_);
    EXPECT_TRUE(Contains(installed, "Velloran.exe")) << Joined(installed);

    std::string elsewhere = scratch_ + "\\uninstall.exe";
    ASSERT_TRUE(CopyFileA((installDir_ + "\\uninstall.exe").c_str(), elsewhere.c_str(), FALSE));
    DWORD process = Start("\"" + elsewhere + "\"", scratch_);
    ASSERT_NE(process, 0u);
    DWORD shownBy = 0;
    std::string text = ClosingMessage(&shownBy);
    EXPECT_EQ(shownBy, process);
    EXPECT_NE(text.find("Velloran is not installed on this computer"), std::string::npos) << text;
    EXPECT_EQ(ExitCodeOf(process), EXIT_NOT_INSTALLED) << "nothing to remove";
    EXPECT_EQ(TreeEntries(installDir_), installed) << "files were removed by an uninstaller from elsewhere";
    DeleteFileA(elsewhere.c_str());

    text = UninstallWith(installDir_ + "\\uninstall.exe");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(text.find("Velloran has been removed from this computer.\n"), 0u) << text;
    EXPECT_NE(text.find("Removed: 79 program files, 4 folders"), std::string::npos) << text;
    ExpectMachineAsBefore();
    EXPECT_EQ(TreeEntries(parent_), parentBefore_);
}

TEST_F(Uninstall, GoneInstallFolderIsReportedAndTheRestIsRemoved)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    // The user kept the uninstaller and deleted the install folder by hand.
    std::string kept = scratch_ + "\\uninstall.exe";
    ASSERT_TRUE(CopyFileA((installDir_ + "\\uninstall.exe").c_str(), kept.c_str(), FALSE));
    RemoveTree(installDir_);
    ASSERT_FALSE(DirectoryExists(installDir_));

    DWORD process = Start("\"" + kept + "\"", scratch_);
    ASSERT_NE(process, 0u);
    ASSERT_NO_FATAL_FAILURE(AnswerYes(process));
    DWORD shownBy = 0;
    std::string text = ClosingMessage(&shownBy);
    EXPECT_EQ(shownBy, process) << "an uninstaller outside the install folder works in place";
    EXPECT_NE(text.find("The program folder " + installDir_ + " was already gone."), std::string::npos) << text;
    EXPECT_NE(text.find("3 shortcuts"), std::string::npos) << text;
    EXPECT_EQ(ExitCodeOf(process), 0u);
    EXPECT_TRUE(FileExists(kept)) << "the uninstaller deleted itself, which is no part of the install";

    ExpectMachineAsBefore();
    EXPECT_EQ(TreeEntries(parent_), parentBefore_);
}

// The viewer left open through a second installation: the running
// Velloran.exe is renamed aside, the new one written, and the setup ends with
// its success message; the old file goes at the restart. The setup and the
// uninstaller give way to each other (1618). Opened again, the viewer is
// closed by the uninstaller when asked to, and everything goes, though the
// second setup found the extensions pointing at Velloran already.
TEST_F(Uninstall, AViewerLeftOpenIsReplacedByAReinstallAndClosedByTheUninstaller)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string viewerFile = installDir_ + "\\Velloran.exe";
    HWND viewer = NULL;
    DWORD viewerProcess = LeaveViewerOpen(&viewer);
    ASSERT_NE(viewer, (HWND)NULL);
    ULONGLONG running = FileId(viewerFile);
    ASSERT_NO_FATAL_FAILURE(InstallAgain(true));

    std::string kept;
    for (const std::string &name : FolderEntries(installDir_))
        if (name.rfind("Velloran.exe~", 0) == 0)
            kept = installDir_ + "\\" + name;
    ASSERT_FALSE(kept.empty()) << "the running Velloran.exe was not kept aside";
    EXPECT_EQ(FileId(kept), running);
    EXPECT_NE(FileId(viewerFile), running) << "the new Velloran.exe was not written";
    EXPECT_TRUE(MarkedForDeletionAtRestart(kept)) << kept;
    EXPECT_TRUE(!WaitForProcessGone(viewerProcess, 0) && IsWindow(viewer)) << "the reinstall stopped the viewer";
    CloseViewer(viewer, viewerProcess);
    ASSERT_TRUE(RestartWine());
    EXPECT_FALSE(FileExists(kept)) << "the old Velloran.exe outlived the restart";
    EXPECT_TRUE(FileExists(viewerFile));

    // The uninstaller waiting at its question keeps a setup from starting,
    // and a setup on its first page keeps a quiet uninstaller from starting.
    DWORD asking = Start("\"" + UninstallerFromShortcut() + "\"", scratch_);
    HWND question = WaitForWindow(UNINSTALL_CAPTION, "#32770", asking, WINDOW_TIMEOUT_MS);
    ASSERT_NE(question, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    EXPECT_EQ(WaitForExit(setup_.process, EXIT_TIMEOUT_MS), (DWORD)EXIT_ANOTHER_RUNNING);
    EndSetup(&setup_);
    ASSERT_TRUE(PressButton(question, IDNO));
    EXPECT_EQ(ExitCodeOf(asking), (DWORD)EXIT_CANCELLED);
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    ASSERT_NE(WaitForPage(AGREEMENT_PAGE), (HWND)NULL);
    DWORD quiet = Start("\"" + UninstallerFromShortcut() + "\" /S", scratch_);
    EXPECT_EQ(ExitCodeOf(quiet), (DWORD)EXIT_ANOTHER_RUNNING);
    EXPECT_TRUE(FileExists(viewerFile)) << "the uninstaller removed files while a setup ran";
    EndSetup(&setup_);

    viewerProcess = LeaveViewerOpen(&viewer);
    ASSERT_NE(viewer, (HWND)NULL);
    std::string text = UninstallWith(UninstallerFromShortcut(), IDYES);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(WaitForProcessGone(viewerProcess, EXIT_TIMEOUT_MS)) << "the viewer was not closed";
    EXPECT_EQ(text.find("Velloran has been removed from this computer.\n"), 0u) << text;
    ExpectMachineAsBefore();
    EXPECT_EQ(TreeEntries(parent_), parentBefore_);
}

// The viewer left open at uninstall: "Cancel" removes nothing; "No" removes
// the rest, and the report says that Velloran.exe goes at the restart with
// its folder. Velloran installed again before the restart: the restart
// deletes the old viewer, which waits under a name of its own, and leaves
// the new installation whole, which the quiet removal then takes away.
TEST_F(Uninstall, AViewerLeftOpenAtUninstallGoesAtTheRestartAndAReinstallMeanwhileStaysWhole)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    HWND viewer = NULL;
    DWORD viewerProcess = LeaveViewerOpen(&viewer);
    ASSERT_NE(viewer, (HWND)NULL);
    std::vector<std::string> installed = TreeEntries(installDir_);

    UninstallWith(UninstallerFromShortcut(), IDCANCEL);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(TreeEntries(installDir_), installed) << "Cancel removed files";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY)) << "Cancel removed the uninstall entry";

    std::string text = UninstallWith(UninstallerFromShortcut(), IDNO);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(text.find("Velloran has been removed from this computer, with some things left behind."), 0u) << text;
    EXPECT_NE(text.find("1 file is in use and will be removed when Windows restarts, together with the program "
                        "folder " + installDir_ + "."), std::string::npos) << text;
    EXPECT_EQ(text.find("files you added"), std::string::npos) << text;
    std::vector<std::string> left = TreeEntries(installDir_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind("Velloran.exe~", 0), 0u) << left[0] << ": not renamed before it was marked";
    EXPECT_TRUE(MarkedForDeletionAtRestart(installDir_ + "\\" + left[0])) << left[0];
    EXPECT_TRUE(MarkedForDeletionAtRestart(installDir_)) << "the folder is not marked for the restart";
    EXPECT_FALSE(WaitForProcessGone(viewerProcess, 0)) << "the viewer was closed, though the answer was No";

    ASSERT_NO_FATAL_FAILURE(InstallAgain(true));
    CloseViewer(viewer, viewerProcess);
    ASSERT_TRUE(RestartWine());
    EXPECT_EQ(TreeEntries(installDir_), installed) << "the restart took files of the new installation";

    // The quiet removal that winget and deployment tools start from the
    // entry: no window, exit code 0 from the process started, and the
    // install folder, uninstaller and all, gone by then.
    std::string command;
    ASSERT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "QuietUninstallString", &command));
    DWORD quiet = Start(command, scratch_);
    ASSERT_NE(quiet, 0u);
    std::vector<std::string> windows;
    EXPECT_EQ(ExitCodeOf(quiet, &windows), 0u);
    for (const std::string &window : windows)
        ADD_FAILURE() << "the quiet uninstall showed " << window;
    EXPECT_FALSE(DirectoryExists(installDir_));
    ExpectCopyGone();
    ExpectMachineAsBefore();
    EXPECT_EQ(TreeEntries(parent_), parentBefore_);
}

}  // namespace

// The setup started as deployment tools start it: with switches, nobody at
// the screen, and only the exit code and the log to tell what it did.
#include "finish_steps.h"
#include "install_steps.h"

#include <sstream>

class Deployment : public FullInstallScenario {
protected:
    // Starts the setup with the switches and waits for its end, noting any
    // window that shows up meanwhile; the exit code.
    DWORD RunWithoutAPerson(const std::string &arguments, std::vector<std::string> *windows)
    {
        SetupProcess quiet = {};
        if (!StartSetup(scratch_, &quiet, std::string(), arguments)) {
            ADD_FAILURE() << "cannot start the setup with " << arguments;
            return STILL_ACTIVE;
        }
        setups_.push_back(quiet.processId);
        DWORD code = WaitForExitNotingNewWindows(quiet.process, INSTALL_TIMEOUT_MS, windows);
        EndSetup(&quiet);
        return code;
    }

    static std::vector<std::string> LogLines(const std::string &path)
    {
        std::string text;
        std::vector<std::string> lines;
        EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
        return lines;
    }

    static int CountContaining(const std::vector<std::string> &lines, const std::string &part)
    {
        int count = 0;
        for (const std::string &line : lines)
            count += line.find(part) != std::string::npos;
        return count;
    }

    // Every file below the folder with its bytes.
    static std::vector<std::pair<std::string, std::string>> Contents(const std::string &folder)
    {
        std::vector<std::pair<std::string, std::string>> contents;
        for (const std::string &file : FilesBelow(folder)) {
            std::string bytes;
            ReadWholeFile(file, &bytes);
            contents.push_back({ file, bytes });
        }
        return contents;
    }
};

// Silent into "C:\deploy e2e-...\Velloran" with a log; the quiet uninstall
// gives the machine back, and an interactive install of the same choices
// then leaves exactly the same files, registry, WIN.INI and shortcuts.
TEST_F(Deployment, SilentInstallLeavesWhatAnInteractiveOneLeavesAndItsUninstallGivesTheMachineBack)
{
    std::string parent = MakeInstallParent("deploy e2e");
    ASSERT_FALSE(parent.empty());
    std::string installDir = parent + "\\Velloran";
    std::string log = scratch_ + "\\setup log.txt";
    std::vector<std::string> windows;
    ASSERT_EQ(RunWithoutAPerson("/s /LOG=\"" + log + "\" /D=" + installDir, &windows), EXIT_INSTALLED);
    for (const std::string &window : windows)
        ADD_FAILURE() << "the silent setup showed " << window;
    std::vector<std::pair<std::string, std::string>> silentFiles = Contents(installDir);
    MachineState silentMachine = ReadMachineState();
    EXPECT_FALSE(Differences(machineBefore_, silentMachine).empty()) << "the silent setup registered nothing";

    std::vector<std::string> lines = LogLines(log);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines.front().find("Velloran Setup 1.00 log"), std::string::npos) << lines.front();
    EXPECT_NE(lines.back().find("End: exit code 0, installed"), std::string::npos) << lines.back();
    EXPECT_EQ(CountContaining(lines, "Folder made: " + installDir), 4) << "the folder and its three subfolders";
    EXPECT_EQ(CountContaining(lines, "File written: " + installDir + "\\"), PayloadRows());
    EXPECT_EQ(CountContaining(lines, "Shortcut: "), 3);
    EXPECT_GT(CountContaining(lines, "WIN.INI: [extensions] "), 0);
    EXPECT_GT(CountContaining(lines, "(64-bit view)"), 0);
    EXPECT_GT(CountContaining(lines, "Registry value: "), 20);

    std::string command;
    ASSERT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "QuietUninstallString", &command));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, scratch_.c_str(), &startup, &info));
    CloseHandle(info.hThread);
    Adopt(info.dwProcessId);
    EXPECT_EQ(WaitForExitNotingNewWindows(info.hProcess, INSTALL_TIMEOUT_MS, &windows), 0u);
    CloseHandle(info.hProcess);
    EXPECT_FALSE(DirectoryExists(installDir));
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "not given back by the uninstall: " << difference;

    HWND page = InstallUpToShortcutPage(parent);
    ASSERT_NE(page, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(FinishAndCloseShellWindow(page, StartMenuRoot() + "\\Programs\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessAndExit());
    std::vector<std::pair<std::string, std::string>> interactiveFiles = Contents(installDir);
    ASSERT_EQ(interactiveFiles.size(), silentFiles.size());
    for (size_t i = 0; i < silentFiles.size(); ++i) {
        EXPECT_EQ(interactiveFiles[i].first, silentFiles[i].first);
        EXPECT_TRUE(interactiveFiles[i].second == silentFiles[i].second) << silentFiles[i].first;
    }
    for (const std::string &difference : Differences(silentMachine, ReadMachineState()))
        ADD_FAILURE() << "the interactive install left otherwise: " << difference;
}

// Nothing can be written where the install folder must go (a file is in the
// way): the run ends with 1603, and the machine is as it was.
TEST_F(Deployment, SilentInstallThatCannotWriteItsFolderFailsAndLeavesNothing)
{
    std::string parent = MakeInstallParent("deploy blocked");
    ASSERT_FALSE(parent.empty());
    std::string installDir = parent + "\\Velloran";
    ASSERT_TRUE(WriteWholeFile(installDir, "not a folder"));
    std::vector<std::string> parentBefore = TreeEntries(parent), tempBefore = TempEntries();
    std::string log = scratch_ + "\\blocked.log";
    std::vector<std::string> windows;
    EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + log + " /D=" + installDir, &windows), EXIT_FAILED);
    for (const std::string &window : windows)
        ADD_FAILURE() << "the silent setup showed " << window;
    EXPECT_EQ(TreeEntries(parent), parentBefore);
    EXPECT_EQ(TempEntries(), tempBefore);
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "left behind: " << difference;
    std::vector<std::string> lines = LogLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(CountContaining(lines, "Copy failed at: " + installDir), 1);
    EXPECT_NE(lines.back().find("End: exit code 1603"), std::string::npos) << lines.back();
}

// A mistake in the switches installs nothing: a box that names it when a
// person is there, the reason in the log when not; exit code 87 either way.
TEST_F(Deployment, AMistakeInTheSwitchesEndsWith87AndDoesNothing)
{
    arguments_ = "/BOGUS";
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    HWND box = WaitForBox("Setup");
    ASSERT_NE(box, (HWND)NULL);
    EXPECT_EQ(MessageBoxText(box).find("The switch \"/BOGUS\" is not valid."), 0u) << MessageBoxText(box);
    EXPECT_NE(MessageBoxText(box).find("/NOASSOC"), std::string::npos) << "the valid switches are listed";
    EXPECT_EQ(TopLevelWindows(setup_.processId).size(), 1u) << "a box without the backdrop or a page";
    Screenshot("refused");
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), 87u);

    struct Refusal {
        const char *arguments;
        const char *logged;
    };
    const Refusal refusals[] = {
        { " /BOGUS", "Refused: /BOGUS: This switch is not known." },
        { " /D=Velloran", "Refused: /D=Velloran: The install folder must be a full path" },
        { " /D=C:\\NUL", "Refused: /D=C:\\NUL: The install folder holds a name" },
    };
    std::string log = scratch_ + "\\refused.log";
    for (const Refusal &refusal : refusals) {
        std::vector<std::string> windows;
        EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + log + refusal.arguments, &windows), 87u) << refusal.arguments;
        EXPECT_TRUE(windows.empty()) << windows.front();
        std::vector<std::string> lines = LogLines(log);
        EXPECT_EQ(CountContaining(lines, refusal.logged), 1) << refusal.arguments;
        EXPECT_EQ(CountContaining(lines, "End: exit code 87, bad command line"), 1) << refusal.arguments;
    }
    std::vector<std::string> windows;
    EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + scratch_ + "\\missing\\v.log", &windows), 87u)
        << "a log into a folder that does not exist";
    EXPECT_TRUE(windows.empty());
    EXPECT_EQ(TreeEntries(scratch_), std::vector<std::string>{ "refused.log" });
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "changed: " << difference;
}

// Without /S, /D= opens the directory page on the folder's parent, with its
// last part as the new folder's name.
TEST_F(Deployment, ANamedFolderIsPreselectedOnTheDirectoryPage)
{
    std::string parent = MakeInstallParent("deploy preselect");
    ASSERT_FALSE(parent.empty());
    arguments_ = "/D=" + parent + "\\Velloran 2";
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    HWND agreement = WaitForPage(AGREEMENT_PAGE);
    ASSERT_NE(agreement, (HWND)NULL);
    ASSERT_TRUE(PressButton(agreement, IDOK));
    HWND page = WaitForPage(DIRECTORY_PAGE);
    ASSERT_NE(page, (HWND)NULL);
    EXPECT_TRUE(WaitForText(GetDlgItem(page, IDC_DIR_PREVIEW), parent + "\\Velloran 2"))
        << WindowText(GetDlgItem(page, IDC_DIR_PREVIEW));
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DIR_FOLDER_NAME)), "Velloran 2");
    HWND list = GetDlgItem(page, IDC_DIR_FOLDER_LIST);
    EXPECT_EQ(ListViewItems(list), (std::vector<std::string>{ UP_ENTRY, "Velloran 2" }));
    std::vector<std::string> drives = ComboItems(GetDlgItem(page, IDC_DIR_DRIVES));
    int drive = ComboSelection(GetDlgItem(page, IDC_DIR_DRIVES));
    ASSERT_GE(drive, 0);
    EXPECT_EQ(drives[drive].substr(0, 2), "C:");
    Screenshot("preselected");
}

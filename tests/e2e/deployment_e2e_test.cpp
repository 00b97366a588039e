// The setup started as deployment tools start it: with switches, nobody at
// the screen, and only the exit code and the log to tell what it did.
#include "finish_steps.h"
#include "install_steps.h"

class Deployment : public FullInstallScenario {
protected:
    // Starts the setup with the switches and waits for its end; any window
    // shown meanwhile is a failure. The exit code.
    DWORD RunWithoutAPerson(const std::string &arguments)
    {
        SetupProcess quiet = {};
        std::vector<std::string> windows;
        EXPECT_TRUE(StartSetup(scratch_, &quiet, std::string(), arguments)) << arguments;
        setups_.push_back(quiet.processId);
        DWORD code = WaitForExitNotingNewWindows(quiet.process, INSTALL_TIMEOUT_MS, &windows);
        EndSetup(&quiet);
        for (const std::string &window : windows)
            ADD_FAILURE() << arguments << " showed " << window;
        return code;
    }

    // How many lines of the log hold the part; the last line must be the end.
    static int Lines(const std::string &log, const std::string &part)
    {
        int count = 0;
        for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
            ++count;
        return count;
    }
    static bool EndsWith(const std::string &log, const std::string &end)
    {
        return log.size() >= end.size() && log.compare(log.size() - end.size(), end.size(), end) == 0;
    }

    // Every file below the folder with its bytes.
    static std::vector<std::pair<std::string, std::string>> Contents(const std::string &folder)
    {
        std::vector<std::pair<std::string, std::string>> contents;
        for (const std::string &file : FilesBelow(folder))
            contents.push_back({ file, FileText(file) });
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
    std::string installDir = parent + "\\Velloran", logPath = scratch_ + "\\setup log.txt";
    ASSERT_EQ(RunWithoutAPerson("/s /LOG=\"" + logPath + "\" /D=" + installDir), EXIT_INSTALLED);
    std::vector<std::pair<std::string, std::string>> silentFiles = Contents(installDir);
    MachineState silentMachine = ReadMachineState();
    std::string log = FileText(logPath);
    EXPECT_EQ(log.find(" Velloran Setup 1.00 log\r\n"), 12u) << log.substr(0, 80);
    EXPECT_TRUE(EndsWith(log, " End: exit code 0, installed\r\n"));
    EXPECT_EQ(Lines(log, "Folder made: " + installDir), 4) << "the folder and its three subfolders";
    EXPECT_EQ(Lines(log, "File written: " + installDir + "\\"), PayloadRows());
    EXPECT_EQ(Lines(log, "Shortcut: "), 3);
    EXPECT_GT(Lines(log, "WIN.INI: [extensions] "), 0);
    EXPECT_EQ(Lines(log, std::string("Registry value: HKLM\\") + UNINSTALL_ENTRY +
                             " : DisplayName = \"Velloran\" (32-bit view)"), 1);
    EXPECT_EQ(Lines(log, std::string("Registry value: HKLM\\") + REGISTERED_APPLICATIONS +
                             " : Velloran = \"SOFTWARE\\Velloran\\Capabilities\" (64-bit view)"), 1);

    std::string command;
    ASSERT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "QuietUninstallString", &command));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, scratch_.c_str(), &startup, &info));
    CloseHandle(info.hThread);
    Adopt(info.dwProcessId);
    EXPECT_EQ(WaitForExit(info.hProcess, INSTALL_TIMEOUT_MS), 0u);
    CloseHandle(info.hProcess);
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "not given back by the uninstall: " << difference;

    HWND page = InstallUpToShortcutPage(parent);
    ASSERT_NE(page, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(FinishAndCloseShellWindow(page, StartMenuRoot() + "\\Programs\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessAndExit());
    EXPECT_TRUE(Contents(installDir) == silentFiles) << "the installed files differ";
    for (const std::string &difference : Differences(silentMachine, ReadMachineState()))
        ADD_FAILURE() << "the interactive install left otherwise: " << difference;
}

// Nothing can be written where the install folder must go (a file is in the
// way): the run ends with 1603, and the machine is as it was.
TEST_F(Deployment, SilentInstallThatCannotWriteItsFolderFailsAndLeavesNothing)
{
    std::string parent = MakeInstallParent("deploy blocked");
    ASSERT_FALSE(parent.empty());
    std::string installDir = parent + "\\Velloran", logPath = scratch_ + "\\blocked.log";
    ASSERT_TRUE(WriteWholeFile(installDir, "not a folder"));
    std::vector<std::string> parentBefore = TreeEntries(parent), tempBefore = TempEntries();
    EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + logPath + " /D=" + installDir), EXIT_FAILED);
    EXPECT_EQ(TreeEntries(parent), parentBefore);
    EXPECT_EQ(TempEntries(), tempBefore);
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "left behind: " << difference;
    std::string log = FileText(logPath);
    EXPECT_EQ(Lines(log, " Copy failed at: " + installDir + "\r\n"), 1);
    EXPECT_TRUE(EndsWith(log, " End: exit code 1603, failed; what this run changed was given back\r\n"));
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

    const char *const refusals[][2] = {
        { " /BOGUS", " Refused: /BOGUS: This switch is not known.\r\n" },
        { " /D=Velloran", " Refused: /D=Velloran: The install folder must be a full path" },
        { " /D=C:\\NUL", " Refused: /D=C:\\NUL: The install folder holds a name that Windows can't make.\r\n" },
    };
    std::string logPath = scratch_ + "\\refused.log";
    for (const auto &refusal : refusals) {
        EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + logPath + refusal[0]), 87u) << refusal[0];
        std::string log = FileText(logPath);
        EXPECT_EQ(Lines(log, refusal[1]), 1) << log;
        EXPECT_TRUE(EndsWith(log, " End: exit code 87, bad command line; nothing installed\r\n")) << log;
    }
    EXPECT_EQ(RunWithoutAPerson("/S /LOG=" + scratch_ + "\\missing\\v.log"), 87u) << "a log in no folder";
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
    EXPECT_EQ(ListViewItems(GetDlgItem(page, IDC_DIR_FOLDER_LIST)),
              (std::vector<std::string>{ UP_ENTRY, "Velloran 2" }));
    Screenshot("preselected");
}

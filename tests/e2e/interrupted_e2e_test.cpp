// A setup that never reached its own ending: stopped in the middle of the
// copy as Task Manager stops a program. The next start puts things right, and a
// journal planted for it to follow is not followed, nor a link put in place
// of the folder it names.
#include "install_steps.h"

namespace {

const char JOURNALS[] = "SOFTWARE\\VelloranSetup\\Journal";
const char OWNER_KEY[] = "SOFTWARE\\VelloranSetup";
const char UNDO_CAPTION[] = "Setup";
const char UNDONE_START[] = "Setup found that an earlier installation of Velloran into ";

enum { KILL_ROWS = 30 };

class Interrupted : public InstallScenario {
protected:
    void TearDown() override
    {
        InstallScenario::TearDown();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, OWNER_KEY);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, OWNER_KEY);
        // Only once the setup has gone: "rm" started beside a running setup
        // took the test program down with it.
        if (!link_.empty()) {
            EXPECT_TRUE(RemoveUnixLink(link_));
            RemoveTree(root_);
        }
    }

    // "Next" into the scenario's folder, and the copy under way.
    void StartCopy(bool folderExists)
    {
        HWND copy = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenCopyPage(folderExists, &copy));
        ASSERT_TRUE(WaitForInstalledRows(KILL_ROWS, copy)) << "the copy did not get under way";
    }

    void Kill()
    {
        ASSERT_TRUE(TerminateProcess(setup_.process, 1));
        ASSERT_EQ(WaitForSingleObject(setup_.process, EXIT_TIMEOUT_MS), WAIT_OBJECT_0);
        EndSetup(&setup_);
    }

    // The setup started again: a message of its own with an OK button alone
    // (its text), then the agreement page and nothing else.
    std::string StartAgain()
    {
        std::string text;
        StartSetupIn();
        if (HWND box = WaitForBox(UNDO_CAPTION)) {
            EXPECT_NE(GetDlgItem(box, IDOK), (HWND)NULL);
            for (int other : { IDCANCEL, IDYES, IDNO })
                EXPECT_EQ(GetDlgItem(box, other), (HWND)NULL) << "a question where a message was due";
            text = MessageBoxText(box);
            Screenshot("message");
            EXPECT_TRUE(PressButton(box, IDOK));
            EXPECT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT_MS));
        }
        EXPECT_FALSE(text.empty()) << "no message before the agreement page";
        EXPECT_NE(WaitForPage(AGREEMENT_PAGE), (HWND)NULL) << "the setup did not go on as usual";
        for (HWND window : TopLevelWindows(setup_.processId))
            EXPECT_TRUE(WindowClass(window) != "#32770" || WindowText(window) == AGREEMENT_PAGE)
                << "another box: " << MessageBoxText(window);
        return text;
    }

    std::string link_;   // a link the scenario put in place of a folder
};

FILETIME LastWritten(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Over an earlier installation with the user's settings and notes, stopped
// after 30 files. The next start puts every earlier file back under its
// name, with its contents, attributes and times, and removes all the run
// wrote.
TEST_F(Interrupted, KilledOverAnEarlierInstallationIsUndoneAtTheNextStart)
{
    std::vector<EarlierFile> earlier = {
        { "\\velloran.cfg", "the user's settings", FILE_ATTRIBUTE_NORMAL },
        { "\\Velloran.exe", "an older Velloran.exe", FILE_ATTRIBUTE_NORMAL },
        { "\\readme.wri", "{\\rtf1 an older readme}", FILE_ATTRIBUTE_READONLY },
        { "\\my notes.txt", "the user's own notes", FILE_ATTRIBUTE_NORMAL },
    };
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));
    const FILETIME longAgo = { 0xC89DC000, 0x01C07385 };   // 1 January 2001
    for (const EarlierFile &file : earlier) {
        std::string path = installDir_ + file.suffix;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_TRUE(SetFileTime(handle, NULL, NULL, &longAgo)) << path;
        CloseHandle(handle);
        SetFileAttributesA(path.c_str(), file.attributes);
    }

    ASSERT_NO_FATAL_FAILURE(StartCopy(true));
    ASSERT_NO_FATAL_FAILURE(Kill());
    // What the kill leaves: earlier files under their kept names, the run's
    // files, its temp folder and its journal.
    int kept = 0;
    for (const std::string &name : FolderEntries(installDir_))
        kept += name.find('~') != std::string::npos;
    EXPECT_EQ(kept, 3) << "the earlier files were not kept aside";
    EXPECT_FALSE(NewTempEntries().empty());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, JOURNALS));

    const std::string text = StartAgain();
    EXPECT_EQ(text.rfind(UNDONE_START + installDir_ + " was stopped before it ended, and has undone it: ", 0), 0u)
        << text;
    EXPECT_NE(text.find(" files it had installed were removed"), std::string::npos) << text;
    EXPECT_NE(text.find(" and 3 earlier files were put back."), std::string::npos) << text;
    ExpectInstalledRows(0, earlier);
    for (const EarlierFile &file : earlier) {
        FILETIME written = LastWritten(installDir_ + file.suffix);
        EXPECT_EQ(CompareFileTime(&written, &longAgo), 0) << file.suffix << ": its time changed";
    }
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, OWNER_KEY)) << "the journal stayed";
}

// A journal planted to name a file outside its install directory is not
// followed: it stays, and the user is told. (The unit tests try the other
// journals that fail a check.)
TEST_F(Interrupted, APlantedJournalNamingAFileOutsideItsFolderIsRefused)
{
    const std::string victim = root_ + "\\victim.txt";
    const std::string journal = std::string(JOURNALS) + "\\0badf00d";
    ASSERT_TRUE(WriteWholeFile(victim, "not the setup's"));
    ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), NULL));
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, journal, "InstallDir", installDir_));
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, journal, "0000", "F|" + victim + "|"));

    EXPECT_EQ(StartAgain(), "Setup found the record of an earlier installation of Velloran that did not end, but left it "
                        "as it is and changed nothing, because it names a file or folder outside the folder that "
                        "installation went into: HKEY_LOCAL_MACHINE\\" + journal + ".");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, journal));
    EXPECT_EQ(FileText(victim), "not the setup's") << "the planted journal was followed";
}

// Into a new folder, stopped while the copy page asks whether to cancel; a
// second setup started then ends at once and leaves the running one and its
// journal alone. The folder swapped for a link after the kill, by someone
// who may rename things in its parent: the next start names it and changes
// nothing, neither where the link leads nor the journal. The folder put
// back, the start after leaves nothing of the run: not even the folders it
// made.
TEST_F(Interrupted, KilledInANewFolderRefusesALinkInItsPlaceAndLeavesNothingAfterTheNextStart)
{
    ASSERT_NO_FATAL_FAILURE(StartCopy(false));
    ASSERT_TRUE(PressButton(WaitForPage(COPY_PAGE), IDCANCEL));
    ASSERT_NE(WaitForBox(QUESTION), (HWND)NULL) << "Cancel asked nothing";
    int rows = InstalledPrefix(installDir_);
    SetupProcess second = {};
    ASSERT_TRUE(StartSetup(scratch_, &second));
    EXPECT_EQ(WaitForExit(second, EXIT_TIMEOUT_MS), EXIT_ANOTHER_RUNNING) << "a second setup ran beside the first";
    EndSetup(&second);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, JOURNALS)) << "the running setup's journal went";
    EXPECT_EQ(InstalledPrefix(installDir_), rows) << "the running setup's files changed";
    ASSERT_NO_FATAL_FAILURE(Kill());

    const std::string moved = root_ + "\\moved";
    ASSERT_TRUE(MoveFileA(installDir_.c_str(), moved.c_str()));
    ASSERT_TRUE(MakeUnixLink(installDir_, moved));
    link_ = installDir_;
    const std::vector<std::string> files = FilesBelow(moved);
    ASSERT_GE(files.size(), (size_t)KILL_ROWS);
    std::string text = StartAgain();
    EXPECT_EQ(text.rfind("Setup found the record of an earlier installation of Velloran that did not end, but left it "
                         "as it is and changed nothing, because the folder " + installDir_
                         + " is now a link, or no longer a folder: HKEY_LOCAL_MACHINE\\" + JOURNALS + "\\", 0), 0u)
        << text;
    EXPECT_EQ(FilesBelow(moved), files) << "the undo went through the link";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, JOURNALS)) << "the journal went";
    EndSetup(&setup_);
    ASSERT_TRUE(RemoveUnixLink(link_));
    link_.clear();
    ASSERT_TRUE(MoveFileA(moved.c_str(), installDir_.c_str()));

    text = StartAgain();
    EXPECT_EQ(text.rfind(UNDONE_START + installDir_, 0), 0u) << text;
    EXPECT_NE(text.find(" and 4 folders it had made were removed."), std::string::npos) << text;
    EXPECT_TRUE(TreeEntries(root_).empty()) << "the run left something in " << root_;
    ExpectNoTemporaryFiles();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, OWNER_KEY)) << "the journal stayed";
}

} // namespace

// uninstall.exe driven as a user would, over an installation laid out here the
// way the setup leaves it: the manifest's files, the registry entries, the
// file type links, WIN.INI entries and a shortcut folder.
#include "install/manifest.h"
#include "setup_windows.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

// The whole removal runs within the one wait; a bound, not an expectation.
enum { QUIET_REMOVAL_TIMEOUT = 120000 };

const char kDialogClass[] = "#32770";
const char *const kShortcuts[] = { "Velloran.lnk", "Uninstall.lnk", "Readme.lnk" };

// Another program owns .gif, in the registry and in WIN.INI, before and after.
const char kForeignType[] = "gif";
const char kForeignClass[] = "OtherViewer.Gif";
const char kForeignWinIni[] = "C:\\Other\\paint.exe ^.gif";

std::set<std::string> ProgramsInTemp()
{
    std::set<std::string> programs;
    // The uninstaller's copy lies in a private folder of its own.
    for (const std::string &name : FolderEntries(TempDirectory())) {
        if ((name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".exe") == 0)
            || name.compare(0, 19, "Velloran-uninstall-") == 0)
            programs.insert(name);
    }
    return programs;
}

// A key below this one deeper than any the setup writes.
std::string DeepKeyBelow(const char *key)
{
    std::string deep = key;
    for (int level = 0; level < 20; ++level)
        deep += "\\level";
    return deep;
}

std::string ProcessImage(HANDLE process)
{
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &size))
        return std::string();
    return path;
}

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A real installation in this prefix is not the test's to touch.
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY)) << "Velloran is registered already";
        ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, DOCUMENT_TYPE)) << "VELLORAN1.Image exists already";
        machineBefore_ = ReadMachineState();
        programsInTemp_ = ProgramsInTemp();
        root_ = MakeTempFolder("Velloran uninstall ");
        ASSERT_FALSE(root_.empty());
        programDir_ = root_ + "\\Program Files\\Velloran";
        shortcutDir_ = root_ + "\\Start Menu\\Velloran";
    }

    void TearDown() override
    {
        EndProcess(&copy_.process, copy_.id);
        EndProcess(&original_.process, original_.id);
        PutMachineState(machineBefore_);
        for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
            ADD_FAILURE() << "not put back: " << difference;
        RemoveTree(root_);
        // A copy that failed to delete itself is removed here, after the checks.
        for (const std::string &name : ProgramsInTemp()) {
            if (!programsInTemp_.count(name))
                DeleteFileA((TempDirectory() + name).c_str());
        }
    }

    std::string Installed(int row) const { return programDir_ + g_destinationSuffixes[row]; }
    std::string Viewer() const { return programDir_ + "\\Velloran.exe"; }

    // What the setup leaves behind, with the uninstaller itself among the files.
    void LayOutInstallation()
    {
        ASSERT_TRUE(CreateDirectoryA((root_ + "\\Program Files").c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(programDir_.c_str(), NULL));
        for (int i = 0; i < SUBDIR_COUNT; ++i)
            ASSERT_TRUE(CreateDirectoryA((programDir_ + g_subdirectories[i]).c_str(), NULL));
        for (int row = 0; row < MANIFEST_ROWS; ++row)
            ASSERT_TRUE(WriteWholeFile(Installed(row), ("payload row " + std::to_string(row)).c_str()));
        std::string uninstaller = programDir_ + "\\uninstall.exe";
        ASSERT_TRUE(CopyFileA(ToWindowsPath(UNINSTALL_EXE).c_str(), uninstaller.c_str(), FALSE));
        ASSERT_TRUE(CreateDirectoryA((root_ + "\\Start Menu").c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(shortcutDir_.c_str(), NULL));
        for (const char *shortcut : kShortcuts)
            ASSERT_TRUE(WriteWholeFile(shortcutDir_ + "\\" + shortcut, "shortcut"));

        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, APP_PATHS_ENTRY, "", (programDir_ + "\\VELLORAN.EXE").c_str()));
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, APP_PATHS_ENTRY, "Path", programDir_.c_str()));
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, APP_PATHS_EXE_ENTRY, "", (programDir_ + "\\VELLORAN.EXE").c_str()));
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, (std::string(APPLICATION_KEY) + "\\SupportedTypes").c_str(),
                                     ".bmp", ""));
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, (std::string(VENDOR_KEY) + "\\Capabilities").c_str(),
                                     "ApplicationName", "Velloran", VIEW_FLAGS[VIEW_64]));
        // Of the entry's values, written for the list of installed programs,
        // the uninstaller reads only these two; the key goes whole.
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "Progdir", programDir_.c_str()));
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "Scdir", shortcutDir_.c_str()));

        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, DOCUMENT_TYPE, "", "Velloran 1.00"));
        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, "VELLORAN1.Image\\DefaultIcon", "", (Viewer() + ",0").c_str()));
        ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, "VELLORAN1.Image\\shell\\open\\command", "",
                                     ("\"" + Viewer() + "\" \"%1\"").c_str()));
        for (const char *type : IMAGE_TYPES) {
            std::string key = "." + std::string(type);
            bool foreign = lstrcmpA(type, kForeignType) == 0;
            ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, key.c_str(), "", foreign ? kForeignClass : DOCUMENT_TYPE));
            std::string entry = Viewer() + " ^." + type;
            // One entry in other letters: Windows paths do not care.
            if (lstrcmpA(type, "bmp") == 0)
                CharUpperA(&entry[0]);
            ASSERT_TRUE(WriteProfileStringA("extensions", type, foreign ? kForeignWinIni : entry.c_str()));
        }
    }

    // The uninstaller in the install folder, as its shortcut or a tool starts it.
    void Start(const char *tail = "")
    {
        ASSERT_TRUE(StartProcess(programDir_ + "\\uninstall.exe", tail, "", SW_SHOWNORMAL, &original_.process,
                                 &original_.id));
    }

    // The question, answered; the original process then ends by itself.
    void Answer(int button)
    {
        HWND box = WaitForWindow(UNINSTALL_CAPTION, kDialogClass, original_.id, WINDOW_TIMEOUT);
        ASSERT_TRUE(box != NULL) << "no question";
        std::string question = MessageBoxText(box);
        EXPECT_NE(std::string::npos, question.find("Do you want to remove Velloran?")) << question;
        EXPECT_NE(std::string::npos, question.find(programDir_)) << question;
        ASSERT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO));
        ASSERT_TRUE(PressButton(box, button));
        ASSERT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT));
    }

    // The copy that the original handed over to, by its closing message.
    void FindCopyShowingItsMessage()
    {
        HWND box = WaitForWindow(UNINSTALL_CAPTION, kDialogClass, 0, WINDOW_TIMEOUT, original_.id);
        ASSERT_TRUE(box != NULL) << "no closing message";
        copy_.id = WindowProcess(box);
        copy_.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copy_.id);
        ASSERT_TRUE(copy_.process != NULL);
    }

    // The closing message of whichever process shows it, read and closed.
    std::string ReadClosingMessage(DWORD processId, DWORD avoidProcessId)
    {
        HWND box = WaitForWindow(UNINSTALL_CAPTION, kDialogClass, processId, WINDOW_TIMEOUT, avoidProcessId);
        if (!box)
            return "<no closing message>";
        std::string text = MessageBoxText(box);
        EXPECT_TRUE(GetDlgItem(box, IDOK) != NULL);
        EXPECT_TRUE(GetDlgItem(box, IDNO) == NULL);
        PressButton(box, IDOK);
        return text;
    }

    void ExpectInstalledFilesGone()
    {
        for (int row = 0; row < MANIFEST_ROWS; ++row)
            EXPECT_FALSE(FileExists(Installed(row))) << Installed(row);
        for (int i = 0; i < SUBDIR_COUNT; ++i)
            EXPECT_FALSE(DirectoryExists(programDir_ + g_subdirectories[i])) << g_subdirectories[i];
    }

    // All but the Applications key, which the scenario holds back.
    void ExpectRegistrationGone()
    {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, APP_PATHS_ENTRY));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, APP_PATHS_EXE_ENTRY));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, VENDOR_KEY, VIEW_FLAGS[VIEW_64]));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, DOCUMENT_TYPE));
        for (const char *type : IMAGE_TYPES) {
            std::string key = "." + std::string(type);
            std::string value;
            bool foreign = lstrcmpA(type, kForeignType) == 0;
            // The extension key stays; only our link in it goes.
            EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key.c_str())) << key;
            EXPECT_EQ(foreign, ReadText(HKEY_CLASSES_ROOT, key, "", &value)) << key << " = " << value;
            if (foreign) {
                EXPECT_EQ(kForeignClass, value);
            }
            ExtensionEntry(type, &value);
            EXPECT_EQ(foreign ? kForeignWinIni : "", value) << type;
        }
    }

    // The copy in the temp folder deletes itself a moment after it ends.
    void ExpectNoProgramLeftInTemp()
    {
        EXPECT_TRUE(WaitUntil([&] { return ProgramsInTemp() == programsInTemp_; }, EXIT_TIMEOUT))
            << "a program was left in the temp folder";
    }

    MachineState machineBefore_;
    std::set<std::string> programsInTemp_;
    std::string root_, programDir_, shortcutDir_;
    Program original_, copy_;
};

// What another program or the user put into our folders stays, and so do
// the folders, each named in the closing message. A shortcut held open by
// another program, and an Applications key with keys below it too deep to
// be ours, stay too: counted in the message and in the exit code.
TEST_F(Uninstaller, RemovesWhatTheSetupMadeAndCountsWhatStayed)
{
    ASSERT_NO_FATAL_FAILURE(LayOutInstallation());
    ASSERT_TRUE(WriteWholeFile(programDir_ + "\\My notes.txt", "mine"));
    ASSERT_TRUE(WriteWholeFile(shortcutDir_ + "\\Someone else.lnk", "not ours"));
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, DeepKeyBelow(APPLICATION_KEY), "", "deep"));
    HANDLE held = CreateFileA((shortcutDir_ + "\\Readme.lnk").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Answer(IDYES));
    // The original hands over to a copy outside the install directory and ends.
    EXPECT_EQ(0u, WaitForExit(original_.process, EXIT_TIMEOUT));

    ASSERT_NO_FATAL_FAILURE(FindCopyShowingItsMessage());
    std::string copyImage = ProcessImage(copy_.process);
    const std::string temp = TempDirectory();
    EXPECT_TRUE(SamePath(copyImage.substr(0, temp.size()), temp)) << copyImage << " is not in " << temp;
    std::string copyFolder = copyImage.substr(0, copyImage.rfind('\\'));
    EXPECT_EQ(copyFolder.size(), temp.size() + 19 + 16) << copyImage << " is not in a private folder";
    // Made by CreatePrivateFolder, whose owner-only rights install_tests check.
    EXPECT_EQ(0, lstrcmpiA(copyImage.substr(temp.size(), 19).c_str(), "Velloran-uninstall-")) << copyImage;

    std::string text = ReadClosingMessage(copy_.id, 0);
    CloseHandle(held);
    EXPECT_EQ(0u, text.find("Velloran has been removed from this computer, with some things left behind.")) << text;
    EXPECT_NE(std::string::npos, text.find("2 shortcuts, 5 registry keys")) << text;
    EXPECT_NE(std::string::npos, text.find("The program folder " + programDir_ + " was not removed")) << text;
    EXPECT_NE(std::string::npos, text.find("1 item that Velloran did not install (files you added)")) << text;
    EXPECT_NE(std::string::npos, text.find("Could not be removed: 1 shortcut and 1 registry key.")) << text;
    EXPECT_NE(std::string::npos, text.find("The shortcut folder " + shortcutDir_ + " was not removed")) << text;
    EXPECT_EQ(1603u, WaitForExit(copy_.process, EXIT_TIMEOUT)) << "what stayed is a failed removal";

    ExpectInstalledFilesGone();
    // The original's own file too, once it had ended.
    EXPECT_EQ(std::vector<std::string>({ "My notes.txt" }), FolderEntries(programDir_));
    EXPECT_EQ(std::vector<std::string>({ "Readme.lnk", "Someone else.lnk" }), FolderEntries(shortcutDir_));
    ExpectRegistrationGone();
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, APPLICATION_KEY));
    // The copy's folder among them.
    ExpectNoProgramLeftInTemp();
}

// Quiet, as a deployment tool runs it: no question and no message. The
// process the tool started waits for its copy and ends with the copy's exit
// code, here 1603 for a document type with keys below it too deep to be
// ours; the install folder and the emptied shortcut folder are gone, though
// the uninstaller the tool started lay in the one.
TEST_F(Uninstaller, AQuietRemovalShowsNothingAndEndsWithTheCopysExitCode)
{
    ASSERT_NO_FATAL_FAILURE(LayOutInstallation());
    ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, DeepKeyBelow(DOCUMENT_TYPE), "", "deep"));
    ASSERT_NO_FATAL_FAILURE(Start("/S"));
    std::vector<std::string> windows;
    EXPECT_EQ(1603u, WaitForExitNotingNewWindows(original_.process, QUIET_REMOVAL_TIMEOUT, &windows));
    for (const std::string &window : windows)
        ADD_FAILURE() << "a quiet removal showed " << window;
    ExpectInstalledFilesGone();
    EXPECT_FALSE(DirectoryExists(programDir_));
    EXPECT_FALSE(DirectoryExists(shortcutDir_));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, DOCUMENT_TYPE));
    ExpectNoProgramLeftInTemp();
}

// "Filters" swapped for a link to a folder of the user's, holding the
// installed filters: quiet, the removal refuses the link and stops with 1603
// before anything goes; the uninstall entry stays for a later try.
TEST_F(Uninstaller, AFiltersLinkStopsTheRemovalAndWhatItLeadsToStays)
{
    ASSERT_NO_FATAL_FAILURE(LayOutInstallation());
    const std::string filters = programDir_ + "\\Filters", other = root_ + "\\other";
    ASSERT_TRUE(MoveFileA(filters.c_str(), other.c_str()));
    ASSERT_TRUE(MakeUnixLink(filters, other));
    const std::vector<std::string> entries = FolderEntries(other);
    ASSERT_FALSE(entries.empty());
    ASSERT_NO_FATAL_FAILURE(Start("/S"));
    std::vector<std::string> windows;
    EXPECT_EQ(1603u, WaitForExitNotingNewWindows(original_.process, QUIET_REMOVAL_TIMEOUT, &windows));
    EXPECT_EQ(FolderEntries(other), entries) << "the removal went through the link";
    EXPECT_TRUE(FileExists(Installed(0))) << "files went although the folder was refused";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY));
    EXPECT_TRUE(FileExists(programDir_ + "\\uninstall.exe")) << "the uninstaller that the entry names went";
    EXPECT_TRUE(RemoveUnixLink(filters) && MoveFileA(other.c_str(), filters.c_str()));
    ExpectNoProgramLeftInTemp();
}

// Declined: the machine and the installation stay as they were, file for file.
TEST_F(Uninstaller, AnsweringNoChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(LayOutInstallation());
    const MachineState laidOut = ReadMachineState();
    const std::vector<std::string> files = TreeEntries(root_);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Answer(IDNO));
    EXPECT_EQ(1602u, WaitForExit(original_.process, EXIT_TIMEOUT)) << "declined";
    for (const std::string &difference : Differences(laidOut, ReadMachineState()))
        ADD_FAILURE() << "changed: " << difference;
    EXPECT_EQ(Joined(files), Joined(TreeEntries(root_)));
    EXPECT_EQ(programsInTemp_, ProgramsInTemp());
}

}  // namespace

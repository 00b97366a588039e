// The directory page on drives other than C:, as extra_drives.sh makes them:
// D: with a known tree of folders, E: that fills up in the middle of the
// copy, and F: that takes nothing.
#include "install_steps.h"

#include <algorithm>

namespace {

const char NEW_FOLDER[] = "Velloran";
int IndexOf(const std::vector<std::string> &items, const std::string &item)
{
    auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? -1 : (int)(found - items.begin());
}

bool DriveIsThere(const char *root)
{
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

class Drives : public InstallScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InstallScenario::SetUp());
        ASSERT_TRUE(DirectoryExists("D:\\PROGRAMS\\zzz")) << "drive D: has not its tree (extra_drives.sh up)";
    }

    void TearDown() override
    {
        InstallScenario::TearDown();
        for (const std::string &folder : made_)
            RemoveTree(folder);
    }

    // The directory page of a setup started in the directory given.
    void Open(const std::string &startIn)
    {
        ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page_, NULL, startIn));
        list_    = GetDlgItem(page_, IDC_DIR_FOLDER_LIST);
        preview_ = GetDlgItem(page_, IDC_DIR_PREVIEW);
        drives_  = GetDlgItem(page_, IDC_DIR_DRIVES);
        ASSERT_TRUE(list_ && preview_ && drives_);
    }

    // The install directory the page is to make, removed again afterwards.
    void WillInstallInto(const std::string &folder)
    {
        installDir_ = folder;
        made_.push_back(folder);
    }

    void WaitForPreview(const std::string &expected)
    {
        ASSERT_TRUE(WaitForText(preview_, expected))
            << "the preview shows " << WindowText(preview_) << ", not " << expected;
    }

    void DoubleClick(const char *entry, const std::string &expectedPreview)
    {
        OpenListEntry(page_, IDC_DIR_FOLDER_LIST, IDC_DIR_PREVIEW, entry, expectedPreview);
    }

    void ChooseDrive(const char *root)
    {
        int index = IndexOf(ComboItems(drives_), root);
        ASSERT_GE(index, 0) << root << " is not among the drives " << Joined(ComboItems(drives_));
        ASSERT_TRUE(ChooseComboItem(drives_, index)) << "cannot choose " << root;
        ASSERT_NO_FATAL_FAILURE(WaitForPreview(std::string(root) + NEW_FOLDER));
    }

    std::string SelectedDrive()
    {
        std::vector<std::string> items = ComboItems(drives_);
        int selected = ComboSelection(drives_);
        return selected >= 0 && selected < (int)items.size() ? items[selected] : std::string();
    }

    // The copy error, which names the temporary file and the destination,
    // and the end that follows; returns the row of that destination.
    void ExpectCopyFailure(int *failedRow)
    {
        *failedRow = -1;
        std::string from, to;
        ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
        EXPECT_EQ(from.rfind(TempDirectory(), 0), 0u) << "From=" << from;
        for (int row = 0; row < PayloadRows() && *failedRow < 0; ++row)
            if (installDir_ + DestinationSuffix(row) == to)
                *failedRow = row;
        ASSERT_GE(*failedRow, 0) << "To=" << to << " is no destination of the install";
    }

    HWND page_ = NULL, list_ = NULL, preview_ = NULL, drives_ = NULL;
    std::vector<std::string> made_;
};

// Started in D:\SUB, the page browses the root of D:; double-clicks go two
// levels down and back up, around the folders that the list sorts before
// and after the up and new-folder entries; a drive chosen, the same one
// again too, starts at its root; on the read-only drive F: the setup ends
// with the copy error. What each list holds is folder_list_test's.
TEST_F(Drives, StartedInDSubThePageBrowsesEveryDriveFromItsRootAndAReadOnlyOneEndsWithTheCopyError)
{
    ASSERT_NO_FATAL_FAILURE(Open("D:\\SUB"));
    EXPECT_EQ(SelectedDrive(), "D:\\");
    EXPECT_EQ(WindowText(preview_), "D:\\Velloran");
    EXPECT_TRUE(Contains(ListViewItems(list_), "SUB")) << Joined(ListViewItems(list_));
    Shot("root");

    ASSERT_NO_FATAL_FAILURE(DoubleClick("PROGRAMS", "D:\\PROGRAMS\\Velloran"));
    std::vector<std::string> entries = ListViewItems(list_);
    ASSERT_LT(IndexOf(entries, "!first"), IndexOf(entries, UP_ENTRY)) << Joined(entries);
    ASSERT_GT(IndexOf(entries, "zzz"), IndexOf(entries, NEW_FOLDER)) << Joined(entries);
    Shot("sorted");
    // The new folder is not there yet: its entry opens nothing. The setup
    // handles input in order, so the next double-click reaches Deep only
    // when that one stayed in PROGRAMS.
    struct { const char *entry, *preview; } steps[] = {
        { "!first",   "D:\\PROGRAMS\\!first\\Velloran" },
        { UP_ENTRY,   "D:\\PROGRAMS\\Velloran" },
        { "zzz",      "D:\\PROGRAMS\\zzz\\Velloran" },
        { UP_ENTRY,   "D:\\PROGRAMS\\Velloran" },
        { NEW_FOLDER, "D:\\PROGRAMS\\Velloran" },
        { "Deep",     "D:\\PROGRAMS\\Deep\\Velloran" },
    };
    for (const auto &step : steps)
        ASSERT_NO_FATAL_FAILURE(DoubleClick(step.entry, step.preview));
    Shot("two-levels-down");

    ASSERT_NO_FATAL_FAILURE(ChooseDrive("C:\\"));
    ASSERT_NO_FATAL_FAILURE(ChooseDrive("D:\\"));
    ASSERT_NO_FATAL_FAILURE(DoubleClick("PROGRAMS", "D:\\PROGRAMS\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(ChooseDrive("D:\\"));
    EXPECT_TRUE(Contains(ListViewItems(list_), "PROGRAMS")) << Joined(ListViewItems(list_));

    // A read-only drive: the setup asks, and the folder that cannot be made
    // cannot be made safe either: the copy does not start, and the error
    // names the folder, with no file.
    if (!DriveIsThere("F:\\"))
        GTEST_SKIP() << "no read-only drive F: here (it needs a read-only mount)";
    WillInstallInto("F:\\Velloran");
    ASSERT_NO_FATAL_FAILURE(ChooseDrive("F:\\"));
    EXPECT_TRUE(Contains(ListViewItems(list_), "Existing"));
    ASSERT_TRUE(PressButtonByText(page_, "Next"));
    HWND question = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(DIRECTORY_EXISTS_QUESTION, &question));
    Shot("question");
    ASSERT_TRUE(PressButton(question, IDYES));
    std::string from, to;
    ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
    EXPECT_EQ(from, "");
    EXPECT_EQ(to, "F:\\Velloran");
    EXPECT_FALSE(DirectoryExists("F:\\Velloran"));
    ExpectNoTemporaryFiles();
}

// Over an earlier installation of the first two files (one read-only) and a
// file of the user's: the rows installed before the failure stay, but what
// they replaced goes back as it was, and nothing kept aside stays.
TEST_F(Drives, AFullDiskEndsWithTheCopyErrorAndPutsBackWhatItReplaced)
{
    if (!DriveIsThere("E:\\"))
        GTEST_SKIP() << "no small drive E: here (it needs a tmpfs mount)";
    WillInstallInto("E:\\Velloran");
    std::vector<EarlierFile> earlier = {
        { DestinationSuffix(0), "an older palette", FILE_ATTRIBUTE_READONLY },
        { DestinationSuffix(1), "older gradients", FILE_ATTRIBUTE_NORMAL },
        { "\\my notes.txt", "the user's own notes", FILE_ATTRIBUTE_NORMAL },
    };
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));
    ASSERT_NO_FATAL_FAILURE(Open("D:\\SUB"));
    ASSERT_NO_FATAL_FAILURE(ChooseDrive("E:\\"));
    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(page_, true, &copy));
    int failedRow = -1;
    ASSERT_NO_FATAL_FAILURE(ExpectCopyFailure(&failedRow));
    EXPECT_GT(failedRow, 2) << "the disk has room for the first files";
    // Every row before the failed one is whole; the failed one left nothing.
    ExpectInstalledRows(failedRow, earlier);
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

// Keys as the keyboard gives them (SendInput), to the focused control of
// the page, which is brought to the foreground first.
void Keys(HWND page, std::initializer_list<WORD> keys)
{
    std::vector<INPUT> events;
    for (WORD key : keys)
        for (DWORD flags : { 0ul, (DWORD)KEYEVENTF_KEYUP }) {
            INPUT event = {};
            event.type = INPUT_KEYBOARD;
            event.ki.wVk = key;
            event.ki.dwFlags = flags;
            events.push_back(event);
        }
    SetForegroundWindow(page);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == page; }, WINDOW_TIMEOUT_MS));
    ASSERT_EQ(SendInput((UINT)events.size(), &events[0], sizeof(INPUT)), events.size());
}

// Down into D:\SUB and up again with Enter and Backspace, into
// D:\PROGRAMS\Deep by a letter, the types box cleared with Space and the
// shortcuts one level up, at the top of the Start Menu: no click at all.
TEST_F(Drives, TheKeyboardAloneInstallsIntoAnyFolderWithShortcutsAnywhere)
{
    WillInstallInto("D:\\PROGRAMS\\Deep\\Velloran");
    ASSERT_NO_FATAL_FAILURE(Open("D:\\SUB"));
    ASSERT_EQ(FocusedWindow(page_), GetDlgItem(page_, IDOK));
    // From "Next" past Cancel, the name, the drives and the preview to the
    // list, whose first entry, PROGRAMS, is then selected; SUB is next.
    ASSERT_NO_FATAL_FAILURE(Keys(page_, { VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_DOWN, VK_RETURN }));
    ASSERT_NO_FATAL_FAILURE(WaitForPreview("D:\\SUB\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(Keys(page_, { VK_BACK }));
    ASSERT_NO_FATAL_FAILURE(WaitForPreview("D:\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(Keys(page_, { VK_RETURN }));
    ASSERT_NO_FATAL_FAILURE(WaitForPreview("D:\\PROGRAMS\\Velloran"));
    ASSERT_NO_FATAL_FAILURE(Keys(page_, { 'D', VK_RETURN }));
    ASSERT_NO_FATAL_FAILURE(WaitForPreview(installDir_));
    Screenshot("keyboard-directory");
    ASSERT_NO_FATAL_FAILURE(Keys(page_, { VK_TAB, VK_RETURN }));
    ASSERT_NE(WaitForPage(COPY_PAGE), (HWND)NULL);

    HWND shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    HWND preview = GetDlgItem(shortcuts, IDC_SC_PREVIEW);
    std::string offered = WindowText(preview);
    size_t programs = offered.rfind("\\Programs\\");
    ASSERT_NE(programs, std::string::npos) << offered;
    std::string folder = offered.substr(0, programs) + "\\Velloran";
    ASSERT_NO_FATAL_FAILURE(Keys(shortcuts, { VK_TAB, VK_TAB, VK_SPACE, VK_TAB, VK_TAB, VK_BACK }));
    ASSERT_TRUE(WaitForText(preview, folder)) << WindowText(preview);
    EXPECT_EQ(IsDlgButtonChecked(shortcuts, IDC_SC_REGISTER_TYPES), (UINT)BST_UNCHECKED);
    Screenshot("keyboard-shortcuts");
    ASSERT_NO_FATAL_FAILURE(Keys(shortcuts, { VK_TAB, VK_RETURN }));

    ASSERT_NE(WaitForBox(SUCCESS_CAPTION), (HWND)NULL);
    ExpectInstalledRows(PayloadRows());
    EXPECT_TRUE(FileExists(folder + "\\Velloran.lnk")) << folder;
    MachineState now = ReadMachineState();
    EXPECT_TRUE(SameKeyState(now.Key(HKEY_CLASSES_ROOT, ".bmp"), machineBefore_.Key(HKEY_CLASSES_ROOT, ".bmp")))
        << "the types box was cleared: .bmp is now\n" << DescribeKeyState(now.Key(HKEY_CLASSES_ROOT, ".bmp"));
    EXPECT_EQ(now.extensions, machineBefore_.extensions) << "the types box was cleared";
}

} // namespace

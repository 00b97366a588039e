// The folder browser on real folder trees, in a real directory page template.
#include "pages/drive_table.h"
#include "pages/folder_list.h"
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/setup_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Entry {
    std::string text;
    int kind;
};

class FolderListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_instance = GetModuleHandleA(NULL);
        ASSERT_TRUE(LoadCommonControls());
        lstrcpyA(g_newFolderName, "Velloran");

        page = CreateDialogParamA(g_instance, "IDD_DIR", NULL, QuietDialogProc, 0);
        ASSERT_NE(page, (HWND)NULL);
        list = GetDlgItem(page, IDC_DIR_FOLDER_LIST);
        AttachFolderImages(list);

        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        tree = std::string(temp) + "folder_list_" + std::to_string(GetCurrentProcessId());
        RemoveTree();   // left over by an earlier run that did not finish
        MakeFolder("");
        for (const char *name : { "alpha", "Zeta", ".dotted", "hidden", "system", "!first", "zzz" })
            MakeFolder(std::string("\\") + name);
        SetFileAttributesA((tree + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((tree + "\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
        HANDLE file = CreateFileA((tree + "\\file.txt").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        CloseHandle(file);
        MakeFolder("\\alpha\\inner");
    }

    void TearDown() override
    {
        DestroyWindow(page);
        RemoveTree();
    }

    void RemoveTree()
    {
        RemoveDirectoryA((tree + "\\alpha\\inner").c_str());
        DeleteFileA((tree + "\\file.txt").c_str());
        for (const char *name : { "alpha", "Zeta", ".dotted", "hidden", "system", "!first", "zzz" }) {
            SetFileAttributesA((tree + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            RemoveDirectoryA((tree + "\\" + name).c_str());
        }
        RemoveDirectoryA(tree.c_str());
    }

    // Start Menu mode fills the shortcut page's list and preview.
    void UseShortcutPage()
    {
        DestroyWindow(page);
        page = CreateDialogParamA(g_instance, "IDD_SHORTCUT", NULL, QuietDialogProc, 0);
        ASSERT_NE(page, (HWND)NULL);
        list = GetDlgItem(page, IDC_SC_FOLDER_LIST);
        AttachFolderImages(list);
    }

    void MakeFolder(const std::string &suffix) { ASSERT_TRUE(CreateDirectoryA((tree + suffix).c_str(), NULL)); }

    void Fill(const std::string &path, int mode)
    {
        lstrcpynA(browse, path.c_str(), PATH_BUFFER_SIZE);
        FillFolderList(page, list, browse, mode, RootLength(mode));
    }

    std::vector<Entry> Entries()
    {
        std::vector<Entry> entries;
        int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
            entries.push_back({ item.pszText, LOWORD(item.lParam) });
        }
        return entries;
    }

    bool Listed(const std::string &text, int kind)
    {
        for (const Entry &entry : Entries())
            if (entry.text == text && entry.kind == kind)
                return true;
        return false;
    }

    std::string Preview(int control = IDC_DIR_PREVIEW)
    {
        char text[PATH_BUFFER_SIZE];
        GetDlgItemTextA(page, control, text, sizeof(text));
        return text;
    }

    // Selects the entry that shows `text` and double-clicks it.
    void DoubleClick(const char *text, int mode)
    {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = text;
        int index = (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
        ASSERT_NE(index, -1) << text;
        Select(index);
        SendDoubleClick(mode);
    }

    void Select(int index)
    {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = index >= 0 ? LVIS_SELECTED : 0;
        SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&state);
    }

    void SendDoubleClick(int mode)
    {
        NMHDR header = { list, (UINT_PTR)GetDlgCtrlID(list), (UINT)NM_DBLCLK };
        EXPECT_EQ(OnFolderListNotify(page, &header, list, browse, mode, RootLength(mode)), 0);
    }

    // What each page passes: a drive root, or the Start Menu root it found.
    int RootLength(int mode) { return mode == FOLDER_MODE_DIRECTORY ? DRIVE_ROOT_LENGTH : startMenuRootLength; }

    HWND page;
    HWND list;
    int startMenuRootLength = 21;
    std::string tree;
    char browse[PATH_BUFFER_SIZE];
};

TEST_F(FolderListTest, BelowARootListsUpEntryFoldersAndNewFolderLast)
{
    Fill(tree, FOLDER_MODE_DIRECTORY);
    EXPECT_TRUE(Listed("........", ENTRY_UP));
    for (const char *name : { "alpha", "Zeta", "hidden", "system", "!first", "zzz" })
        EXPECT_TRUE(Listed(name, ENTRY_FOLDER)) << name;
    EXPECT_FALSE(Listed(".dotted", ENTRY_FOLDER));
    EXPECT_FALSE(Listed("file.txt", ENTRY_FOLDER));
    EXPECT_EQ(Entries().size(), 8u);
    EXPECT_TRUE(Listed("Velloran", ENTRY_NEW_FOLDER));
    EXPECT_EQ(Preview(), tree + "\\Velloran");
    EXPECT_EQ(std::string(browse), tree) << "the pattern is cut off again";
}

TEST_F(FolderListTest, AtADriveRootThereIsNoUpEntryAndNoDoubledBackslash)
{
    Fill("C:\\", FOLDER_MODE_DIRECTORY);
    EXPECT_FALSE(Listed("........", ENTRY_UP));
    EXPECT_TRUE(Listed("windows", ENTRY_FOLDER));
    EXPECT_EQ(Preview(), "C:\\Velloran");
    EXPECT_STREQ(browse, "C:\\");
}

TEST_F(FolderListTest, MissingFolderShowsOnlyUpAndNewFolderEntries)
{
    Fill(tree + "\\missing", FOLDER_MODE_DIRECTORY);
    std::vector<Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(Listed("........", ENTRY_UP));
    EXPECT_TRUE(Listed("Velloran", ENTRY_NEW_FOLDER));
}

// A drive letter that leads nowhere reads like a drive without a medium.
TEST_F(FolderListTest, ADriveThatCannotBeReadShowsOnlyTheNewFolderEntry)
{
    DWORD drives = GetLogicalDrives();
    char root[] = "?:\\";
    for (char letter = 'Y'; letter >= 'D' && root[0] == '?'; --letter)
        if (!(drives & (1u << (letter - 'A'))))
            root[0] = letter;
    ASSERT_NE(root[0], '?') << "every drive letter is in use";
    Fill(root, FOLDER_MODE_DIRECTORY);
    std::vector<Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(Listed("Velloran", ENTRY_NEW_FOLDER));
    EXPECT_EQ(Preview(), std::string(root) + "Velloran");
}

TEST_F(FolderListTest, StartMenuModeShowsTheUpEntryOnlyBelowItsRoot)
{
    UseShortcutPage();
    std::string root = "C:\\windows\\StartMenuX";   // 21 characters
    ASSERT_EQ(root.size(), 21u);
    Fill(root, FOLDER_MODE_START_MENU);
    EXPECT_FALSE(Listed("........", ENTRY_UP));
    EXPECT_EQ(Preview(IDC_SC_PREVIEW), root + "\\Velloran");
    Fill(root + "Y", FOLDER_MODE_START_MENU);
    EXPECT_TRUE(Listed("........", ENTRY_UP));
}

TEST_F(FolderListTest, StartMenuRootLengthMovesTheThreshold)
{
    UseShortcutPage();
    startMenuRootLength = (int)tree.size();
    Fill(tree, FOLDER_MODE_START_MENU);
    EXPECT_FALSE(Listed("........", ENTRY_UP));
    EXPECT_TRUE(Listed("alpha", ENTRY_FOLDER));
    Fill(tree + "\\alpha", FOLDER_MODE_START_MENU);
    EXPECT_TRUE(Listed("........", ENTRY_UP));
    EXPECT_TRUE(Listed("inner", ENTRY_FOLDER));
}

TEST_F(FolderListTest, EmptyNewFolderNameEndsThePreviewInABackslash)
{
    g_newFolderName[0] = '\0';
    Fill(tree, FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(Preview(), tree + "\\");
    Fill("C:\\", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(Preview(), "C:\\");
}

TEST_F(FolderListTest, DescendingBelowARootAddsABackslash)
{
    Fill(tree, FOLDER_MODE_DIRECTORY);
    DoubleClick("alpha", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree + "\\alpha");
    EXPECT_TRUE(Listed("inner", ENTRY_FOLDER));
    EXPECT_EQ(Preview(), tree + "\\alpha\\Velloran");
}

TEST_F(FolderListTest, DescendingAtARootDoesNotDoubleTheBackslash)
{
    Fill("C:\\", FOLDER_MODE_DIRECTORY);
    DoubleClick("windows", FOLDER_MODE_DIRECTORY);
    EXPECT_STRCASEEQ(browse, "C:\\windows");
}

TEST_F(FolderListTest, GoingUpCutsAtTheLastBackslash)
{
    Fill(tree + "\\alpha", FOLDER_MODE_DIRECTORY);
    DoubleClick("........", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree);
}

TEST_F(FolderListTest, GoingUpFromTheFirstLevelKeepsTheRootBackslash)
{
    Fill("C:\\windows", FOLDER_MODE_DIRECTORY);
    DoubleClick("........", FOLDER_MODE_DIRECTORY);
    EXPECT_STREQ(browse, "C:\\");
    EXPECT_FALSE(Listed("........", ENTRY_UP));
}

TEST_F(FolderListTest, StartMenuModeGoesUpBelowTheRootLength)
{
    UseShortcutPage();
    startMenuRootLength = (int)tree.size() + 2;
    Fill(tree + "\\alpha", FOLDER_MODE_START_MENU);
    DoubleClick("........", FOLDER_MODE_START_MENU);
    EXPECT_EQ(std::string(browse), tree);
}

TEST_F(FolderListTest, NewFolderEntryAndNoSelectionChangeNoPath)
{
    Fill(tree, FOLDER_MODE_DIRECTORY);
    DoubleClick("Velloran", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree);
    Select(-1);
    SendDoubleClick(FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree);
    EXPECT_EQ(Entries().size(), 8u) << "the list is read again";
}

TEST_F(FolderListTest, NamesSortingAroundTheSpecialEntriesKeepTheirMeaning)
{
    // "!first" sorts before the up entry and "zzz" after the new folder.
    Fill(tree, FOLDER_MODE_DIRECTORY);
    DoubleClick("!first", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree + "\\!first");
    Fill(tree, FOLDER_MODE_DIRECTORY);
    DoubleClick("zzz", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), tree + "\\zzz");
}

TEST_F(FolderListTest, OtherNotificationsAndOtherListsAreIgnored)
{
    Fill(tree, FOLDER_MODE_DIRECTORY);
    DoubleClick("alpha", FOLDER_MODE_DIRECTORY);
    std::string before = browse;
    NMHDR click = { list, IDC_DIR_FOLDER_LIST, (UINT)NM_CLICK };
    OnFolderListNotify(page, &click, list, browse, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH);
    NMHDR other = { page, 0, (UINT)NM_DBLCLK };
    OnFolderListNotify(page, &other, list, browse, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH);
    EXPECT_EQ(std::string(browse), before);
}

TEST_F(FolderListTest, DescentThatWouldOverflowIsRefused)
{
    std::string deep = tree;
    while (deep.size() < BROWSE_PATH_LIMIT - 3)
        deep += "\\x";
    Fill(deep.substr(0, BROWSE_PATH_LIMIT - 3), FOLDER_MODE_DIRECTORY);
    // The folder does not exist, so fake an entry to descend into (with the
    // first image, the folder icon).
    AddFolderEntry(list, "abcdef", 1, 0, ENTRY_FOLDER);
    std::string before = browse;
    DoubleClick("abcdef", FOLDER_MODE_DIRECTORY);
    EXPECT_EQ(std::string(browse), before);
    EXPECT_LE(Preview().size(), (size_t)PATH_BUFFER_SIZE - 1);
}

TEST(DriveTableTest, RootsAreUpperCasedInOrder)
{
    const char strings[] = "c:\\\0D:\\\0z:\\\0";
    DriveTable table;
    ParseDriveStrings(strings, sizeof(strings), &table);
    ASSERT_EQ(table.count, 3);
    EXPECT_STREQ(table.rows[0], "C:\\");
    EXPECT_STREQ(table.rows[1], "D:\\");
    EXPECT_STREQ(table.rows[2], "Z:\\");
}

TEST(DriveTableTest, OnlyTheFirstTwentyDrivesAreKept)
{
    std::string strings;
    for (char letter = 'A'; letter <= 'X'; ++letter)
        strings += std::string(1, letter) + ":\\" + '\0';
    strings += '\0';
    DriveTable table;
    ParseDriveStrings(strings.data(), strings.size(), &table);
    ASSERT_EQ(table.count, DRIVE_TABLE_ROWS);
    EXPECT_STREQ(table.rows[19], "T:\\");
}

TEST(DriveTableTest, ARootCutOffByTheBufferEndIsNotRead)
{
    // No terminating NUL inside the given length: the walk must stop there.
    const char strings[] = "C:\\\0D:\\XXXXXXXX";
    DriveTable table;
    ParseDriveStrings(strings, 6, &table);
    ASSERT_EQ(table.count, 1);
    EXPECT_STREQ(table.rows[0], "C:\\");
}

TEST(DriveTableTest, TheSystemDrivesIncludeC)
{
    DriveTable table;
    ReadDriveTable(&table);
    ASSERT_GE(table.count, 1);
    bool hasC = false;
    for (int row = 0; row < table.count; ++row)
        hasC = hasC || lstrcmpA(table.rows[row], "C:\\") == 0;
    EXPECT_TRUE(hasC);
}

} // namespace

// The folder browser on real folder trees, in the real page templates.
#include "pages/drive_table.h"
#include "pages/folder_list.h"
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/setup_state.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const int DIR = FOLDER_MODE_DIRECTORY, SM = FOLDER_MODE_START_MENU;

// The pages are made once: making one takes seconds under Wine, and every
// fill empties the list first.
class FolderListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_instance = GetModuleHandleA(NULL);
        ASSERT_TRUE(LoadCommonControls());
        for (int mode : { DIR, SM }) {
            pages[mode] = CreateDialogParamA(g_instance, mode == DIR ? "IDD_DIR" : "IDD_SHORTCUT", NULL,
                                             QuietDialogProc, 0);
            ASSERT_NE(pages[mode], (HWND)NULL);
            lists[mode] = GetDlgItem(pages[mode], mode == DIR ? IDC_DIR_FOLDER_LIST : IDC_SC_FOLDER_LIST);
            AttachFolderImages(lists[mode]);
        }
    }

    static void TearDownTestSuite()
    {
        for (HWND page : pages)
            DestroyWindow(page);
    }

    void SetUp() override
    {
        lstrcpyA(g_newFolderName, "Velloran");
        tree = MakeTempFolder("folder_list_");
        ASSERT_FALSE(tree.empty());
        for (const char *name : { "alpha", "Zeta", ".dotted", "hidden", "system", "!first", "zzz", "alpha\\inner" })
            ASSERT_TRUE(CreateDirectoryA((tree + "\\" + name).c_str(), NULL)) << name;
        SetFileAttributesA((tree + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((tree + "\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
        ASSERT_TRUE(WriteBytes(tree + "\\file.txt", {}));
    }

    void TearDown() override { RemoveTree(tree); }

    // "~" at the start of a path stands for the test's tree.
    std::string Expand(const char *path) { return path[0] == '~' ? tree + (path + 1) : path; }

    void Fill(const std::string &path, int mode = DIR)
    {
        lstrcpynA(browse, path.c_str(), PATH_BUFFER_SIZE);
        FillFolderList(pages[mode], lists[mode], browse, mode, RootLength(mode));
    }

    // "text/kind" of each entry, sorted.
    std::vector<std::string> Entries(int mode = DIR)
    {
        std::vector<std::string> entries;
        int count = (int)SendMessageA(lists[mode], LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            SendMessageA(lists[mode], LVM_GETITEMA, 0, (LPARAM)&item);
            entries.push_back(std::string(item.pszText) + "/" + std::to_string(LOWORD(item.lParam)));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    bool Listed(const std::string &text, int kind, int mode = DIR)
    {
        std::vector<std::string> entries = Entries(mode);
        return std::count(entries.begin(), entries.end(), text + "/" + std::to_string(kind)) == 1;
    }

    std::string Preview(int mode = DIR)
    {
        char text[PATH_BUFFER_SIZE];
        GetDlgItemTextA(pages[mode], mode == DIR ? IDC_DIR_PREVIEW : IDC_SC_PREVIEW, text, sizeof(text));
        return text;
    }

    // Selects the entry that shows `text` (none: -1) and double-clicks it.
    void DoubleClick(const char *text, int mode = DIR)
    {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = text;
        int index = text ? (int)SendMessageA(lists[mode], LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find) : -1;
        ASSERT_TRUE(!text || index != -1) << text;
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = index >= 0 ? LVIS_SELECTED : 0;
        SendMessageA(lists[mode], LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&state);
        Notify(lists[mode], (UINT)NM_DBLCLK, mode);
    }

    void Notify(HWND from, UINT code, int mode = DIR)
    {
        NMHDR header = { from, (UINT_PTR)GetDlgCtrlID(from), code };
        EXPECT_EQ(OnFolderListNotify(pages[mode], &header, lists[mode], browse, mode, RootLength(mode)), 0);
    }

    // What each page passes: a drive root, or the Start Menu root it found,
    // which the tree stands for here.
    int RootLength(int mode) { return mode == DIR ? DRIVE_ROOT_LENGTH : (int)tree.size(); }

    static HWND pages[2];
    static HWND lists[2];
    std::string tree;
    char browse[PATH_BUFFER_SIZE];
};
HWND FolderListTest::pages[2];
HWND FolderListTest::lists[2];

TEST_F(FolderListTest, ListsTheUpEntryTheVisibleAndHiddenFoldersAndTheNewFolder)
{
    Fill(tree);
    // Sorted as Entries sorts them.
    const std::vector<std::string> expected = { "!first/2", "......../1", "Velloran/3", "Zeta/2", "alpha/2",
                                                "hidden/2", "system/2",   "zzz/2" };
    EXPECT_EQ(Entries(), expected) << "no dotted folder, no file";
    Fill(tree + "\\missing");
    EXPECT_EQ(Entries(), std::vector<std::string>({ "......../1", "Velloran/3" }));
}

// Where a browse starts, which entry is opened there, where it ends, a folder
// listed there and whether the up entry is.
TEST_F(FolderListTest, EachEntryOpensItsFolderAndTheListAndPreviewFollow)
{
    const struct {
        int mode;
        const char *from, *open, *to, *listed;
        bool up;
    } walks[] = {
        { DIR, "~",           NULL,       "~",           "alpha",    true  },
        { DIR, "C:\\",        NULL,       "C:\\",        "windows",  false },
        { DIR, "~",           "alpha",    "~\\alpha",    "inner",    true  },
        { DIR, "C:\\",        "windows",  "C:\\windows", "system32", true  },
        { DIR, "~\\alpha",    "........", "~",           "alpha",    true  },
        { DIR, "C:\\windows", "........", "C:\\",        "windows",  false },
        { DIR, "~",           "Velloran", "~",           "alpha",    true  },
        // Sorted before the up entry and after the new folder entry.
        { DIR, "~",           "!first",   "~\\!first",   NULL,       true  },
        { DIR, "~",           "zzz",      "~\\zzz",      NULL,       true  },
        { SM,  "~",           NULL,       "~",           "alpha",    false },
        { SM,  "~",           "alpha",    "~\\alpha",    "inner",    true  },
        { SM,  "~\\alpha",    "........", "~",           "alpha",    false },
    };
    for (const auto &walk : walks) {
        std::string to = Expand(walk.to);
        SCOPED_TRACE(std::string(walk.from) + " opening " + (walk.open ? walk.open : "nothing"));
        Fill(Expand(walk.from), walk.mode);
        if (walk.open)
            DoubleClick(walk.open, walk.mode);
        EXPECT_STRCASEEQ(browse, to.c_str());
        EXPECT_EQ(Listed("........", ENTRY_UP, walk.mode), walk.up);
        if (walk.listed) {
            EXPECT_TRUE(Listed(walk.listed, ENTRY_FOLDER, walk.mode));
        }
        EXPECT_STRCASEEQ(Preview(walk.mode).c_str(), (to + (to.back() == '\\' ? "" : "\\") + "Velloran").c_str());
    }
}

// With an entry selected, a single click, or a double-click that another
// control reports, opens nothing; the list's own double-click then does.
TEST_F(FolderListTest, OtherNotificationsAndOtherListsAreIgnored)
{
    Fill(tree);
    Notify(lists[DIR], (UINT)NM_SETFOCUS);   // selects the first entry
    Notify(lists[DIR], (UINT)NM_CLICK);
    Notify(pages[DIR], (UINT)NM_DBLCLK);
    EXPECT_EQ(std::string(browse), tree);
    Notify(lists[DIR], (UINT)NM_DBLCLK);
    EXPECT_EQ(std::string(browse), tree + "\\!first") << "not the entry the checks above need";
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
    Fill(root);
    EXPECT_EQ(Entries(), std::vector<std::string>({ "Velloran/3" }));
    EXPECT_EQ(Preview(), std::string(root) + "Velloran");
}

TEST_F(FolderListTest, EmptyNewFolderNameEndsThePreviewInABackslash)
{
    g_newFolderName[0] = '\0';
    Fill(tree);
    EXPECT_EQ(Preview(), tree + "\\");
    Fill("C:\\");
    EXPECT_EQ(Preview(), "C:\\");
}

TEST_F(FolderListTest, DescentThatWouldOverflowIsRefused)
{
    std::string deep = tree;
    while (deep.size() < BROWSE_PATH_LIMIT - 3)
        deep += "\\x";
    Fill(deep.substr(0, BROWSE_PATH_LIMIT - 3));
    // The folder does not exist, so fake an entry to descend into (with the
    // first image, the folder icon).
    AddFolderEntry(lists[DIR], "abcdef", 1, 0, ENTRY_FOLDER);
    std::string before = browse;
    DoubleClick("abcdef");
    EXPECT_EQ(std::string(browse), before);
}

// Roots upper-cased in order; only the first twenty; none read past the
// length given, which here ends before a terminating NUL.
TEST(DriveTableTest, RootsAreUpperCasedAndBounded)
{
    std::string many;
    std::vector<std::string> first;
    for (char letter = 'A'; letter <= 'X'; ++letter) {
        many += std::string(1, letter) + ":\\" + '\0';
        if ((int)first.size() < DRIVE_TABLE_ROWS)
            first.push_back(std::string(1, letter) + ":\\");
    }
    const struct {
        std::string strings;
        size_t length;
        std::vector<std::string> rows;
    } cases[] = {
        { std::string("c:\\\0D:\\\0z:\\\0", 13), 13, { "C:\\", "D:\\", "Z:\\" } },
        { std::string("C:\\\0D:\\XXXXXXXX", 15), 6, { "C:\\" } },
        { many + '\0', many.size() + 1, first },
    };
    for (const auto &c : cases) {
        DriveTable table;
        ParseDriveStrings(c.strings.data(), c.length, &table);
        EXPECT_EQ(std::vector<std::string>(table.rows, table.rows + table.count), c.rows);
    }
}

} // namespace

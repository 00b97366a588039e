// Browsing on the directory page as a person does: double-clicking folders in
// the list, going up again, and typing the name of the folder to create.
#include "harness.h"

namespace {

// Starts the setup from a folder of drive C: and goes on to the directory
// page; the folder list then shows the root of C:, where the scenario has
// made a folder of its own with one subfolder.
class FolderList : public SetupScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SetupScenario::SetUp());
        root_ = MakeFolderIn("C:\\", "list");
        ASSERT_FALSE(root_.empty()) << "cannot make a folder in C:\\";
        ASSERT_TRUE(CreateDirectoryA((root_ + "\\Inner").c_str(), NULL));
        top_ = root_.substr(3);

        ASSERT_NO_FATAL_FAILURE(StartSetupIn());
        HWND agreement = WaitForPage(AGREEMENT_PAGE);
        ASSERT_NE(agreement, (HWND)NULL);
        ASSERT_TRUE(PressButton(agreement, IDOK));
        page_ = WaitForPage(DIRECTORY_PAGE);
        ASSERT_NE(page_, (HWND)NULL);
        list_    = GetDlgItem(page_, IDC_DIR_FOLDER_LIST);
        preview_ = GetDlgItem(page_, IDC_DIR_PREVIEW);
    }

    void TearDown() override
    {
        SetupScenario::TearDown();
        RemoveTree(root_);
    }

    void DoubleClick(const char *entry)
    {
        int index = WaitForListViewEntry(list_, entry);
        ASSERT_GE(index, 0) << "no entry " << entry << " in " << Joined(ListViewItems(list_));
        ASSERT_TRUE(DoubleClickListViewItem(list_, index)) << "cannot double-click " << entry;
    }

    std::string root_, top_;
    HWND page_ = NULL, list_ = NULL, preview_ = NULL;
};

// Starts at the root of the start drive; double-clicks go down and up, a
// typed name shows at the next fill, and a preview longer than its box shows
// its end. What each list holds is folder_list_test's; here, that the page
// follows the clicks.
TEST_F(FolderList, DoubleClicksGoDownAndUpAndThePreviewFollows)
{
    HWND drives = GetDlgItem(page_, IDC_DIR_DRIVES);
    std::vector<std::string> items = ComboItems(drives);
    int selected = ComboSelection(drives);
    ASSERT_TRUE(selected >= 0 && selected < (int)items.size());
    EXPECT_EQ(items[selected], "C:\\");
    EXPECT_TRUE(Contains(ListViewItems(list_), top_)) << Joined(ListViewItems(list_));
    Screenshot("directory");

    // A name long enough to push the preview past the edit at any scale.
    const std::string deep = "A folder whose name is longer than the preview box is wide";
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\" + deep).c_str(), NULL));
    struct { const char *entry; std::string preview; } steps[] = {
        { top_.c_str(), root_ + "\\Velloran" },
        { "Inner",      root_ + "\\Inner\\Velloran" },
        { UP_ENTRY,     root_ + "\\Velloran" },
        { UP_ENTRY,     "C:\\Velloran" },
        { top_.c_str(), root_ + "\\Velloran" },
        { deep.c_str(), root_ + "\\" + deep + "\\Velloran" },
    };
    for (const auto &step : steps) {
        ASSERT_NO_FATAL_FAILURE(DoubleClick(step.entry));
        EXPECT_TRUE(WaitForText(preview_, step.preview)) << step.entry << ": " << WindowText(preview_);
    }
    EXPECT_LT(EditCharPosition(preview_, 0).x, 0) << "the path fits the box; the check below proves nothing";
    EXPECT_TRUE(EditShowsItsEnd(preview_));
    Screenshot("long-path");

    HWND name = GetDlgItem(page_, IDC_DIR_FOLDER_NAME);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(name, &rect));
    ASSERT_TRUE(ClickAt({ (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 }));
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(page_) == name; }, WINDOW_TIMEOUT_MS))
        << "the click did not put the caret into the name";
    ASSERT_TRUE(PressKey(name, VK_END));
    ASSERT_TRUE(TypeText(name, "\b\b\b\b\b\b\b\bStudio 7"));
    ASSERT_TRUE(WaitForText(name, "Studio 7")) << WindowText(name);
    ASSERT_NO_FATAL_FAILURE(DoubleClick(UP_ENTRY));
    EXPECT_TRUE(WaitForText(preview_, root_ + "\\Studio 7")) << WindowText(preview_);
    EXPECT_TRUE(Contains(ListViewItems(list_), "Studio 7"));
}

}  // namespace

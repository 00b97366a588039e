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
        ASSERT_NE(list_, (HWND)NULL);
        ASSERT_NE(preview_, (HWND)NULL);
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

TEST_F(FolderList, StartsAtTheRootOfTheStartDriveAndDoubleClicksGoDownAndUp)
{
    HWND drives = GetDlgItem(page_, IDC_DIR_DRIVES);
    std::vector<std::string> items = ComboItems(drives);
    int selected = ComboSelection(drives);
    ASSERT_GE(selected, 0);
    ASSERT_LT(selected, (int)items.size());
    EXPECT_EQ(items[selected], "C:\\");

    std::vector<std::string> entries = ListViewItems(list_);
    EXPECT_TRUE(Contains(entries, top_)) << "the scenario's folder is not listed in " << Joined(entries);
    EXPECT_FALSE(Contains(entries, UP_ENTRY)) << "a drive root has no way up";
    Screenshot("directory");

    ASSERT_NO_FATAL_FAILURE(DoubleClick(top_.c_str()));
    EXPECT_TRUE(WaitForText(preview_, root_ + "\\Velloran")) << WindowText(preview_);
    entries = ListViewItems(list_);
    EXPECT_TRUE(Contains(entries, UP_ENTRY));
    EXPECT_TRUE(Contains(entries, "Inner"));
    EXPECT_TRUE(Contains(entries, "Velloran"));
    EXPECT_EQ(entries.size(), 3u);
    Screenshot("opened");

    ASSERT_NO_FATAL_FAILURE(DoubleClick("Inner"));
    EXPECT_TRUE(WaitForText(preview_, root_ + "\\Inner\\Velloran")) << WindowText(preview_);

    ASSERT_NO_FATAL_FAILURE(DoubleClick(UP_ENTRY));
    EXPECT_TRUE(WaitForText(preview_, root_ + "\\Velloran")) << WindowText(preview_);
    ASSERT_NO_FATAL_FAILURE(DoubleClick(UP_ENTRY));
    EXPECT_TRUE(WaitForText(preview_, "C:\\Velloran")) << WindowText(preview_);
    EXPECT_FALSE(Contains(ListViewItems(list_), UP_ENTRY));
}

TEST_F(FolderList, TypedFolderNameShowsAtTheNextFill)
{
    HWND name = GetDlgItem(page_, IDC_DIR_FOLDER_NAME);
    ASSERT_TRUE(WaitForText(name, "Velloran"));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(name, &rect));
    ASSERT_TRUE(ClickAt({ (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 }));
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(page_) == name; }, WINDOW_TIMEOUT_MS))
        << "the click did not put the caret into the name";

    ASSERT_TRUE(PressKey(name, VK_END));
    ASSERT_TRUE(TypeText(name, "\b\b\b\b\b\b\b\bStudio 7"));
    ASSERT_TRUE(WaitForText(name, "Studio 7")) << WindowText(name);

    ASSERT_NO_FATAL_FAILURE(DoubleClick(top_.c_str()));
    EXPECT_TRUE(WaitForText(preview_, root_ + "\\Studio 7")) << WindowText(preview_);
    EXPECT_TRUE(Contains(ListViewItems(list_), "Studio 7"));
}

TEST_F(FolderList, APreviewLongerThanItsBoxShowsItsEnd)
{
    // A name long enough to push the preview past the edit at any scale.
    const std::string deep = "A folder whose name is longer than the preview box is wide";
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\" + deep).c_str(), NULL));
    EXPECT_TRUE(EditShowsItsEnd(preview_));

    ASSERT_NO_FATAL_FAILURE(DoubleClick(top_.c_str()));
    ASSERT_NO_FATAL_FAILURE(DoubleClick(deep.c_str()));
    ASSERT_TRUE(WaitForText(preview_, root_ + "\\" + deep + "\\Velloran")) << WindowText(preview_);
    EXPECT_LT(EditCharPosition(preview_, 0).x, 0) << "the path fits the box; the check below proves nothing";
    EXPECT_TRUE(EditShowsItsEnd(preview_));
    Screenshot("long-path");
}

}  // namespace

// The directory page's name edit and its two buttons, as a person uses them:
// a name too long, no name at all, a folder that exists already or cannot be
// made, and a cancel taken back.
#include "install_steps.h"

namespace {

enum { LONGEST_NAME = 99 };

class DirectoryPage : public InstallScenario {
protected:
    std::string NameShown(HWND page) { return WindowText(GetDlgItem(page, IDC_DIR_FOLDER_NAME)); }
};

// Everything that keeps the page, one after the other: a hundredth
// character, Cancel answered "No", no name, and names that Windows would
// change or take for something else (which names those are is
// folder_name_test's). Each gets its warning, the page stays with the focus
// on the name, and nothing is made. Then a plain name goes on as usual.
TEST_F(DirectoryPage, WhatTheNameRefusesAndCancelAnsweredNoKeepThePageAndMakeNothing)
{
    HWND page = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(page));
    HWND edit = GetDlgItem(page, IDC_DIR_FOLDER_NAME);
    std::string longest(LONGEST_NAME, 'n');
    ASSERT_NO_FATAL_FAILURE(TypeFolderName(page, longest));
    EXPECT_EQ(NameShown(page), longest);
    SendMessageA(edit, WM_CHAR, 'x', 1);
    EXPECT_EQ(NameShown(page), longest) << "the edit shows the last accepted name again";
    Shot("99 characters");

    std::string preview = WindowText(GetDlgItem(page, IDC_DIR_PREVIEW));
    ASSERT_TRUE(PressButtonByText(page, "Cancel"));
    HWND question = WaitForBox(QUESTION);
    ASSERT_NE(question, (HWND)NULL);
    EXPECT_EQ(MessageBoxText(question), CANCEL_QUESTION);
    ASSERT_TRUE(PressButton(question, IDNO));
    ASSERT_TRUE(WaitForWindowGone(question, WINDOW_TIMEOUT_MS));
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DIR_PREVIEW)), preview);
    EXPECT_EQ(NameShown(page), longest);

    struct { const char *name, *warning; } refused[] = {
        { "", NO_NAME_WARNING }, { "Velloran ", NULL }, { "nul.txt", NULL },
    };
    for (const auto &row : refused) {
        SCOPED_TRACE(std::string("name \"") + row.name + "\"");
        ASSERT_NO_FATAL_FAILURE(TypeFolderName(page, row.name));
        ASSERT_TRUE(PressButtonByText(page, "Next"));
        HWND warning = WaitForBox(WARNING_CAPTION);
        ASSERT_NE(warning, (HWND)NULL) << "no warning";
        std::string expected = row.warning ? row.warning : std::string(UNUSABLE_NAME_WARNING) + row.name + "\"";
        EXPECT_EQ(MessageBoxText(warning).rfind(expected, 0), 0u) << MessageBoxText(warning);
        EXPECT_EQ(GetWindow(warning, GW_OWNER), page) << "the warning belongs to the page";
        EXPECT_EQ(GetDlgItem(warning, IDYES), (HWND)NULL) << "OK is the only answer";
        EXPECT_EQ(GetDlgItem(warning, IDCANCEL), (HWND)NULL) << "OK is the only answer";
        Shot(row.warning ? "no name" : "refused name");
        ASSERT_TRUE(PressButton(warning, IDOK));
        ASSERT_TRUE(WaitForWindowGone(warning, WINDOW_TIMEOUT_MS));
        EXPECT_TRUE(IsWindowVisible(page)) << "the page stays open";
        EXPECT_TRUE(WaitUntil([&] { return FocusedWindow(page) == edit; }, WINDOW_TIMEOUT_MS))
            << "the focus goes to the name";
        EXPECT_TRUE(FolderEntries(root_).empty()) << "something was made";
    }
    ASSERT_NO_FATAL_FAILURE(TypeFolderName(page, "Velloran"));
    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(page, false, &copy));
    EXPECT_TRUE(DirectoryExists(installDir_));
    ASSERT_TRUE(PressButton(copy, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(COPY_CANCEL_QUESTION, &question));
    ASSERT_TRUE(PressButton(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
}

// A folder that is there already, a name with a character the file system
// refuses, and one with a backslash that would need a folder on the way: the
// setup asks, "No" cancels, and nothing is copied or made.
TEST_F(DirectoryPage, AFolderThatCannotBeMadeAsksAndNoEndsTheSetupCancelled)
{
    ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), NULL));
    for (const char *name : { "Velloran", "Velloran<2>", "Missing\\Velloran" }) {
        SCOPED_TRACE(name);
        HWND page = NULL, question = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page));
        ASSERT_NO_FATAL_FAILURE(BrowseToRoot(page));
        ASSERT_NO_FATAL_FAILURE(TypeFolderName(page, name));
        ASSERT_TRUE(PressButtonByText(page, "Next"));
        ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(DIRECTORY_EXISTS_QUESTION, &question));
        EXPECT_EQ(MessageBoxText(question), DIRECTORY_EXISTS_QUESTION);
        Shot(name);
        ASSERT_TRUE(PressButton(question, IDNO));
        ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
        EndSetup(&setup_);
        EXPECT_EQ(TreeEntries(root_), std::vector<std::string>{ "Velloran\\" }) << "something was made or copied";
    }
}

} // namespace

// The directory page's name edit and its two buttons, as a person uses them:
// a name too long, no name at all, a folder that exists already, and a
// cancel taken back.
#include "install_steps.h"

#include <string.h>

namespace {

enum { LONGEST_NAME = 99 };

class DirectoryPage : public InstallScenario {
protected:
    void SendKeys(HWND edit, const std::string &keys)
    {
        for (char key : keys)
            SendMessageA(edit, WM_CHAR, (WPARAM)(unsigned char)key, 1);
    }

    std::string NameShown(HWND page) { return WindowText(GetDlgItem(page, IDC_DIR_FOLDER_NAME)); }

    // Files and folders directly in the folder.
    int EntriesIn(const std::string &folder)
    {
        int entries = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return -1;
        do {
            entries += strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..");
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return entries;
    }
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
    SendKeys(edit, "x");
    EXPECT_EQ(NameShown(page), longest) << "the edit shows the last accepted name again";
    Shot("99 characters");

    std::string preview = WindowText(GetDlgItem(page, IDC_DIR_PREVIEW));
    ASSERT_TRUE(PressButtonByText(page, "Cancel"));
    HWND question = WaitForBox(QUESTION);
    ASSERT_NE(question, (HWND)NULL);
    EXPECT_EQ(MessageBoxText(question), "Are you sure you want to cancel the setup?");
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
        EXPECT_EQ(EntriesIn(root_), 0) << "something was made";
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

TEST_F(DirectoryPage, AnExistingFolderAnsweredNoEndsTheSetupCancelled)
{
    ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), NULL));
    HWND page = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(page));
    ASSERT_TRUE(PressButtonByText(page, "Next"));
    HWND question = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying("Directory allready exsist", &question));
    EXPECT_EQ(MessageBoxText(question),
              "Directory allready exsist or disk isn't writeable.\nContinue with installation anyway");
    Shot("exists");
    ASSERT_TRUE(PressButton(question, IDNO));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
    EXPECT_TRUE(FilesBelow(installDir_).empty()) << "nothing is copied";
}

} // namespace

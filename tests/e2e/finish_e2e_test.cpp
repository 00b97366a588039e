// The last page of a real installation: where the shortcuts go, whether the
// image types open with Velloran, and what "Finish" and "Cancel" leave in the
// registry, in WIN.INI and in the Start Menu.
#include "finish_steps.h"


namespace {

// Which extension keys and WIN.INI entries the machine has before the setup
// runs: .bmp opened by another program, .png known to the system but opened
// by none, .jif unknown; a WIN.INI entry of another program for gif, an empty
// one for png, none for the rest.
void ArrangeImageTypes()
{
    ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ".bmp", "", "Paint.Picture"));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".png", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), ERROR_SUCCESS);
    RegDeleteValueA(key, "");
    RegCloseKey(key);
    DeleteKeyTree(HKEY_CLASSES_ROOT, ".jif");
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        WriteProfileStringA("extensions", IMAGE_TYPES[i], NULL);
    ASSERT_TRUE(WriteProfileStringA("extensions", "gif", "x"));
    ASSERT_TRUE(WriteProfileStringA("extensions", "png", ""));
}

class ShortcutPage : public FullInstallScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FullInstallScenario::SetUp());
        parent_ = MakeInstallParent("finish");
        ASSERT_FALSE(parent_.empty()) << "cannot make a folder in C:\\";
        startMenu_ = StartMenuRoot();
        firstDay_ = Today();
    }

    // Installs into the parent folder and returns the shortcut page, checked as it opens.
    HWND ReachPage(const std::string &parent)
    {
        HWND page = InstallUpToShortcutPage(parent);
        if (!page)
            return NULL;
        // Start lists only what lies below Programs: the page opens there.
        EXPECT_TRUE(WaitForText(GetDlgItem(page, IDC_SC_PREVIEW), startMenu_ + "\\Programs\\Velloran"))
            << "the preview shows " << WindowText(GetDlgItem(page, IDC_SC_PREVIEW));
        EXPECT_EQ(SendMessageA(GetDlgItem(page, IDC_SC_REGISTER_TYPES), BM_GETCHECK, 0, 0), BST_CHECKED)
            << "the box is ticked when the page opens";
        return page;
    }

    // The three shortcuts and nothing else of ours in the folder.
    void ExpectShortcutsIn(const std::string &folder)
    {
        struct { const char *link, *target, *description; } rows[] = {
            { "Velloran.lnk",  "\\Velloran.exe",  "Velloran"  },
            { "Uninstall.lnk", "\\uninstall.exe", "Uninstall" },
            { "Readme.lnk",    "\\Readme.wri",    "Readme"    },
        };
        for (const auto &row : rows) {
            std::string link = folder + "\\" + row.link;
            ASSERT_TRUE(FileExists(link)) << link << " is missing";
            ShortcutInfo info = ReadShortcut(link);
            ASSERT_TRUE(info.loaded) << link << " cannot be read as a shortcut";
            EXPECT_TRUE(SamePath(info.target, installDir_ + row.target)) << link << " points at " << info.target;
            EXPECT_EQ(info.description, row.description) << link;
            EXPECT_TRUE(FileExists(info.target)) << link << " points at a file that is not there";
        }
    }

    void ExpectApplicationRegistered(const std::string &shortcutFolder)
    {
        std::string text;
        EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS_ENTRY, "", &text));
        EXPECT_EQ(text, installDir_ + "\\VELLORAN.EXE");
        EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS_ENTRY, "Path", &text));
        EXPECT_EQ(text, installDir_);
        ExpectUninstallEntry(shortcutFolder);
    }

    // The values that come from this run: the folders chosen, the size of
    // what was installed and the day. The fixed ones are registration_test's.
    void ExpectUninstallEntry(const std::string &shortcutFolder)
    {
        struct { const char *name; std::string value; } texts[] = {
            { "UninstallString", "\"" + installDir_ + "\\uninstall.exe\"" },
            { "Scdir",           shortcutFolder },
            { "InstallLocation", installDir_ },
            { "QuietUninstallString", "\"" + installDir_ + "\\uninstall.exe\" /S" },
        };
        for (const auto &row : texts) {
            std::string text;
            EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, row.name, &text)) << row.name << " is missing";
            EXPECT_EQ(text, row.value) << row.name;
        }
        // The install folder holds the installed files and nothing else yet.
        struct { const char *name; DWORD value; } numbers[] = {
            { "VersionMajor",  1 },
            { "VersionMinor",  0 },
            { "EstimatedSize", (DWORD)((TreeSize(installDir_) + 1023) / 1024) },
        };
        for (const auto &row : numbers) {
            DWORD number = 0xA5A5A5A5;
            EXPECT_TRUE(ReadNumber(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, row.name, &number)) << row.name;
            EXPECT_EQ(number, row.value) << row.name;
        }
        // The day of "Finish": the scenario's first day or today, if midnight came between.
        std::string date;
        EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, "InstallDate", &date));
        EXPECT_TRUE(date == firstDay_ || date == Today()) << "InstallDate " << date;
    }

    // YYYYMMDD of the local time now.
    static std::string Today()
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char text[16];
        wsprintfA(text, "%04u%02u%02u", (unsigned)now.wYear, (unsigned)now.wMonth, (unsigned)now.wDay);
        return text;
    }

    // The shell finds the viewer by its file name alone, through App Paths,
    // in a 64-bit program as Explorer's "Run" does.
    void ExpectShellExecuteFindsTheViewer()
    {
        HWND viewer = OpenWith64BitShell("Velloran.exe", "Velloran");
        ASSERT_NE(viewer, (HWND)NULL);
        DWORD process = WindowProcess(viewer);
        HANDLE started = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
        char image[MAX_PATH] = "";
        DWORD size = sizeof(image);
        EXPECT_TRUE(started && QueryFullProcessImageNameA(started, 0, image, &size));
        EXPECT_TRUE(SamePath(image, installDir_ + "\\Velloran.exe")) << "the 64-bit shell started " << image;
        if (started)
            CloseHandle(started);
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForProcessGone(process, EXIT_TIMEOUT_MS));
    }

    std::string parent_, startMenu_, firstDay_;
};

// With the box ticked and the shortcuts at the top of the Start Menu, through
// the up entry: the types, the application and the shortcuts are registered.
// Again, into another folder, with the box cleared, the shortcuts in
// Programs as offered, where a folder of the user's is already, and the App
// Paths key gone: that is reported, the types are left as they were, the
// folder is used as it is, and the rest is written over the places
// registered before.
TEST_F(ShortcutPage, FinishRegistersEverythingAndASecondWithTheBoxClearedAndNoAppPathsLeavesTheTypesAndReportsIt)
{
    ASSERT_NO_FATAL_FAILURE(ArrangeImageTypes());
    HWND page = ReachPage(parent_);
    ASSERT_NE(page, (HWND)NULL);
    EXPECT_EQ(ReadMachineState().Key(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, VIEW_FLAGS[VIEW_32]).exists, false)
        << "nothing is registered before Finish";

    std::string firstFolder = startMenu_ + "\\Velloran";
    ASSERT_NO_FATAL_FAILURE(OpenListEntry(page, IDC_SC_FOLDER_LIST, IDC_SC_PREVIEW, UP_ENTRY, firstFolder));
    std::vector<std::string> entries = ListViewItems(GetDlgItem(page, IDC_SC_FOLDER_LIST));
    EXPECT_TRUE(Contains(entries, "Programs")) << Joined(entries);
    Screenshot("start menu");
    ASSERT_NO_FATAL_FAILURE(FinishAndCloseShellWindow(page, firstFolder));

    ExpectApplicationRegistered(firstFolder);
    ASSERT_NO_FATAL_FAILURE(ExpectShellExecuteFindsTheViewer());
    // The types are registered for this install's viewer; which keys and
    // WIN.INI entries are written, in which view, is registration_test's.
    std::string text;
    EXPECT_TRUE(ReadText(HKEY_CLASSES_ROOT, ".bmp", "", &text));
    EXPECT_EQ(text, DOCUMENT_TYPE);
    EXPECT_TRUE(ReadText(HKEY_CLASSES_ROOT, std::string(DOCUMENT_TYPE) + "\\shell\\open\\command", "", &text));
    EXPECT_EQ(text, "\"" + installDir_ + "\\Velloran.exe\" \"%1\"");
    EXPECT_TRUE(ExtensionEntry("png", &text));
    EXPECT_EQ(text, installDir_ + "\\Velloran.exe ^.png");
    // The user's own choice is never written.
    const std::string fileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, fileExts + ExtensionKey(i) + "\\UserChoice")) << ExtensionKey(i);
    EXPECT_EQ(TreeEntries(firstFolder), std::vector<std::string>({ "Readme.lnk", "Uninstall.lnk", "Velloran.lnk" }));
    ExpectShortcutsIn(firstFolder);
    EXPECT_FALSE(DirectoryExists(startMenu_ + "\\Programs\\Velloran")) << "a shortcut folder was made below Programs too";
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessAndExit());
    std::string firstDir = installDir_;

    EndSetup(&setup_);
    std::string secondFolder = startMenu_ + "\\Programs\\Velloran";
    ASSERT_TRUE(CreateDirectoryA(secondFolder.c_str(), NULL));
    ASSERT_TRUE(WriteBytes(secondFolder + "\\Notes.txt", { 'm', 'i', 'n', 'e' }));
    MachineState arranged = ReadMachineState();
    std::string secondParent = MakeInstallParent("again");
    ASSERT_FALSE(secondParent.empty());
    page = ReachPage(secondParent);
    ASSERT_NE(page, (HWND)NULL);
    ASSERT_NE(installDir_, firstDir);
    // Cleared with the mouse, as a person does it.
    HWND box = GetDlgItem(page, IDC_SC_REGISTER_TYPES);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(box, &rect));
    ASSERT_TRUE(ClickAt({ rect.left + 6, (rect.top + rect.bottom) / 2 }));
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, WINDOW_TIMEOUT_MS))
        << "the click did not clear the box";
    Screenshot("box cleared");
    // Gone while the page is open; the fixture puts it back.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, APP_PATHS_KEY);
    ASSERT_TRUE(PressButton(page, IDOK));
    // A message box without a caption of its own: Wine's default caption.
    HWND error = WaitForBox(ERROR_CAPTION);
    ASSERT_NE(error, (HWND)NULL) << "no message about the registry";
    EXPECT_EQ(MessageBoxText(error), "Couldn't open a key in registry\nSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
    EXPECT_EQ(WindowClass(GetWindow(error, GW_OWNER)), "SETUP") << "the message belongs to the main window";
    EXPECT_EQ(GetDlgItem(error, IDCANCEL), (HWND)NULL);
    EXPECT_EQ(GetDlgItem(error, IDYES), (HWND)NULL);
    Screenshot("registry error");

    std::vector<HWND> before = TopLevelWindows(0);
    ASSERT_TRUE(PressButton(error, IDOK));
    ASSERT_NE(WaitForBox(SUCCESS_CAPTION), (HWND)NULL) << "no closing message after the registry error";
    HWND shell = WaitForShellWindow(before, "Velloran");
    ASSERT_NE(shell, (HWND)NULL) << "the shortcut folder was not opened";
    CloseShellWindow(shell);

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, APP_PATHS_KEY)) << "the App Paths key was made after all";
    ExpectUninstallEntry(secondFolder);
    MachineState after = ReadMachineState();
    std::vector<std::string> classes = { DOCUMENT_TYPE };
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        classes.push_back(ExtensionKey(i));
    for (const std::string &key : classes)
        EXPECT_TRUE(SameKeyState(after.Key(HKEY_CLASSES_ROOT, key), arranged.Key(HKEY_CLASSES_ROOT, key)))
            << key << " is now\n" << DescribeKeyState(after.Key(HKEY_CLASSES_ROOT, key));
    EXPECT_EQ(after.extensions, arranged.extensions) << "WIN.INI [extensions] changed: " << Joined(after.extensions);
    for (int view = 0; view < VIEW_COUNT; ++view)
        for (const char *key : { APPLICATION_KEY, VENDOR_KEY, REGISTERED_APPLICATIONS })
            EXPECT_TRUE(SameKeyState(after.Key(HKEY_LOCAL_MACHINE, key, VIEW_FLAGS[view]),
                                     arranged.Key(HKEY_LOCAL_MACHINE, key, VIEW_FLAGS[view])))
                << key << " in " << VIEW_NAMES[view];
    EXPECT_EQ(TreeEntries(secondFolder),
              std::vector<std::string>({ "Notes.txt", "Readme.lnk", "Uninstall.lnk", "Velloran.lnk" }));
    std::vector<BYTE> notes;
    EXPECT_TRUE(ReadBytes(secondFolder + "\\Notes.txt", &notes) && notes == std::vector<BYTE>({ 'm', 'i', 'n', 'e' }))
        << "the file already in the folder was changed";
    ExpectShortcutsIn(secondFolder);
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessAndExit());
}

}  // namespace

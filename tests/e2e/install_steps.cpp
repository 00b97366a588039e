#include "install_steps.h"

#include "install/manifest.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

enum { TIGHT_POLL_MS = 1 };

bool StartsWith(const std::string &text, const char *start)
{
    return text.compare(0, strlen(start), start) == 0;
}

}  // namespace

// ---- The payload ---------------------------------------------------------

int PayloadRows()
{
    return MANIFEST_ROWS;
}

std::string CompressedName(int row)
{
    return g_compressedNames[row];
}

std::string DestinationSuffix(int row)
{
    return g_destinationSuffixes[row];
}

int RowInstalling(const std::string &suffix)
{
    for (int row = 0; row < PayloadRows(); ++row)
        if (DestinationSuffix(row) == suffix)
            return row;
    return -1;
}

std::vector<std::string> Subdirectories()
{
    return std::vector<std::string>(g_subdirectories, g_subdirectories + SUBDIR_COUNT);
}

std::string ExpandedPayloadPath(int row)
{
    std::string setup = SetupExePath();
    return setup.substr(0, setup.find_last_of('\\')) + "\\generated\\payload\\expanded\\FILE" + std::to_string(row);
}

std::vector<std::string> TempEntries()
{
    std::string temp = TempDirectory();
    return FolderEntries(temp.substr(0, temp.size() - 1));
}

std::vector<std::string> TempPathsStartingWith(const char *prefix)
{
    std::vector<std::string> paths;
    for (const std::string &name : TempEntries())
        if (StartsWith(name, prefix))
            paths.push_back(TempDirectory() + name);
    return paths;
}

std::vector<std::string> FilesBelow(const std::string &folder)
{
    std::vector<std::string> files;
    for (const std::string &entry : TreeEntries(folder))
        if (entry.back() != '\\')
            files.push_back(folder + "\\" + entry);
    return files;
}

int InstalledPrefix(const std::string &installDir)
{
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        if (!FileExists(installDir + DestinationSuffix(row)))
            return row;
    return MANIFEST_ROWS;
}

// ---- Screen --------------------------------------------------------------

std::string SaveScreenNow(const std::string &name, ScreenPicture *picture)
{
    ScreenPicture local;
    ScreenPicture *target = picture ? picture : &local;
    return CaptureScreen(target) ? SavePicture(name, *target) : std::string();
}

// ---- The progress display -----------------------------------------------

int ProgressLineWidth(int row)
{
    HDC screen = GetDC(NULL);
    HFONT font = CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    HGDIOBJ previous = SelectObject(screen, font);
    std::string line = "FROM: " + CompressedName(row) + "  TO: " + DestinationSuffix(row);
    SIZE extent = { 0, 0 };
    GetTextExtentPoint32A(screen, line.c_str(), (int)line.size(), &extent);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(NULL, screen);
    return extent.cx;
}

int ExpectedBarEdge(int fullWidth, int advances)
{
    ProgressMath progress;
    StartProgressMath(&progress, fullWidth, PROGRESS_DIVISOR);
    for (int advance = 0; advance < advances && advance < PROGRESS_TOTAL; ++advance)
        AdvanceProgressMath(&progress);
    return progress.right;
}

static bool Whitish(DWORD pixel)
{
    return (pixel & 0xFF) >= 0xC0 && ((pixel >> 8) & 0xFF) >= 0xC0 && ((pixel >> 16) & 0xFF) >= 0xC0;
}

bool ReadCopyPage(const ScreenPicture &picture, HWND copyPage, CopyPageReading *reading)
{
    HWND bar = GetDlgItem(copyPage, IDC_COPY_PROGRESS);
    RECT barClient, pageClient, barWindow;
    POINT barOrigin = { 0, 0 }, pageOrigin = { 0, 0 };
    if (!bar || !GetClientRect(bar, &barClient) || !GetClientRect(copyPage, &pageClient) ||
        !GetWindowRect(bar, &barWindow) || !ClientToScreen(bar, &barOrigin) || !ClientToScreen(copyPage, &pageOrigin))
        return false;
    if (pageOrigin.x < 0 || pageOrigin.y < 0 || pageOrigin.x + pageClient.right > picture.width ||
        pageOrigin.y + pageClient.bottom > picture.height)
        return false;

    const int width = barClient.right, height = barClient.bottom;
    // The bar's rows and the number grow with the DPI.
    HDC screen = GetDC(NULL);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    const int barTop = MulDiv(BAR_TOP, dpi, 96), barBottom = MulDiv(BAR_BOTTOM, dpi, 96);
    // The number is at most "100", drawn about the middle.
    const int numberHalf = MulDiv(24, dpi, 96);
    const int numberLeft = width / 2 - numberHalf, numberRight = width / 2 + numberHalf;
    auto inNumber = [&](int x) { return x >= numberLeft && x < numberRight; };
    auto at = [&](int x, int y) { return picture.At(barOrigin.x + x, barOrigin.y + y); };

    *reading = CopyPageReading();
    reading->fullWidth = width;
    reading->number = { width, height, -1, -1 };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            DWORD pixel = at(x, y);
            bool inRows = y >= barTop && y < barBottom;
            if (pixel == BAR_BLUE && inRows && x + 1 > reading->blueWidth)
                reading->blueWidth = x + 1;
            if (pixel == BAR_BLUE && !inRows)
                reading->blueOutsideRows = true;
            if (pixel == BAR_BLUE && x == 0) {
                if (reading->blueTop < 0)
                    reading->blueTop = y;
                reading->blueBottom = y + 1;
            }
            if (inNumber(x) && Whitish(pixel))
                reading->whiteNumber = true;
            if ((pixel >> 16 & 0xFF) > 200 && (pixel >> 8 & 0xFF) > 200 && (pixel & 0xFF) > 200) {
                reading->number = { std::min(reading->number.left, (LONG)x), std::min(reading->number.top, (LONG)y),
                                    std::max(reading->number.right, (LONG)x + 1),
                                    std::max(reading->number.bottom, (LONG)y + 1) };
            }
        }
    for (int y = barTop; y < barBottom && y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (inNumber(x))
                continue;
            DWORD expected = x < reading->blueWidth ? (DWORD)BAR_BLUE : (DWORD)BAR_BLACK;
            if (at(x, y) != expected && reading->restIsBlackOrNumber) {
                reading->restIsBlackOrNumber = false;
                reading->oddPixelAt = { x, y };
                reading->oddPixel = at(x, y);
            }
        }

    // The line of text: between the page's top and the bar's frame. Black
    // text on the face colour, smoothed or not, is never brighter than the face.
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int faceChannels[3] = { GetRValue(face), GetGValue(face), GetBValue(face) };
    for (int y = pageOrigin.y; y < barWindow.top; ++y)
        for (int x = pageOrigin.x; x < pageOrigin.x + pageClient.right; ++x) {
            DWORD pixel = picture.At(x, y);
            if (pixel != (DWORD)RGB(faceChannels[2], faceChannels[1], faceChannels[0]) &&
                x - pageOrigin.x > reading->inkRight)
                reading->inkRight = x - pageOrigin.x;
            const int channels[3] = { (int)(pixel >> 16) & 0xFF, (int)(pixel >> 8) & 0xFF, (int)pixel & 0xFF };
            for (int c = 0; c < 3; ++c)
                if (channels[c] > faceChannels[c]) {
                    ++reading->leftoverPixels;
                    break;
                }
            if (pixel != TEXT_BLACK)
                continue;
            int left = x - pageOrigin.x, top = y - pageOrigin.y;
            if (!reading->lineDrawn || left < reading->lineLeft)
                reading->lineLeft = left;
            if (!reading->lineDrawn || top < reading->lineTop)
                reading->lineTop = top;
            reading->lineDrawn = true;
        }
    return true;
}

// ---- Scenario base -------------------------------------------------------

void InstallScenario::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(SetupScenario::SetUp());
    root_ = MakeFolderIn("C:\\", "install");
    ASSERT_FALSE(root_.empty()) << "cannot make a folder in C:\\";
    installDir_ = root_ + "\\Velloran";
    machineBefore_ = ReadMachineState();
    tempEntriesBefore_ = TempEntries();
}

void InstallScenario::TearDown()
{
    // The shell window that "Finish" opens outlives the setup.
    EndDescendants(setup_.processId);
    SetupScenario::TearDown();
    PutMachineState(machineBefore_);
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "not put back: " << difference;
    RemoveTree(root_);
    // Whatever the setup left in the temp directory; the scenarios run one
    // at a time, so nothing new there belongs to anyone else.
    for (const std::string &name : NewTempEntries()) {
        std::string path = TempDirectory() + name;
        RemoveTree(path);
        DeleteFileA(path.c_str());
    }
}

std::vector<std::string> InstallScenario::NewTempEntries() const
{
    std::vector<std::string> added;
    for (const std::string &name : TempEntries())
        if (std::find(tempEntriesBefore_.begin(), tempEntriesBefore_.end(), name) == tempEntriesBefore_.end() &&
            Lower(name).rfind("velloran-e2e-", 0) != 0)
            added.push_back(name);
    return added;
}

void InstallScenario::OpenDirectoryPage(HWND *page, const char *agreementShot, const std::string &currentDirectory)
{
    *page = NULL;
    ASSERT_NO_FATAL_FAILURE(StartSetupIn(currentDirectory));
    HWND agreement = WaitForPage(AGREEMENT_PAGE);
    ASSERT_NE(agreement, (HWND)NULL) << "the agreement page did not show; " << SetupShows();
    if (agreementShot) {
        EXPECT_FALSE(SaveScreenshot(agreementShot).empty()) << "cannot save " << agreementShot;
    }
    ASSERT_TRUE(PressButtonByText(agreement, "I Agree"));
    *page = WaitForPage(DIRECTORY_PAGE);
    ASSERT_NE(*page, (HWND)NULL) << "the directory page did not follow the agreement";
}

void InstallScenario::BrowseTo(HWND page, const std::vector<std::string> &entries)
{
    std::string name = WindowText(GetDlgItem(page, IDC_DIR_FOLDER_NAME));
    std::string browse = "C:\\";
    for (const std::string &entry : entries) {
        browse += (browse.back() == '\\' ? "" : "\\") + entry;
        ASSERT_NO_FATAL_FAILURE(OpenListEntry(page, IDC_DIR_FOLDER_LIST, IDC_DIR_PREVIEW, entry, browse + "\\" + name));
    }
}

void InstallScenario::OpenListEntry(HWND page, int listId, int previewId, const std::string &entry,
                                    const std::string &expectedPreview)
{
    HWND list = GetDlgItem(page, listId);
    ASSERT_NE(list, (HWND)NULL);
    int index = WaitForListViewEntry(list, entry.c_str());
    ASSERT_GE(index, 0) << "no entry " << entry << " in " << Joined(ListViewItems(list));
    ASSERT_TRUE(DoubleClickListViewItem(list, index)) << "cannot double-click " << entry;
    ASSERT_TRUE(WaitForText(GetDlgItem(page, previewId), expectedPreview))
        << "after opening " << entry << " the preview shows " << WindowText(GetDlgItem(page, previewId))
        << ", not " << expectedPreview;
}

void InstallScenario::BrowseToRoot(HWND page)
{
    ASSERT_NO_FATAL_FAILURE(BrowseTo(page, { root_.substr(3) }));
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DIR_PREVIEW)), installDir_);
}

void InstallScenario::OpenCopyPage(bool directoryExists, HWND *copyPage)
{
    HWND directory = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, directoryExists, copyPage));
}

void InstallScenario::NextToCopyPage(HWND page, bool directoryExists, HWND *copyPage)
{
    *copyPage = NULL;
    ASSERT_TRUE(PressButtonByText(page, "Next"));
    if (directoryExists) {
        HWND box = NULL;
        ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(DIRECTORY_EXISTS_QUESTION, &box));
        EXPECT_EQ(WindowText(box), ERROR_CAPTION) << "a box with no caption of its own shows the system's";
        ASSERT_TRUE(PressButton(box, IDYES));
    }
    *copyPage = WaitForPage(COPY_PAGE);
    ASSERT_NE(*copyPage, (HWND)NULL) << "the copy page did not follow \"Next\"";
}

void InstallScenario::WaitForCopyPageAtOnce(HWND *copyPage)
{
    *copyPage = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window = FindWindowExA(NULL, NULL, "#32770", COPY_PAGE); window;
             window = FindWindowExA(NULL, window, "#32770", COPY_PAGE))
            if (WindowProcess(window) == setup_.processId && IsWindowVisible(window))
                *copyPage = window;
        return *copyPage != NULL;
    }, WINDOW_TIMEOUT_MS, TIGHT_POLL_MS)) << "the copy page did not show";
}

void InstallScenario::WaitForBoxSaying(const char *textStart, HWND *box)
{
    *box = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(setup_.processId))
            if (WindowClass(window) == "#32770" && StartsWith(MessageBoxText(window), textStart))
                *box = window;
        return *box != NULL;
    }, WINDOW_TIMEOUT_MS)) << "no message saying " << textStart;
}

void InstallScenario::TypeFolderName(HWND page, const std::string &name)
{
    HWND edit = GetDlgItem(page, IDC_DIR_FOLDER_NAME);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (char key : "\b" + name)
        SendMessageA(edit, WM_CHAR, (WPARAM)(unsigned char)key, 1);
}

void InstallScenario::EndWithCopyFailure(std::string *from, std::string *to)
{
    HWND failure = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(COPY_FAILURE_START, &failure));
    EXPECT_EQ(WindowText(failure), ERROR_CAPTION);
    std::string text = MessageBoxText(failure);
    const std::string fromLabel = std::string(COPY_FAILURE_START) + "\nFrom=", toLabel = "\nTo=",
                      end = std::string("\n") + PROGRAM_WILL_EXIT;
    size_t toAt = text.find(toLabel);
    ASSERT_NE(toAt, std::string::npos) << text;
    ASSERT_GE(text.size(), toAt + toLabel.size() + end.size()) << text;
    ASSERT_EQ(text.substr(text.size() - end.size()), end) << text;
    *from = text.substr(fromLabel.size(), toAt - fromLabel.size());
    *to = text.substr(toAt + toLabel.size(), text.size() - end.size() - toAt - toLabel.size());
    Shot("copy-error");
    ASSERT_TRUE(PressButton(failure, IDOK));
    HWND setupError = WaitForBox(SETUP_ERROR);
    ASSERT_NE(setupError, (HWND)NULL) << "no \"" << SETUP_ERROR << "\" after the copy error";
    ASSERT_TRUE(PressButton(setupError, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_FAILED) << "the setup did not end as failed";
}

bool InstallScenario::WaitForInstalledRows(int rows, HWND copyPage)
{
    // Waiting ends early when the copy page goes.
    WaitUntil([&] { return InstalledPrefix(installDir_) >= rows || !IsWindowVisible(copyPage); }, WINDOW_TIMEOUT_MS);
    return InstalledPrefix(installDir_) >= rows;
}

void InstallScenario::WaitForShortcutPageWithoutQuestion(HWND *shortcutPage)
{
    *shortcutPage = NULL;
    HWND unexpected = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(setup_.processId)) {
            if (WindowClass(window) != "#32770")
                continue;
            std::string caption = WindowText(window);
            if (caption == SHORTCUT_PAGE)
                *shortcutPage = window;
            else if (caption != COPY_PAGE)
                unexpected = window;
        }
        return *shortcutPage || unexpected;
    }, INSTALL_TIMEOUT_MS)) << "the shortcut page did not show";
    ASSERT_EQ(unexpected, (HWND)NULL) << "unexpected box \"" << WindowText(unexpected)
                                      << "\" while copying: " << MessageBoxText(unexpected);
}

void InstallScenario::CancelShortcutPageAndExit(HWND shortcutPage)
{
    ASSERT_TRUE(PressButton(shortcutPage, IDCANCEL));
    HWND box = WaitForBox(CONFIRMATION);
    ASSERT_NE(box, (HWND)NULL) << "Cancel on the shortcut page asked nothing";
    EXPECT_EQ(MessageBoxText(box), SHORTCUT_CANCEL_QUESTION);
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
    ExpectNothingRegistered();
}

void InstallScenario::ConfirmCancelledAndExit()
{
    HWND box = WaitForBox(CANCELLED);
    ASSERT_NE(box, (HWND)NULL) << "no \"" << CANCELLED << "\" message";
    EXPECT_EQ(MessageBoxText(box), PROGRAM_WILL_EXIT);
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_CANCELLED) << "the setup did not end as cancelled";
}

void InstallScenario::PlantEarlierFiles(std::vector<EarlierFile> *files)
{
    for (const std::string &subdirectory : Subdirectories())
        ASSERT_TRUE(CreateFolderTree(installDir_ + subdirectory)) << installDir_ + subdirectory;
    for (EarlierFile &file : *files) {
        std::string path = installDir_ + file.suffix;
        ASSERT_TRUE(WriteWholeFile(path, file.bytes)) << path;
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), file.attributes)) << path;
        // As the file system keeps them (a plain file may show as archive).
        file.attributes = GetFileAttributesA(path.c_str());
    }
}

void InstallScenario::ExpectInstalledRows(int rows, const std::vector<EarlierFile> &earlier)
{
    std::set<std::string> allowed;
    for (const EarlierFile &file : earlier) {
        std::string path = installDir_ + file.suffix;
        allowed.insert(Lower(path));
        EXPECT_EQ(FileText(path), file.bytes) << path << " is not as it was before";
        EXPECT_EQ(GetFileAttributesA(path.c_str()), file.attributes) << path << ": attributes changed";
    }
    // Rows that share a destination (the same file twice) count once: the
    // destination is expected as soon as any of them is installed.
    std::map<std::string, int> expected;
    std::set<std::string> all;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        std::string destination = Lower(installDir_ + DestinationSuffix(row));
        if (allowed.count(destination))
            continue;
        all.insert(destination);
        if (row < rows && !expected.count(destination))
            expected[destination] = row;
    }
    for (const std::string &destination : all) {
        auto found = expected.find(destination);
        if (found == expected.end()) {
            EXPECT_FALSE(FileExists(destination)) << destination << " is there, but its row was not to be installed";
            continue;
        }
        std::string installed, payload;
        int row = found->second;
        ASSERT_TRUE(ReadWholeFile(ExpandedPayloadPath(row), &payload)) << "cannot read " << ExpandedPayloadPath(row);
        if (!ReadWholeFile(destination, &installed)) {
            ADD_FAILURE() << "row " << row << ": " << destination << " is missing";
            continue;
        }
        if (installed != payload) {
            size_t at = 0;
            while (at < installed.size() && at < payload.size() && installed[at] == payload[at])
                ++at;
            ADD_FAILURE() << "row " << row << ": " << destination << " has " << installed.size()
                          << " bytes, the payload " << payload.size() << "; first difference at byte " << at;
        }
    }
    for (const std::string &file : FilesBelow(installDir_))
        EXPECT_TRUE(expected.count(Lower(file)) || allowed.count(Lower(file))) << "stray file " << file;
}

void InstallScenario::ExpectSubdirectories()
{
    for (const std::string &subdirectory : Subdirectories()) {
        EXPECT_TRUE(DirectoryExists(installDir_ + subdirectory)) << installDir_ + subdirectory << " is missing";
    }
}

void InstallScenario::ExpectNoTemporaryFiles()
{
    for (const std::string &name : NewTempEntries())
        ADD_FAILURE() << TempDirectory() + name << " was left in the temp directory";
}

void InstallScenario::ExpectNothingRegistered()
{
    for (const std::string &difference : Differences(machineBefore_, ReadMachineState()))
        ADD_FAILURE() << "registered although the shortcuts were cancelled: " << difference;
}

std::string InstallScenario::Shot(const char *label, ScreenPicture *picture)
{
    std::string path = SaveScreenNow(ScenarioShotName(label), picture);
    EXPECT_FALSE(path.empty()) << "cannot save the screenshot " << label;
    return path;
}

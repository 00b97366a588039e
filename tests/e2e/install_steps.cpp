#include "install_steps.h"

#include "install/manifest.h"

#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

const char APP_PATHS_KEY[]   = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char UNINSTALL_KEY[]   = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char DOCUMENT_TYPE[]   = "VELLORAN1.Image";
const char APP_PATHS_EXE_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran.exe";
const char APPLICATION_KEY[] = "SOFTWARE\\Classes\\Applications\\Velloran.exe";
const char VENDOR_KEY[]      = "SOFTWARE\\Velloran";
const char REGISTERED_APPLICATIONS[] = "SOFTWARE\\RegisteredApplications";
const char PROFILE_SECTION[] = "extensions";
const char MENU_FILES_KEY[]  = "Software\\Wine\\MenuFiles";
const char MENU_BUILDER[]    = "winemenubuilder.exe";
// GetProfileString gives the default back only for an absent entry.
const char ABSENT[]          = "\001absent\001";
const char *const IMAGE_TYPES[] = { "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff" };

enum { VALUE_SIZE = 4096, TIGHT_POLL_MS = 1 };

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], (DWORD)text.size());
    return text;
}

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

std::vector<std::string> Subdirectories()
{
    return std::vector<std::string>(g_subdirectories, g_subdirectories + SUBDIR_COUNT);
}

std::string ExpandedPayloadPath(int row)
{
    std::string setup = SetupExePath();
    return setup.substr(0, setup.find_last_of('\\')) + "\\generated\\payload\\expanded\\FILE" + std::to_string(row);
}

std::string TempDirectory()
{
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

std::vector<std::string> TempEntries()
{
    std::string temp = TempDirectory();
    return FolderEntries(temp.substr(0, temp.size() - 1));
}

bool ReadWholeFile(const std::string &path, std::string *bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, NULL);
    bytes->assign(size, '\0');
    DWORD read = 0;
    bool ok = size == 0 || (ReadFile(file, &(*bytes)[0], size, &read, NULL) && read == size);
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size();
    CloseHandle(file);
    return ok;
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

// ---- Registrations ------------------------------------------------------

std::string RegistryRootName(HKEY root)
{
    return root == HKEY_CLASSES_ROOT ? "HKCR\\" : root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HK?\\";
}

static bool ReadDefaultValue(HKEY root, const std::string &path, bool *keyExists, DWORD *type, std::string *data)
{
    HKEY key;
    *keyExists = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!*keyExists)
        return false;
    char buffer[VALUE_SIZE];
    DWORD size = sizeof(buffer);
    bool present = RegQueryValueExA(key, "", NULL, type, (BYTE *)buffer, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (present)
        data->assign(buffer, size);
    return present;
}

static bool ReadProfileEntry(const char *key, std::string *value)
{
    char buffer[VALUE_SIZE];
    GetProfileStringA(PROFILE_SECTION, key, ABSENT, buffer, sizeof(buffer));
    if (strcmp(buffer, ABSENT) == 0)
        return false;
    *value = buffer;
    return true;
}

// The desktop menu files that Wine's menu builder has noted, by name.
static std::vector<std::string> MenuFiles()
{
    std::vector<std::string> files;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, MENU_FILES_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return files;
    for (DWORD index = 0;; ++index) {
        char name[VALUE_SIZE];
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        files.push_back(std::string(name, length));
    }
    RegCloseKey(key);
    return files;
}

// A desktop entry names its icon, which the menu builder wrote in every size
// under the same home folder: <home>\.local\share\icons\hicolor\<size>\apps.
static void RemoveMenuIcon(const std::string &desktopFile)
{
    std::string entry;
    if (!ReadWholeFile(desktopFile, &entry))
        return;
    size_t at = entry.find("\nIcon=");
    size_t home = Lower(desktopFile).find("\\.local\\share\\applications\\");
    if (at == std::string::npos || home == std::string::npos)
        return;
    std::string icon = entry.substr(at + 6, entry.find_first_of("\r\n", at + 6) - (at + 6));
    std::string sizes = desktopFile.substr(0, home) + "\\.local\\share\\icons\\hicolor";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((sizes + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string size = found.cFileName;
        if (size != "." && size != ".." && !icon.empty())
            DeleteFileA((sizes + "\\" + size + "\\apps\\" + icon + ".png").c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Removes the desktop menu files written since they were taken, their icons,
// the folder that held them if it is empty now, and their notes.
static void RemoveMenuFilesSince(const std::vector<std::string> &before)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, MENU_FILES_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const std::string &file : MenuFiles()) {
        if (std::find(before.begin(), before.end(), file) != before.end())
            continue;
        bool desktopEntry = file.size() > 8 && Lower(file).compare(file.size() - 8, 8, ".desktop") == 0;
        if (desktopEntry)
            RemoveMenuIcon(file);
        DeleteFileA(file.c_str());
        // The entries of one Start Menu folder share a folder of their own.
        if (desktopEntry)
            RemoveDirectoryA(file.substr(0, file.find_last_of('\\')).c_str());
        RegDeleteValueA(key, file.c_str());
    }
    RegCloseKey(key);
}

void Registrations::Take()
{
    // The keys below HKLM in both views of 64-bit Windows.
    keys_ = { { DOCUMENT_TYPE, HKEY_CLASSES_ROOT, 0, false } };
    for (REGSAM view : { KEY_WOW64_32KEY, KEY_WOW64_64KEY })
        for (const char *path : { APP_PATHS_KEY, UNINSTALL_KEY, APP_PATHS_EXE_KEY, APPLICATION_KEY, VENDOR_KEY,
                                  REGISTERED_APPLICATIONS })
            keys_.push_back({ path, HKEY_LOCAL_MACHINE, view, false });
    for (KeyState &key : keys_)
        key.existed = KeyExists(key.root, key.path, key.view);

    extensions_.clear();
    profile_.clear();
    for (const char *type : IMAGE_TYPES) {
        ExtensionState extension = { std::string(".") + type, false, false, 0, std::string() };
        extension.valueExisted = ReadDefaultValue(HKEY_CLASSES_ROOT, extension.key, &extension.keyExisted,
                                                  &extension.type, &extension.data);
        extensions_.push_back(extension);

        ProfileState entry = { type, false, std::string() };
        entry.existed = ReadProfileEntry(type, &entry.value);
        profile_.push_back(entry);
    }
    shortcutFolder_.clear();
    menuFiles_ = MenuFiles();
}

void Registrations::NoteShortcutFolder(const std::string &folder)
{
    shortcutFolder_ = folder;
    shortcutFolderExisted_ = DirectoryExists(folder);
}

std::vector<std::string> Registrations::Changes() const
{
    std::vector<std::string> changes;
    for (const KeyState &key : keys_)
        if (KeyExists(key.root, key.path, key.view) != key.existed)
            changes.push_back(RegistryRootName(key.root) + key.path +
                              (key.view == KEY_WOW64_64KEY ? " (64-bit view)" : "") +
                              (key.existed ? " went away" : " was made"));
    for (const ExtensionState &extension : extensions_) {
        bool keyExists = false;
        DWORD type = 0;
        std::string data;
        bool valueExists = ReadDefaultValue(HKEY_CLASSES_ROOT, extension.key, &keyExists, &type, &data);
        if (keyExists != extension.keyExisted)
            changes.push_back("HKCR\\" + extension.key + (keyExists ? " was made" : " went away"));
        else if (valueExists != extension.valueExisted || (valueExists && (type != extension.type || data != extension.data)))
            changes.push_back("the default value of HKCR\\" + extension.key + " changed");
    }
    for (const ProfileState &entry : profile_) {
        std::string value;
        bool exists = ReadProfileEntry(entry.key.c_str(), &value);
        if (exists != entry.existed || value != entry.value)
            changes.push_back("WIN.INI [extensions] " + entry.key + " changed to \"" + value + "\"");
    }
    if (!shortcutFolder_.empty() && DirectoryExists(shortcutFolder_) != shortcutFolderExisted_)
        changes.push_back("the shortcut folder " + shortcutFolder_ + (shortcutFolderExisted_ ? " went away" : " was made"));
    return changes;
}

void Registrations::Restore() const
{
    for (const KeyState &key : keys_)
        if (!key.existed)
            DeleteKeyTree(key.root, key.path, key.view);
    // The Default Apps entry, where the list was there before.
    for (REGSAM view : { KEY_WOW64_32KEY, KEY_WOW64_64KEY }) {
        HKEY registered;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS, 0, KEY_SET_VALUE | view, &registered) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(registered, "Velloran");
            RegCloseKey(registered);
        }
    }
    for (const ExtensionState &extension : extensions_) {
        if (!extension.keyExisted) {
            DeleteKeyTree(HKEY_CLASSES_ROOT, extension.key);
            continue;
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, extension.key.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            continue;
        if (extension.valueExisted)
            RegSetValueExA(key, "", 0, extension.type, (const BYTE *)extension.data.data(), (DWORD)extension.data.size());
        else
            RegDeleteValueA(key, "");
        RegCloseKey(key);
    }
    for (const ProfileState &entry : profile_)
        WriteProfileStringA(PROFILE_SECTION, entry.key.c_str(), entry.existed ? entry.value.c_str() : NULL);
    if (!shortcutFolder_.empty() && !shortcutFolderExisted_)
        RemoveTree(shortcutFolder_);
    RemoveMenuFilesSince(menuFiles_);
}

// ---- Processes -----------------------------------------------------------

std::vector<DWORD> DescendantProcesses(DWORD processId, const char *exeName)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    std::vector<PROCESSENTRY32> entries;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        entries.push_back(entry);
    CloseHandle(snapshot);

    std::vector<DWORD> parents = { processId };
    std::vector<DWORD> named;
    while (!parents.empty()) {
        DWORD parent = parents.back();
        parents.pop_back();
        for (const PROCESSENTRY32 &each : entries)
            if (each.th32ParentProcessID == parent && each.th32ProcessID != parent && each.th32ProcessID != processId &&
                std::find(found.begin(), found.end(), each.th32ProcessID) == found.end()) {
                found.push_back(each.th32ProcessID);
                parents.push_back(each.th32ProcessID);
                if (exeName && lstrcmpiA(each.szExeFile, exeName) == 0)
                    named.push_back(each.th32ProcessID);
            }
    }
    return exeName ? named : found;
}

void WaitForMenuBuilders(DWORD setupProcessId)
{
    WaitUntil([&] { return DescendantProcesses(setupProcessId, MENU_BUILDER).empty(); }, EXIT_TIMEOUT_MS);
}

HWND WaitForShellWindow(DWORD setupProcessId)
{
    HWND shell = NULL;
    WaitUntil([&] {
        for (DWORD child : DescendantProcesses(setupProcessId)) {
            std::vector<HWND> windows = TopLevelWindows(child);
            if (!windows.empty())
                shell = windows.front();
        }
        return shell != NULL;
    }, WINDOW_TIMEOUT_MS);
    return shell;
}

void TerminateProcessById(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, EXIT_TIMEOUT_MS);
    CloseHandle(process);
}

// ---- Screen --------------------------------------------------------------

std::string SaveScreenNow(const std::string &name, ScreenPicture *picture)
{
    ScreenPicture local;
    ScreenPicture *target = picture ? picture : &local;
    return CaptureScreen(target) ? SavePicture(name, *target) : std::string();
}

std::string ScenarioShotName(const char *label)
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name() + "-" + label;
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

    reading->fullWidth = width;
    reading->blueWidth = 0;
    reading->whiteNumber = false;
    reading->blueOutsideRows = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            DWORD pixel = at(x, y);
            bool inRows = y >= barTop && y < barBottom;
            if (pixel == BAR_BLUE && inRows && x + 1 > reading->blueWidth)
                reading->blueWidth = x + 1;
            if (pixel == BAR_BLUE && !inRows)
                reading->blueOutsideRows = true;
            if (inNumber(x) && Whitish(pixel))
                reading->whiteNumber = true;
        }
    reading->restIsBlackOrNumber = true;
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
    reading->lineDrawn = false;
    reading->lineLeft = reading->lineTop = -1;
    reading->leftoverPixels = 0;
    reading->inkRight = -1;
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
    registrations_.Take();
    tempEntriesBefore_ = TempEntries();
}

void InstallScenario::TearDown()
{
    // The shell window that "Finish" opens outlives the setup.
    if (setup_.process) {
        WaitForMenuBuilders(setup_.processId);
        for (DWORD child : DescendantProcesses(setup_.processId))
            TerminateProcessById(child);
    }
    SetupScenario::TearDown();
    registrations_.Restore();
    for (const std::string &change : registrations_.Changes())
        ADD_FAILURE() << "cannot undo: " << change;
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
    HWND list    = GetDlgItem(page, IDC_DIR_FOLDER_LIST);
    HWND preview = GetDlgItem(page, IDC_DIR_PREVIEW);
    ASSERT_NE(list, (HWND)NULL);
    ASSERT_NE(preview, (HWND)NULL);
    std::string name = WindowText(GetDlgItem(page, IDC_DIR_FOLDER_NAME));
    std::string browse = "C:\\";
    for (const std::string &entry : entries) {
        int index = WaitForListViewEntry(list, entry.c_str());
        ASSERT_GE(index, 0) << "no folder " << entry << " listed in " << browse;
        ASSERT_TRUE(DoubleClickListViewItem(list, index)) << "cannot double-click " << entry;
        browse += (browse.back() == '\\' ? "" : "\\") + entry;
        std::string expected = browse + "\\" + name;
        ASSERT_TRUE(WaitForText(preview, expected))
            << "the preview shows " << WindowText(preview) << ", not " << expected;
    }
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
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying("Unable to copy a file:", &failure));
    EXPECT_EQ(WindowText(failure), ERROR_CAPTION);
    std::string text = MessageBoxText(failure);
    const std::string fromLabel = "Unable to copy a file:\nFrom=", toLabel = "\nTo=", end = "\nProgram will exit";
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
    }, WINDOW_TIMEOUT_MS)) << "the shortcut page did not show";
    ASSERT_EQ(unexpected, (HWND)NULL) << "unexpected box \"" << WindowText(unexpected)
                                      << "\" while copying: " << MessageBoxText(unexpected);
}

void InstallScenario::CancelShortcutPageAndExit(HWND shortcutPage)
{
    registrations_.NoteShortcutFolder(WindowText(GetDlgItem(shortcutPage, IDC_SC_PREVIEW)));
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
    if (!DirectoryExists(installDir_)) {
        ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), NULL));
    }
    for (const std::string &subdirectory : Subdirectories()) {
        if (!DirectoryExists(installDir_ + subdirectory)) {
            ASSERT_TRUE(CreateDirectoryA((installDir_ + subdirectory).c_str(), NULL));
        }
    }
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
        std::string path = installDir_ + file.suffix, bytes;
        allowed.insert(Lower(path));
        EXPECT_TRUE(ReadWholeFile(path, &bytes) && bytes == file.bytes) << path << " is not as it was before";
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
    for (const std::string &change : registrations_.Changes())
        ADD_FAILURE() << "registered although the shortcuts were cancelled: " << change;
}

std::string InstallScenario::Shot(const char *label, ScreenPicture *picture)
{
    std::string path = SaveScreenNow(ScenarioShotName(label), picture);
    EXPECT_FALSE(path.empty()) << "cannot save the screenshot " << label;
    return path;
}

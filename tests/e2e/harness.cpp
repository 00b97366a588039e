#include "harness.h"

#include <algorithm>

#include <string.h>

// ---- Paths and folders ---------------------------------------------------

std::string SetupExePath()
{
    return PathFromEnvironment("VELLORAN_SETUP_EXE");
}

bool CreateFolderTree(const std::string &path)
{
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
    return DirectoryExists(path);
}

std::string ScreenshotFolder()
{
    std::string folder = PathFromEnvironment("VELLORAN_SCREENSHOTS");
    CreateFolderTree(folder);
    return folder;
}

std::string MakeFolderIn(const std::string &parent, const char *stem)
{
    return MakeUniqueFolder(parent, std::string("velloran-e2e-") + stem + "-");
}

bool MarkedForDeletionAtRestart(const std::string &path)
{
    std::vector<wchar_t> value(32768);
    DWORD size = (DWORD)(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, NULL, value.data(), &size) != ERROR_SUCCESS)
        return false;
    std::wstring pairs(value.data(), size / sizeof(wchar_t));
    // A deletion is the name followed by an empty one.
    std::wstring wanted = L"\\??\\" + Wide(path) + std::wstring(2, L'\0');
    CharLowerBuffW(&pairs[0], (DWORD)pairs.size());
    CharLowerBuffW(&wanted[0], (DWORD)wanted.size());
    return pairs.find(wanted) != std::wstring::npos;
}

bool RestartWine()
{
    char wineboot[MAX_PATH];
    UINT length = GetSystemDirectoryA(wineboot, MAX_PATH);
    if (length == 0 || length + 14 >= MAX_PATH)
        return false;
    lstrcatA(wineboot, "\\wineboot.exe");
    HANDLE process = NULL;
    DWORD processId = 0;
    if (!StartProcess(wineboot, "-r", "", SW_SHOWDEFAULT, &process, &processId))
        return false;
    DWORD code = WaitForExit(process, EXIT_TIMEOUT_MS);
    CloseHandle(process);
    return code == 0;
}

// ---- The setup process ---------------------------------------------------

bool StartSetup(const std::string &currentDirectory, SetupProcess *setup, const std::string &exeCopy,
                const std::string &arguments)
{
    return StartProcess(exeCopy.empty() ? SetupExePath() : exeCopy, arguments, currentDirectory, SW_SHOWDEFAULT,
                        &setup->process, &setup->processId);
}

DWORD WaitForExit(const SetupProcess &setup, DWORD timeoutMs)
{
    return WaitForExit(setup.process, timeoutMs);
}

void EndSetup(SetupProcess *setup)
{
    EndProcess(&setup->process, setup->processId);
    setup->processId = 0;
}

// ---- Windows -------------------------------------------------------------

bool WaitForText(HWND control, const std::string &text)
{
    return WaitForText(control, text, WINDOW_TIMEOUT_MS);
}

HWND FocusedWindow(HWND anyWindowOfThread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(anyWindowOfThread, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

POINT EditCharPosition(HWND edit, int index)
{
    LRESULT at = SendMessageA(edit, EM_POSFROMCHAR, (WPARAM)index, 0);
    POINT point = { (short)LOWORD(at), (short)HIWORD(at) };
    return point;
}

::testing::AssertionResult EditShowsItsEnd(HWND edit)
{
    std::string text = WindowText(edit);
    if (text.empty())
        return ::testing::AssertionFailure() << "the edit is empty";
    RECT client;
    GetClientRect(edit, &client);
    POINT last = EditCharPosition(edit, (int)text.size() - 1);
    if (last.x >= client.left && last.x < client.right && last.y >= client.top && last.y < client.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the last character of \"" << text << "\" is at (" << last.x << ", "
                                         << last.y << "), outside the client area of " << client.right << " x "
                                         << client.bottom;
}

// ---- Input ---------------------------------------------------------------

bool PressButtonByText(HWND dialog, const char *text)
{
    HWND button = FindWindowExA(dialog, NULL, "Button", text);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

bool PressKey(HWND window, WORD virtualKey)
{
    HWND target = FocusedWindow(window);
    if (!target)
        target = window;
    LPARAM scan = (LPARAM)MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC) << 16;
    return PostMessageA(target, WM_KEYDOWN, virtualKey, scan | 1) &&
           PostMessageA(target, WM_KEYUP, virtualKey, scan | 1 | 0xC0000000);
}

bool TypeText(HWND edit, const char *text)
{
    for (const char *c = text; *c; ++c) {
        LPARAM scan = (LPARAM)(MapVirtualKeyA(VkKeyScanA(*c) & 0xFF, MAPVK_VK_TO_VSC) & 0xFF) << 16;
        if (!PostMessageA(edit, WM_CHAR, (BYTE)*c, scan | 1))
            return false;
    }
    return true;
}

// ---- Combo boxes ---------------------------------------------------------

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    int count = (int)SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        int length = (int)SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        if (length < 0)
            break;
        std::vector<WCHAR> wide(length + 1, 0);
        SendMessageW(combo, CB_GETLBTEXT, i, (LPARAM)&wide[0]);
        char narrow[LIST_TEXT_SIZE * 2] = "";
        WideCharToMultiByte(CP_ACP, 0, &wide[0], -1, narrow, sizeof(narrow), NULL, NULL);
        items.push_back(narrow);
    }
    return items;
}

int ComboSelection(HWND combo)
{
    return (int)SendMessageW(combo, CB_GETCURSEL, 0, 0);
}

// The open drop-down list of a combo box: a top-level "ComboLBox" window of
// the combo box's thread.
static HWND DroppedList(HWND combo)
{
    DWORD thread = GetWindowThreadProcessId(combo, NULL);
    for (HWND window = FindWindowExA(NULL, NULL, "ComboLBox", NULL); window;
         window = FindWindowExA(NULL, window, "ComboLBox", NULL))
        if (GetWindowThreadProcessId(window, NULL) == thread && IsWindowVisible(window))
            return window;
    return NULL;
}

bool ChooseComboItem(HWND combo, int index)
{
    RECT comboRect;
    if (!GetWindowRect(combo, &comboRect) || !ClickAt({ (comboRect.left + comboRect.right) / 2,
                                                        (comboRect.top + comboRect.bottom) / 2 }))
        return false;
    HWND list = NULL;
    if (!WaitUntil([&] { return (list = DroppedList(combo)) != NULL; }, WINDOW_TIMEOUT_MS))
        return false;
    // Item rectangles from their height and the first item shown: no
    // pointer has to cross into the other process.
    SendMessageW(list, LB_SETTOPINDEX, index, 0);
    int top    = (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    RECT client;
    if (height <= 0 || !GetClientRect(list, &client))
        return false;
    POINT point = { (client.left + client.right) / 2, (index - top) * height + height / 2 };
    if (point.y < 0 || point.y >= client.bottom)
        return false;
    ClientToScreen(list, &point);
    return ClickAt(point) &&
           WaitUntil([&] { return ComboSelection(combo) == index && DroppedList(combo) == NULL; }, WINDOW_TIMEOUT_MS);
}

// ---- List views of another process --------------------------------------

// A block of memory shared with the process that owns a window: a section
// mapped both here and there. Copying into the other process with
// WriteProcessMemory would do on Windows, but under user-mode emulation the
// kernel's view of that process's memory is not where its program's
// addresses lie, and the copy lands elsewhere; a shared section is the same
// memory on both sides either way.
typedef LONG (WINAPI *MapViewOfSectionCall)(HANDLE, HANDLE, PVOID *, ULONG_PTR, SIZE_T, PLARGE_INTEGER,
                                            PSIZE_T, DWORD, ULONG, ULONG);
typedef LONG (WINAPI *UnmapViewOfSectionCall)(HANDLE, PVOID);
enum { VIEW_SHARE = 1 };

struct RemoteBlock {
    HANDLE process = NULL;
    HANDLE section = NULL;
    char  *local   = NULL;
    char  *address = NULL;   // the same memory, as the other process sees it

    RemoteBlock(HWND window, SIZE_T size)
    {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        MapViewOfSectionCall mapView = (MapViewOfSectionCall)(void *)GetProcAddress(ntdll, "NtMapViewOfSection");
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                              PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION, FALSE, WindowProcess(window));
        section = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, (DWORD)size, NULL);
        if (!mapView || !process || !section)
            return;
        local = (char *)MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, size);
        PVOID remote = NULL;
        SIZE_T viewSize = 0;
        if (local && mapView(section, process, &remote, 0, 0, NULL, &viewSize, VIEW_SHARE, 0, PAGE_READWRITE) == 0)
            address = (char *)remote;
    }
    ~RemoteBlock()
    {
        UnmapViewOfSectionCall unmapView = (UnmapViewOfSectionCall)(void *)GetProcAddress(
            GetModuleHandleA("ntdll.dll"), "NtUnmapViewOfSection");
        if (address && unmapView)
            unmapView(process, address);
        if (local)
            UnmapViewOfFile(local);
        if (section)
            CloseHandle(section);
        if (process)
            CloseHandle(process);
    }
    bool Usable() const { return address != NULL; }
};

// Not SMTO_ABORTIFHUNG, for the reason WindowText gives (win_support.cpp).
static bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *result)
{
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, result) != 0;
}

static std::string ListViewItemText(HWND list, int index)
{
    RemoteBlock block(list, sizeof(LVITEMA) + LIST_TEXT_SIZE);
    if (!block.Usable())
        return std::string();
    LVITEMA item = {};
    item.iSubItem   = 0;
    item.pszText    = block.address + sizeof(LVITEMA);
    item.cchTextMax = LIST_TEXT_SIZE;
    memcpy(block.local, &item, sizeof(item));
    char *text = block.local + sizeof(LVITEMA);
    memset(text, 0, LIST_TEXT_SIZE);
    DWORD_PTR length = 0;
    if (!SendWithin(list, LVM_GETITEMTEXTA, index, (LPARAM)block.address, &length))
        return std::string();
    text[LIST_TEXT_SIZE - 1] = '\0';
    return text;
}

std::vector<std::string> ListViewItems(HWND list)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (SendWithin(list, LVM_GETITEMCOUNT, 0, 0, &count))
        for (int i = 0; i < (int)count; ++i)
            items.push_back(ListViewItemText(list, i));
    return items;
}

int WaitForListViewEntry(HWND list, const char *text)
{
    int index = -1;
    WaitUntil([&] {
        std::vector<std::string> items = ListViewItems(list);
        index = (int)(std::find(items.begin(), items.end(), text) - items.begin());
        return index < (int)items.size();
    }, WINDOW_TIMEOUT_MS);
    return index;
}

static int ListViewSelection(HWND list)
{
    DWORD_PTR selected = (DWORD_PTR)-1;
    SendWithin(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED, &selected);
    return (int)selected;
}

bool ListViewItemScreenRect(HWND list, int index, RECT *rect)
{
    DWORD_PTR ignored;
    SendWithin(list, LVM_ENSUREVISIBLE, index, FALSE, &ignored);
    RemoteBlock block(list, sizeof(RECT));
    if (!block.Usable())
        return false;
    RECT itemRect = {};
    itemRect.left = LVIR_ICON;
    memcpy(block.local, &itemRect, sizeof(itemRect));
    DWORD_PTR found = 0;
    if (!SendWithin(list, LVM_GETITEMRECT, index, (LPARAM)block.address, &found) || !found)
        return false;
    memcpy(&itemRect, block.local, sizeof(itemRect));
    MapWindowPoints(list, HWND_DESKTOP, (POINT *)&itemRect, 2);
    *rect = itemRect;
    return true;
}

// ---- Mouse ---------------------------------------------------------------

static DWORD s_lastClickTick;

// Absolute mouse coordinates run from 0 to 65535 over the screen; rounding
// up makes the system's scaling land on the very pixel asked for.
static INPUT MouseEvent(POINT point, DWORD button)
{
    int width  = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type       = INPUT_MOUSE;
    input.mi.dx      = (LONG)(((LONGLONG)point.x * 65536 + width - 1) / width);
    input.mi.dy      = (LONG)(((LONGLONG)point.y * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    return input;
}

// Wine takes the pointer's place from the X server now and then, and the X
// pointer follows a move a moment later: wait until the two agree, and move
// again now and then in case the X server saw an older move last.
static bool MoveTo(POINT point)
{
    INPUT move = MouseEvent(point, 0);
    DWORD lastMove = 0;
    bool sent = true;
    return WaitUntil([&] {
        if (lastMove == 0 || GetTickCount() - lastMove >= MOVE_REPEAT_MS) {
            sent = SendInput(1, &move, sizeof(INPUT)) == 1;
            lastMove = GetTickCount();
        }
        POINT cursor;
        return !sent || (GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y);
    }, POINTER_TIMEOUT_MS) && sent;
}

// Each event carries the position itself: a click that relies on an
// earlier move may land where the pointer was before.
static bool SendClicks(POINT point, int clicks)
{
    std::vector<INPUT> events;
    for (int i = 0; i < clicks; ++i) {
        events.push_back(MouseEvent(point, MOUSEEVENTF_LEFTDOWN));
        events.push_back(MouseEvent(point, MOUSEEVENTF_LEFTUP));
    }
    bool sent = SendInput((UINT)events.size(), &events[0], sizeof(INPUT)) == events.size();
    s_lastClickTick = GetTickCount();
    return sent;
}

// So that the next click is not taken as the second half of an earlier one.
static void WaitOutDoubleClickTime()
{
    DWORD gap = GetDoubleClickTime() + 100, passed = GetTickCount() - s_lastClickTick;
    if (passed < gap)
        Sleep(gap - passed);
}

bool ClickAt(POINT screenPoint)
{
    WaitOutDoubleClickTime();
    return MoveTo(screenPoint) && SendClicks(screenPoint, 1);
}

bool DoubleClickListViewItem(HWND list, int index)
{
    RECT rect;
    if (!ListViewItemScreenRect(list, index, &rect))
        return false;
    POINT point = { (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
    if (!ClickAt(point))
        return false;
    // A person sees the entry selected before double-clicking it.
    if (!WaitUntil([&] { return ListViewSelection(list) == index; }, WINDOW_TIMEOUT_MS))
        return false;
    WaitOutDoubleClickTime();
    return MoveTo(point) && SendClicks(point, 2);
}

// ---- Screen --------------------------------------------------------------

bool CaptureStillScreen(ScreenPicture *picture, DWORD timeoutMs)
{
    ScreenPicture previous;
    if (!CaptureScreen(&previous))
        return false;
    bool captured = true;
    Sleep(STILL_INTERVAL_MS);
    return WaitUntil([&] {
        captured = CaptureScreen(picture);
        if (!captured || picture->pixels == previous.pixels)
            return true;
        previous.pixels.swap(picture->pixels);
        return false;
    }, timeoutMs, STILL_INTERVAL_MS) && captured;
}

std::string SaveScreenshot(const std::string &name)
{
    ScreenPicture picture;
    // A picture of the screen still being drawn is no use; one that never
    // settles (a blinking caret, say) is kept as it was last seen.
    if (!CaptureStillScreen(&picture, SCREENSHOT_SETTLE_MS) && picture.pixels.empty())
        return std::string();
    return SavePicture(name, picture);
}

std::string SavePicture(const std::string &name, const ScreenPicture &picture)
{
    std::string safe = name;
    for (char &c : safe)
        if (strchr("\\/:*?\"<>|", c))
            c = '_';
    std::string path = ScreenshotFolder() + "\\" + safe + ".png";
    return WritePng(path, picture) ? path : std::string();
}

// ---- Scenario base -------------------------------------------------------

std::string ScenarioShotName(const char *label)
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name() + "-" + label;
}

bool IsShellWindowProgram(DWORD processId)
{
    std::string image = ProcessImageName(processId);
    return processId != DesktopProcess() &&
           (lstrcmpiA(image.c_str(), "explorer.exe") == 0 || lstrcmpiA(image.c_str(), "winefile.exe") == 0);
}

void SetupScenario::SetUp()
{
    scratch_ = MakeFolderIn(TempDirectory(), ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(scratch_.empty()) << "cannot make a scratch folder";
}

void SetupScenario::TearDown()
{
    if (HasFailure())
        Screenshot("failed");
    EndSetup(&setup_);
    RemoveTree(scratch_);
}

void SetupScenario::StartSetupIn(const std::string &currentDirectory)
{
    std::string directory = currentDirectory.empty() ? scratch_ : currentDirectory;
    ASSERT_TRUE(StartSetup(directory, &setup_, exe_, arguments_))
        << "cannot start " << (exe_.empty() ? SetupExePath() : exe_) << " in " << directory << ", error "
        << GetLastError();
}

HWND SetupScenario::WaitForPage(const char *caption)
{
    return WaitForWindow(caption, "#32770", setup_.processId, WINDOW_TIMEOUT_MS);
}

HWND SetupScenario::WaitForBox(const char *caption)
{
    return WaitForPage(caption);
}

std::string SetupScenario::SetupShows()
{
    DWORD exitCode = WaitForExit(setup_.process, 0);
    if (exitCode != STILL_ACTIVE)
        return "the setup ended with exit code " + std::to_string(exitCode);
    std::string shown = "the setup shows:";
    for (HWND window : TopLevelWindows(setup_.processId))
        shown += " [" + WindowText(window) + ": " + MessageBoxText(window) + "]";
    return shown;
}

void SetupScenario::Screenshot(const char *label)
{
    std::string path = SaveScreenshot(ScenarioShotName(label));
    EXPECT_FALSE(path.empty()) << "cannot save the screenshot " << label;
}

HWND SetupScenario::WaitForShellWindow(const std::vector<HWND> &before, const std::string &folderName)
{
    HWND shell = NULL;
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(0)) {
            DWORD process = WindowProcess(window);
            if (std::find(before.begin(), before.end(), window) != before.end() || process == setup_.processId)
                continue;
            if (WindowText(window).find(folderName) != std::string::npos || IsShellWindowProgram(process))
                shell = window;
        }
        return shell != NULL;
    }, WINDOW_TIMEOUT_MS);
    return shell;
}

void SetupScenario::CloseShellWindow(HWND window)
{
    DWORD process = WindowProcess(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(window, WINDOW_TIMEOUT_MS)) << "the shell window did not close";
    if (process != DesktopProcess() && !WaitForProcessGone(process, EXIT_TIMEOUT_MS))
        EndProcess(process);
}

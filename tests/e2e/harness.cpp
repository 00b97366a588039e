#include "harness.h"

#include <tlhelp32.h>

#include <string.h>

// ---- Paths and folders ---------------------------------------------------

static std::string Environment(const char *name)
{
    char value[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value))
        return std::string();
    return std::string(value, length);
}

std::string ToWindowsPath(const std::string &path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string windows = "Z:" + path;
    for (char &c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}

static std::string TestProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

// The test programs live in <build>\tests\e2e, the setup in <build>.
static std::string BuildFolder()
{
    std::string folder = TestProgramFolder();
    for (int level = 0; level < 2; ++level)
        folder = folder.substr(0, folder.find_last_of('\\'));
    return folder;
}

static bool FileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SetupExePath()
{
    std::string configured = Environment("VELLORAN_SETUP_EXE");
    if (!configured.empty())
        return ToWindowsPath(configured);
    std::string beside = TestProgramFolder() + "\\VelloranSetup.exe";
    return FileExists(beside) ? beside : BuildFolder() + "\\VelloranSetup.exe";
}

static void CreateFolderTree(const std::string &path)
{
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
}

std::string ScreenshotFolder()
{
    std::string folder = ToWindowsPath(Environment("VELLORAN_SCREENSHOTS"));
    if (folder.empty())
        folder = BuildFolder() + "\\screenshots";
    CreateFolderTree(folder);
    return folder;
}

std::string MakeFolderIn(const std::string &parent, const char *stem)
{
    std::string base = parent;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    static unsigned counter;
    for (;;) {
        std::string name = base + "velloran-e2e-" + stem + "-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(++counter);
        if (CreateDirectoryA(name.c_str(), NULL))
            return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

std::string MakeScratchFolder(const char *stem)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return MakeFolderIn(temp, stem);
}

// Through the Unicode functions with the "\\?\" prefix, so that folders
// deeper than MAX_PATH go too.
static void RemoveTreeW(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string &path)
{
    if (path.empty())
        return;
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, NULL, 0);
    if (length <= 0)
        return;
    std::wstring wide(length - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
    bool absolute = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    RemoveTreeW(absolute ? L"\\\\?\\" + wide : wide);
}

bool KeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// ---- The setup process ---------------------------------------------------

bool StartSetup(const std::string &currentDirectory, SetupProcess *setup, const std::string &exeCopy)
{
    std::string exe = exeCopy.empty() ? SetupExePath() : exeCopy;
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                        currentDirectory.empty() ? NULL : currentDirectory.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    setup->process   = info.hProcess;
    setup->processId = info.dwProcessId;
    return true;
}

DWORD WaitForExit(const SetupProcess &setup, DWORD timeoutMs)
{
    if (!setup.process || WaitForSingleObject(setup.process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(setup.process, &code);
    return code;
}

// Children first, so that none is left without the parent that names it.
static void TerminateTree(DWORD processId)
{
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            if (entry.th32ParentProcessID == processId && entry.th32ProcessID != processId)
                children.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
    }
    for (DWORD child : children)
        TerminateTree(child);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, EXIT_TIMEOUT_MS);
        CloseHandle(process);
    }
}

void EndSetup(SetupProcess *setup)
{
    if (!setup->process)
        return;
    if (WaitForSingleObject(setup->process, 0) != WAIT_OBJECT_0)
        TerminateTree(setup->processId);
    CloseHandle(setup->process);
    setup->process   = NULL;
    setup->processId = 0;
}

// ---- Windows -------------------------------------------------------------

struct WindowQuery {
    const char *caption;
    const char *className;
    DWORD processId;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    WindowQuery *query = (WindowQuery *)parameter;
    if (!IsWindowVisible(window))
        return TRUE;
    if (query->processId && WindowProcess(window) != query->processId)
        return TRUE;
    if (query->className && WindowClass(window) != query->className)
        return TRUE;
    if (query->caption) {
        char caption[512];
        GetWindowTextA(window, caption, sizeof(caption));
        if (strcmp(caption, query->caption) != 0)
            return TRUE;
    }
    query->found.push_back(window);
    return TRUE;
}

static std::vector<HWND> FindTopLevel(const char *caption, const char *className, DWORD processId)
{
    WindowQuery query = { caption, className, processId, {} };
    EnumWindows(CollectWindow, (LPARAM)&query);
    return query.found;
}

HWND WaitForWindow(const char *caption, const char *className, DWORD processId, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = FindTopLevel(caption, className, processId);
        if (!found.empty())
            return found.front();
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(POLL_INTERVAL_MS);
    }
}

HWND WaitForMessageBox(const char *caption, DWORD processId, DWORD timeoutMs)
{
    return WaitForWindow(caption, "#32770", processId, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(POLL_INTERVAL_MS);
    }
    return true;
}

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    return FindTopLevel(NULL, NULL, processId);
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::vector<char> text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), (LPARAM)&text[0], SMTO_ABORTIFHUNG, 5000, &copied))
        return std::string();
    return std::string(&text[0], copied);
}

std::string WindowClass(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

DWORD WindowProcess(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::string MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

HWND FocusedWindow(HWND anyWindowOfThread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(anyWindowOfThread, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

// ---- Input ---------------------------------------------------------------

bool PressButton(HWND dialog, int controlId)
{
    HWND button = GetDlgItem(dialog, controlId);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

struct ChildQuery {
    const char *className;
    const char *text;
    HWND found;
};

static BOOL CALLBACK MatchChild(HWND child, LPARAM parameter)
{
    ChildQuery *query = (ChildQuery *)parameter;
    if (query->className && lstrcmpiA(WindowClass(child).c_str(), query->className) != 0)
        return TRUE;
    if (WindowText(child) != query->text)
        return TRUE;
    query->found = child;
    return FALSE;
}

HWND FindChildByText(HWND parent, const char *className, const char *text)
{
    ChildQuery query = { className, text, NULL };
    EnumChildWindows(parent, MatchChild, (LPARAM)&query);
    return query.found;
}

bool PressButtonByText(HWND dialog, const char *text)
{
    HWND button = FindChildByText(dialog, "Button", text);
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
    DWORD start = GetTickCount();
    while ((list = DroppedList(combo)) == NULL) {
        if (GetTickCount() - start >= WINDOW_TIMEOUT_MS)
            return false;
        Sleep(POLL_INTERVAL_MS);
    }
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
    if (!ClickAt(point))
        return false;
    start = GetTickCount();
    while (ComboSelection(combo) != index || DroppedList(combo) != NULL) {
        if (GetTickCount() - start >= WINDOW_TIMEOUT_MS)
            return false;
        Sleep(POLL_INTERVAL_MS);
    }
    return true;
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
    bool Write(SIZE_T offset, const void *data, SIZE_T size)
    {
        memcpy(local + offset, data, size);
        return true;
    }
    bool Read(SIZE_T offset, void *data, SIZE_T size)
    {
        memcpy(data, local + offset, size);
        return true;
    }
};

static bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *result)
{
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, result) != 0;
}

int ListViewCount(HWND list)
{
    DWORD_PTR count = 0;
    return SendWithin(list, LVM_GETITEMCOUNT, 0, 0, &count) ? (int)count : -1;
}

std::string ListViewItemText(HWND list, int index)
{
    RemoteBlock block(list, sizeof(LVITEMA) + LIST_TEXT_SIZE);
    if (!block.Usable())
        return std::string();
    LVITEMA item = {};
    item.iSubItem   = 0;
    item.pszText    = block.address + sizeof(LVITEMA);
    item.cchTextMax = LIST_TEXT_SIZE;
    char text[LIST_TEXT_SIZE];
    memset(text, 0, sizeof(text));
    DWORD_PTR length = 0;
    if (!block.Write(0, &item, sizeof(item)) || !block.Write(sizeof(LVITEMA), text, sizeof(text)) ||
        !SendWithin(list, LVM_GETITEMTEXTA, index, (LPARAM)block.address, &length) ||
        !block.Read(sizeof(LVITEMA), text, sizeof(text)))
        return std::string();
    text[LIST_TEXT_SIZE - 1] = '\0';
    return text;
}

std::vector<std::string> ListViewItems(HWND list)
{
    std::vector<std::string> items;
    int count = ListViewCount(list);
    for (int i = 0; i < count; ++i)
        items.push_back(ListViewItemText(list, i));
    return items;
}

int ListViewFind(HWND list, const char *text)
{
    std::vector<std::string> items = ListViewItems(list);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return (int)i;
    return -1;
}

int ListViewSelection(HWND list)
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
    DWORD_PTR found = 0;
    if (!block.Write(0, &itemRect, sizeof(itemRect)) ||
        !SendWithin(list, LVM_GETITEMRECT, index, (LPARAM)block.address, &found) || !found ||
        !block.Read(0, &itemRect, sizeof(itemRect)))
        return false;
    MapWindowPoints(list, HWND_DESKTOP, (POINT *)&itemRect, 2);
    *rect = itemRect;
    return true;
}

// ---- Mouse ---------------------------------------------------------------

static DWORD s_lastClickTick;
static bool  s_clickedBefore;

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
    DWORD start = GetTickCount(), lastMove = 0;
    for (;;) {
        if (lastMove == 0 || GetTickCount() - lastMove >= MOVE_REPEAT_MS) {
            if (SendInput(1, &move, sizeof(INPUT)) != 1)
                return false;
            lastMove = GetTickCount();
        }
        POINT cursor;
        if (GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y)
            return true;
        if (GetTickCount() - start >= POINTER_TIMEOUT_MS)
            return false;
        Sleep(POLL_INTERVAL_MS);
    }
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
    s_clickedBefore = true;
    return sent;
}

// So that the next click is not taken as the second half of an earlier one.
static void WaitOutDoubleClickTime()
{
    if (!s_clickedBefore)
        return;
    DWORD doubleClickTime = GetDoubleClickTime();
    while (GetTickCount() - s_lastClickTick <= doubleClickTime + 100)
        Sleep(POLL_INTERVAL_MS);
}

bool ClickAt(POINT screenPoint)
{
    WaitOutDoubleClickTime();
    return MoveTo(screenPoint) && SendClicks(screenPoint, 1);
}

bool DoubleClickAt(POINT screenPoint)
{
    WaitOutDoubleClickTime();
    return MoveTo(screenPoint) && SendClicks(screenPoint, 2);
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
    DWORD start = GetTickCount();
    while (ListViewSelection(list) != index) {
        if (GetTickCount() - start >= WINDOW_TIMEOUT_MS)
            return false;
        Sleep(POLL_INTERVAL_MS);
    }
    return DoubleClickAt(point);
}

// ---- Screen --------------------------------------------------------------

bool CaptureScreen(ScreenPicture *picture)
{
    int width  = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize        = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth       = width;
    info.bmiHeader.biHeight      = -height;   // top row first
    info.bmiHeader.biPlanes      = 1;
    info.bmiHeader.biBitCount    = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(NULL);
    void *bits = NULL;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = CreateCompatibleDC(screen);
    bool copied = false;
    if (section && memory) {
        HGDIOBJ previous = SelectObject(memory, section);
        copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (copied) {
        const DWORD *source = (const DWORD *)bits;
        picture->width  = width;
        picture->height = height;
        picture->pixels.assign(source, source + (size_t)width * (size_t)height);
        for (DWORD &pixel : picture->pixels)
            pixel &= 0x00FFFFFF;
    }
    if (memory)
        DeleteDC(memory);
    if (section)
        DeleteObject(section);
    ReleaseDC(NULL, screen);
    return copied;
}

static DWORD Crc32(const unsigned char *data, size_t size, DWORD crc = 0)
{
    static DWORD table[256];
    if (!table[1]) {
        for (DWORD n = 0; n < 256; ++n) {
            DWORD c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PutBigEndian(std::vector<unsigned char> &out, DWORD value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)(value >> shift));
}

static void PutChunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    PutBigEndian(out, (DWORD)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[start], out.size() - start));
}

// The image data goes into stored (uncompressed) deflate blocks: larger
// files, but no compressor to carry along.
bool WritePng(const std::string &path, const ScreenPicture &picture)
{
    std::vector<unsigned char> raw;
    raw.reserve((size_t)picture.height * ((size_t)picture.width * 3 + 1));
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);   // no row filter
        for (int x = 0; x < picture.width; ++x) {
            DWORD pixel = picture.At(x, y);
            raw.push_back((unsigned char)(pixel >> 16));
            raw.push_back((unsigned char)(pixel >> 8));
            raw.push_back((unsigned char)pixel);
        }
    }

    std::vector<unsigned char> deflated = { 0x78, 0x01 };
    const size_t BLOCK = 65535;
    for (size_t offset = 0; offset < raw.size() || offset == 0; offset += BLOCK) {
        size_t size = raw.size() - offset < BLOCK ? raw.size() - offset : BLOCK;
        bool last = offset + size >= raw.size();
        deflated.push_back(last ? 1 : 0);
        deflated.push_back((unsigned char)size);
        deflated.push_back((unsigned char)(size >> 8));
        deflated.push_back((unsigned char)~size);
        deflated.push_back((unsigned char)(~size >> 8));
        deflated.insert(deflated.end(), raw.begin() + offset, raw.begin() + offset + size);
        if (last)
            break;
    }
    DWORD a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(deflated, (b << 16) | a);

    std::vector<unsigned char> header;
    PutBigEndian(header, (DWORD)picture.width);
    PutBigEndian(header, (DWORD)picture.height);
    header.push_back(8);   // bits per channel
    header.push_back(2);   // RGB
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);

    std::vector<unsigned char> file = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", deflated);
    PutChunk(file, "IEND", std::vector<unsigned char>());

    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file[0], (DWORD)file.size(), &written, NULL) && written == file.size();
    CloseHandle(out);
    return ok;
}

bool CaptureStillScreen(ScreenPicture *picture, DWORD timeoutMs)
{
    ScreenPicture previous;
    if (!CaptureScreen(&previous))
        return false;
    DWORD start = GetTickCount();
    for (;;) {
        Sleep(STILL_INTERVAL_MS);
        if (!CaptureScreen(picture))
            return false;
        if (picture->pixels == previous.pixels)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        previous.pixels.swap(picture->pixels);
    }
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

static std::string ScenarioName()
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name();
}

void SetupScenario::SetUp()
{
    scratch_ = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
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
    ASSERT_TRUE(StartSetup(directory, &setup_, exe_))
        << "cannot start " << (exe_.empty() ? SetupExePath() : exe_) << " in " << directory << ", error "
        << GetLastError();
}

HWND SetupScenario::WaitForPage(const char *caption)
{
    return WaitForWindow(caption, "#32770", setup_.processId, WINDOW_TIMEOUT_MS);
}

HWND SetupScenario::WaitForBox(const char *caption)
{
    return WaitForMessageBox(caption, setup_.processId, WINDOW_TIMEOUT_MS);
}

void SetupScenario::Screenshot(const char *label)
{
    std::string path = SaveScreenshot(ScenarioName() + "-" + label);
    EXPECT_FALSE(path.empty()) << "cannot save the screenshot " << label;
}

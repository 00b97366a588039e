#include "win_support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <string.h>

// ---- Waiting ---------------------------------------------------------------

bool WaitUntil(const std::function<bool()> &holds, DWORD timeoutMs, DWORD intervalMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (holds())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(intervalMs);
    }
}

// ---- Lists in messages ------------------------------------------------------

bool Contains(const std::vector<std::string> &items, const std::string &item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

std::string Joined(const std::vector<std::string> &items)
{
    std::string text;
    for (const std::string &item : items)
        text += "[" + item + "] ";
    return text;
}

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], (DWORD)text.size());
    return text;
}

bool SamePath(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::wstring Wide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], length);
    return wide;
}

// ---- Files, folders and keys ---------------------------------------------

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

std::string PathFromEnvironment(const char *name)
{
    char value[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value))
        return std::string();
    return ToWindowsPath(std::string(value, length));
}

bool FileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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
    std::wstring wide = Wide(path);
    if (wide.empty())
        return;
    bool absolute = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    RemoveTreeW(absolute ? L"\\\\?\\" + wide : wide);
}

std::string MakeUniqueFolder(const std::string &parent, const std::string &prefix)
{
    std::string base = parent;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    static LONG counter;
    for (;;) {
        std::string name = base + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(InterlockedIncrement(&counter));
        if (CreateDirectoryA(name.c_str(), NULL))
            return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

std::string TempDirectory()
{
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

std::string MakeTempFolder(const std::string &prefix)
{
    std::string temp = TempDirectory();
    return temp.empty() ? temp : MakeUniqueFolder(temp, prefix);
}

bool WriteBytes(const std::string &path, const std::vector<BYTE> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadBytes(const std::string &path, std::vector<BYTE> *bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, NULL);
    DWORD got = 0;
    BOOL ok = size != INVALID_FILE_SIZE;
    bytes->assign(ok ? size : 0, 0xA5);
    ok = ok && (size == 0 || ReadFile(file, bytes->data(), size, &got, NULL));
    CloseHandle(file);
    return ok && got == size;
}

bool ReadWholeFile(const std::string &path, std::string *bytes)
{
    std::vector<BYTE> read;
    bool ok = ReadBytes(path, &read);
    bytes->assign(read.begin(), read.end());
    return ok;
}

std::string FileText(const std::string &path)
{
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : "(missing)";
}

bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    return WriteBytes(path, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

// Calls visit for each entry of the folder but "." and "..".
static void ForEachEntry(const std::string &folder, const std::function<void(const WIN32_FIND_DATAA &)> &visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            visit(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<std::string> FolderEntries(const std::string &path)
{
    std::vector<std::string> names;
    ForEachEntry(path, [&](const WIN32_FIND_DATAA &found) { names.push_back(found.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

static void CollectTree(const std::string &folder, const std::string &prefix, std::vector<std::string> *entries,
                        ULONGLONG *size)
{
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA &found) {
        std::string name = prefix + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries->push_back(name + "\\");
            CollectTree(folder + "\\" + found.cFileName, name + "\\", entries, size);
        } else {
            entries->push_back(name);
            *size += ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
        }
    });
}

std::vector<std::string> TreeEntries(const std::string &folder)
{
    std::vector<std::string> entries;
    ULONGLONG size = 0;
    CollectTree(folder, "", &entries, &size);
    std::sort(entries.begin(), entries.end());
    return entries;
}

ULONGLONG TreeSize(const std::string &folder)
{
    std::vector<std::string> entries;
    ULONGLONG size = 0;
    CollectTree(folder, "", &entries, &size);
    return size;
}

bool KeyExists(HKEY root, const std::string &path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteKeyTree(HKEY root, const std::string &path, REGSAM view)
{
    // RegDeleteTree knows no views: it empties the key opened in the view,
    // and RegDeleteKeyEx takes the key itself from there.
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(key, NULL);
    RegCloseKey(key);
    RegDeleteKeyExA(root, path.c_str(), view, 0);
}

// The value's bytes, when it has the type asked for.
static bool ReadValue(HKEY root, const std::string &path, const char *name, DWORD wanted, std::vector<BYTE> *data,
                      REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool read = RegQueryValueExA(key, name, NULL, &type, NULL, &size) == ERROR_SUCCESS && type == wanted;
    if (read) {
        data->assign(size + 1, 0);
        read = RegQueryValueExA(key, name, NULL, NULL, data->data(), &size) == ERROR_SUCCESS;
        data->resize(size);
    }
    RegCloseKey(key);
    return read;
}

bool ReadText(HKEY root, const std::string &path, const char *name, std::string *text, REGSAM view)
{
    std::vector<BYTE> data;
    // The stored size counts the terminating NUL.
    if (!ReadValue(root, path, name, REG_SZ, &data, view) || data.empty() || data.back() != '\0')
        return false;
    text->assign((const char *)data.data(), data.size() - 1);
    return true;
}

bool ReadNumber(HKEY root, const std::string &path, const char *name, DWORD *number, REGSAM view)
{
    std::vector<BYTE> data;
    if (!ReadValue(root, path, name, REG_DWORD, &data, view) || data.size() != sizeof(DWORD))
        return false;
    memcpy(number, data.data(), sizeof(DWORD));
    return true;
}

bool WriteText(HKEY root, const std::string &path, const char *name, const std::string &text, REGSAM view)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1) ==
                   ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

TempDirectoryOverride::TempDirectoryOverride(const std::wstring &folder)
{
    GetEnvironmentVariableW(L"TMP", savedTmp_, MAX_PATH);
    GetEnvironmentVariableW(L"TEMP", savedTemp_, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
}

TempDirectoryOverride::~TempDirectoryOverride()
{
    SetEnvironmentVariableW(L"TMP", savedTmp_[0] ? savedTmp_ : NULL);
    SetEnvironmentVariableW(L"TEMP", savedTemp_[0] ? savedTemp_ : NULL);
}

// ---- Links ---------------------------------------------------------------

// A path as Linux sees it, through Wine's window onto the Unix side; empty
// where there is no Wine.
static std::string UnixPath(const std::string &path)
{
    typedef char *(CDECL * UnixFileNameProc)(LPCWSTR);
    UnixFileNameProc unixFileName =
        (UnixFileNameProc)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    char *name = unixFileName ? unixFileName(Wide(path).c_str()) : NULL;
    if (!name)
        return std::string();
    std::string unix = name;
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// Wine starts a Unix program like any other, but the handle it gives back
// cannot be waited on, and the program's exit code does not come through:
// what the program did is seen only when Wine shows it.
static bool StartUnix(const std::string &program, const std::vector<std::string> &unixPaths)
{
    std::string tail;
    for (const std::string &path : unixPaths) {
        if (path.empty())
            return false;
        tail += (tail.empty() ? "\"" : " \"") + path + "\"";
    }
    HANDLE process = NULL;
    DWORD processId = 0;
    if (!StartProcess(program, tail, "", SW_SHOWDEFAULT, &process, &processId))
        return false;
    CloseHandle(process);
    return true;
}

DWORD ListedAttributes(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return INVALID_FILE_ATTRIBUTES;
    FindClose(search);
    return found.dwFileAttributes;
}

// The link's own Unix path: Wine's translation of a whole path resolves a
// link at its end, which would name the link's target instead.
static std::string UnixLinkPath(const std::string &link)
{
    size_t separator = link.find_last_of('\\');
    if (separator == std::string::npos)
        return std::string();
    std::string folder = UnixPath(link.substr(0, separator + 1));
    return folder.empty() ? folder : folder + (folder.back() == '/' ? "" : "/") + link.substr(separator + 1);
}

// Wine lists a link to a folder as a reparse point, and a link to a file as
// the file it leads to.
bool MakeUnixLink(const std::string &link, const std::string &target)
{
    DWORD shown = DirectoryExists(target) ? FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT : 0;
    return StartUnix("Z:\\bin\\ln", { "-s", UnixPath(target), UnixLinkPath(link) }) &&
           WaitUntil([&] {
               DWORD attributes = ListedAttributes(link);
               return attributes != INVALID_FILE_ATTRIBUTES && (attributes & shown) == shown;
           }, TERMINATE_TIMEOUT_MS);
}

bool RemoveUnixLink(const std::string &link)
{
    return StartUnix("Z:\\bin\\rm", { "-f", UnixLinkPath(link) }) &&
           WaitUntil([&] { return ListedAttributes(link) == INVALID_FILE_ATTRIBUTES; }, TERMINATE_TIMEOUT_MS);
}

// ---- Processes -----------------------------------------------------------

bool StartProcess(const std::string &exe, const std::string &tail, const std::string &currentDirectory, WORD show,
                  HANDLE *process, DWORD *processId)
{
    // CreateProcess may write into the command line: a copy of our own.
    std::string commandLine = "\"" + exe + "\"" + (tail.empty() ? "" : " " + tail);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (show != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }
    PROCESS_INFORMATION info = {};
    *process = NULL;
    *processId = 0;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                        currentDirectory.empty() ? NULL : currentDirectory.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    *process   = info.hProcess;
    *processId = info.dwProcessId;
    return true;
}

DWORD WaitForExit(HANDLE process, DWORD timeoutMs)
{
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

static std::vector<PROCESSENTRY32> ProcessList()
{
    std::vector<PROCESSENTRY32> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    return processes;
}

std::string ProcessImageName(DWORD processId)
{
    for (const PROCESSENTRY32 &entry : ProcessList())
        if (entry.th32ProcessID == processId)
            return entry.szExeFile;
    return std::string();
}

std::vector<DWORD> Descendants(DWORD processId)
{
    std::vector<DWORD> found;
    // Process id 0 is nobody's, but the parent the system's own processes name.
    if (processId == 0)
        return found;
    std::vector<PROCESSENTRY32> processes = ProcessList();
    std::vector<DWORD> parents = { processId };
    while (!parents.empty()) {
        DWORD parent = parents.back();
        parents.pop_back();
        for (const PROCESSENTRY32 &entry : processes) {
            if (entry.th32ParentProcessID != parent || entry.th32ProcessID == parent || entry.th32ProcessID == processId ||
                std::find(found.begin(), found.end(), entry.th32ProcessID) != found.end())
                continue;
            found.push_back(entry.th32ProcessID);
            parents.push_back(entry.th32ProcessID);
        }
    }
    return found;
}

bool WaitForProcessGone(DWORD processId, DWORD timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return true;
    bool gone = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

DWORD DesktopProcess()
{
    return WindowProcess(GetDesktopWindow());
}

void EndProcess(DWORD processId)
{
    if (processId == 0 || processId == GetCurrentProcessId() || processId == DesktopProcess())
        return;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, TERMINATE_TIMEOUT_MS);
    }
    CloseHandle(process);
}

// Children first, so that none is left without the parent that names it.
void EndDescendants(DWORD processId)
{
    std::vector<DWORD> tree = Descendants(processId);
    for (auto child = tree.rbegin(); child != tree.rend(); ++child)
        EndProcess(*child);
}

void EndProcess(HANDLE *process, DWORD processId)
{
    if (!*process)
        return;
    if (WaitForSingleObject(*process, 0) != WAIT_OBJECT_0) {
        EndDescendants(processId);
        EndProcess(processId);
    }
    CloseHandle(*process);
    *process = NULL;
}

// ---- Windows -------------------------------------------------------------

// A UTF-16 text in the ANSI code page.
static std::string Narrow(const WCHAR *wide, int length)
{
    int size = length > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, length, NULL, 0, NULL, NULL) : 0;
    std::string text(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, length, &text[0], size, NULL, NULL);
    return text;
}

// The caption without a message: a window that does not answer holds up no search.
static std::string Caption(HWND window)
{
    WCHAR wide[512] = L"";
    return Narrow(wide, GetWindowTextW(window, wide, 512));
}

static BOOL CALLBACK CollectVisible(HWND window, LPARAM found)
{
    if (IsWindowVisible(window))
        ((std::vector<HWND> *)found)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    std::vector<HWND> visible, found;
    EnumWindows(CollectVisible, (LPARAM)&visible);
    for (HWND window : visible)
        if (!processId || WindowProcess(window) == processId)
            found.push_back(window);
    return found;
}

HWND WaitForWindow(const char *caption, const char *className, DWORD processId, DWORD timeoutMs,
                   DWORD avoidProcessId)
{
    HWND window = NULL;
    WaitUntil([&] {
        for (HWND candidate : TopLevelWindows(processId)) {
            if ((avoidProcessId && WindowProcess(candidate) == avoidProcessId) ||
                (className && WindowClass(candidate) != className) || (caption && Caption(candidate) != caption))
                continue;
            window = candidate;
            return true;
        }
        return false;
    }, timeoutMs);
    return window;
}

DWORD WaitForExitNotingNewWindows(HANDLE process, DWORD timeoutMs, std::vector<std::string> *newWindows)
{
    std::vector<HWND> seen = TopLevelWindows(0);
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(0)) {
            if (std::find(seen.begin(), seen.end(), window) != seen.end())
                continue;
            seen.push_back(window);
            newWindows->push_back(WindowText(window) + " [" + WindowClass(window) + "], process " +
                                  std::to_string(WindowProcess(window)));
        }
        return !process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    }, timeoutMs);
    return WaitForExit(process, 0);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool WaitForText(HWND window, const std::string &text, DWORD timeoutMs)
{
    return WaitUntil([&] { return WindowText(window) == text; }, timeoutMs);
}

// Not SMTO_ABORTIFHUNG: Wine takes a thread that has not asked for a message
// for five seconds as hung, and a busy program under load has often not
// asked yet when its message box shows.
std::string WindowText(HWND window)
{
    DWORD_PTR length = 0, copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
        return std::string();
    std::vector<WCHAR> wide(length + 1, L'\0');
    if (!SendMessageTimeoutW(window, WM_GETTEXT, wide.size(), (LPARAM)&wide[0], SMTO_NORMAL, 5000, &copied))
        return std::string();
    return Narrow(&wide[0], (int)copied);
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

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

bool PressButton(HWND dialog, int controlId)
{
    HWND button = GetDlgItem(dialog, controlId);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

// ---- Pictures ------------------------------------------------------------

bool DrawPicture(int width, int height, const std::function<bool(HDC target, HDC screen)> &draw,
                 ScreenPicture *picture)
{
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
    bool drawn = false;
    if (section && memory && bits) {
        HGDIOBJ previous = SelectObject(memory, section);
        drawn = draw(memory, screen);
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (drawn) {
        const DWORD *source = (const DWORD *)bits;
        picture->width  = width;
        picture->height = height;
        picture->pixels.assign(source, source + (size_t)width * (size_t)height);
        for (DWORD &pixel : picture->pixels)
            pixel &= 0x00FFFFFF;
    }
    DeleteDC(memory);   // either may be null: then a call that does nothing
    DeleteObject(section);
    ReleaseDC(NULL, screen);
    return drawn;
}

// What the screen shows in the rectangle, layered windows included.
static bool CaptureRect(int left, int top, int width, int height, ScreenPicture *picture)
{
    return DrawPicture(width, height, [&](HDC target, HDC screen) {
        return BitBlt(target, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT) != 0;
    }, picture);
}

bool CaptureScreen(ScreenPicture *picture)
{
    return CaptureRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), picture);
}

bool CaptureClient(HWND window, ScreenPicture *picture)
{
    RECT client;
    if (!GetClientRect(window, &client))
        return false;
    // The window is the top one on the screen: read what it shows there.
    POINT origin = { 0, 0 };
    ClientToScreen(window, &origin);
    return CaptureRect(origin.x, origin.y, client.right, client.bottom, picture);
}

static DWORD Crc32(const BYTE *data, size_t size)
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
    DWORD crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PutBigEndian(std::vector<BYTE> &out, DWORD value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((BYTE)(value >> shift));
}

static void PutChunk(std::vector<BYTE> &out, const char *type, const std::vector<BYTE> &data)
{
    PutBigEndian(out, (DWORD)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[start], out.size() - start));
}

// Each row goes into a stored (uncompressed) deflate block of its own: larger
// files, but no compressor to carry along. A block holds at most 65535 bytes,
// which bounds the width.
bool WritePng(const std::string &path, int width, int height, const std::vector<DWORD> &pixels)
{
    if (width <= 0 || height <= 0 || width > (65535 - 1) / 3)
        return false;
    std::vector<BYTE> deflated = { 0x78, 0x01 };
    DWORD a = 1, b = 0;   // Adler-32 of the rows
    for (int y = 0; y < height; ++y) {
        std::vector<BYTE> row = { 0 };   // no row filter
        for (int x = 0; x < width; ++x) {
            DWORD pixel = pixels[(size_t)y * (size_t)width + (size_t)x];
            row.insert(row.end(), { (BYTE)(pixel >> 16), (BYTE)(pixel >> 8), (BYTE)pixel });
        }
        WORD size = (WORD)row.size();
        deflated.insert(deflated.end(), { (BYTE)(y == height - 1), (BYTE)size, (BYTE)(size >> 8), (BYTE)~size,
                                          (BYTE)(~size >> 8) });
        deflated.insert(deflated.end(), row.begin(), row.end());
        for (BYTE byte : row) {
            a = (a + byte) % 65521;
            b = (b + a) % 65521;
        }
    }
    PutBigEndian(deflated, (b << 16) | a);

    std::vector<BYTE> header;
    PutBigEndian(header, (DWORD)width);
    PutBigEndian(header, (DWORD)height);
    header.insert(header.end(), { 8, 2, 0, 0, 0 });   // 8 bits per channel, RGB

    std::vector<BYTE> file = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", deflated);
    PutChunk(file, "IEND", std::vector<BYTE>());
    return WriteBytes(path, file);
}

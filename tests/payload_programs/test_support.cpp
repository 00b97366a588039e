#include "test_support.h"
#include <objbase.h>
#include <wincodec.h>
#include <algorithm>

enum { POLL_INTERVAL = 50 };

std::string BuiltProgram(const char *path)
{
    std::string result = path;
    // Wine maps the Linux root to drive Z:.
    if (!result.empty() && result[0] == '/')
        result = "Z:" + result;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string MakeTestFolder(const char *stem)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return std::string();
    static LONG counter;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = std::string(temp) + stem + " " + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(InterlockedIncrement(&counter));
        if (CreateDirectoryA(path.c_str(), NULL))
            return path;
    }
    return std::string();
}

void RemoveTree(const std::string &path)
{
    if (path.size() < 4)
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
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

bool WriteText(const std::string &path, const char *text)
{
    return WriteBytes(path, std::vector<BYTE>(text, text + lstrlenA(text)));
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

std::vector<std::string> FolderEntries(const std::string &path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool StartProgram(const std::string &exe, const std::string &tail, Program *program)
{
    std::string commandLine = "\"" + exe + "\"";
    if (!tail.empty())
        commandLine += " " + tail;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    program->process = NULL;
    program->id = 0;
    if (!CreateProcessA(exe.c_str(), buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    program->process = info.hProcess;
    program->id = info.dwProcessId;
    return true;
}

DWORD WaitForExit(HANDLE process, DWORD timeout)
{
    if (WaitForSingleObject(process, timeout) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void EndProgram(Program *program)
{
    if (!program->process)
        return;
    if (WaitForSingleObject(program->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(program->process, 1);
        WaitForSingleObject(program->process, EXIT_TIMEOUT);
    }
    CloseHandle(program->process);
    program->process = NULL;
}

struct WindowSearch {
    DWORD       processId;
    DWORD       avoidProcessId;
    const char *className;
    const char *title;
    HWND        found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId && owner != search->processId)
        return TRUE;
    if (search->avoidProcessId && owner == search->avoidProcessId)
        return TRUE;
    if (!IsWindowVisible(window))
        return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, search->className) != 0)
        return TRUE;
    if (search->title && WindowText(window) != search->title)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForWindow(DWORD processId, const char *className, const char *title, DWORD timeout, DWORD avoidProcessId)
{
    WindowSearch search = { processId, avoidProcessId, className, title, NULL };
    for (DWORD waited = 0;; waited += POLL_INTERVAL) {
        EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.found || waited >= timeout)
            return search.found;
        Sleep(POLL_INTERVAL);
    }
}

bool WaitForTitle(HWND window, const char *title, DWORD timeout)
{
    for (DWORD waited = 0;; waited += POLL_INTERVAL) {
        if (WindowText(window) == title)
            return true;
        if (waited >= timeout)
            return false;
        Sleep(POLL_INTERVAL);
    }
}

bool WaitForWindowGone(HWND window, DWORD timeout)
{
    for (DWORD waited = 0;; waited += POLL_INTERVAL) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        if (waited >= timeout)
            return false;
        Sleep(POLL_INTERVAL);
    }
}

std::string WindowText(HWND window)
{
    // The W call: across processes Wine may hand ANSI text back as UTF-16.
    WCHAR wide[4096] = L"";
    GetWindowTextW(window, wide, 4096);
    char narrow[8192] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, NULL, NULL);
    return narrow;
}

DWORD WindowProcess(HWND window)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner;
}

struct TextSearch {
    std::string text;
};

static BOOL CALLBACK FindMessageText(HWND child, LPARAM lParam)
{
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0)
        return TRUE;
    std::string text = WindowText(child);
    if (text.empty())
        return TRUE;
    ((TextSearch *)lParam)->text = text;
    return FALSE;
}

std::string MessageBoxText(HWND box)
{
    TextSearch search;
    EnumChildWindows(box, FindMessageText, (LPARAM)&search);
    return search.text;
}

bool PressButton(HWND box, int buttonId)
{
    HWND button = GetDlgItem(box, buttonId);
    if (!button || !IsWindowEnabled(button))
        return false;
    // Posted: the click may open the program's next modal box.
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool CaptureClient(HWND window, ClientPicture *picture)
{
    RECT client;
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return false;
    picture->width = client.right;
    picture->height = client.bottom;
    picture->pixels.assign((size_t)client.right * (size_t)client.bottom, 0);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = false;
    if (memory && bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // The window is the top one on the screen: read what it shows there.
        POINT origin = { 0, 0 };
        ClientToScreen(window, &origin);
        ok = BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) {
            const DWORD *source = (const DWORD *)bits;
            for (size_t i = 0; i < picture->pixels.size(); ++i)
                picture->pixels[i] = source[i] & 0x00FFFFFF;
        }
        SelectObject(memory, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

static void PutLittle(std::vector<BYTE> &bytes, DWORD value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back((BYTE)(value >> (8 * i)));
}

bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels)
{
    int rowSize = (width * 3 + 3) & ~3;
    std::vector<BYTE> bytes;
    bytes.push_back('B');
    bytes.push_back('M');
    PutLittle(bytes, 54 + rowSize * height, 4);
    PutLittle(bytes, 0, 4);
    PutLittle(bytes, 54, 4);
    PutLittle(bytes, 40, 4);
    PutLittle(bytes, width, 4);
    PutLittle(bytes, height, 4);  // positive: bottom row first
    PutLittle(bytes, 1, 2);
    PutLittle(bytes, 24, 2);
    PutLittle(bytes, BI_RGB, 4);
    PutLittle(bytes, rowSize * height, 4);
    PutLittle(bytes, 2835, 4);
    PutLittle(bytes, 2835, 4);
    PutLittle(bytes, 0, 4);
    PutLittle(bytes, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            PutLittle(bytes, pixels[(size_t)y * width + x], 3);
        for (int pad = width * 3; pad < rowSize; ++pad)
            bytes.push_back(0);
    }
    return WriteBytes(path, bytes);
}

bool WritePng(const std::string &path, int width, int height, const std::vector<DWORD> &pixels)
{
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = NULL;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                (void **)&factory)))
        return false;
    WCHAR widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
    std::vector<DWORD> opaque(pixels);
    for (DWORD &pixel : opaque)
        pixel |= 0xFF000000;

    bool ok = false;
    IWICStream *stream = NULL;
    IWICBitmapEncoder *encoder = NULL;
    IWICBitmapFrameEncode *frame = NULL;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(widePath, GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, NULL, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, NULL)) && SUCCEEDED(frame->Initialize(NULL)) &&
        SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
        IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
        SUCCEEDED(frame->WritePixels(height, width * 4, width * 4 * height, (BYTE *)opaque.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()))
        ok = true;
    if (frame)
        frame->Release();
    if (encoder)
        encoder->Release();
    if (stream)
        stream->Release();
    factory->Release();
    return ok;
}

std::vector<DWORD> TwoHalves(int width, int height, DWORD first, DWORD second, bool sideBySide)
{
    std::vector<DWORD> pixels((size_t)width * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool inFirst = sideBySide ? x < width / 2 : y < height / 2;
            pixels[(size_t)y * width + x] = inFirst ? first : second;
        }
    }
    return pixels;
}

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadDefaultValue(HKEY root, const char *path, std::string *value)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char data[2048];
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, "", NULL, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    data[size] = '\0';
    *value = data;
    return true;
}

bool WriteStringValue(HKEY root, const char *path, const char *name, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, lstrlenA(value) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[256];
    for (;;) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        std::string childPath = std::string(path) + "\\" + child;
        DeleteKeyTree(root, childPath.c_str());
        if (KeyExists(root, childPath.c_str()))
            break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
}

SavedValue SaveClassDefault(const char *extensionKey)
{
    SavedValue saved;
    saved.location = extensionKey;
    saved.existed = KeyExists(HKEY_CLASSES_ROOT, extensionKey);
    saved.hadValue = saved.existed && ReadDefaultValue(HKEY_CLASSES_ROOT, extensionKey, &saved.value);
    return saved;
}

void RestoreClassDefault(const SavedValue &saved)
{
    const char *path = saved.location.c_str();
    if (!saved.existed) {
        DeleteKeyTree(HKEY_CLASSES_ROOT, path);
        return;
    }
    if (saved.hadValue) {
        WriteStringValue(HKEY_CLASSES_ROOT, path, "", saved.value.c_str());
        return;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "");
        RegCloseKey(key);
    }
}

std::string ReadWinIniEntry(const char *key)
{
    char value[2048] = "";
    GetProfileStringA("extensions", key, "", value, sizeof value);
    return value;
}

SavedValue SaveWinIniEntry(const char *key)
{
    // A default no entry can hold tells an empty entry from a missing one.
    static const char kAbsent[] = "\x01" "absent";
    char value[2048] = "";
    GetProfileStringA("extensions", key, kAbsent, value, sizeof value);
    SavedValue saved;
    saved.location = key;
    saved.existed = lstrcmpA(value, kAbsent) != 0;
    saved.hadValue = saved.existed;
    saved.value = saved.existed ? value : "";
    return saved;
}

void RestoreWinIniEntry(const SavedValue &saved)
{
    WriteProfileStringA("extensions", saved.location.c_str(), saved.existed ? saved.value.c_str() : NULL);
}

KeySnapshot TakeKeySnapshot(HKEY root, const std::string &path)
{
    KeySnapshot snapshot;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return snapshot;
    snapshot.existed = true;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, NULL, &type, NULL, &dataSize) != ERROR_SUCCESS)
            break;
        KeySnapshot::Value value = { name, type, std::vector<BYTE>(dataSize) };
        nameSize = sizeof name;
        if (RegEnumValueA(key, index, name, &nameSize, NULL, &type, value.data.data(), &dataSize) == ERROR_SUCCESS)
            snapshot.values.push_back(value);
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        snapshot.children.push_back({ name, TakeKeySnapshot(root, path + "\\" + name) });
    }
    RegCloseKey(key);
    return snapshot;
}

static void WriteKeySnapshot(HKEY root, const std::string &path, const KeySnapshot &snapshot)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    for (const KeySnapshot::Value &value : snapshot.values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(), (DWORD)value.data.size());
    RegCloseKey(key);
    for (const auto &child : snapshot.children)
        WriteKeySnapshot(root, path + "\\" + child.first, child.second);
}

void RestoreKeySnapshot(HKEY root, const std::string &path, const KeySnapshot &snapshot)
{
    DeleteKeyTree(root, path.c_str());
    if (snapshot.existed)
        WriteKeySnapshot(root, path, snapshot);
}

std::vector<BYTE> TgaFile(int width, int height, const std::vector<DWORD> &pixels)
{
    std::vector<BYTE> bytes(18, 0);
    bytes[2] = 2;  // true colour, not run-length coded
    bytes[12] = (BYTE)width;
    bytes[13] = (BYTE)(width >> 8);
    bytes[14] = (BYTE)height;
    bytes[15] = (BYTE)(height >> 8);
    bytes[16] = 24;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            PutLittle(bytes, pixels[(size_t)y * width + x], 3);
    return bytes;
}

std::vector<BYTE> PpmFile(int width, int height, const std::vector<DWORD> &pixels)
{
    std::string header = "P6\n# made by the viewer tests\n" + std::to_string(width) + " " + std::to_string(height) +
                         "\n255\n";
    std::vector<BYTE> bytes(header.begin(), header.end());
    for (DWORD pixel : pixels) {
        bytes.push_back((BYTE)(pixel >> 16));
        bytes.push_back((BYTE)(pixel >> 8));
        bytes.push_back((BYTE)pixel);
    }
    return bytes;
}

std::vector<BYTE> PcxFile(int width, int height, const std::vector<DWORD> &pixels)
{
    int bytesPerLine = (width + 1) & ~1;
    std::vector<BYTE> bytes(128, 0);
    bytes[0] = 0x0A;
    bytes[1] = 5;
    bytes[2] = 0;  // plain
    bytes[3] = 8;
    bytes[8] = (BYTE)(width - 1);
    bytes[9] = (BYTE)((width - 1) >> 8);
    bytes[10] = (BYTE)(height - 1);
    bytes[11] = (BYTE)((height - 1) >> 8);
    bytes[65] = 3;
    bytes[66] = (BYTE)bytesPerLine;
    bytes[67] = (BYTE)(bytesPerLine >> 8);
    for (int y = 0; y < height; ++y) {
        for (int shift = 16; shift >= 0; shift -= 8) {
            for (int x = 0; x < bytesPerLine; ++x)
                bytes.push_back(x < width ? (BYTE)(pixels[(size_t)y * width + x] >> shift) : 0);
        }
    }
    return bytes;
}

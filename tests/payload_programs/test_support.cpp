#include "test_support.h"
#include <objbase.h>
#include <gtest/gtest.h>
#include <algorithm>

// The pictures are read through the imaging component, as in the viewer,
// whose thread enters a COM apartment first; so does the tests' thread,
// before any test runs.
class ComApartment : public ::testing::Environment {
    void SetUp() override { CoInitializeEx(NULL, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
static ::testing::Environment *const comApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);


std::string MakeTestFolder(const char *stem)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return std::string();
    return MakeUniqueFolder(temp, std::string(stem) + " ");
}

bool WriteText(const std::string &path, const char *text)
{
    return WriteBytes(path, std::vector<BYTE>(text, text + lstrlenA(text)));
}

bool StartProgram(const std::string &exe, const std::string &tail, Program *program)
{
    return StartProcess(exe, tail, std::string(), SW_SHOWNORMAL, &program->process, &program->id);
}

void EndProgram(Program *program)
{
    EndProcess(&program->process, program->id);
}

HWND WaitForWindow(DWORD processId, const char *className, const char *title, DWORD timeout, DWORD avoidProcessId)
{
    return WaitForWindow(title, className, processId, timeout, avoidProcessId);
}

bool WaitForTitle(HWND window, const char *title, DWORD timeout)
{
    return WaitUntil([&] { return WindowText(window) == title; }, timeout);
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

bool WriteStringValue(HKEY root, const char *path, const char *name, const char *value, REGSAM view)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS | view, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, lstrlenA(value) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
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

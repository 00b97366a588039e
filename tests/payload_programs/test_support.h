// Helpers for driving Velloran.exe and uninstall.exe as a user would: start
// them, find their windows, read and answer message boxes, and make and
// remove the files those tests need.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

enum {
    WINDOW_TIMEOUT = 20000,   // milliseconds; a cold Wine start can be slow
    EXIT_TIMEOUT   = 20000
};

// The built program's path (as CMake knows it, a Unix path under Wine) in
// the form Windows programs accept.
std::string BuiltProgram(const char *path);

// A new folder under the temp directory whose name has spaces in it.
std::string MakeTestFolder(const char *stem);
// The folder and everything in it; only for folders a test made itself.
void RemoveTree(const std::string &path);

bool WriteBytes(const std::string &path, const std::vector<BYTE> &bytes);
bool WriteText(const std::string &path, const char *text);
bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);
// Names in a folder (not "." and ".."), sorted.
std::vector<std::string> FolderEntries(const std::string &path);

struct Program {
    HANDLE process;
    DWORD  id;
};

// Starts exe with the command line tail given (quoted by the caller as needed).
bool StartProgram(const std::string &exe, const std::string &tail, Program *program);
// The exit code, or STILL_ACTIVE when the process did not end in time.
DWORD WaitForExit(HANDLE process, DWORD timeout);
void EndProgram(Program *program);

// A visible top-level window of the class; processId 0 means any process,
// and a process id to avoid may be given (for a copy started by the program).
HWND WaitForWindow(DWORD processId, const char *className, const char *title, DWORD timeout,
                   DWORD avoidProcessId = 0);
// Waits until the window's title is the text given; false on timeout.
bool WaitForTitle(HWND window, const char *title, DWORD timeout);
// Waits until the window is destroyed or hidden.
bool WaitForWindowGone(HWND window, DWORD timeout);
std::string WindowText(HWND window);
DWORD WindowProcess(HWND window);

// The message of a message box: the text of its static control that is not the icon.
std::string MessageBoxText(HWND box);
// Clicks the button with that id (IDOK, IDYES, IDNO) as a user would.
bool PressButton(HWND box, int buttonId);

// The client area's pixels as the window draws them, 0x00RRGGBB, top row first.
struct ClientPicture {
    int width;
    int height;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
};
bool CaptureClient(HWND window, ClientPicture *picture);

// Picture files of the formats Windows itself reads, written by the test.
// Pixels are 0x00RRGGBB, top row first.
bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);
bool WritePng(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);

// A picture of two halves, left and right (or top and bottom).
std::vector<DWORD> TwoHalves(int width, int height, DWORD first, DWORD second, bool sideBySide);

// Registry default values and WIN.INI entries, saved by a test before it
// changes them and put back afterwards.
struct SavedValue {
    std::string location;  // extension key or WIN.INI key
    bool existed;          // key (or entry) was there
    bool hadValue;         // its default value was there
    std::string value;
};
SavedValue SaveClassDefault(const char *extensionKey);
void RestoreClassDefault(const SavedValue &saved);
SavedValue SaveWinIniEntry(const char *key);
void RestoreWinIniEntry(const SavedValue &saved);

// A key with its values and subkeys, saved before a test lets a program
// change it (the open dialog keeps a list of recent folders) and put back
// exactly afterwards.
struct KeySnapshot {
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool existed = false;
    std::vector<Value> values;
    std::vector<std::pair<std::string, KeySnapshot>> children;
};
KeySnapshot TakeKeySnapshot(HKEY root, const std::string &path);
void RestoreKeySnapshot(HKEY root, const std::string &path, const KeySnapshot &snapshot);

// Picture files of the viewer's own formats: a bottom-up 24-bit TGA, a
// binary PPM and a plain (not run-length coded) 24-bit PCX.
std::vector<BYTE> TgaFile(int width, int height, const std::vector<DWORD> &pixels);
std::vector<BYTE> PpmFile(int width, int height, const std::vector<DWORD> &pixels);
std::vector<BYTE> PcxFile(int width, int height, const std::vector<DWORD> &pixels);

bool KeyExists(HKEY root, const char *path);
// The key's default value; false when the key or the value is missing.
bool ReadDefaultValue(HKEY root, const char *path, std::string *value);
bool WriteStringValue(HKEY root, const char *path, const char *name, const char *value);
void DeleteKeyTree(HKEY root, const char *path);
std::string ReadWinIniEntry(const char *key);

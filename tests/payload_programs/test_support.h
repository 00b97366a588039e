// Helpers for driving Velloran.exe and uninstall.exe as a user would: start
// them, find their windows, read and answer message boxes, and make and
// remove the files those tests need.
#pragma once
#include <windows.h>

#include "win_support.h"

#include <string>
#include <vector>

enum {
    WINDOW_TIMEOUT = 20000,   // milliseconds; a cold Wine start can be slow
    EXIT_TIMEOUT   = 20000
};

// A new folder under the temp directory whose name has spaces in it.
std::string MakeTestFolder(const char *stem);
bool WriteText(const std::string &path, const char *text);

struct Program {
    HANDLE process;
    DWORD  id;
};

// Starts exe with the command line tail given (quoted by the caller as needed).
bool StartProgram(const std::string &exe, const std::string &tail, Program *program);
void EndProgram(Program *program);

// A visible top-level window of the class; processId 0 means any process,
// and a process id to avoid may be given (for a copy started by the program).
HWND WaitForWindow(DWORD processId, const char *className, const char *title, DWORD timeout,
                   DWORD avoidProcessId = 0);
// Waits until the window's title is the text given; false on timeout.
bool WaitForTitle(HWND window, const char *title, DWORD timeout);

// A BMP file, a format Windows itself reads (WritePng writes the other).
// Pixels are 0x00RRGGBB, top row first.
bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);

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

// The key's default value; false when the key or the value is missing.
bool ReadDefaultValue(HKEY root, const char *path, std::string *value);
// view: as for KeyExists.
bool WriteStringValue(HKEY root, const char *path, const char *name, const char *value, REGSAM view = 0);
std::string ReadWinIniEntry(const char *key);

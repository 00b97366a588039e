// Helpers for driving Velloran.exe and uninstall.exe as a user would: start
// them, find their windows, read and answer message boxes, and make and
// remove the files those tests need.
#pragma once
#include <windows.h>

#include "expected_names.h"
#include "machine_state.h"
#include "picture_files.h"
#include "win_support.h"

#include <string>
#include <vector>

enum {
    WINDOW_TIMEOUT = 20000,   // milliseconds; a cold Wine start can be slow
    EXIT_TIMEOUT   = 20000
};

// A new folder under the temp directory whose name has spaces in it.
std::string MakeTestFolder(const char *stem);

struct Program {
    HANDLE process;
    DWORD  id;
};

// Starts exe with the command line tail given (quoted by the caller as needed).
bool StartProgram(const std::string &exe, const std::string &tail, Program *program);
void EndProgram(Program *program);

// Waits until the window's title is the text given; false on timeout.
bool WaitForTitle(HWND window, const char *title, DWORD timeout);

// What the tests of Velloran.exe and uninstall.exe share beyond
// tests/support: their timeouts, a program they started, and the pictures
// that other programs wrote for them.
#pragma once
#include <windows.h>

#include "expected_names.h"
#include "machine_state.h"
#include "win_support.h"

#include <string>

enum {
    WINDOW_TIMEOUT = 20000,   // milliseconds; a cold Wine start can be slow
    EXIT_TIMEOUT   = 20000
};

// A program the test started, for StartProcess and EndProcess.
struct Program {
    HANDLE process = NULL;
    DWORD  id = 0;
};

// The folder that make_test_pictures.sh wrote, as Windows names it; the
// size of its pictures but those named -large.
std::string ToolPictureFolder();
enum { TOOL_WIDTH = 32, TOOL_HEIGHT = 24 };

// Each of the colour's bytes within the tolerance of the expected one's.
bool Near(DWORD actual, DWORD expected, int tolerance);

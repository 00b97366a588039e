// What the tests of Velloran.exe and uninstall.exe share beyond
// tests/support: their timeouts and the handles of a program they started.
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

// A program the test started, for StartProcess and EndProcess.
struct Program {
    HANDLE process;
    DWORD  id;
};

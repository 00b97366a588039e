// Velloran's programs that run from the install directory hold their files:
// while they run, those files cannot be removed. Before anything is removed
// the uninstaller looks for them, and the user closes them, has them closed,
// or goes on and leaves their files for the next restart.
#pragma once
#include <windows.h>

enum {
    RUNNING_PROGRAMS_MAX = 16,
    WINDOW_TITLE_SIZE    = 128
};

struct RunningPrograms {
    int   count;
    DWORD processIds[RUNNING_PROGRAMS_MAX];
    char  images[RUNNING_PROGRAMS_MAX][MAX_PATH];           // the program file, for the question
    char  titles[RUNNING_PROGRAMS_MAX][WINDOW_TITLE_SIZE];  // its first window's title, if any
};

// The processes whose program file lies in the install directory, this one
// left out: found by their top-level windows and, where the system has
// Restart Manager, by the installed files they hold (rstrtmgr.dll is loaded
// from the system directory by its full path).
void FindRunningPrograms(const char *programDir, RunningPrograms *running);

// Asks each program to close, as a click on its windows' close boxes would,
// and waits a while for all of them to end.
void CloseRunningPrograms(const RunningPrograms *running);

// Before anything is removed. Asking, the user can have the programs closed
// ("Yes", asked again while any is left), go on while they run ("No": their
// files go at the next restart) or stop ("Cancel"). Not asking (a quiet
// uninstall), the programs run on and their files go at the next restart.
// False when the user chose to stop: nothing may be removed then.
bool SettleRunningPrograms(const char *programDir, bool ask);

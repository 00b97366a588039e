// An uninstaller cannot delete its own running file, nor a directory it runs
// from. Started from the install directory, it copies itself to the temp
// directory and lets that copy do the work; the copy deletes the original and
// finally has its own file deleted once it has ended.
#pragma once
#include <windows.h>
#include <stddef.h>

// What the command line says about this process: a copy started by
// RunCopyFromTemp names the original uninstaller and its process id.
struct RelaunchArguments {
    bool  isCopy;
    char  originalPath[MAX_PATH];
    DWORD originalProcessId;
};

// Parses the command line after the program name: /original "<path>" /wait <id>.
// Anything else, or a malformed tail, reads as a normal start.
void ParseRelaunchArguments(const char *tail, RelaunchArguments *arguments);

// The command line after the program's own (possibly quoted) name.
const char *CommandLineTail(const char *commandLine);

// Whether the running program's file lies in the directory (after both are
// made full, long paths).
bool IsRunningFrom(const char *directory);

// Copies the program into a private folder of its own under the temp
// directory and starts the copy there with the arguments above. False when that could not be done; the
// caller then works in place.
bool RunCopyFromTemp(void);

// Waits (bounded) until the original uninstaller has ended and its file is
// free to be deleted.
void WaitForOriginal(const RelaunchArguments *arguments);

// Has the running copy's file and its private folder deleted once the
// process has ended: a hidden command interpreter waits a moment and deletes
// them; failing that, they are left for the next restart.
void ScheduleOwnDeletion(void);

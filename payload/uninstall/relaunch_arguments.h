// The uninstaller's command line: "/S" for a quiet removal, and the
// arguments by which the original hands the work to its copy in the temp
// directory (relaunch.h). Pure text work, no system calls with side effects.
#pragma once
#include <windows.h>
#include <stddef.h>

// What the command line says about this process: "/S" asks for a quiet
// removal, with no window and no question; a copy started by RunCopyFromTemp
// names the original uninstaller and its process id.
struct RelaunchArguments {
    bool  quiet;
    bool  isCopy;
    char  originalPath[MAX_PATH];
    DWORD originalProcessId;
};

// Parses the command line after the program name: "/S" alone, or the copy's
// /original "<path>" /wait <id>, followed by " /S" when quiet. Anything
// else, or a malformed tail, reads as a normal start.
void ParseRelaunchArguments(const char *tail, RelaunchArguments *arguments);

// The command line after the program's own (possibly quoted) name.
const char *CommandLineTail(const char *commandLine);

// The copy's whole command line, its own quoted path first, in the form
// ParseRelaunchArguments reads. False when it does not fit destSize.
bool ComposeCopyCommandLine(const wchar_t *copyPath, const wchar_t *originalPath, DWORD originalProcessId,
                            bool quiet, wchar_t *dest, size_t destSize);

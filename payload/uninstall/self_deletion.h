// The uninstaller's copy in the temp directory cannot delete its own running
// file: a hidden command interpreter does it once the copy has ended.
#pragma once
#include <windows.h>
#include <stddef.h>

// The command line that starts the system's cmd.exe to wait a moment and then
// delete the program, the moved original beside it (empty: none) and their
// folder (empty: none). The interpreter runs without the user's AutoRun
// commands (/D) and without delayed expansion (/V:OFF), and is never handed
// a path holding '%' (which it would expand from the environment even inside
// quotes) or '"'. False when a path is refused or the line does not fit.
bool ComposeSelfDeletionCommand(const wchar_t *systemDir, const wchar_t *program, const wchar_t *moved,
                                const wchar_t *folder, wchar_t *commandLine, size_t size);

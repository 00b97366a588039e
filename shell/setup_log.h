// The log that /LOG= asks for: plain text, one line per thing the setup
// does to the machine, each written and flushed as it happens, so that a run
// killed on the way leaves its log up to the kill. Every call does nothing
// while no log is open.
#pragma once
#include <windows.h>

// Creates (or empties) the file; false when it cannot be written.
bool OpenSetupLog(const char *path);

// One line: the parts one after the other.
void LogLine(const char *first, const char *second = "", const char *third = "", const char *fourth = "");
void LogFileWritten(const char *path, DWORD bytes);

// A key made or opened for writing, below a root or a key logged before;
// the values written to it are then logged with its path and view.
void LogRegistryKey(HKEY key, HKEY parent, const char *subkey, REGSAM view);
void LogRegistryText(HKEY key, const char *name, const char *text);
void LogRegistryNumber(HKEY key, const char *name, DWORD number);

// The last line: the exit code and what it means, as given or as the code says.
void LogEnd(int exitCode, const char *meaning = NULL);

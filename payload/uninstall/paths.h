// Text and path helpers of the uninstaller; no file system changes here.
#pragma once
#include <stddef.h>

// Removes backslashes at the end, except the one of a drive root ("C:\").
void TrimTrailingBackslashes(char *path);

// Everything before the last backslash ("C:\a\b.exe" -> "C:\a").
bool ParentDirectory(const char *path, char *dest, size_t destSize);

// Case-insensitive (the file system's rule) prefix test.
bool StartsWithNoCase(const char *text, const char *prefix);

// Whether a WIN.INI "extensions" entry ("C:\Dir\Velloran.exe ^.bmp") still
// starts the given program: its path, quoted or not, followed by a blank or
// the end of the entry, compared without regard to case.
bool EntryNamesProgram(const char *entry, const char *programPath);

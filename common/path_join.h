// Joining a folder and a name, for the setup and the uninstaller alike.
#pragma once
#include <stddef.h>

// dest = dir + "\" + name, with one backslash between them: one already at
// the end of dir (a drive root, "C:\") or at the start of name (the
// manifest's "\Velloran.exe") is not doubled. dest may be dir itself. False,
// dest unchanged, when the whole does not fit destSize with its NUL.
bool JoinPath(char *dest, size_t destSize, const char *dir, const char *name);

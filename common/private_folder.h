// A folder of this run's own under the temp directory: a new name nobody can
// predict, made by this process alone (it fails on a name that exists), that
// only the user running the program can open. Wide throughout, so that a
// profile path the ANSI code page cannot spell works too.
#pragma once
#include <windows.h>
#include <stddef.h>

// Makes <temp directory><prefix><16 random hex digits> and writes its path,
// without a trailing backslash, into folder (size in characters).
bool CreatePrivateFolder(const wchar_t *prefix, wchar_t *folder, size_t size);

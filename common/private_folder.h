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

// Removes such a folder, empty by then. A file in it that is still pending
// deletion (closed by this program, but held a moment longer by a virus
// scanner or the system) keeps it a little while: the removal is tried again
// for about a second. A folder that still cannot go is marked for removal at
// the next restart. True when it is gone now.
bool RemovePrivateFolder(const wchar_t *folder);

// Whether the folder is one that CreatePrivateFolder made for the user this
// process runs as: its name is <prefix><16 hex digits>, it is a folder and no
// link or junction, and that user owns it. An open handle of it that pins
// its path (no one can rename or delete it meanwhile) is left in *pinned for
// the caller to close; INVALID_HANDLE_VALUE when the folder is not ours.
bool OpenOwnPrivateFolder(const wchar_t *folder, const wchar_t *prefix, HANDLE *pinned);

// A folder of this run's own under the temp directory: a new name nobody can
// predict, made by this process alone (it fails on a name that exists). Run
// elevated, the folder belongs to the administrators (owner Administrators,
// only Administrators and SYSTEM in its DACL): the user's own unelevated
// programs run as the same account and must not reach it. Otherwise only
// the user running the program can open it. Wide throughout, so that a
// profile path the ANSI code page cannot spell works too.
#pragma once
#include <windows.h>
#include <stddef.h>

// Whether this process runs as an administrator with the rights of one: an
// elevated token holding the Administrators group.
bool RunsElevated();

// The descriptor a private folder gets (LocalAlloc'd); NULL if it cannot be
// built. Elevated: "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"; otherwise the
// user's own (BuildOwnerOnlyDescriptor).
PSECURITY_DESCRIPTOR BuildPrivateFolderDescriptor(bool elevated);

// Makes <temp directory><prefix><16 random hex digits> and writes its path,
// without a trailing backslash, into folder (size in characters).
bool CreatePrivateFolder(const wchar_t *prefix, wchar_t *folder, size_t size);

// Removes such a folder, empty by then. A file in it that is still pending
// deletion (closed by this program, but held a moment longer by a virus
// scanner or the system) keeps it a little while: the removal is tried again
// for about a second. A folder that still cannot go is marked for removal at
// the next restart. True when it is gone now.
bool RemovePrivateFolder(const wchar_t *folder);

// Whether the folder is one that CreatePrivateFolder made in a run like this
// one: its name is <prefix><16 hex digits>, it is a folder and no link or
// junction, and it has the owner CreatePrivateFolder gives a folder in this
// run (the Administrators when elevated, else the user). An open handle of it that
// pins it (no one can rename or delete it meanwhile) is left in *pinned for
// the caller to close; INVALID_HANDLE_VALUE when the folder is not ours.
bool OpenOwnPrivateFolder(const wchar_t *folder, const wchar_t *prefix, HANDLE *pinned);

// Deletes the file of that name (a link itself, never its target; never a
// folder) inside the pinned folder, opened relative to its handle: never
// through a path that someone could have redirected since the check.
bool DeleteInPinnedFolder(HANDLE pinned, const wchar_t *name);

// Deletes the pinned folder, empty by then, through its handle; it goes when
// the handle is closed. False when it cannot (not empty).
bool RemovePinnedFolder(HANDLE pinned);

// The folders an elevated program acts in, held open for as long as it does.
//
// A standard user may have made the install folder, or may rename things in
// its parent: a link or junction put in place of a folder would lead the
// administrator's deletions and renames somewhere else. So each folder is
// opened as itself, never through a link, refused if it is one, and kept
// open without FILE_SHARE_DELETE, which stops it being renamed, deleted or
// swapped while the handle lives.
#pragma once
#include <windows.h>

enum {
    // The install directory and its three subdirectories.
    PINNED_FOLDERS_MAX = 4,
    // The longest path the ANSI file functions take, with its NUL.
    PINNED_PATH_SIZE   = MAX_PATH
};

enum PinOutcome {
    PIN_HELD,       // a real folder, held open
    PIN_ABSENT,     // nothing of that name
    PIN_REFUSED     // a link, a junction, a file, a name too long, or no room left
};

struct PinnedFolders {
    int    count;
    HANDLE handles[PINNED_FOLDERS_MAX];
    char   paths[PINNED_FOLDERS_MAX][PINNED_PATH_SIZE];
};

// Opens the folder without following a reparse point, with the access given
// besides FILE_READ_ATTRIBUTES, and keeps it among the pins.
PinOutcome PinFolder(PinnedFolders *pins, const char *folder, DWORD access);

// The handle of a pinned folder; NULL when it is not pinned.
HANDLE PinnedHandle(const PinnedFolders *pins, const char *folder);

// Lets the one folder go, as RemoveDirectory needs before it can delete it.
void UnpinFolder(PinnedFolders *pins, const char *folder);

void UnpinFolders(PinnedFolders *pins);

// The copy journals (install/copy_journal.h) of runs that never reached their
// own ending, found and each checked, then undone or finished; the user is
// told by install/earlier_runs.h.
//
// Only one setup runs at a time (WinMain ends a second one before it does
// anything), so every journal found here is a dead run's, never one still
// being written.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "shell/setup_state.h"

enum {
    UNFINISHED_COPIES_MAX = 16,
    // The longest name a registry key can have, with its NUL.
    JOURNAL_FOUND_NAME_SIZE = 256
};

enum UnfinishedOutcome {
    UNFINISHED_UNDONE,       // taken back: files removed, earlier files put back, folders removed
    UNFINISHED_COMPLETED,    // its copy was through: only its kept files and temp folder were left to go
    UNFINISHED_EMPTY,        // stopped as its journal began, before any change
    UNFINISHED_REFUSED,      // names a path outside its install directory: left alone
    UNFINISHED_NOT_A_FOLDER, // its install directory or a subdirectory is a link now, or no folder: left alone
    UNFINISHED_UNREADABLE    // cannot be read whole: left alone
};

struct UnfinishedCopy {
    UnfinishedOutcome outcome;
    char name[JOURNAL_FOUND_NAME_SIZE];
    char installDir[PATH_BUFFER_SIZE];
    char refusedFolder[PATH_BUFFER_SIZE + 16];   // the install directory or one of its subdirectories
    int  filesRemoved;
    int  filesRemovedAtRestart;     // in use: marked for deletion at the next restart
    int  filesRestored;
    int  filesNotRestored;          // still under its kept name
    int  foldersRemoved;
};

// The names of the journals there are, up to max of them.
int FindUnfinishedCopies(char names[][JOURNAL_FOUND_NAME_SIZE], int max);

// Reads the journal whole and checks every path in it before anything is
// done: a folder entry names the install directory or one of its three
// subdirectories, a file entry a manifest destination below it and, if it
// kept a file aside, the name that run gave it. Then holds the install
// directory and its subdirectories as in the copy (common/pinned_folders.h):
// when one of them is a link now, or the install directory is gone, nothing
// is done. Otherwise undoes the run (newest entry first: files, the folders'
// earlier descriptors, the folders it made), or finishes it if its copy was
// through, removes its temp folder and deletes the journal. A journal that
// fails a check stays as it is.
void SettleUnfinishedCopy(const char *name, UnfinishedCopy *copy);

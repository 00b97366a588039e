// The removal steps, each undoing one thing that the setup made and counting
// what it did in the report that the closing message is built from.
#pragma once
#include "payload/uninstall/installation.h"
#include "payload/uninstall/uninstall_state.h"

struct RemovalReport {
    LONG filesRemoved;
    LONG filesScheduled;        // in use: removed when Windows restarts
    LONG filesFailed;           // still there after every try
    LONG foldersRemoved;        // subdirectories and the install directory
    bool programDirUnknown;     // the uninstall entry names no directory
    bool programDirMissing;     // already gone before the uninstaller started
    bool programDirKept;        // still there
    bool programDirScheduled;   // held only by its files in use: removed with them at the restart
    bool programDirRefused;     // it or a subdirectory is a link or no folder: nothing in it touched
    char refusedFolder[UNINSTALL_PATH_SIZE];
    LONG itemsLeft;             // files and folders left inside it that Velloran did not install
    LONG shortcutsRemoved;
    LONG shortcutsFailed;
    bool shortcutDirRemoved;
    bool shortcutDirKept;
    LONG keysRemoved;           // both App Paths keys, uninstall entry, document type, Applications, vendor key
    LONG keysFailed;
    LONG linksReleased;         // extension keys given back, the RegisteredApplications value
    LONG linksFailed;
    LONG winIniEntriesRemoved;  // removed, or given back empty
    LONG winIniEntriesFailed;
};

// The 80 installed files, the three subdirectories and the install directory
// (each directory only once empty, or at the restart when only files in use
// keep it). The install directory and each subdirectory there are held as
// real folders first (common/pinned_folders.h): if one is a link, nothing is
// removed.
void RemoveProgramFiles(const Installation *installation, RemovalReport *report);

// The three shortcuts and their folder, once empty.
void RemoveShortcuts(const Installation *installation, RemovalReport *report);

// The document type, the extension keys' links to it, the WIN.INI entries
// that still start this installation's viewer, the Applications key and the
// Default Apps registration; each given back as the setup noted it before.
void RemoveImageTypes(const Installation *installation, RemovalReport *report);

// Both App Paths keys and, last, the uninstall entry itself.
void RemoveRegistration(RemovalReport *report);

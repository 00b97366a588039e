// The removal steps, each undoing one thing that the setup made and counting
// what it did in the report that the closing message is built from.
#pragma once
#include "payload/uninstall/installation.h"

struct RemovalReport {
    LONG filesRemoved;
    LONG filesScheduled;        // in use: removed when Windows restarts
    LONG filesFailed;
    LONG foldersRemoved;        // subdirectories and the install directory
    bool programDirUnknown;     // the uninstall entry names no directory
    bool programDirMissing;     // already gone before the uninstaller started
    bool programDirKept;        // still holds things the setup did not put there
    LONG itemsLeft;             // files and folders left inside it
    LONG shortcutsRemoved;
    bool shortcutDirRemoved;
    bool shortcutDirKept;
    LONG keysRemoved;           // App Paths, uninstall entry, document type
    LONG extensionsReleased;    // extension keys no longer pointing at Velloran
    LONG winIniEntriesRemoved;
};

// The 80 installed files, the three subdirectories and the install directory
// (each directory only once empty).
void RemoveProgramFiles(const Installation *installation, RemovalReport *report);

// The three shortcuts and their folder, once empty.
void RemoveShortcuts(const Installation *installation, RemovalReport *report);

// The document type, the extension keys' link to it and the WIN.INI entries
// that still start this installation's viewer.
void RemoveImageTypes(const Installation *installation, RemovalReport *report);

// App Paths entry and, last, the uninstall entry itself.
void RemoveRegistration(RemovalReport *report);

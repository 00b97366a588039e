// Where the setup put Velloran: as its uninstall entry records it or, without
// an entry, as the folder of the uninstaller shows it.
#pragma once
#include "payload/uninstall/uninstall_state.h"

struct Installation {
    char programDir[UNINSTALL_PATH_SIZE];   // "Progdir", no trailing backslash; may be empty
    char shortcutDir[UNINSTALL_PATH_SIZE];  // "Scdir"; may be empty
    char viewerPath[UNINSTALL_PATH_SIZE];   // programDir + "\Velloran.exe", as WIN.INI names it
    bool registered;                        // false: only the program files are known
    char refusedProgramDir[UNINSTALL_PATH_SIZE];  // a "Progdir" refused by RefuseUnplainProgramDir
};

// False when there is no uninstall entry. A value that is missing, not text
// or too long reads as empty.
bool ReadInstallation(Installation *installation);

// The entry's "Progdir" is acted on as administrator, and anyone who could
// change the entry could point it anywhere: a folder that is no plain full
// path (a drive's root, "..", a relative path) is moved to refusedProgramDir
// and nothing is done in it. ReadInstallation applies it.
void RefuseUnplainProgramDir(Installation *installation);

// A setup cancelled on its last page, or stopped by a failure after it had
// installed uninstall.exe, leaves files but no uninstall entry. The folder of
// the uninstaller's file is such an installation when it holds every file
// the setup installs up to and including uninstall.exe. False otherwise.
bool FindUnregisteredInstallation(const char *uninstallerPath, Installation *installation);

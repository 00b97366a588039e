// Where the setup put Velloran, as its uninstall entry records it.
#pragma once
#include "payload/uninstall/uninstall_state.h"

struct Installation {
    char programDir[UNINSTALL_PATH_SIZE];   // "Progdir", no trailing backslash; may be empty
    char shortcutDir[UNINSTALL_PATH_SIZE];  // "Scdir"; may be empty
    char viewerPath[UNINSTALL_PATH_SIZE];   // programDir + "\Velloran.exe", as WIN.INI names it
};

// False when there is no uninstall entry: Velloran is not installed. A value
// that is missing, not text or too long reads as empty.
bool ReadInstallation(Installation *installation);

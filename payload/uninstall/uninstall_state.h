// Sizes and texts shared by the uninstaller's files; the names it shares with
// the setup are in common/install_names.h.
#pragma once
#include <windows.h>

#include "common/install_names.h"

enum {
    // The setup accepts install and shortcut folders of up to 2000 characters.
    UNINSTALL_PATH_SIZE    = 2048,
    UNINSTALL_MESSAGE_SIZE = 4 * UNINSTALL_PATH_SIZE + 1024
};

// Every message box of the uninstaller carries this caption.
extern const char kUninstallCaption[];

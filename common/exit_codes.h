// How VelloranSetup.exe and uninstall.exe end, as their exit codes. They are
// the codes of Windows Installer, which scripts and deployment tools (Intune,
// Configuration Manager, winget) read without being told what they mean.
#pragma once
#include <windows.h>

enum ExitCode {
    // Installed; or removed, files the user added kept.
    EXIT_DONE            = ERROR_SUCCESS,                   // 0
    // The user cancelled the setup, or declined the removal.
    EXIT_CANCELLED       = ERROR_INSTALL_USEREXIT,          // 1602
    // The setup ended with its error message; or something the setup had
    // made could not be removed.
    EXIT_FAILED          = ERROR_INSTALL_FAILURE,           // 1603
    // The uninstaller found no installation to remove.
    EXIT_NOT_INSTALLED   = ERROR_UNKNOWN_PRODUCT,           // 1605
    // Another setup runs already; this one gave way to it.
    EXIT_ANOTHER_RUNNING = ERROR_INSTALL_ALREADY_RUNNING,   // 1618
    // The setup's command line holds a switch it does not know, or a folder
    // or log file it refuses; nothing was installed.
    EXIT_BAD_COMMAND_LINE = ERROR_INVALID_PARAMETER,        // 87
    // Installed, or removed, but files of a program still running go at the next restart.
    EXIT_REBOOT_REQUIRED = ERROR_SUCCESS_REBOOT_REQUIRED    // 3010
};

// The closing message: what was removed and what was left, and why; and the
// exit code that says the same to a script or deployment tool.
#pragma once
#include "payload/uninstall/removal.h"

// False when the text did not fit textSize; it then holds what did.
// UNINSTALL_MESSAGE_SIZE always fits.
bool ComposeReport(const RemovalReport *report, const Installation *installation, char *text, size_t textSize);

// The exit code of a removal: EXIT_FAILED when something the setup made
// stayed behind (files, shortcuts, keys, links or WIN.INI entries that could
// not be removed, or program files never looked for); else
// EXIT_REBOOT_REQUIRED when files in use go at the next restart; else
// EXIT_DONE, files the user added kept.
int RemovalExitCode(const RemovalReport *report);

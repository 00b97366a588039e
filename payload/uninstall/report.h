// The closing message: what was removed and what was left, and why.
#pragma once
#include "payload/uninstall/removal.h"

// False when the text did not fit textSize; it then holds what did.
// UNINSTALL_MESSAGE_SIZE always fits.
bool ComposeReport(const RemovalReport *report, const Installation *installation, char *text, size_t textSize);

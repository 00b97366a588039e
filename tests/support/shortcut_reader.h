// A shortcut (.lnk) read back through the shell's own link object, as
// Explorer reads it.
#pragma once
#include <string>

struct ShortcutInfo {
    bool loaded = false;
    std::string target;
    std::string description;
};
ShortcutInfo ReadShortcut(const std::string &linkPath);

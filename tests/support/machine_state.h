// The machine as a program under test may leave it outside the folders a
// test made: registry keys, WIN.INI [extensions] and the Start Menu. Read
// before a test, compared after it, and put back, by one table of keys.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

struct RegistryValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

// A key with its values and subkeys, sorted by name, read whole.
struct KeyState {
    bool exists = false;
    std::vector<RegistryValue> values;
    std::vector<std::pair<std::string, KeyState>> subkeys;
};

// view: 0 for this program's own, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
KeyState ReadKeyState(HKEY root, const std::string &path, REGSAM view = 0);
// Makes the key exactly as the state says: deleted when it did not exist.
void PutKeyState(HKEY root, const std::string &path, const KeyState &state, REGSAM view = 0);
bool SameKeyState(const KeyState &a, const KeyState &b);
std::string DescribeKeyState(const KeyState &state);

// ---- WIN.INI -------------------------------------------------------------

// Whether the key is present in [extensions], and its text (empty if not).
bool ExtensionEntry(const char *key, std::string *text);

// The shell's Start Menu: all users' where there is one, else the user's.
std::string StartMenuRoot();

// ---- The machine -----------------------------------------------------------

// Everything that an installation or its removal may touch outside the
// install folder, by the one table in machine_state.cpp: App Paths (whole),
// the uninstall entry, the Applications, vendor and RegisteredApplications
// keys in both views, the document type and the image extension keys;
// WIN.INI [extensions] and the Start Menu tree.
struct MachineState {
    std::vector<KeyState> keys;            // one for each row of the table
    std::vector<std::string> extensions;   // WIN.INI lines
    std::vector<std::string> startMenu;    // TreeEntries of the Start Menu
    // The state of a key of the table; a key the table does not name is
    // reported as a failure of the caller's test.
    const KeyState &Key(HKEY root, const std::string &path, REGSAM view = 0) const;
};

MachineState ReadMachineState();
// What differs, one line each; empty when nothing does.
std::vector<std::string> Differences(const MachineState &before, const MachineState &after);
// Registry and WIN.INI as they were; in the Start Menu, whatever was not
// there before is removed.
void PutMachineState(const MachineState &state);

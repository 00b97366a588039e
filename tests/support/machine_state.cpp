#include "machine_state.h"

#include "expected_names.h"
#include "win_support.h"

#include <shlobj.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>

static const char EXTENSIONS[] = "extensions";

enum {
    PROFILE_SECTION_SIZE = 65536,
    KEY_DEPTH_LIMIT = 32
};

// ---- Keys ------------------------------------------------------------------

static bool NameLess(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

static KeyState ReadOpenKey(HKEY key, REGSAM view, int depth)
{
    KeyState state;
    state.exists = true;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, &longestSubkey, NULL, &values, &longestName,
                         &longestData, NULL, NULL) != ERROR_SUCCESS)
        return state;
    for (DWORD i = 0; i < values; ++i) {
        std::vector<char> name(longestName + 2, '\0');
        std::vector<BYTE> data(longestData + 2, 0);
        DWORD nameSize = (DWORD)name.size(), dataSize = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, &name[0], &nameSize, NULL, &type, &data[0], &dataSize) != ERROR_SUCCESS)
            continue;
        data.resize(dataSize);
        state.values.push_back({ std::string(&name[0], nameSize), type, data });
    }
    for (DWORD i = 0; i < subkeys && depth < KEY_DEPTH_LIMIT; ++i) {
        std::vector<char> name(longestSubkey + 2, '\0');
        DWORD nameSize = (DWORD)name.size();
        if (RegEnumKeyExA(key, i, &name[0], &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        std::string child(&name[0], nameSize);
        HKEY childKey;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ | view, &childKey) != ERROR_SUCCESS)
            continue;
        state.subkeys.push_back({ child, ReadOpenKey(childKey, view, depth + 1) });
        RegCloseKey(childKey);
    }
    std::sort(state.values.begin(), state.values.end(),
              [](const RegistryValue &a, const RegistryValue &b) { return NameLess(a.name, b.name); });
    std::sort(state.subkeys.begin(), state.subkeys.end(),
              [](const std::pair<std::string, KeyState> &a, const std::pair<std::string, KeyState> &b) {
                  return NameLess(a.first, b.first);
              });
    return state;
}

KeyState ReadKeyState(HKEY root, const std::string &path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return KeyState();
    KeyState state = ReadOpenKey(key, view, 0);
    RegCloseKey(key);
    return state;
}

static void WriteState(HKEY parent, const std::string &path, const KeyState &state, REGSAM view)
{
    HKEY key;
    if (RegCreateKeyExA(parent, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    for (const RegistryValue &value : state.values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.empty() ? NULL : &value.data[0],
                       (DWORD)value.data.size());
    for (const auto &child : state.subkeys)
        WriteState(key, child.first, child.second, view);
    RegCloseKey(key);
}

void PutKeyState(HKEY root, const std::string &path, const KeyState &state, REGSAM view)
{
    if (SameKeyState(ReadKeyState(root, path, view), state))
        return;
    DeleteKeyTree(root, path, view);
    if (state.exists)
        WriteState(root, path, state, view);
}

bool SameKeyState(const KeyState &a, const KeyState &b)
{
    if (a.exists != b.exists || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    for (size_t i = 0; i < a.values.size(); ++i)
        if (!SamePath(a.values[i].name, b.values[i].name) || a.values[i].type != b.values[i].type ||
            a.values[i].data != b.values[i].data)
            return false;
    for (size_t i = 0; i < a.subkeys.size(); ++i)
        if (!SamePath(a.subkeys[i].first, b.subkeys[i].first) ||
            !SameKeyState(a.subkeys[i].second, b.subkeys[i].second))
            return false;
    return true;
}

static std::string DescribeValue(const RegistryValue &value)
{
    std::string name = value.name.empty() ? "(default)" : value.name;
    if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && !value.data.empty())
        return name + " = \"" + std::string((const char *)&value.data[0], strnlen((const char *)&value.data[0],
                                                                                     value.data.size())) + "\"";
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD))
        return name + " = dword " + std::to_string(*(const DWORD *)&value.data[0]);
    return name + " = type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes";
}

static void Describe(const KeyState &state, const std::string &indent, std::string *text)
{
    for (const RegistryValue &value : state.values)
        *text += indent + DescribeValue(value) + "\n";
    for (const auto &child : state.subkeys) {
        *text += indent + "[" + child.first + "]\n";
        Describe(child.second, indent + "  ", text);
    }
}

std::string DescribeKeyState(const KeyState &state)
{
    if (!state.exists)
        return "(no key)\n";
    std::string text;
    Describe(state, "  ", &text);
    return text.empty() ? "(empty key)\n" : text;
}

// ---- WIN.INI -------------------------------------------------------------

// The "key=value" lines of a section, sorted.
static std::vector<std::string> ProfileSection(const char *section)
{
    std::vector<char> buffer(PROFILE_SECTION_SIZE, '\0');
    DWORD length = GetProfileSectionA(section, &buffer[0], (DWORD)buffer.size());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length && buffer[at];) {
        std::string line(&buffer[at]);
        lines.push_back(line);
        at += (DWORD)line.size() + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

static void PutProfileSection(const char *section, const std::vector<std::string> &lines)
{
    if (ProfileSection(section) == lines)
        return;
    WriteProfileStringA(section, NULL, NULL);
    if (lines.empty())
        return;
    std::string block;
    for (const std::string &line : lines)
        block += line + '\0';
    block += '\0';
    WriteProfileSectionA(section, block.c_str());
}

bool ExtensionEntry(const char *key, std::string *text)
{
    std::string prefix = std::string(key) + "=";
    for (const std::string &line : ProfileSection(EXTENSIONS)) {
        if (line.size() >= prefix.size() && lstrcmpiA(line.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0) {
            *text = line.substr(prefix.size());
            return true;
        }
    }
    text->clear();
    return false;
}

std::string StartMenuRoot()
{
    char folder[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_COMMON_STARTMENU, NULL, SHGFP_TYPE_CURRENT, folder)) ||
        SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_STARTMENU, NULL, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    return std::string();
}

// ---- The machine -----------------------------------------------------------

struct KeyRow {
    HKEY root;
    REGSAM view;
    std::string path;
};

// The machine's keys: those below HKLM\SOFTWARE in both views, then the
// document type and the image extension keys.
static std::vector<KeyRow> KeyRows()
{
    static const char *const MACHINE_KEYS[] = {
        APP_PATHS_KEY, UNINSTALL_ENTRY, APPLICATION_KEY, VENDOR_KEY, REGISTERED_APPLICATIONS
    };
    std::vector<KeyRow> rows;
    for (const char *path : MACHINE_KEYS)
        for (REGSAM view : VIEW_FLAGS)
            rows.push_back({ HKEY_LOCAL_MACHINE, view, path });
    rows.push_back({ HKEY_CLASSES_ROOT, 0, DOCUMENT_TYPE });
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        rows.push_back({ HKEY_CLASSES_ROOT, 0, ExtensionKey(i) });
    return rows;
}

static std::string RowName(const KeyRow &row)
{
    std::string root = row.root == HKEY_CLASSES_ROOT ? "HKCR\\" : "HKLM\\";
    for (int view = 0; view < VIEW_COUNT; ++view)
        if (row.view == VIEW_FLAGS[view])
            return root + row.path + " (" + VIEW_NAMES[view] + ")";
    return root + row.path;
}

const KeyState &MachineState::Key(HKEY root, const std::string &path, REGSAM view) const
{
    std::vector<KeyRow> rows = KeyRows();
    for (size_t i = 0; i < rows.size() && i < keys.size(); ++i)
        if (rows[i].root == root && rows[i].view == view && SamePath(rows[i].path, path))
            return keys[i];
    // A test asking for a key the table does not read is wrong itself.
    fprintf(stderr, "the machine's table has no key %s\n", RowName({ root, view, path }).c_str());
    abort();
}

MachineState ReadMachineState()
{
    MachineState state;
    for (const KeyRow &row : KeyRows())
        state.keys.push_back(ReadKeyState(row.root, row.path, row.view));
    state.extensions = ProfileSection(EXTENSIONS);
    state.startMenu  = TreeEntries(StartMenuRoot());
    return state;
}

static std::string Lines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "  " + line + "\n";
    return text.empty() ? "  (nothing)\n" : text;
}

std::vector<std::string> Differences(const MachineState &before, const MachineState &after)
{
    std::vector<std::string> differences;
    std::vector<KeyRow> rows = KeyRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (!SameKeyState(before.keys[i], after.keys[i]))
            differences.push_back(RowName(rows[i]) + " was\n" + DescribeKeyState(before.keys[i]) + "and is\n" +
                                  DescribeKeyState(after.keys[i]));
    if (before.extensions != after.extensions)
        differences.push_back("WIN.INI [extensions] was\n" + Lines(before.extensions) + "and is\n" +
                              Lines(after.extensions));
    if (before.startMenu != after.startMenu)
        differences.push_back("the Start Menu held\n" + Lines(before.startMenu) + "and holds\n" +
                              Lines(after.startMenu));
    return differences;
}

void PutMachineState(const MachineState &state)
{
    std::vector<KeyRow> rows = KeyRows();
    for (size_t i = 0; i < rows.size(); ++i)
        PutKeyState(rows[i].root, rows[i].path, state.keys[i], rows[i].view);
    PutProfileSection(EXTENSIONS, state.extensions);

    // Deepest first, so that a folder is empty by the time its turn comes.
    std::string root = StartMenuRoot();
    std::vector<std::string> now = TreeEntries(root);
    for (auto entry = now.rbegin(); entry != now.rend(); ++entry) {
        if (std::binary_search(state.startMenu.begin(), state.startMenu.end(), *entry))
            continue;
        std::string path = root + "\\" + *entry;
        if (entry->back() == '\\') {
            RemoveDirectoryA(path.substr(0, path.size() - 1).c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
}

// Registry and WIN.INI entries of the setup. Extension keys and WIN.INI
// entries are shared with other programs: only those that still point at
// this Velloran are changed, and an extension key itself is never deleted.
#include "payload/uninstall/paths.h"
#include "payload/uninstall/removal.h"

enum {
    MAX_KEY_DEPTH     = 16,
    KEY_NAME_SIZE     = 256,     // the registry's own limit on a key name
    CLASS_VALUE_SIZE  = 64,
    PREVIOUS_CLASS_SIZE = 256,   // a class name is a key name
    WIN_INI_VALUE_SIZE = UNINSTALL_PATH_SIZE + 32
};

static const char kWinIniSection[] = "extensions";

// A key and everything below it. False when it was not there or could not
// be deleted.
static bool DeleteKeyTree(HKEY parent, const char *name, int depth)
{
    if (depth > MAX_KEY_DEPTH)
        return false;
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE, &key) != ERROR_SUCCESS)
        return false;
    char child[KEY_NAME_SIZE];
    for (;;) {
        DWORD childSize = sizeof child;
        // Always the first child: the one before was just deleted.
        if (RegEnumKeyExA(key, 0, child, &childSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (!DeleteKeyTree(key, child, depth + 1))
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

// The class that the setup found in the extension key and noted beside it.
static bool ReadPreviousClass(HKEY key, char *previous, DWORD previousSize)
{
    DWORD type = 0;
    DWORD size = previousSize - 1;
    if (RegQueryValueExA(key, kPreviousClassValue, NULL, &type, (BYTE *)previous, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    previous[size < previousSize ? size : previousSize - 1] = '\0';
    return previous[0] != '\0';
}

// The extension key's default value, when it still names our document type:
// given back to the class the setup found there, or deleted when there was
// none. The setup's note of that class goes either way; the key and its
// other values stay.
static bool ReleaseExtension(const char *extension)
{
    char keyName[8] = ".";
    lstrcpynA(keyName + 1, extension, sizeof keyName - 1);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char value[CLASS_VALUE_SIZE] = "";
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    bool released = false;
    if (RegQueryValueExA(key, "", NULL, &type, (BYTE *)value, &size) == ERROR_SUCCESS && type == REG_SZ) {
        value[size < sizeof value ? size : sizeof value - 1] = '\0';
        char previous[PREVIOUS_CLASS_SIZE];
        if (lstrcmpiA(value, kDocumentType) == 0)
            released = ReadPreviousClass(key, previous, sizeof previous)
                           ? RegSetValueExA(key, "", 0, REG_SZ, (const BYTE *)previous,
                                            (DWORD)lstrlenA(previous) + 1) == ERROR_SUCCESS
                           : RegDeleteValueA(key, "") == ERROR_SUCCESS;
    }
    RegDeleteValueA(key, kPreviousClassValue);
    RegCloseKey(key);
    return released;
}

static bool RemoveWinIniEntry(const char *extension, const char *viewerPath)
{
    char value[WIN_INI_VALUE_SIZE] = "";
    GetProfileStringA(kWinIniSection, extension, "", value, sizeof value);
    if (!EntryNamesProgram(value, viewerPath))
        return false;
    return WriteProfileStringA(kWinIniSection, extension, NULL) != FALSE;
}

void RemoveImageTypes(const Installation *installation, RemovalReport *report)
{
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        if (ReleaseExtension(kImageTypes[i]))
            ++report->extensionsReleased;
        if (RemoveWinIniEntry(kImageTypes[i], installation->viewerPath))
            ++report->winIniEntriesRemoved;
    }
    if (DeleteKeyTree(HKEY_CLASSES_ROOT, kDocumentType, 0))
        ++report->keysRemoved;
}

void RemoveRegistration(RemovalReport *report)
{
    if (DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsKey, 0))
        ++report->keysRemoved;
    // Last of all, so that an uninstaller stopped half-way can be run again.
    if (DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey, 0))
        ++report->keysRemoved;
}

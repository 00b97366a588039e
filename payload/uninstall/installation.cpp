#include "payload/uninstall/installation.h"
#include "payload/uninstall/paths.h"

// A REG_SZ value that fits the buffer with its NUL, or an empty text.
static void ReadTextValue(HKEY key, const char *name, char *dest, DWORD destSize)
{
    dest[0] = '\0';
    DWORD type = 0;
    DWORD size = destSize - 1;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)dest, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        dest[0] = '\0';
        return;
    }
    // The stored data need not end with a NUL.
    dest[size < destSize ? size : destSize - 1] = '\0';
}

bool ReadInstallation(Installation *installation)
{
    installation->programDir[0] = '\0';
    installation->shortcutDir[0] = '\0';
    installation->viewerPath[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    ReadTextValue(key, "Progdir", installation->programDir, sizeof installation->programDir);
    ReadTextValue(key, "Scdir", installation->shortcutDir, sizeof installation->shortcutDir);
    RegCloseKey(key);

    // The viewer's path as the WIN.INI entries of the setup name it.
    if (installation->programDir[0] &&
        !JoinPath(installation->viewerPath, sizeof installation->viewerPath, installation->programDir, kViewerSuffix))
        installation->viewerPath[0] = '\0';
    TrimTrailingBackslashes(installation->programDir);
    TrimTrailingBackslashes(installation->shortcutDir);
    return true;
}

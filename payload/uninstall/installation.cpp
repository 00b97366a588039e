#include "payload/uninstall/installation.h"
#include "common/install_names.h"
#include "common/path_join.h"
#include "common/plain_path.h"
#include "common/registry_values.h"
#include "install/manifest.h"
#include "payload/uninstall/paths.h"

static void Clear(Installation *installation)
{
    installation->programDir[0] = '\0';
    installation->shortcutDir[0] = '\0';
    installation->viewerPath[0] = '\0';
    installation->registered = false;
    installation->refusedProgramDir[0] = '\0';
}

void RefuseUnplainProgramDir(Installation *installation)
{
    if (!installation->programDir[0] || IsPlainFullPath(installation->programDir))
        return;
    lstrcpynA(installation->refusedProgramDir, installation->programDir, sizeof installation->refusedProgramDir);
    installation->programDir[0] = '\0';
}

// The viewer's path as the WIN.INI entries of the setup name it.
static void NameViewer(Installation *installation)
{
    if (installation->programDir[0] &&
        !JoinPath(installation->viewerPath, sizeof installation->viewerPath, installation->programDir, kViewerSuffix))
        installation->viewerPath[0] = '\0';
}

bool ReadInstallation(Installation *installation)
{
    Clear(installation);
    HKEY parent, key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallParent, 0, KEY_QUERY_VALUE | kUninstallView, &parent) !=
        ERROR_SUCCESS)
        return false;
    LONG opened = RegOpenKeyExA(parent, kProductSubkey, 0, KEY_QUERY_VALUE | kUninstallView, &key);
    RegCloseKey(parent);
    if (opened != ERROR_SUCCESS)
        return false;
    ReadTextValue(key, kProgramDirValue, installation->programDir, sizeof installation->programDir);
    ReadTextValue(key, kShortcutDirValue, installation->shortcutDir, sizeof installation->shortcutDir);
    RegCloseKey(key);

    TrimTrailingBackslashes(installation->programDir);
    TrimTrailingBackslashes(installation->shortcutDir);
    RefuseUnplainProgramDir(installation);
    NameViewer(installation);
    installation->registered = true;
    return true;
}

static bool IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The setup installs in manifest order, so whenever its uninstall.exe is
// there, so is every row before it.
static bool HoldsInstalledFiles(const char *dir)
{
    char path[UNINSTALL_PATH_SIZE];
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (!JoinPath(path, sizeof path, dir, g_destinationSuffixes[row]) || !IsFile(path))
            return false;
        if (lstrcmpiA(g_destinationSuffixes[row], kUninstallerSuffix) == 0)
            return true;
    }
    return false;
}

bool FindUnregisteredInstallation(const char *uninstallerPath, Installation *installation)
{
    Clear(installation);
    char dir[UNINSTALL_PATH_SIZE];
    if (!uninstallerPath[0] || !ParentDirectory(uninstallerPath, dir, sizeof dir))
        return false;
    TrimTrailingBackslashes(dir);
    if (!HoldsInstalledFiles(dir))
        return false;
    lstrcpynA(installation->programDir, dir, sizeof installation->programDir);
    NameViewer(installation);
    return true;
}

// Records the application under App Paths and in the list of installed
// programs. A key that cannot be opened or made is reported and skipped.
#include "register/registration.h"

#include "common/install_names.h"
#include "common/registry_values.h"
#include "install/manifest.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"
#include "velloran_version.h"

#include <string.h>

enum {
    VALUE_BUFFER_SIZE   = REGISTRY_VALUE_SIZE,
    ERROR_MESSAGE_SIZE  = 160,
    PARENT_KEY_ACCESS   = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
};

static void ShowRegistryError(const char *format, const char *argument)
{
    char message[ERROR_MESSAGE_SIZE];
    wsprintfA(message, format, argument);
    LogLine(message);
    if (!g_silent)
        MessageBoxA(g_mainWindow, message, NULL, MB_OK);
}

// In the registry view given (common/install_names.h), as is the key made below it.
static HKEY OpenParentKey(const char *parentPath, REGSAM view)
{
    HKEY parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, PARENT_KEY_ACCESS | view, &parent) != ERROR_SUCCESS) {
        ShowRegistryError("Couldn't open a key in registry\n%s", parentPath);
        return NULL;
    }
    LogRegistryKey(parent, HKEY_LOCAL_MACHINE, parentPath, view);
    return parent;
}

// Makes (or opens) the named key below the parent; null after a reported failure.
static HKEY CreateNamedKey(HKEY parent, const char *name, REGSAM view)
{
    HKEY key = CreateKeyInView(parent, name, view, NULL);
    if (!key) {
        ShowRegistryError("Couldn't create key in registry\n%s", name);
        return NULL;
    }
    LogRegistryKey(key, parent, name, view);
    return key;
}

const char *ComposeWithInstallDir(char *value, size_t valueSize, const char *prefix, const char *suffix)
{
    if (!CopyText(value, valueSize, prefix) || !AppendText(value, valueSize, g_installDir) ||
        !AppendText(value, valueSize, suffix))
        value[0] = '\0';
    return value;
}

DWORD MeasureInstalledSizeKb()
{
    ULONGLONG bytes = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        // A destination that an earlier row shares is one file on disk.
        bool counted = false;
        for (int earlier = 0; earlier < row && !counted; ++earlier)
            counted = lstrcmpiA(g_destinationSuffixes[earlier], g_destinationSuffixes[row]) == 0;
        if (counted)
            continue;
        char path[VALUE_BUFFER_SIZE];
        WIN32_FILE_ATTRIBUTE_DATA data;
        ComposeWithInstallDir(path, sizeof path, "", g_destinationSuffixes[row]);
        if (GetFileAttributesExA(path, GetFileExInfoStandard, &data))
            bytes += ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    return (DWORD)((bytes + 1023) / 1024);
}

// Under the product's name, and again under the viewer's file name, which is
// what the shell looks up for ShellExecute("Velloran.exe").
static void WriteAppPaths()
{
    HKEY parent = OpenParentKey(kAppPathsParent, kAppPathsView);
    if (!parent)
        return;
    const char *const names[] = { kProductSubkey, kAppPathsExeSubkey };
    for (size_t i = 0; i < ARRAYSIZE(names); ++i) {
        HKEY key = CreateNamedKey(parent, names[i], kAppPathsView);
        if (!key)
            continue;
        char value[VALUE_BUFFER_SIZE];
        SetText(key, "", ComposeWithInstallDir(value, sizeof value, "", "\\VELLORAN.EXE"));
        SetText(key, "Path", g_installDir);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
}

// The day of the install, local time, as the Apps list reads it: YYYYMMDD.
static void SetInstallDate(HKEY key)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    wsprintfA(date, "%04u%02u%02u", (unsigned)today.wYear, (unsigned)today.wMonth, (unsigned)today.wDay);
    SetText(key, "InstallDate", date);
}

// The uninstall commands are quoted: unquoted, a path with spaces could start
// another program, such as C:\Program.exe. The quiet one is what winget and
// deployment tools run: no window, no question, only the exit code.
static void WriteUninstallEntry()
{
    HKEY parent = OpenParentKey(kUninstallParent, kUninstallView);
    if (!parent)
        return;
    HKEY key = CreateNamedKey(parent, kProductSubkey, kUninstallView);
    RegCloseKey(parent);
    if (!key)
        return;
    char value[VALUE_BUFFER_SIZE];
    SetText(key, "DisplayName", "Velloran");
    ComposeWithInstallDir(value, sizeof value, "\"", kUninstallerSuffix);
    AppendText(value, VALUE_BUFFER_SIZE, "\"");
    SetText(key, "UninstallString", value);
    if (AppendText(value, VALUE_BUFFER_SIZE, " /S"))
        SetText(key, "QuietUninstallString", value);
    SetText(key, kShortcutDirValue, g_shortcutFolder);
    SetText(key, kProgramDirValue, g_installDir);
    SetText(key, "DisplayIcon", ComposeWithInstallDir(value, sizeof value, "", "\\Velloran.exe,0"));
    SetText(key, "DisplayVersion", VELLORAN_VERSION_TEXT);
    SetNumber(key, "VersionMajor", VELLORAN_VERSION_MAJOR);
    SetNumber(key, "VersionMinor", VELLORAN_VERSION_MINOR);
    SetText(key, "Publisher", "Velloran Software");
    SetText(key, "InstallLocation", g_installDir);
    SetNumber(key, "EstimatedSize", MeasureInstalledSizeKb());
    SetInstallDate(key);
    SetNumber(key, "NoModify", 1);
    SetNumber(key, "NoRepair", 1);
    RegCloseKey(key);
}

void RegisterApplication()
{
    WriteAppPaths();
    WriteUninstallEntry();
}

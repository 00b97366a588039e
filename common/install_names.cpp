#include "common/install_names.h"

const char kAppPathsParent[]    = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kSingleSetupMutex[]  = "Global\\VelloranSetup.Running";
const char kUninstallParent[]   = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kProductSubkey[]     = "Velloran";
const char kAppPathsExeSubkey[] = "Velloran.exe";
const char kProgramDirValue[]   = "Progdir";
const char kShortcutDirValue[]  = "Scdir";

const char kMachineClasses[]  = "SOFTWARE\\Classes";
const char kDocumentType[]    = "VELLORAN1.Image";
const char kOpenWithSubkey[]  = "OpenWithProgids";
const char kApplicationKey[]  = "Applications\\Velloran.exe";

const char kVendorKey[]                   = "SOFTWARE\\Velloran";
const char kCapabilitiesKey[]             = "SOFTWARE\\Velloran\\Capabilities";
const char kRegisteredApplicationsKey[]   = "SOFTWARE\\RegisteredApplications";
const char kRegisteredApplicationName[]   = "Velloran";
const char kEmptyWinIniEntriesValue[]     = "EmptyWinIniEntries";
const char kMadeRegisteredApplicationsValue[] = "MadeRegisteredApplications";

const char kPreviousClassValue[] = "Velloran.Previous";
const char kMadeOpenWithValue[]  = "Velloran.MadeOpenWithProgids";

const char kWinIniSection[] = "extensions";
const char kImageTypes[IMAGE_TYPE_COUNT][IMAGE_TYPE_SIZE] = {
    "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff"
};

const char kViewerSuffix[]      = "\\Velloran.exe";
const char kUninstallerSuffix[] = "\\uninstall.exe";

const ShortcutName kShortcuts[SHORTCUT_COUNT] = {
    { "\\Velloran.lnk",  kViewerSuffix,      "Velloran"  },
    { "\\Uninstall.lnk", kUninstallerSuffix, "Uninstall" },
    { "\\Readme.lnk",    "\\Readme.wri",      "Readme"    },
};

void DottedExtension(const char *imageType, char *extension)
{
    extension[0] = '.';
    int i = 0;
    for (; i < EXTENSION_SIZE - 2 && imageType[i]; ++i)
        extension[i + 1] = imageType[i];
    extension[i + 1] = '\0';
}

bool ListHasWord(const char *list, const char *word)
{
    int length = 0;
    while (word[length])
        ++length;
    for (const char *at = list; *at;) {
        int i = 0;
        while (i < length && at[i] == word[i])
            ++i;
        if (i == length && (at[i] == ' ' || at[i] == '\0'))
            return true;
        while (*at && *at != ' ')
            ++at;
        while (*at == ' ')
            ++at;
    }
    return false;
}

// Registry and WIN.INI entries of the setup. Extension keys and WIN.INI
// entries are shared with other programs: only what still points at this
// Velloran is changed, each given back as the setup noted it before, and an
// extension key itself is never deleted.
#include "common/install_names.h"
#include "common/path_join.h"
#include "common/registry_values.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/removal.h"

#include <shlobj.h>

enum {
    MAX_KEY_DEPTH      = 16,
    KEY_NAME_SIZE      = 256,     // the registry's own limit on a key name
    CLASS_VALUE_SIZE   = 64,
    WIN_INI_VALUE_SIZE = UNINSTALL_PATH_SIZE + 32
};

enum Outcome { OUTCOME_ABSENT, OUTCOME_REMOVED, OUTCOME_FAILED };

static void Count(Outcome outcome, LONG *removed, LONG *failed)
{
    if (outcome == OUTCOME_REMOVED)
        ++*removed;
    else if (outcome == OUTCOME_FAILED)
        ++*failed;
}

// A key and everything below it, in the registry view given
// (common/install_names.h): the one the setup wrote it to.
static Outcome DeleteKeyTree(HKEY parent, const char *name, REGSAM view, int depth)
{
    if (depth > MAX_KEY_DEPTH)
        return OUTCOME_FAILED;
    HKEY key;
    LONG opened = RegOpenKeyExA(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE | view, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return OUTCOME_ABSENT;
    if (opened != ERROR_SUCCESS)
        return OUTCOME_FAILED;
    char child[KEY_NAME_SIZE];
    for (;;) {
        DWORD childSize = sizeof child;
        // Always the first child: the one before was just deleted.
        if (RegEnumKeyExA(key, 0, child, &childSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (DeleteKeyTree(key, child, view, depth + 1) != OUTCOME_REMOVED)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyExA(parent, name, view, 0) == ERROR_SUCCESS ? OUTCOME_REMOVED : OUTCOME_FAILED;
}

// A key below HKEY_LOCAL_MACHINE\parentPath.
static Outcome DeleteKeyBelow(const char *parentPath, const char *name, REGSAM view)
{
    HKEY parent;
    LONG opened =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, &parent);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? OUTCOME_ABSENT : OUTCOME_FAILED;
    Outcome outcome = DeleteKeyTree(parent, name, view, 0);
    RegCloseKey(parent);
    return outcome;
}

static bool DeleteValue(HKEY key, const char *name, Outcome *outcome)
{
    LONG deleted = RegDeleteValueA(key, name);
    if (deleted == ERROR_SUCCESS)
        return true;
    if (deleted != ERROR_FILE_NOT_FOUND)
        *outcome = OUTCOME_FAILED;
    return false;
}

static bool HasValue(HKEY key, const char *name)
{
    return RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
}

static bool IsEmptyKey(HKEY key)
{
    DWORD subkeys = 1, values = 1;
    return RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) ==
               ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

// The default value, while it still names our document type: the value the
// setup noted beside it, type and data as they were, or none when there was
// none.
static void GiveBackDefault(HKEY key, bool *released, Outcome *outcome)
{
    char value[CLASS_VALUE_SIZE];
    if (!ReadTextValue(key, "", value, sizeof value) || lstrcmpiA(value, kDocumentType) != 0)
        return;
    BYTE previous[PREVIOUS_CLASS_SIZE];
    DWORD previousType = 0;
    DWORD previousSize = sizeof previous;
    LONG result = RegQueryValueExA(key, kPreviousClassValue, NULL, &previousType, previous, &previousSize) ==
                          ERROR_SUCCESS
                      ? RegSetValueExA(key, "", 0, previousType, previous, previousSize)
                      : RegDeleteValueA(key, "");
    if (result == ERROR_SUCCESS)
        *released = true;
    else
        *outcome = OUTCOME_FAILED;
}

// Our entry in OpenWithProgids, and the subkey itself when the setup made it
// and nothing else is in it now.
static void RemoveOpenWith(HKEY key, bool *released, Outcome *outcome)
{
    HKEY openWith;
    if (RegOpenKeyExA(key, kOpenWithSubkey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | kClassesView, &openWith) !=
        ERROR_SUCCESS)
        return;
    if (DeleteValue(openWith, kDocumentType, outcome))
        *released = true;
    bool remove = HasValue(key, kMadeOpenWithValue) && IsEmptyKey(openWith);
    RegCloseKey(openWith);
    if (remove && RegDeleteKeyExA(key, kOpenWithSubkey, kClassesView, 0) != ERROR_SUCCESS)
        *outcome = OUTCOME_FAILED;
}

static Outcome ReleaseExtension(const char *imageType)
{
    char extension[EXTENSION_SIZE], path[EXTENSION_KEY_PATH_SIZE];
    DottedExtension(imageType, extension);
    if (!JoinPath(path, sizeof path, kMachineClasses, extension))
        return OUTCOME_FAILED;
    HKEY key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | kClassesView, &key);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? OUTCOME_ABSENT : OUTCOME_FAILED;
    Outcome outcome = OUTCOME_ABSENT;
    bool released = false;
    GiveBackDefault(key, &released, &outcome);
    RemoveOpenWith(key, &released, &outcome);
    // The setup's notes go either way; the key and its other values stay.
    DeleteValue(key, kPreviousClassValue, &outcome);
    DeleteValue(key, kMadeOpenWithValue, &outcome);
    RegCloseKey(key);
    return outcome == OUTCOME_FAILED ? OUTCOME_FAILED : released ? OUTCOME_REMOVED : OUTCOME_ABSENT;
}

// An entry that still starts this viewer: deleted, or given back present and
// empty when the setup found it so.
static Outcome RemoveWinIniEntry(const char *imageType, const char *viewerPath, const char *emptyEntries)
{
    char value[WIN_INI_VALUE_SIZE] = "";
    GetProfileStringA(kWinIniSection, imageType, "", value, sizeof value);
    if (!EntryNamesProgram(value, viewerPath))
        return OUTCOME_ABSENT;
    const char *before = ListHasWord(emptyEntries, imageType) ? "" : NULL;
    return WriteProfileStringA(kWinIniSection, imageType, before) ? OUTCOME_REMOVED : OUTCOME_FAILED;
}

// What the setup noted in the vendor key before it changed things.
struct SetupNotes {
    char emptyWinIniEntries[IMAGE_TYPE_LIST_SIZE];
    bool madeRegisteredApplications;
};

static void ReadSetupNotes(SetupNotes *notes)
{
    notes->emptyWinIniEntries[0] = '\0';
    notes->madeRegisteredApplications = false;
    HKEY vendor;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_QUERY_VALUE | kVendorKeyView, &vendor) != ERROR_SUCCESS)
        return;
    ReadTextValue(vendor, kEmptyWinIniEntriesValue, notes->emptyWinIniEntries, sizeof notes->emptyWinIniEntries);
    notes->madeRegisteredApplications = HasValue(vendor, kMadeRegisteredApplicationsValue);
    RegCloseKey(vendor);
}

// Our value in RegisteredApplications, and the key too when the setup made it
// and nothing else is in it now.
static Outcome RemoveRegisteredApplication(bool madeKey)
{
    HKEY registered;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE | kRegisteredApplicationsView, &registered);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? OUTCOME_ABSENT : OUTCOME_FAILED;
    Outcome outcome = OUTCOME_ABSENT;
    if (DeleteValue(registered, kRegisteredApplicationName, &outcome))
        outcome = OUTCOME_REMOVED;
    bool remove = madeKey && IsEmptyKey(registered);
    RegCloseKey(registered);
    if (remove && RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, kRegisteredApplicationsView, 0) !=
                      ERROR_SUCCESS)
        outcome = OUTCOME_FAILED;
    return outcome;
}

void RemoveImageTypes(const Installation *installation, RemovalReport *report)
{
    SetupNotes notes;
    ReadSetupNotes(&notes);
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        Count(ReleaseExtension(kImageTypes[i]), &report->linksReleased, &report->linksFailed);
        Count(RemoveWinIniEntry(kImageTypes[i], installation->viewerPath, notes.emptyWinIniEntries),
              &report->winIniEntriesRemoved, &report->winIniEntriesFailed);
    }
    Count(RemoveRegisteredApplication(notes.madeRegisteredApplications), &report->linksReleased,
          &report->linksFailed);
    Count(DeleteKeyBelow(kMachineClasses, kDocumentType, kClassesView), &report->keysRemoved, &report->keysFailed);
    Count(DeleteKeyBelow(kMachineClasses, kApplicationKey, kClassesView), &report->keysRemoved, &report->keysFailed);
    // The capabilities and the notes, last: they were read above.
    Count(DeleteKeyTree(HKEY_LOCAL_MACHINE, kVendorKey, kVendorKeyView, 0), &report->keysRemoved,
          &report->keysFailed);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}

void RemoveRegistration(RemovalReport *report)
{
    Count(DeleteKeyBelow(kAppPathsParent, kProductSubkey, kAppPathsView), &report->keysRemoved, &report->keysFailed);
    Count(DeleteKeyBelow(kAppPathsParent, kAppPathsExeSubkey, kAppPathsView), &report->keysRemoved,
          &report->keysFailed);
    // Last of all, so that an uninstaller stopped half-way can be run again.
    Count(DeleteKeyBelow(kUninstallParent, kProductSubkey, kUninstallView), &report->keysRemoved,
          &report->keysFailed);
}

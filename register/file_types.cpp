// Makes Velloran the program that opens eleven image types: WIN.INI entries
// for old programs, the existing extension keys and the document type, and
// what Windows 10/11 read once a user has chosen a program: the extensions'
// OpenWithProgids, the Applications key and the Default Apps capabilities.
// All of it machine-wide under HKEY_LOCAL_MACHINE; UserChoice is the user's
// and never written. What the setup replaces is noted first, so that the
// uninstaller can give back exactly the machine of before.
#include "register/registration.h"

#include "common/install_names.h"
#include "common/path_join.h"
#include "common/registry_values.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"
#include "velloran_version.h"

#include <shlobj.h>
#include <string.h>

enum {
    PROFILE_PROBE_SIZE = 5,
    VALUE_BUFFER_SIZE  = REGISTRY_VALUE_SIZE,
    PARENT_KEY_ACCESS  = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
};

static const char APPLICATION_NAME[]        = "Velloran";
static const char APPLICATION_DESCRIPTION[] = "Velloran " VELLORAN_VERSION_TEXT ", a small image editor";

// Made or opened in the registry view given (common/install_names.h);
// disposition may be null.
static HKEY CreateSubkey(HKEY parent, const char *name, REGSAM view, DWORD *disposition = NULL)
{
    HKEY key = CreateKeyInView(parent, name, view, disposition);
    LogRegistryKey(key, parent, name, view);
    return key;
}

// An entry already holding text is someone else's and stays. A new one uses
// the classic form: the program, a caret, and the dotted extension. Entries
// that were present with an empty value are listed in emptyEntries: the
// uninstaller gives them back present and empty.
static void WriteProfileEntries(char *emptyEntries)
{
    emptyEntries[0] = '\0';
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        char probe[PROFILE_PROBE_SIZE];
        if (GetProfileStringA(kWinIniSection, kImageTypes[i], "", probe, PROFILE_PROBE_SIZE) != 0)
            continue;
        // Only an absent entry gives back the default.
        if (GetProfileStringA(kWinIniSection, kImageTypes[i], "?", probe, PROFILE_PROBE_SIZE) == 0) {
            if (emptyEntries[0])
                AppendText(emptyEntries, IMAGE_TYPE_LIST_SIZE, " ");
            AppendText(emptyEntries, IMAGE_TYPE_LIST_SIZE, kImageTypes[i]);
        }
        char extension[EXTENSION_SIZE];
        DottedExtension(kImageTypes[i], extension);
        char command[VALUE_BUFFER_SIZE];
        ComposeWithInstallDir(command, sizeof command, "", "\\Velloran.exe ^");
        AppendText(command, VALUE_BUFFER_SIZE, extension);
        WriteProfileStringA(kWinIniSection, kImageTypes[i], command);
        LogLine("WIN.INI: [extensions] ", kImageTypes[i], "=", command);
    }
}

// Notes the extension's default value, type and data as they are, before it
// becomes ours. A value that is ours already keeps the note of the run that
// took it over; no default value means no note. False when the value cannot
// be noted: the extension is then not taken over.
static bool NotePreviousDefault(HKEY key)
{
    BYTE previous[PREVIOUS_CLASS_SIZE];
    DWORD type = 0;
    DWORD size = sizeof(previous) - 1;
    LONG read = RegQueryValueExA(key, "", NULL, &type, previous, &size);
    if (read == ERROR_FILE_NOT_FOUND) {
        RegDeleteValueA(key, kPreviousClassValue);
        return true;
    }
    if (read != ERROR_SUCCESS)
        return false;
    previous[size] = '\0';
    if (type == REG_SZ && lstrcmpiA((const char *)previous, kDocumentType) == 0)
        return true;
    if (RegSetValueExA(key, kPreviousClassValue, 0, type, previous, size) != ERROR_SUCCESS)
        return false;
    LogRegistryText(key, kPreviousClassValue, type == REG_SZ ? (const char *)previous : "(as it was)");
    return true;
}

// "Open with" offers the document type from here; a subkey the setup had to
// make is noted, so that the uninstaller takes it away again.
static void AddOpenWith(HKEY extensionKey)
{
    DWORD disposition = 0;
    HKEY openWith = CreateSubkey(extensionKey, kOpenWithSubkey, kClassesView, &disposition);
    if (!openWith)
        return;
    if (disposition == REG_CREATED_NEW_KEY)
        SetNumber(extensionKey, kMadeOpenWithValue, 1);
    RegSetValueExA(openWith, kDocumentType, 0, REG_NONE, NULL, 0);
    LogRegistryText(openWith, kDocumentType, "");
    RegCloseKey(openWith);
}

// Only extensions the system knows already are pointed at the document type.
static void PointExtensionKeys()
{
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        char path[EXTENSION_KEY_PATH_SIZE], extension[EXTENSION_SIZE];
        DottedExtension(kImageTypes[i], extension);
        if (!JoinPath(path, sizeof path, kMachineClasses, extension))
            continue;
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | kClassesView, &key) != ERROR_SUCCESS)
            continue;
        LogRegistryKey(key, HKEY_LOCAL_MACHINE, path, kClassesView);
        if (NotePreviousDefault(key)) {
            SetText(key, "", kDocumentType);
            AddOpenWith(key);
        }
        RegCloseKey(key);
    }
}

// The program and the document are quoted so that paths with spaces open.
static void WriteDocumentType(HKEY classes)
{
    HKEY documentType = CreateSubkey(classes, kDocumentType, kClassesView);
    if (!documentType)
        return;
    SetText(documentType, "", "Velloran " VELLORAN_VERSION_TEXT);

    char value[VALUE_BUFFER_SIZE];
    HKEY icon = CreateSubkey(documentType, "DefaultIcon", kClassesView);
    if (icon) {
        SetText(icon, "", ComposeWithInstallDir(value, sizeof value, "", "\\Velloran.exe,0"));
        RegCloseKey(icon);
    }

    // shell \ open \ command, each made below the one before; the walk stops
    // at the first level that cannot be made.
    static const char *const kCommandLevels[] = { "shell", "open", "command" };
    HKEY level = documentType;
    for (size_t i = 0; i < ARRAYSIZE(kCommandLevels) && level; ++i) {
        HKEY next = CreateSubkey(level, kCommandLevels[i], kClassesView);
        RegCloseKey(level);
        level = next;
    }
    if (level) {
        SetText(level, "", ComposeWithInstallDir(value, sizeof value, "\"", "\\Velloran.exe\" \"%1\""));
        RegCloseKey(level);
    }
}

// Applications\Velloran.exe: the name "Open with" shows and the types it
// lists the viewer for.
static void WriteApplicationKey(HKEY classes)
{
    HKEY application = CreateSubkey(classes, kApplicationKey, kClassesView);
    if (!application)
        return;
    SetText(application, "FriendlyAppName", APPLICATION_NAME);
    HKEY types = CreateSubkey(application, "SupportedTypes", kClassesView);
    RegCloseKey(application);
    if (!types)
        return;
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        char extension[EXTENSION_SIZE];
        DottedExtension(kImageTypes[i], extension);
        SetText(types, extension, "");
    }
    RegCloseKey(types);
}

// WIN.INI keys noted by an earlier run stay noted: that run saw the machine
// of before.
static void NoteEmptyEntries(HKEY vendor, const char *emptyEntries)
{
    char list[IMAGE_TYPE_LIST_SIZE];
    ReadTextValue(vendor, kEmptyWinIniEntriesValue, list, sizeof list);
    bool added = false;
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
        if (!ListHasWord(emptyEntries, kImageTypes[i]) || ListHasWord(list, kImageTypes[i]))
            continue;
        if ((list[0] && !AppendText(list, sizeof list, " ")) || !AppendText(list, sizeof list, kImageTypes[i]))
            return;
        added = true;
    }
    if (added)
        SetText(vendor, kEmptyWinIniEntriesValue, list);
}

// Default Apps: the capabilities below Velloran's own key, named in
// RegisteredApplications, both where 64-bit programs read them. The vendor
// key also keeps the setup's notes.
static void WriteCapabilities(const char *emptyEntries)
{
    HKEY vendor = CreateSubkey(HKEY_LOCAL_MACHINE, kVendorKey, kVendorKeyView);
    if (!vendor)
        return;
    NoteEmptyEntries(vendor, emptyEntries);
    HKEY capabilities = CreateSubkey(HKEY_LOCAL_MACHINE, kCapabilitiesKey, kVendorKeyView);
    if (capabilities) {
        SetText(capabilities, "ApplicationName", APPLICATION_NAME);
        SetText(capabilities, "ApplicationDescription", APPLICATION_DESCRIPTION);
        HKEY associations = CreateSubkey(capabilities, "FileAssociations", kVendorKeyView);
        if (associations) {
            for (int i = 0; i < IMAGE_TYPE_COUNT; ++i) {
                char extension[EXTENSION_SIZE];
                DottedExtension(kImageTypes[i], extension);
                SetText(associations, extension, kDocumentType);
            }
            RegCloseKey(associations);
        }
        RegCloseKey(capabilities);
    }
    DWORD disposition = 0;
    HKEY registered =
        CreateSubkey(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, kRegisteredApplicationsView, &disposition);
    if (registered) {
        if (disposition == REG_CREATED_NEW_KEY)
            SetNumber(vendor, kMadeRegisteredApplicationsValue, 1);
        SetText(registered, kRegisteredApplicationName, kCapabilitiesKey);
        RegCloseKey(registered);
    }
    RegCloseKey(vendor);
}

void RegisterImageTypes()
{
    char emptyEntries[IMAGE_TYPE_LIST_SIZE];
    WriteProfileEntries(emptyEntries);
    PointExtensionKeys();
    HKEY classes;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineClasses, 0, PARENT_KEY_ACCESS | kClassesView, &classes) ==
        ERROR_SUCCESS) {
        LogRegistryKey(classes, HKEY_LOCAL_MACHINE, kMachineClasses, kClassesView);
        WriteDocumentType(classes);
        WriteApplicationKey(classes);
        RegCloseKey(classes);
    }
    WriteCapabilities(emptyEntries);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}

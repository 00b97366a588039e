// The names VelloranSetup.exe writes into the system and uninstall.exe must
// find again, string for string, and the registry view each lies in.
// Registry paths are below HKEY_LOCAL_MACHINE.
#pragma once
#include <windows.h>

enum {
    IMAGE_TYPE_COUNT  = 11,
    IMAGE_TYPE_SIZE   = 6,     // the longest WIN.INI key, "jpeg", with its NUL
    EXTENSION_SIZE    = 7,     // the same with its leading dot
    SHORTCUT_COUNT    = 3,
    // kMachineClasses, a backslash and an extension.
    EXTENSION_KEY_PATH_SIZE = 64,
    // The most of an extension's previous default value that the setup notes
    // beside it (kPreviousClassValue); a longer one is no class name, and its
    // extension is left alone.
    PREVIOUS_CLASS_SIZE = 1024,
    // The vendor key's list of WIN.INI keys (kEmptyWinIniEntriesValue): every
    // image type once, each followed by a blank or the NUL.
    IMAGE_TYPE_LIST_SIZE = IMAGE_TYPE_COUNT * IMAGE_TYPE_SIZE + 1
};

// The registry view of each family of keys. Both programs are 32-bit: on
// 64-bit Windows a key below HKLM\SOFTWARE that Windows does not share
// between the views lands in the 32-bit view (WOW6432Node) unless it is
// opened with KEY_WOW64_64KEY. Every open, create and delete of a key of the
// family adds its view to the access asked for, in both programs. Windows
// ignores the flag where there is one view.
//
// The Default Apps registration is read by 64-bit programs (Default Apps,
// "Open with"), so it goes into the 64-bit view: Velloran's vendor key with
// its capabilities, and RegisteredApplications. The setup's notes for the
// uninstaller, and anything else below the vendor key, stay beside the
// capabilities, so that the vendor key lies whole in one view.
const REGSAM kVendorKeyView              = KEY_WOW64_64KEY;
const REGSAM kRegisteredApplicationsView = KEY_WOW64_64KEY;
// One key for both views on Windows 7 and later: SOFTWARE\Classes (but for
// its COM keys, which the setup does not touch) and App Paths. Opened in the
// programs' own view, which is that same key.
const REGSAM kClassesView                = 0;
const REGSAM kAppPathsView               = 0;
// The list of installed programs reads both views; a 32-bit program's entry
// lies with those of the other 32-bit programs.
const REGSAM kUninstallView              = 0;
// The setup's journal of a copy under way (SOFTWARE\VelloranSetup\Journal):
// written and read back by the setup alone, so its own view.
const REGSAM kJournalView                = 0;

// The App Paths and uninstall entries: a subkey "Velloran" below each parent
// key, and App Paths once more under the viewer's file name, which is what
// the shell looks up.
extern const char kAppPathsParent[];
extern const char kUninstallParent[];
extern const char kProductSubkey[];
extern const char kAppPathsExeSubkey[];
// Values of the uninstall entry beside Windows' own: the install directory
// and the shortcut folder, which the uninstaller removes.
extern const char kProgramDirValue[];
extern const char kShortcutDirValue[];

// The machine's own file types, not the merged HKEY_CLASSES_ROOT, which
// writes into the elevating administrator's profile where a key exists there.
extern const char kMachineClasses[];
extern const char kDocumentType[];          // the document type, below kMachineClasses
extern const char kOpenWithSubkey[];        // below an extension key
extern const char kApplicationKey[];        // Applications\Velloran.exe, below kMachineClasses

// Velloran's own key: its Default Apps capabilities, named in
// RegisteredApplications, and what the setup found before it changed things.
extern const char kVendorKey[];
extern const char kCapabilitiesKey[];       // the path RegisteredApplications names
extern const char kRegisteredApplicationsKey[];
extern const char kRegisteredApplicationName[];
// Vendor key values: the WIN.INI keys whose entries were present and empty
// ("png tif"), and a number set when the setup made RegisteredApplications.
extern const char kEmptyWinIniEntriesValue[];
extern const char kMadeRegisteredApplicationsValue[];

// Beside an extension key's default value: the value it held before, exactly
// (type and data), and a number set when the setup made its OpenWithProgids.
extern const char kPreviousClassValue[];
extern const char kMadeOpenWithValue[];

// WIN.INI section of the image types; its keys are kImageTypes.
extern const char kWinIniSection[];
// The image types linked to the viewer, as WIN.INI keys; the registry's
// extension keys are the same names with a leading dot.
extern const char kImageTypes[IMAGE_TYPE_COUNT][IMAGE_TYPE_SIZE];

// Held by the setup and by the uninstaller while either runs: one of them at
// a time on the machine, as both change the same folder and keys. The other
// gives way with EXIT_ANOTHER_RUNNING.
extern const char kSingleSetupMutex[];

// Installed files, as suffixes of the install directory.
extern const char kViewerSuffix[];
extern const char kUninstallerSuffix[];

// The three shortcuts: link file below the shortcut folder, target below the
// install directory, description.
struct ShortcutName {
    const char *linkSuffix;
    const char *targetSuffix;
    const char *description;
};
extern const ShortcutName kShortcuts[SHORTCUT_COUNT];

// ".bmp" from "bmp"; extension holds EXTENSION_SIZE characters.
void DottedExtension(const char *imageType, char *extension);

// The vendor key's list of WIN.INI keys is words separated by single blanks.
bool ListHasWord(const char *list, const char *word);

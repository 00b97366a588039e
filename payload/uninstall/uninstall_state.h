// Names and sizes shared by the uninstaller's files.
#pragma once
#include <windows.h>

enum {
    // The setup accepts install and shortcut folders of up to 2000 characters.
    UNINSTALL_PATH_SIZE    = 2048,
    UNINSTALL_MESSAGE_SIZE = 4 * UNINSTALL_PATH_SIZE + 1024,
    IMAGE_TYPE_COUNT       = 11
};

// Every message box of the uninstaller carries this caption.
extern const char kUninstallCaption[];

// Registry keys under HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT written by the
// setup. Both programs are 32-bit, so on 64-bit Windows both see the same
// (WOW6432Node) view without asking for it.
extern const char kUninstallKey[];
extern const char kAppPathsKey[];
extern const char kDocumentType[];
// Value beside an extension's default value in which the setup notes the
// class that the extension named before it.
extern const char kPreviousClassValue[];

// The installed program files that the shortcuts and registry name.
extern const char kViewerSuffix[];
extern const char kShortcutSuffixes[3][16];

// The image types the setup links to the viewer: WIN.INI keys; the registry
// extension keys are the same names with a leading dot.
extern const char kImageTypes[IMAGE_TYPE_COUNT][6];

// The names the setup writes into the system, as the tests expect them:
// written here once, apart from the programs' own tables, so that a name a
// program gets wrong shows up as a difference.
#pragma once
#include <windows.h>

#include <string>

// Below HKEY_LOCAL_MACHINE.
extern const char APP_PATHS_KEY[];             // the shell's App Paths, every program's
extern const char APP_PATHS_ENTRY[];           // our subkey "Velloran" of it
extern const char APP_PATHS_EXE_ENTRY[];       // and "Velloran.exe", which the shell looks up
extern const char UNINSTALL_ENTRY[];
extern const char APPLICATION_KEY[];           // Applications\Velloran.exe
extern const char VENDOR_KEY[];                // Velloran's own key with its capabilities
extern const char REGISTERED_APPLICATIONS[];
// Below HKEY_CLASSES_ROOT.
extern const char DOCUMENT_TYPE[];

enum { IMAGE_TYPE_COUNT = 11 };
// WIN.INI keys; the registry's extension keys add a dot (ExtensionKey).
extern const char *const IMAGE_TYPES[IMAGE_TYPE_COUNT];
std::string ExtensionKey(int index);
enum { SHORTCUT_FILE_COUNT = 3 };
extern const char *const SHORTCUT_FILES[SHORTCUT_FILE_COUNT];   // in the shortcut folder, each with its backslash

// The two registry views of 64-bit Windows: what 32-bit programs see (the
// setup and the uninstaller among them) and what 64-bit programs see
// (Explorer, Default Apps). On a 32-bit system both are its one view.
enum RegistryView { VIEW_32, VIEW_64, VIEW_COUNT };
extern const REGSAM VIEW_FLAGS[VIEW_COUNT];
extern const char *const VIEW_NAMES[VIEW_COUNT];

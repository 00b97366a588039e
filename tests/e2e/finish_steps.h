// Steps shared by the scenarios that go through a whole installation: the
// way from the agreement to the shortcut page, reading back what "Finish"
// leaves on the machine (registry, WIN.INI, shortcuts, the shell window), and
// putting the machine back as it was afterwards.
#pragma once
#include "harness.h"

#include <string>
#include <utility>
#include <vector>

extern const char APP_PATHS_KEY[];       // HKLM
extern const char APP_PATHS_ENTRY[];     // HKLM, our subkey of it
extern const char UNINSTALL_ENTRY[];     // HKLM
extern const char DOCUMENT_TYPE[];       // HKCR
extern const char MACHINE_CLASSES[];     // HKLM, where the setup writes the file types
extern const char APPLICATION_KEY[];     // HKLM, Applications\Velloran.exe
extern const char VENDOR_KEY[];          // HKLM, Velloran's own key with its capabilities
extern const char REGISTERED_APPLICATIONS[];   // HKLM
extern const char *const IMAGE_TYPES[];  // WIN.INI keys; the registry's extension keys add a dot
enum { IMAGE_TYPE_COUNT = 11 };

enum {
    // The copy of all 80 files lies between "Next" and the shortcut page;
    // under emulation it takes a while. A bound, not an expectation.
    INSTALL_TIMEOUT_MS = 600000
};

// ---- Files ---------------------------------------------------------------

// The shell's Start Menu: all users' where there is one, else the user's.
std::string StartMenuRoot();
bool SamePath(const std::string &a, const std::string &b);   // case-insensitive

// ---- Registry ------------------------------------------------------------

// The two registry views of 64-bit Windows: what 32-bit programs see (the
// setup and the uninstaller among them) and what 64-bit programs see
// (Explorer, Default Apps). On a 32-bit system both are its one view.
enum RegistryView { VIEW_32, VIEW_64, VIEW_COUNT };
extern const REGSAM VIEW_FLAGS[VIEW_COUNT];
extern const char *const VIEW_NAMES[VIEW_COUNT];

struct RegistryValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

// A key with its values and subkeys, sorted by name, read whole.
struct KeyState {
    bool exists = false;
    std::vector<RegistryValue> values;
    std::vector<std::pair<std::string, KeyState>> subkeys;
};

// view: 0 for this program's own, or one of VIEW_FLAGS; the same for the
// functions below that take one.
KeyState ReadKeyState(HKEY root, const std::string &path, REGSAM view = 0);
// Makes the key exactly as the state says: deleted when it did not exist.
void PutKeyState(HKEY root, const std::string &path, const KeyState &state, REGSAM view = 0);
bool SameKeyState(const KeyState &a, const KeyState &b);
std::string DescribeKeyState(const KeyState &state);

bool WriteText(HKEY root, const std::string &path, const char *name, const std::string &text);

// ---- WIN.INI -------------------------------------------------------------

// The "key=value" lines of a section, sorted.
std::vector<std::string> ProfileSection(const char *section);
void PutProfileSection(const char *section, const std::vector<std::string> &lines);
// Whether the key is present in [extensions], and its text.
bool ExtensionEntry(const char *key, std::string *text);

// ---- Shortcuts -----------------------------------------------------------

struct ShortcutInfo {
    bool loaded = false;
    std::string target;
    std::string description;
};
// Read through the shell's own link object, as Explorer reads it.
ShortcutInfo ReadShortcut(const std::string &linkPath);

// ---- Processes -----------------------------------------------------------

std::string ProcessImageName(DWORD processId);   // "explorer.exe"; empty when gone
// Processes started by the process, and by those, and so on.
std::vector<DWORD> Descendants(DWORD processId);
bool WaitForProcessGone(DWORD processId, DWORD timeoutMs);
// Ends the process if it still runs; never the one that draws the desktop.
void EndProcess(DWORD processId);

// ---- The machine as the setup finds it -------------------------------------

// Everything that an installation or its removal may touch outside the
// install folder: App Paths (whole), the uninstall entry, the document type,
// the image extension keys, the Applications, vendor and RegisteredApplications
// keys, WIN.INI [extensions] and the Start Menu tree. The keys below
// HKLM\SOFTWARE are read in both registry views.
struct MachineState {
    KeyState appPaths[VIEW_COUNT];
    KeyState uninstallEntry[VIEW_COUNT];
    KeyState documentType;
    KeyState applicationKey[VIEW_COUNT];
    KeyState vendorKey[VIEW_COUNT];
    KeyState registeredApplications[VIEW_COUNT];
    KeyState extensionKeys[IMAGE_TYPE_COUNT];
    std::vector<std::string> extensions;   // WIN.INI lines
    std::vector<std::string> startMenu;    // TreeEntries of the Start Menu
};

MachineState ReadMachineState();
// What differs, one line each; empty when nothing does.
std::vector<std::string> Differences(const MachineState &before, const MachineState &after);
// Registry and WIN.INI as they were; in the Start Menu, whatever was not
// there before is removed.
void PutMachineState(const MachineState &state);

// ---- Installing ----------------------------------------------------------

// A scenario that installs Velloran for real: the machine is read before it
// and put back after it, and so are the folders it installs into, the shell
// windows the setup opens and the processes that it or the scenario started.
class FullInstallScenario : public SetupScenario {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new folder in C:\ (below which the scenario installs), removed at the end.
    std::string MakeInstallParent(const char *stem);
    // Agreement, then the directory page browsed by double-clicks from the
    // root of C: down to the parent folder, "Next", and the copy. Returns the
    // shortcut page, or null after a reported failure; installDir_ is then
    // the parent folder + "\Velloran". Into a folder that exists already
    // (an earlier installation's), the setup's question is answered "Yes".
    HWND InstallUpToShortcutPage(const std::string &parent, bool folderExists = false);
    // Double-clicks the list entry and waits until the list shows the folder.
    void OpenListEntry(HWND page, int listId, int previewId, const std::string &entry,
                       const std::string &expectedPreview);
    HWND WaitForCopyToEnd();

    // Visible top-level windows of every process, to tell new ones apart.
    std::vector<HWND> WindowsNow();
    // A new top-level window of a shell program, or one whose caption names
    // the folder, that was not among those before; null if none came.
    HWND WaitForShellWindow(const std::vector<HWND> &before, const std::string &folderName);
    void CloseShellWindow(HWND window);

    // "Finish", then the shell window that shows the shortcut folder, kept
    // in a screenshot and closed; the closing message that follows "Finish"
    // is waited for and left open.
    void FinishAndCloseShellWindow(HWND page, const std::string &folder);
    // The success message, read, and the setup's end with exit code 0.
    void ExpectSuccessAndExit();

    // Processes the scenario started itself (viewers, uninstallers), ended
    // in TearDown with everything they started.
    void Adopt(DWORD processId) { adopted_.push_back(processId); }

    // Opens what is named, a document or a program by its file name alone,
    // as Explorer does on 64-bit Windows: ShellExecute in a 64-bit process,
    // here Wine's start.exe reached from this 32-bit program through
    // Sysnative. Returns the viewer window with the caption given, its
    // process adopted; null after a reported failure.
    HWND OpenWith64BitShell(const std::string &what, const std::string &viewerCaption);

    std::string installDir_;
    MachineState machineBefore_;
    std::vector<std::string> installParents_;
    std::vector<HWND> windowsAtStart_;
    std::vector<DWORD> adopted_;
    std::vector<DWORD> setups_;   // every setup process the scenario started
};

// Steps shared by the scenarios that go through a whole installation: the
// way from the agreement to the shortcut page, reading back what "Finish"
// leaves on the machine (registry, WIN.INI, shortcuts, the shell window), and
// putting the machine back as it was afterwards.
#pragma once
#include "expected_names.h"
#include "harness.h"
#include "install_steps.h"
#include "machine_state.h"
#include "shortcut_reader.h"

#include <string>
#include <vector>

// The installed viewer's window class.
constexpr char VIEWER_CLASS[] = "VelloranViewer";

// ---- Installing ----------------------------------------------------------

// A scenario that installs Velloran for real: the machine is read before it
// and put back after it, and so are the folders it installs into, the shell
// windows the setup opens and the processes that it or the scenario started.
class FullInstallScenario : public InstallScenario {
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

    std::vector<std::string> installParents_;
    std::vector<HWND> windowsAtStart_;
    std::vector<DWORD> adopted_;
    std::vector<DWORD> setups_;   // every setup process the scenario started
};

// Drives the real VelloranSetup.exe from outside, as a person at the screen would:
// start it, find its windows, press its buttons, type, double-click, answer
// its message boxes, and take screenshots along the way. The test program runs
// under Wine in the same wine server as the setup, so the Win32 calls below
// reach the setup's windows directly.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "setup_windows.h"
#include "win_support.h"

#include <string>
#include <vector>

enum {
    // A cold Wine start under emulation takes many seconds before the first
    // window shows; these are bounds on waiting, not expectations of speed.
    WINDOW_TIMEOUT_MS    = 90000,
    EXIT_TIMEOUT_MS      = 60000,
    // The copy of all 80 files, or a silent install or removal from start
    // to end, takes a while under emulation on a loaded machine.
    INSTALL_TIMEOUT_MS   = 600000,
    POINTER_TIMEOUT_MS   = 10000,
    MOVE_REPEAT_MS       = 1000,
    // A screenshot waits until two captures this far apart agree, so that
    // it shows the windows fully drawn; it does not wait longer than the
    // settle time.
    STILL_INTERVAL_MS    = 300,
    SCREENSHOT_SETTLE_MS = 20000,
    LIST_TEXT_SIZE       = 260
};

// ---- Paths and folders ---------------------------------------------------

// What CTest and the tools' scripts name in the environment, as Windows
// names it: VELLORAN_SETUP_EXE, the setup the build made, and
// VELLORAN_SCREENSHOTS, the screenshot folder, created on demand.
std::string SetupExePath();
std::string ScreenshotFolder();
// The folder and the folders above it that are missing; whether it is there.
bool CreateFolderTree(const std::string &path);
// A new empty folder in the parent folder, named after the stem and never
// one that exists already; an empty string when it cannot be made.
std::string MakeFolderIn(const std::string &parent, const char *stem);
// Whether the file or folder is marked for deletion at the next restart
// (MOVEFILE_DELAY_UNTIL_REBOOT), which Wine does at "wineboot -r".
bool MarkedForDeletionAtRestart(const std::string &path);
// What Windows does at a restart: "wineboot -r", waited for.
bool RestartWine();

// ---- The setup process ---------------------------------------------------

struct SetupProcess {
    HANDLE process;
    DWORD  processId;
};

// Starts the setup in the current directory given: the one the build made,
// or the copy of it named; with no arguments unless some are given.
bool StartSetup(const std::string &currentDirectory, SetupProcess *setup,
                const std::string &exe = std::string(), const std::string &arguments = std::string());
// The exit code, or STILL_ACTIVE when the process did not end in time.
DWORD WaitForExit(const SetupProcess &setup, DWORD timeoutMs);

// The setup's and the uninstaller's exit codes: Windows Installer's, as
// deployment tools read them.
enum : DWORD {
    EXIT_INSTALLED       = 0,
    EXIT_CANCELLED       = 1602,
    EXIT_FAILED          = 1603,
    EXIT_NOT_INSTALLED   = 1605,
    EXIT_ANOTHER_RUNNING = 1618,
    EXIT_REBOOT_REQUIRED = 3010
};
// Ends the setup if it still runs, and every process it started; closes the handle.
void EndSetup(SetupProcess *setup);

// ---- Windows -------------------------------------------------------------

// True once the control shows the text, within the window timeout.
bool WaitForText(HWND control, const std::string &text);
// The window with the keyboard focus in the thread that owns the window.
HWND FocusedWindow(HWND anyWindowOfThread);

// Where a single-line edit shows the character at the index, in its client
// coordinates (EM_POSFROMCHAR).
POINT EditCharPosition(HWND edit, int index);
// The edit's last character lies within its client area: a path preview
// longer than its box shows its end. A description of what the edit shows
// otherwise.
::testing::AssertionResult EditShowsItsEnd(HWND edit);

// ---- Input ---------------------------------------------------------------

bool PressButtonByText(HWND dialog, const char *text);
// A key pressed and released, delivered to the focused control of the
// window's thread, where the keyboard would deliver it.
bool PressKey(HWND window, WORD virtualKey);
// Types the text into the edit one character at a time (WM_CHAR).
bool TypeText(HWND edit, const char *text);

// ---- Combo boxes ---------------------------------------------------------
// Read through the W functions: across processes an ANSI combo box may
// answer in UTF-16 under Wine.

std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// Clicks the drop-down list open and clicks the item, as a person chooses
// it; false if the list did not open or the item did not become selected.
bool ChooseComboItem(HWND combo, int index);

// ---- List views of another process --------------------------------------
// Messages that carry a pointer to a structure need that structure inside
// the list view's own process; harness.cpp's RemoteBlock holds it there.

std::vector<std::string> ListViewItems(HWND list);
// The item's index once the list shows it, as it does only after the program
// has handled the input that refills it; -1 when it never did.
int WaitForListViewEntry(HWND list, const char *text);
// The item's icon rectangle in screen coordinates.
bool ListViewItemScreenRect(HWND list, int index, RECT *rect);
// Points at the item and clicks it once, waits out the double-click time of
// that click, then double-clicks it: real mouse input at the item's place.
bool DoubleClickListViewItem(HWND list, int index);

// ---- Mouse ---------------------------------------------------------------

// One left click at the screen point, the position carried by each event.
bool ClickAt(POINT screenPoint);

// ---- Screen --------------------------------------------------------------

// Captures until the screen stops changing; false when it did not settle in time.
bool CaptureStillScreen(ScreenPicture *picture, DWORD timeoutMs);
// Writes the picture into <screenshot folder>\\<name>.png, characters that a
// file name cannot hold replaced; the path, or empty on failure.
std::string SavePicture(const std::string &name, const ScreenPicture &picture);
// Captures the whole screen into <screenshot folder>\<name>.png; returns the
// file's path, or an empty string when it could not be written.
std::string SaveScreenshot(const std::string &name);
// The running scenario's name for a picture: <Suite>.<Test>-<label>.
std::string ScenarioShotName(const char *label);

// ---- Scenario base -------------------------------------------------------

// A program that shows folders, other than the one that draws the desktop.
bool IsShellWindowProgram(DWORD processId);

// Base of every scenario: a scratch folder of its own as the setup's current
// directory, the setup started in it, and whatever the outcome, the setup
// ended and the folder removed. A failed scenario leaves a screenshot.
class SetupScenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the setup in the scratch folder, or in the directory given.
    void StartSetupIn(const std::string &currentDirectory = std::string());
    // A top-level dialog of the setup with that caption: a page, or a
    // message box, which is a dialog too.
    HWND WaitForPage(const char *caption);
    HWND WaitForBox(const char *caption);
    // What the setup shows instead, for a failure's message: its windows'
    // captions and texts, or its exit code once it has ended.
    std::string SetupShows();
    // Screenshot named after the scenario: <Suite>.<Test>-<label>.png.
    void Screenshot(const char *label);
    // The window that opens a folder in the shell ("Finish" opens the
    // shortcut folder): a new top-level window of a shell program, or one
    // whose caption names the folder, not among those before and not the
    // setup's; null if none came.
    HWND WaitForShellWindow(const std::vector<HWND> &before, const std::string &folderName);
    // Closes it; its program ends with its last window, unless it draws the desktop.
    void CloseShellWindow(HWND window);

    SetupProcess setup_ = {};
    std::string scratch_;
    std::string exe_;   // a copy of the setup to start instead of the built one
    std::string arguments_;   // the setup's command line after its name
};

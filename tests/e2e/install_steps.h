// The way through the setup up to and through the copy page, as a person
// takes it, and what the install scenarios look at afterwards: the installed
// tree against the payload the build keeps, the temp folder, and whatever
// the setup may have registered.
#pragma once
#include "harness.h"
#include "machine_state.h"
#include "install/progress_math.h"

#include <string>
#include <vector>

// ---- What the copy page draws ---------------------------------------------

enum {
    // Rows 2 to 17 of the bar's client area are painted at 96 DPI, more
    // at a larger DPI in proportion; the line of text
    // sits at (10, 10) of the copy page's client area.
    BAR_TOP           = 2,
    BAR_BOTTOM        = 18,
    PROGRESS_LINE_X   = 10,
    PROGRESS_LINE_Y   = 10,
    BAR_BLUE          = 0x0000FF,
    BAR_BLACK         = 0x000000,
    TEXT_BLACK        = 0x000000
};

// ---- The payload ---------------------------------------------------------

int PayloadRows();
std::string CompressedName(int row);
std::string DestinationSuffix(int row);
// The first row that installs the suffix ("\\readme.wri"), -1 when none does.
int RowInstalling(const std::string &suffix);
std::vector<std::string> Subdirectories();
// The expanded payload of the row as the build keeps it, beside VelloranSetup.exe:
// generated\payload\expanded\FILE<row>.
std::string ExpandedPayloadPath(int row);
// The names of the files and folders directly in the temp directory.
std::vector<std::string> TempEntries();
// Those whose names start with the prefix, as full paths.
std::vector<std::string> TempPathsStartingWith(const char *prefix);

// Every file below the folder, subfolders included, as full paths, sorted.
std::vector<std::string> FilesBelow(const std::string &folder);

// How many rows, counted from row 0, have their destination on disk: the
// copy index the files show (a destination appears while it is expanded).
int InstalledPrefix(const std::string &installDir);

// ---- Screen --------------------------------------------------------------

// Captures the screen as it is now, without waiting for it to settle (the
// copy page never settles), into <screenshot folder>\<name>.png.
std::string SaveScreenNow(const std::string &name, ScreenPicture *picture = NULL);

// ---- The progress display -----------------------------------------------

// What a picture of the screen shows of the copy page's bar (control 214)
// and of its line of text above it.
struct CopyPageReading {
    int  fullWidth = 0;    // the bar's client width
    int  blueWidth = 0;    // blue pixels from the bar's left edge, on its middle row
    bool restIsBlackOrNumber = true;   // right of the blue: black, or the white number about the middle
    POINT oddPixelAt = {}; // the first pixel that is neither, if any
    DWORD oddPixel = 0;
    bool whiteNumber = false;   // white pixels about the middle of the bar
    RECT number = {};      // white pixels (above 200) anywhere on the bar, in its client coordinates
    int  blueTop = -1;     // the rows whose leftmost pixel is blue, -1 when none is
    int  blueBottom = -1;
    bool blueOutsideRows = false;   // blue above row 2 or below row 17
    bool lineDrawn = false;   // black text in the line above the bar
    // Pixels above the bar brighter than the page's face colour: text
    // "erased" in another colour than the page's, still to be seen.
    int  leftoverPixels = 0;
    int  lineLeft = -1;    // its leftmost black pixel, in the page's client coordinates
    int  lineTop = -1;     // its topmost black pixel
    // The rightmost pixel above the bar that is not the page's face colour
    // (-1 when none is): ink of the current line or a trace of an earlier one.
    int  inkRight = -1;
};
bool ReadCopyPage(const ScreenPicture &picture, HWND copyPage, CopyPageReading *reading);
// The width in pixels of row's progress line in the page's font (MS Sans
// Serif, 8 points, at the screen's resolution).
int ProgressLineWidth(int row);
// The bar's right edge after `advances` advances over a bar `fullWidth`
// pixels wide, by the setup's own arithmetic (its unit tests check that);
// the scenarios check that the bar on the screen follows it.
int ExpectedBarEdge(int fullWidth, int advances);

// ---- Scenario base -------------------------------------------------------

// A file in the install directory before the setup runs: a manifest name
// (an earlier installation) or a file of the user's.
struct EarlierFile {
    std::string suffix;   // below the install directory, beginning with "\"
    std::string bytes;
    DWORD attributes;
};

// A setup started in the scratch folder, taken through the agreement and the
// directory page into a folder of its own at the root of drive C:
// (C:\velloran-e2e-install-...\Velloran). Whatever the outcome, the folder,
// the setup's temporary files and everything it registered are removed.
class InstallScenario : public SetupScenario {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the setup and presses "I Agree"; the directory page follows.
    // A screenshot of the agreement page under the name given, if any. The
    // setup starts in the scratch folder unless another directory is given.
    void OpenDirectoryPage(HWND *page, const char *agreementShot = NULL,
                           const std::string &currentDirectory = std::string());
    // Double-clicks the folder entries one after the other, starting at the
    // root of C:, and waits for the preview to show where they lead.
    void BrowseTo(HWND page, const std::vector<std::string> &entries);
    // Double-clicks the list entry and waits until the list shows the folder.
    void OpenListEntry(HWND page, int listId, int previewId, const std::string &entry,
                       const std::string &expectedPreview);
    // Into the scenario's own folder: double-clicks it, keeps "Velloran".
    void BrowseToRoot(HWND page);
    // "Next"; when the install directory exists already, answers the
    // question "Yes". The copy page follows.
    void NextToCopyPage(HWND page, bool directoryExists, HWND *copyPage);
    // All of the above in turn: started, agreed, into the scenario's folder,
    // "Next". The copy page follows.
    void OpenCopyPage(bool directoryExists, HWND *copyPage);
    // The copy page as soon as it is shown: polled without pause, for the
    // scenarios that act before its first tick.
    void WaitForCopyPageAtOnce(HWND *copyPage);
    // A message box of the setup whose text begins with the text given.
    void WaitForBoxSaying(const char *textStart, HWND *box);
    // Replaces the name in the directory page's edit by the text given, key
    // by key; each key is sent, so the page has done with it on return.
    void TypeFolderName(HWND page, const std::string &name);
    // The copy error, read: the temporary file it names (From=) and the
    // destination (To=); then OK, "Setup error", OK, and exit code 1603.
    void EndWithCopyFailure(std::string *from, std::string *to);
    // Waits until at least that many rows are on disk; false if the copy
    // page went away first or nothing came in time.
    bool WaitForInstalledRows(int rows, HWND copyPage);
    // Waits for the shortcut page; fails if any other box shows up meanwhile.
    void WaitForShortcutPageWithoutQuestion(HWND *shortcutPage);
    // Cancel on the shortcut page, "Yes", then the cancelled message and the
    // end of the setup; checks that nothing was registered.
    void CancelShortcutPageAndExit(HWND shortcutPage);
    // After "Program will exit": OK, and the setup ends with exit code 1602.
    void ConfirmCancelledAndExit();

    // Writes the files into the install directory, made with its
    // subdirectories if missing; notes the attributes the files then show.
    void PlantEarlierFiles(std::vector<EarlierFile> *files);
    // Every destination of rows below `rows` holds its payload byte for
    // byte; every other destination is absent, and no other file is there.
    // Earlier files, planted before the setup, must be there as they were,
    // in place of their rows.
    void ExpectInstalledRows(int rows, const std::vector<EarlierFile> &earlier = {});
    void ExpectSubdirectories();
    // Nothing new in the temp directory but the scenarios' own folders.
    void ExpectNoTemporaryFiles();
    void ExpectNothingRegistered();
    // Files and folders in the temp directory that were not there before,
    // leaving out the scenarios' own scratch folders.
    std::vector<std::string> NewTempEntries() const;
    // The screen as it is now, named after the scenario: <Suite>.<Test>-<label>.png.
    std::string Shot(const char *label, ScreenPicture *picture = NULL);

    std::string root_;         // C:\velloran-e2e-install-...
    std::string installDir_;   // root_ + "\Velloran"
    MachineState machineBefore_;
    std::vector<std::string> tempEntriesBefore_;
};

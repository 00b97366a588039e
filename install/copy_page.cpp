#include "install/copy_page.h"

#include "install/copy_journal.h"
#include "install/install_tree.h"
#include "install/manifest.h"
#include "install/payload.h"
#include "install/payload_digest.h"
#include "install/progress.h"
#include "install/progress_math.h"
#include "install/replaced_files.h"
#include "install/temp_folder.h"
#include "pages/pages.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "common/message_tables.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"

#include <lzexpand.h>
#include <string.h>

enum {
    TEMP_PATH_SIZE        = TEMP_FILE_NAME_SIZE,
    DESTINATION_SIZE      = PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE,
    PROGRESS_LINE_SIZE    = 500,
    FAILURE_MESSAGE_SIZE  = TEMP_PATH_SIZE + DESTINATION_SIZE + 64 + KEPT_NOTE_SIZE,
    PROGRESS_LINE_X       = 10,
    PROGRESS_LINE_Y       = 10,
    COPY_TICK_AGAIN_MS    = 100
};
static_assert((int)PROGRESS_TOTAL == (int)MANIFEST_ROWS, "the bar advances once per file");

static HWND  s_copyDialog;
static HFONT s_dialogFont;
static int   s_copyIndex;
static bool  s_busy;
static bool  s_cancelRequested;
static bool  s_copyCanStart;

static char s_tempFile[TEMP_PATH_SIZE];
static char s_destination[DESTINATION_SIZE];   // where the row in work goes
static char s_failedAt[DESTINATION_SIZE];      // what the copy error names: a file, a folder or the journal
static char s_progressLine[PROGRESS_LINE_SIZE];
static char s_failureMessage[FAILURE_MESSAGE_SIZE];

static void ComposeDestination(int row, char *destination)
{
    destination[0] = '\0';
    AppendText(destination, DESTINATION_SIZE, g_installDir);
    AppendText(destination, DESTINATION_SIZE, g_destinationSuffixes[row]);
}

// Opens the journal and readies the folders; the first file follows.
static void StartCopy()
{
    s_copyIndex = 0;
    s_tempFile[0] = '\0';
    // Every change of the copy is in its journal first: without one, or in a
    // folder that others could change, the copy does not start.
    s_failedAt[0] = '\0';
    s_copyCanStart = BeginCopyJournal(g_installDir, g_installDirMade);
    if (!s_copyCanStart)
        CopyText(s_failedAt, DESTINATION_SIZE, CopyJournalName());
    else
        s_copyCanStart = PrepareInstallTree(s_failedAt, DESTINATION_SIZE);
    CreatePrivateTempDir();
}

static LRESULT OnInitCopyPage(HWND dialog, UINT, WPARAM, LPARAM)
{
    s_dialogFont  = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    s_copyDialog  = dialog;
    s_busy = false;
    s_cancelRequested = false;
    StartCopy();
    ScheduleStep(STEP_COPY_TICK, COPY_TICK_FIRST_MS);
    return TRUE;
}

// Only notes the request: the next tick asks the question, between files.
static LRESULT OnCancelRequest(HWND, WORD, WORD, LPARAM)
{
    s_cancelRequested = true;
    return TRUE;
}

// The line of a row: drawn in black, or erased. Erasing fills the line's box
// in the colour dialogs are painted in, COLOR_BTNFACE (COLOR_MENU matches it
// only on some systems and themes, not under Wine): drawing the text again in
// that colour would leave the smoothed edge pixels of its glyphs behind.
static void DrawProgressLine(HDC dc, int row, bool erase)
{
    wsprintfA(s_progressLine, "FROM: %s  TO: %s", g_compressedNames[row], g_destinationSuffixes[row]);
    int length = lstrlenA(s_progressLine);
    if (!erase) {
        // Black on the dialog's face, unless high contrast asks for its own text colour.
        SetTextColor(dc, IsHighContrastOn() ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
        TextOutA(dc, PROGRESS_LINE_X, PROGRESS_LINE_Y, s_progressLine, length);
        return;
    }
    SIZE extent = { 0, 0 };
    TEXTMETRICA metrics;
    GetTextExtentPoint32A(dc, s_progressLine, length, &extent);
    GetTextMetricsA(dc, &metrics);
    // A glyph may reach past its advance by up to about a character's width.
    RECT box = { PROGRESS_LINE_X, PROGRESS_LINE_Y, PROGRESS_LINE_X + extent.cx + metrics.tmAveCharWidth,
                 PROGRESS_LINE_Y + extent.cy };
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
}

// Names the row in work, after erasing the previous row's line.
static void ShowProgressLine()
{
    HDC dc = GetDC(s_copyDialog);
    HGDIOBJ previousFont = SelectObject(dc, s_dialogFont);
    SetBkMode(dc, TRANSPARENT);
    if (s_copyIndex == 0)
        StartProgress(GetDlgItem(s_copyDialog, IDC_COPY_PROGRESS));
    else
        DrawProgressLine(dc, s_copyIndex - 1, true);
    DrawProgressLine(dc, s_copyIndex, false);
    if (previousFont)
        SelectObject(dc, previousFont);
    ReleaseDC(s_copyDialog, dc);
}

// The rows installed before stay, but whatever they replaced goes back; the
// run's journal goes with that.
static void UndoFailedCopy()
{
    LogLine("Copy failed at: ", s_failedAt[0] ? s_failedAt : s_tempFile);
    RestoreReplacedFiles();
    RestoreInstallTreeSecurity();
    ReleaseInstallTree();
    RemovePrivateTempDir();
    EndCopyJournal();
}

static void ReportCopyFailure()
{
    StopStepTimer();
    UndoFailedCopy();
    s_failureMessage[0] = '\0';
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, "Unable to copy a file:\nFrom=");
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, s_tempFile);
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, "\nTo=");
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, s_failedAt);
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, "\nProgram will exit");
    AppendText(s_failureMessage, FAILURE_MESSAGE_SIZE, UnrestoredFilesNote());
    MessageBoxA(s_copyDialog, s_failureMessage, "Error", MB_OK | MB_ICONERROR);
    EndDialog(s_copyDialog, 0);
    ScheduleStep(STEP_ERROR, STEP_DELAY_MS);
}

// Creates the temporary file, which must not exist yet, and writes the packed
// bytes into it. The handle stays open for the expansion: the file is never
// opened by its name again, and it goes away when the handle is closed.
static HANDLE WriteTempFile(const PayloadBytes *payload)
{
    HANDLE temp = CreateTempFile(g_compressedNames[s_copyIndex]);
    if (temp == INVALID_HANDLE_VALUE)
        return temp;
    DWORD written = 0;
    if (!WriteFile(temp, payload->data, payload->size, &written, NULL) || written != payload->size
        || SetFilePointer(temp, 0, NULL, FILE_BEGIN) != 0) {
        CloseHandle(temp);
        return INVALID_HANDLE_VALUE;
    }
    return temp;
}

// Expands the temporary file into the destination, which is opened by handle:
// LZOpenFile keeps its path in a record of 128 characters, too short for a
// deep install directory. A destination cut short (a full disk) is deleted,
// so that no half-written file stays behind. A file already there is kept
// aside first, for a cancel or failure to put back. Closes the temporary file
// in every case.
static LONG ExpandTempFile(HANDLE temp)
{
    HANDLE destination = INVALID_HANDLE_VALUE;
    if (KeepReplacedFile(s_destination))
        destination = CreateFileA(s_destination, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    LONG copied = LZERROR_BADOUTHANDLE;
    if (destination != INVALID_HANDLE_VALUE) {
        INT expander = LZInit((HFILE)(INT_PTR)temp);
        if (expander >= 0) {
            copied = LZCopy(expander, (HFILE)(INT_PTR)destination);
            LZClose(expander);
            temp = INVALID_HANDLE_VALUE;
        }
        // On the disk before the journal can say the copy is through.
        if (copied >= 0 && !FlushFileBuffers(destination))
            copied = LZERROR_WRITE;
        CloseHandle(destination);
        if (copied < 0)
            DeleteFileA(s_destination);
    }
    if (temp != INVALID_HANDLE_VALUE)
        CloseHandle(temp);
    return copied;
}

// Installs the row at the copy index. False, with the row's destination (if
// it got so far) as what failed, when it could not be installed.
static bool CopyOneFile()
{
    s_tempFile[0] = '\0';
    s_destination[0] = '\0';
    ComposeTempFileName(g_compressedNames[s_copyIndex], s_tempFile, TEMP_PATH_SIZE);

    PayloadBytes payload;
    HANDLE temp = INVALID_HANDLE_VALUE;
    if (!LookUpPayload(s_copyIndex, &payload) || (temp = WriteTempFile(&payload)) == INVALID_HANDLE_VALUE)
        return false;
    ComposeDestination(s_copyIndex, s_destination);
    LONG size = ExpandTempFile(temp);
    bool expanded = size >= 0;
    // A damaged payload may still expand: the file is checked against the
    // build's digest, and one that differs is not left installed.
    if (expanded && !MatchesPayloadDigest(s_copyIndex, s_destination)) {
        DeleteFileA(s_destination);
        expanded = false;
    }
    if (!expanded) {
        CopyText(s_failedAt, DESTINATION_SIZE, s_destination);
        return false;
    }
    LogFileWritten(s_destination, (DWORD)size);
    ++s_copyIndex;
    return true;
}

// Removes what this run installed, newest first, going on past a file that
// cannot be deleted, and puts back what it replaced. The directories stay.
static void RemoveInstalledFiles()
{
    char destination[DESTINATION_SIZE];
    for (int row = s_copyIndex - 1; row >= 0; --row) {
        ComposeDestination(row, destination);
        if (DeleteFileA(destination))
            LogLine("Undo: file removed: ", destination);
    }
    RestoreReplacedFiles();
}

static void AskToCancel()
{
    if (ConfirmCancel(s_copyDialog, "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
                      "Question")) {
        RemoveInstalledFiles();
        RestoreInstallTreeSecurity();
        ReleaseInstallTree();
        RemovePrivateTempDir();
        EndCopyJournal();
        EndDialog(s_copyDialog, 0);
        ScheduleStep(STEP_CANCELLED, STEP_DELAY_MS);
        return;
    }
    ScheduleStep(STEP_COPY_TICK, COPY_TICK_AGAIN_MS);
    s_cancelRequested = false;
}

static void FinishCopy()
{
    // Once the journal says the copy is through, a run stopped from here on
    // keeps its new files, and the next start deletes the kept ones. Without
    // that entry the kept files stay where they are: nothing is lost.
    if (JournalCopyDone())
        DiscardKeptFiles();
    ReleaseInstallTree();
    RemovePrivateTempDir();
    EndCopyJournal();
}

static void CompleteCopy()
{
    ReleaseProgress();
    StopStepTimer();
    FinishCopy();
    EndDialog(s_copyDialog, 0);
    ShowShortcutPage(g_mainWindow);
}

bool CopyWithoutPage()
{
    StartCopy();
    bool copied = s_copyCanStart;
    while (copied && s_copyIndex < MANIFEST_ROWS)
        copied = CopyOneFile();
    if (!copied) {
        UndoFailedCopy();
        return false;
    }
    FinishCopy();
    return true;
}

void RunCopyTick()
{
    // A tick that arrives while another one works (through a nested message
    // loop) does nothing.
    if (s_busy || s_cancelRequested) {
        if (s_cancelRequested)
            AskToCancel();
        return;
    }
    if (!s_copyCanStart) {
        ReportCopyFailure();
        return;
    }
    if (s_copyIndex >= MANIFEST_ROWS) {
        CompleteCopy();
        return;
    }
    s_busy = true;
    ShowProgressLine();
    AdvanceProgress();
    if (!CopyOneFile())
        ReportCopyFailure();
    s_busy = false;
}

static const CommandEntry kCopyCommands[] = {
    { IDCANCEL, OnCancelRequest },
};
static const CommandTable kCopyCommandTable = { ARRAYSIZE(kCopyCommands), kCopyCommands, DEFAULT_NONE };

static LRESULT OnCopyCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kCopyCommandTable, dialog, wParam, lParam);
}

static const MessageEntry kCopyMessages[] = {
    { WM_COMMAND,    OnCopyCommand  },
    { WM_INITDIALOG, OnInitCopyPage },
};
static const MessageTable kCopyMessageTable = { ARRAYSIZE(kCopyMessages), kCopyMessages, DEFAULT_NONE };

static INT_PTR CALLBACK CopyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kCopyMessageTable, dialog, message, wParam, lParam);
}

int ShowCopyPage(HWND owner)
{
    DialogBoxParamA(g_instance, "IDD_COPY", owner, CopyDialogProc, 0);
    return 0;
}

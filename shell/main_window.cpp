#include "shell/main_window.h"

#include "install/copy_page.h"
#include "install/replaced_files.h"
#include "install/earlier_runs.h"
#include "pages/pages.h"
#include "resources/resource.h"
#include "shell/backdrop.h"
#include "common/message_tables.h"
#include "shell/setup_state.h"
#include "common/exit_codes.h"
#include "common/text.h"

#include <string.h>

static const char SUPPORT_ADDRESS[] = "support@velloran.example.com";

// Set by the closing step. A window destroyed without one did not install.
static int s_exitCode = EXIT_FAILED;

void ScheduleStep(UINT step, UINT delayMs)
{
    g_stepTimer = SetTimer(g_mainWindow, step, delayMs, NULL);
}

void StopStepTimer()
{
    KillTimer(g_mainWindow, g_stepTimer);
}

bool ConfirmCancel(HWND page, const char *question, const char *caption)
{
    StopStepTimer();
    return MessageBoxA(page, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CutDriveRoot(char *directory)
{
    if (strlen(directory) < 4)
        directory[2] = '\0';
}

// Reads the directory the setup was started in. One that cannot be read, or
// that does not fit its buffer, leaves the start directory empty.
static void ReadStartDirectory()
{
    DWORD length = GetCurrentDirectoryA(START_DIR_SIZE, g_startDir);
    if (length == 0 || length >= START_DIR_SIZE) {
        g_startDir[0] = '\0';
        MessageBoxA(g_mainWindow, "Can't get current directory", NULL, MB_OK | MB_ICONERROR);
        return;
    }
    CutDriveRoot(g_startDir);
}

// Takes the whole screen, loads the backdrop and schedules the first page.
static LRESULT OnCreate(HWND window, UINT, WPARAM, LPARAM)
{
    HDC dc = GetDC(window);
    g_screenWidth  = GetDeviceCaps(dc, HORZRES);
    g_screenHeight = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(window, dc);
    SetWindowPos(window, HWND_TOP, 0, 0, g_screenWidth, g_screenHeight, SWP_NOACTIVATE);

    ReadStartDirectory();
    LoadBackdrop();

    g_stepTimer = SetTimer(window, STEP_AGREEMENT, STEP_DELAY_MS, NULL);
    return 0;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM)
{
    PostQuitMessage(s_exitCode);
    return 0;
}

// Before the first page, and before this run changes anything: what earlier
// runs that were stopped half way left behind.
static void ShowAgreementStep()
{
    RecoverFromEarlierRuns(g_mainWindow);
    ShowAgreementPage(g_mainWindow);
}

static void ShowDirectoryStep() { ShowDirectoryPage(g_mainWindow); }
static void ShowCopyStep()      { ShowCopyPage(g_mainWindow); }

// The message, then the end of the setup with the exit code that tells a
// script or deployment tool the same.
static void EndSetup(const char *text, const char *caption, UINT style, int exitCode)
{
    s_exitCode = exitCode;
    MessageBoxA(g_mainWindow, text, caption, style);
    DestroyWindow(g_mainWindow);
}

static void ShowSuccess()
{
    EndSetup("Velloran was successfully installed", "Setup", MB_OK | MB_ICONINFORMATION, EXIT_DONE);
}

static void ShowError()
{
    char text[256];
    wsprintfA(text, "An error was ocured.\nYou can send me an email on: %s"
                    "\nwith your error message for a instruction how to setup this progam",
              SUPPORT_ADDRESS);
    EndSetup(text, "Setup error", MB_OK | MB_ICONEXCLAMATION, EXIT_FAILED);
}

// A cancelled copy names here the earlier files it could not put back.
static void ShowCancelled()
{
    static char text[32 + KEPT_NOTE_SIZE];
    CopyText(text, sizeof(text), "Program will exit");
    AppendText(text, sizeof(text), UnrestoredFilesNote());
    EndSetup(text, "Setup canceled", MB_OK | MB_ICONEXCLAMATION, EXIT_CANCELLED);
}

struct StepEntry {
    UINT_PTR step;
    void   (*run)();
};

// Every step but the copy tick is a one-shot: the runner kills the timer first.
static const StepEntry kSteps[] = {
    { STEP_AGREEMENT, ShowAgreementStep },
    { STEP_DIRECTORY, ShowDirectoryStep },
    { STEP_COPY_PAGE, ShowCopyStep      },
    { STEP_COPY_TICK, RunCopyTick       },
    { STEP_SUCCESS,   ShowSuccess       },
    { STEP_ERROR,     ShowError         },
    { STEP_CANCELLED, ShowCancelled     },
};

// The step runner.
static LRESULT OnTimer(HWND, UINT, WPARAM timerId, LPARAM)
{
    for (size_t row = 0; row < ARRAYSIZE(kSteps); ++row) {
        if (kSteps[row].step != timerId)
            continue;
        if (timerId != STEP_COPY_TICK)
            StopStepTimer();
        kSteps[row].run();
        break;
    }
    return 0;
}

// Command 300 ends the setup without a message, as a cancel; nothing inside
// sends it.
static LRESULT OnQuitSetup(HWND window, WORD, WORD, LPARAM)
{
    s_exitCode = EXIT_CANCELLED;
    DestroyWindow(window);
    return 0;
}

static const CommandEntry kMainCommands[] = {
    { IDM_QUIT_SETUP, OnQuitSetup },
};
static const CommandTable kMainCommandTable = { ARRAYSIZE(kMainCommands), kMainCommands, DEFAULT_WINDOWPROC };

static LRESULT OnCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kMainCommandTable, window, wParam, lParam);
}

static const MessageEntry kMainMessages[] = {
    { WM_CREATE,  OnCreate       },
    { WM_COMMAND, OnCommand      },
    { WM_DESTROY, OnDestroy      },
    { WM_TIMER,   OnTimer        },
    { WM_PAINT,   OnPaintBackdrop },
};
static const MessageTable kMainMessageTable = { ARRAYSIZE(kMainMessages), kMainMessages, DEFAULT_WINDOWPROC };

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kMainMessageTable, window, message, wParam, lParam);
}

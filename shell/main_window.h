// The full-screen main window and the step sequence it runs. The one timer on
// the main window, the step timer, names by its id the step that runs next.
#pragma once
#include <windows.h>

enum SetupStep {
    STEP_AGREEMENT  = 500,
    STEP_DIRECTORY  = 501,
    STEP_COPY_PAGE  = 502,
    STEP_COPY_TICK  = 503,
    STEP_SUCCESS    = 504,
    STEP_ERROR      = 505,
    STEP_CANCELLED  = 506
};

enum {
    STEP_DELAY_MS      = 100,
    COPY_TICK_FIRST_MS = 50
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the step timer on the main window and remembers it.
void ScheduleStep(UINT step, UINT delayMs);
void StopStepTimer();
// Every "Cancel" asks first, with the step timer stopped so that no step runs
// under the question; true when the answer is "Yes".
bool ConfirmCancel(HWND page, const char *question, const char *caption);

// A drive root "D:\" is kept as "D:"; longer paths stay as they are.
void CutDriveRoot(char *directory);

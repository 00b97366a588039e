// The licence agreement: "I Agree" leads on to the directory page.
#include "pages/pages.h"

#include "resources/resource.h"
#include "shell/main_window.h"
#include "common/message_tables.h"
#include "shell/setup_state.h"

enum { LICENCE_BUFFER_SIZE = 5000 };

static HWND s_licenceEdit;

static LRESULT OnInitAgreement(HWND page, UINT, WPARAM, LPARAM)
{
    static char licence[LICENCE_BUFFER_SIZE];
    s_licenceEdit = GetDlgItem(page, IDC_LICENCE_TEXT);
    LoadStringA(g_instance, IDS_LICENCE, licence, LICENCE_BUFFER_SIZE);
    SendMessageA(s_licenceEdit, WM_SETTEXT, 0, (LPARAM)licence);
    return TRUE;   // focus to the first tab stop, "I Agree"
}

// One handler for both buttons, told apart by the control id.
static LRESULT OnAgreeOrCancel(HWND page, WORD controlId, WORD, LPARAM)
{
    if (controlId == IDOK) {
        EndDialog(page, 0);
        ScheduleStep(STEP_DIRECTORY, STEP_DELAY_MS);
    } else if (controlId == IDCANCEL && ConfirmCancel(page, "Are you sure you want to cancel the setup?", "Question")) {
        EndDialog(page, 0);
        ScheduleStep(STEP_CANCELLED, STEP_DELAY_MS);
    }
    return TRUE;
}

static const CommandEntry kAgreementCommands[] = {
    { IDOK,     OnAgreeOrCancel },
    { IDCANCEL, OnAgreeOrCancel },
};
static const CommandTable kAgreementCommandTable = { ARRAYSIZE(kAgreementCommands), kAgreementCommands, DEFAULT_NONE };

static LRESULT OnAgreementCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kAgreementCommandTable, page, wParam, lParam);
}

static const MessageEntry kAgreementMessages[] = {
    { WM_COMMAND,    OnAgreementCommand },
    { WM_INITDIALOG, OnInitAgreement    },
};
static const MessageTable kAgreementMessageTable = { ARRAYSIZE(kAgreementMessages), kAgreementMessages, DEFAULT_NONE };

static INT_PTR CALLBACK AgreementDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kAgreementMessageTable, page, message, wParam, lParam);
}

int ShowAgreementPage(HWND owner)
{
    DialogBoxParamA(g_instance, "IDD_AGREEMENT", owner, AgreementDialogProc, 0);
    return 0;
}

// The destination directory page: the user names the folder to create and
// browses to the place where it is to be made.
#include "pages/pages.h"

#include "common/path_join.h"
#include "pages/drive_table.h"
#include "pages/folder_list.h"
#include "pages/folder_name.h"
#include "pages/page_picture.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "common/message_tables.h"
#include "shell/command_line.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"

#include <string.h>

static char       s_browsePath[PATH_BUFFER_SIZE];
static DriveTable s_drives;
static int        s_selectedDrive;
static bool       s_editGuard;
static HWND       s_folderList;
static HWND       s_pictureFrame;

static void UpperCase(char *text)
{
    CharUpperA(text);
}

// Lists the drives and preselects the one of the folder the command line
// named, else the one the setup was started from.
static void FillDriveBox(HWND page)
{
    ReadDriveTable(&s_drives);
    UpperCase(g_startDir);
    // A named folder begins with its drive letter: the command line was checked.
    char drive = g_chosenInstallDir[0] ? (char)(g_chosenInstallDir[0] & ~0x20) : g_startDir[0];
    HWND driveBox = GetDlgItem(page, IDC_DIR_DRIVES);
    s_selectedDrive = 0;
    for (int row = 0; row < s_drives.count; ++row) {
        if (s_drives.rows[row][0] == '\0')
            continue;
        if (s_drives.rows[row][0] == drive)
            s_selectedDrive = row;
        SendMessageA(driveBox, CB_ADDSTRING, 0, (LPARAM)s_drives.rows[row]);
    }
    SendMessageA(driveBox, CB_SETCURSEL, s_selectedDrive, 0);
    s_browsePath[0] = '\0';
    if (s_drives.count > 0)
        CopyText(s_browsePath, PATH_BUFFER_SIZE, s_drives.rows[s_selectedDrive]);
    // Browsed to the named folder's parent, on its drive.
    int parentLength = ParentLength(g_chosenInstallDir);
    if (g_chosenInstallDir[0] && s_browsePath[0] == drive && parentLength > DRIVE_ROOT_LENGTH) {
        lstrcpynA(s_browsePath, g_chosenInstallDir, parentLength + 1);
        s_browsePath[0] = drive;
    }
}

static LRESULT OnInitDirectoryPage(HWND page, UINT, WPARAM, LPARAM)
{
    // A stand-in that setting edit 207 below replaces: should the edit's text
    // not become the name, the page shows "Corvane" instead of hiding it.
    CopyText(g_newFolderName, FOLDER_NAME_SIZE, "Corvane");
    s_folderList = GetDlgItem(page, IDC_DIR_FOLDER_LIST);
    s_pictureFrame = GetDlgItem(page, IDC_DIR_PICTURE_FRAME);

    FillDriveBox(page);
    LoadPagePicture(s_pictureFrame);
    AttachFolderImages(s_folderList);
    FillFolderList(page, s_folderList, s_browsePath, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH);

    // Setting the edit makes "Velloran" the new folder name; the list is
    // filled once more so that its last entry and the preview show it too.
    SetDlgItemTextA(page, IDC_DIR_FOLDER_NAME,
                    g_chosenInstallDir[0] ? LastFolderName(g_chosenInstallDir) : "Velloran");
    FillFolderList(page, s_folderList, s_browsePath, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH);

    // The labels come before their controls, so the first tab stop is the
    // name edit; the page still opens with "Next" focused.
    SetFocus(GetDlgItem(page, IDOK));
    return FALSE;
}

static LRESULT OnPaintDirectoryPage(HWND page, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    POINT frameOrigin = { 0, 0 };
    MapWindowPoints(s_pictureFrame, page, &frameOrigin, 1);
    DrawPagePicture(dc, 10, 10, frameOrigin);
    EndPaint(page, &paint);
    return 0;
}

static LRESULT OnDirectoryNotify(HWND page, UINT, WPARAM, LPARAM lParam)
{
    return OnFolderListNotify(page, (const NMHDR *)lParam, s_folderList, s_browsePath, FOLDER_MODE_DIRECTORY,
                              DRIVE_ROOT_LENGTH);
}

// Follows the name edit; a 100th character is refused and the last accepted
// name put back.
static LRESULT OnFolderNameChanged(HWND page, WORD, WORD notifyCode, LPARAM)
{
    if (notifyCode != EN_UPDATE || s_editGuard)
        return TRUE;
    char text[FOLDER_NAME_SIZE + 1];
    GetDlgItemTextA(page, IDC_DIR_FOLDER_NAME, text, sizeof(text));
    if (strlen(text) < FOLDER_NAME_SIZE) {
        CopyText(g_newFolderName, FOLDER_NAME_SIZE, text);
    } else {
        s_editGuard = true;
        SetDlgItemTextA(page, IDC_DIR_FOLDER_NAME, g_newFolderName);
        MessageBeep((UINT)-1);
        s_editGuard = false;
    }
    return TRUE;
}

// A new drive starts the browser at its root, even the same drive again.
static LRESULT OnDriveSelected(HWND page, WORD, WORD notifyCode, LPARAM lParam)
{
    if (notifyCode != CBN_SELENDOK)
        return 0;
    int selection = (int)SendMessageA((HWND)lParam, CB_GETCURSEL, 0, 0);
    if (selection < 0 || selection >= s_drives.count)
        return 0;
    s_selectedDrive = selection;
    UpperCase(s_drives.rows[selection]);
    CopyText(s_browsePath, PATH_BUFFER_SIZE, s_drives.rows[selection]);
    FillFolderList(page, s_folderList, s_browsePath, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH);
    return 0;
}

static void OnNext(HWND page)
{
    SendDlgItemMessageA(page, IDC_DIR_FOLDER_NAME, WM_GETTEXT, FOLDER_NAME_SIZE, (LPARAM)g_newFolderName);
    if (g_newFolderName[0] == '\0') {
        MessageBoxA(page, "You forget to select a directory", "Warning", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(page, IDC_DIR_FOLDER_NAME));
        return;
    }
    // Windows would make another folder than the one named, or none ("." and
    // ".." name folders that exist, and the question that follows a failed
    // creation would install into them): refused before anything is made.
    if (IsUnusableFolderName(g_newFolderName)) {
        char warning[FOLDER_NAME_SIZE + 200] = "Windows can't make a folder named \"";
        AppendText(warning, sizeof(warning), g_newFolderName);
        AppendText(warning, sizeof(warning), "\" as it is typed.\n\nA folder name may not end in a dot or a "
                                             "space, nor be a device name such as CON, NUL, COM1 or LPT1.");
        MessageBoxA(page, warning, "Warning", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(page, IDC_DIR_FOLDER_NAME));
        return;
    }

    // The browse path is kept short enough for a backslash and any name.
    JoinPath(g_installDir, PATH_BUFFER_SIZE, s_browsePath, g_newFolderName);
    EndDialog(page, 0);

    g_installDirMade = CreateDirectoryA(g_installDir, &g_dirSecurity) != FALSE;
    if (g_installDirMade)
        LogLine("Folder made: ", g_installDir);
    if (!g_installDirMade
        && MessageBoxA(page, "Directory allready exsist or disk isn't writeable.\n"
                             "Continue with installation anyway",
                       NULL, MB_YESNO | MB_ICONQUESTION) == IDNO) {
        ScheduleStep(STEP_CANCELLED, STEP_DELAY_MS);
        return;
    }
    ScheduleStep(STEP_COPY_PAGE, STEP_DELAY_MS);
}

static void OnCancel(HWND page)
{
    if (ConfirmCancel(page, "Are you sure you want to cancel the setup?", "Question")) {
        EndDialog(page, 0);
        ScheduleStep(STEP_CANCELLED, STEP_DELAY_MS);
    }
}

static LRESULT OnNextOrCancel(HWND page, WORD controlId, WORD, LPARAM)
{
    if (controlId == IDOK &&
        OpenFolderByEnter(page, s_folderList, s_browsePath, FOLDER_MODE_DIRECTORY, DRIVE_ROOT_LENGTH))
        return TRUE;
    if (controlId == IDOK)
        OnNext(page);
    else
        OnCancel(page);
    return TRUE;
}

static const CommandEntry kDirectoryCommands[] = {
    { IDOK,                OnNextOrCancel      },
    { IDCANCEL,            OnNextOrCancel      },
    { IDC_DIR_FOLDER_NAME, OnFolderNameChanged },
    { IDC_DIR_DRIVES,      OnDriveSelected     },
};
static const CommandTable kDirectoryCommandTable = { ARRAYSIZE(kDirectoryCommands), kDirectoryCommands, DEFAULT_NONE };

static LRESULT OnDirectoryCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kDirectoryCommandTable, page, wParam, lParam);
}

static const MessageEntry kDirectoryMessages[] = {
    { WM_COMMAND,    OnDirectoryCommand   },
    { WM_INITDIALOG, OnInitDirectoryPage  },
    { WM_PAINT,      OnPaintDirectoryPage },
    { WM_NOTIFY,     OnDirectoryNotify    },
};
static const MessageTable kDirectoryMessageTable = { ARRAYSIZE(kDirectoryMessages), kDirectoryMessages, DEFAULT_NONE };

static INT_PTR CALLBACK DirectoryDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kDirectoryMessageTable, page, message, wParam, lParam);
}

int ShowDirectoryPage(HWND owner)
{
    DialogBoxParamA(g_instance, "IDD_DIR", owner, DirectoryDialogProc, 0);
    return 0;
}

// The shortcut page: where below the Start Menu the shortcut folder goes, and
// whether the image types are to open with Velloran. "Finish" records it all.
#include "pages/pages.h"

#include "common/install_names.h"
#include "common/path_join.h"
#include "pages/folder_list.h"
#include "pages/page_picture.h"
#include "register/registration.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "common/message_tables.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"

#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

static HWND s_pictureFrame;
static HWND s_folderList;
static bool s_registerTypes;
static int  s_startMenuRootLength;

// Each Start Menu the shell may name, with the Programs folder inside it:
// Windows 8 and later list only the shortcuts below a Programs folder.
struct StartMenuFolders {
    int startMenu;
    int programs;
};

static const StartMenuFolders kStartMenus[] = {
    { CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS },
    { CSIDL_STARTMENU,        CSIDL_PROGRAMS        },
};

static bool IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The Programs folder when it is a folder below the Start Menu: the browse
// starts there, and the up entry leads back to the Start Menu.
static void EnterPrograms(char *folder, const char *programs)
{
    size_t rootLength = strlen(folder);
    if (strlen(programs) > rootLength + 1 && programs[rootLength] == '\\' &&
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, programs, (int)rootLength, folder,
                       (int)rootLength) == CSTR_EQUAL &&
        IsFolder(programs))
        CopyText(folder, PATH_BUFFER_SIZE, programs);
}

// The shell's Start Menu: the all-users one where the system has it, else the
// user's. Only the oldest Windows keep it in the Windows directory. The
// Start Menu is the root of the browse; its length is returned.
static int FindStartMenu(char *folder)
{
    char found[MAX_PATH], programs[MAX_PATH];
    for (size_t i = 0; i < ARRAYSIZE(kStartMenus); ++i) {
        if (FAILED(SHGetFolderPathA(NULL, kStartMenus[i].startMenu, NULL, SHGFP_TYPE_CURRENT, found)))
            continue;
        CopyText(folder, PATH_BUFFER_SIZE, found);
        int rootLength = (int)strlen(folder);
        if (SUCCEEDED(SHGetFolderPathA(NULL, kStartMenus[i].programs, NULL, SHGFP_TYPE_CURRENT, programs)))
            EnterPrograms(folder, programs);
        return rootLength;
    }
    GetWindowsDirectoryA(folder, PATH_BUFFER_SIZE);
    JoinPath(folder, PATH_BUFFER_SIZE, folder, "Start Menu");
    int rootLength = (int)strlen(folder);
    char oldPrograms[PATH_BUFFER_SIZE];
    if (JoinPath(oldPrograms, sizeof oldPrograms, folder, "Programs"))
        EnterPrograms(folder, oldPrograms);
    return rootLength;
}

static LRESULT OnInitShortcutPage(HWND page, UINT, WPARAM, LPARAM)
{
    s_pictureFrame = GetDlgItem(page, IDC_SC_PICTURE_FRAME);
    s_folderList   = GetDlgItem(page, IDC_SC_FOLDER_LIST);

    s_startMenuRootLength = FindStartMenu(g_shortcutFolder);
    SetDlgItemTextA(page, IDC_SC_PREVIEW, g_shortcutFolder);

    LoadPagePicture(s_pictureFrame);
    AttachFolderImages(s_folderList);
    FillFolderList(page, s_folderList, g_shortcutFolder, FOLDER_MODE_START_MENU, s_startMenuRootLength);
    CheckDlgButton(page, IDC_SC_REGISTER_TYPES, g_leaveImageTypes ? BST_UNCHECKED : BST_CHECKED);

    // The first tab stop is the check box; the page still opens with
    // "Finish" focused.
    SetFocus(GetDlgItem(page, IDOK));
    return FALSE;
}

// The picture goes into the frame control's own window.
static LRESULT OnPaintShortcutPage(HWND, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(s_pictureFrame, &paint);
    POINT frameOrigin = { 0, 0 };
    DrawPagePicture(dc, 1, 1, frameOrigin);
    EndPaint(s_pictureFrame, &paint);
    return 0;
}

static LRESULT OnShortcutNotify(HWND page, UINT, WPARAM, LPARAM lParam)
{
    return OnFolderListNotify(page, (const NMHDR *)lParam, s_folderList, g_shortcutFolder, FOLDER_MODE_START_MENU,
                              s_startMenuRootLength);
}

// A link whose path does not fit is not written, rather than written under
// a cut name.
static void WriteShortcuts()
{
    for (int i = 0; i < SHORTCUT_COUNT; ++i) {
        char linkPath[PATH_BUFFER_SIZE], targetPath[PATH_BUFFER_SIZE];
        if (JoinPath(linkPath, PATH_BUFFER_SIZE, g_shortcutFolder, kShortcuts[i].linkSuffix) &&
            JoinPath(targetPath, PATH_BUFFER_SIZE, g_installDir, kShortcuts[i].targetSuffix) &&
            SUCCEEDED(CreateShellLink(targetPath, linkPath, kShortcuts[i].description)))
            LogLine("Shortcut: ", linkPath, " -> ", targetPath);
    }
}

void ComposeDefaultShortcutFolder()
{
    FindStartMenu(g_shortcutFolder);
    if (!JoinPath(g_shortcutFolder, PATH_BUFFER_SIZE, g_shortcutFolder, g_newFolderName))
        g_shortcutFolder[0] = '\0';
}

void RecordInstallation(bool registerTypes)
{
    if (registerTypes)
        RegisterImageTypes();
    RegisterApplication();
    if (CreateDirectoryA(g_shortcutFolder, &g_dirSecurity))
        LogLine("Folder made: ", g_shortcutFolder);
    WriteShortcuts();
}

static void OnFinish(HWND page)
{
    EndDialog(page, 0);
    // The preview is the folder the user saw; it is read whole, whatever its length.
    GetDlgItemTextA(page, IDC_SC_PREVIEW, g_shortcutFolder, PATH_BUFFER_SIZE);
    RecordInstallation(s_registerTypes);
    ShellExecuteA(g_mainWindow, NULL, g_shortcutFolder, NULL, NULL, SW_SHOWNA);
    ScheduleStep(STEP_SUCCESS, STEP_DELAY_MS);
}

static void OnCancel(HWND page)
{
    if (ConfirmCancel(page, "Cancel creating the shortcuts?", "Confirmation")) {
        EndDialog(page, 0);
        ScheduleStep(STEP_CANCELLED, STEP_DELAY_MS);
    }
}

static LRESULT OnFinishOrCancel(HWND page, WORD controlId, WORD, LPARAM)
{
    if (controlId == IDOK &&
        OpenFolderByEnter(page, s_folderList, g_shortcutFolder, FOLDER_MODE_START_MENU, s_startMenuRootLength))
        return TRUE;
    s_registerTypes = IsDlgButtonChecked(page, IDC_SC_REGISTER_TYPES) != BST_UNCHECKED;
    if (controlId == IDOK)
        OnFinish(page);
    else
        OnCancel(page);
    return TRUE;
}

static const CommandEntry kShortcutCommands[] = {
    { IDOK,     OnFinishOrCancel },
    { IDCANCEL, OnFinishOrCancel },
};
static const CommandTable kShortcutCommandTable = { ARRAYSIZE(kShortcutCommands), kShortcutCommands, DEFAULT_NONE };

static LRESULT OnShortcutCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kShortcutCommandTable, page, wParam, lParam);
}

static const MessageEntry kShortcutMessages[] = {
    { WM_COMMAND,    OnShortcutCommand   },
    { WM_INITDIALOG, OnInitShortcutPage  },
    { WM_PAINT,      OnPaintShortcutPage },
    { WM_NOTIFY,     OnShortcutNotify    },
};
static const MessageTable kShortcutMessageTable = { ARRAYSIZE(kShortcutMessages), kShortcutMessages, DEFAULT_NONE };

static INT_PTR CALLBACK ShortcutDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kShortcutMessageTable, page, message, wParam, lParam);
}

int ShowShortcutPage(HWND owner)
{
    DialogBoxParamA(g_instance, "IDD_SHORTCUT", owner, ShortcutDialogProc, 0);
    return 0;
}

#include "pages/folder_list.h"

#include "common/path_join.h"
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/setup_state.h"
#include "common/text.h"

#include <string.h>

static const char UP_ENTRY_TEXT[] = "........";

enum { ENTRY_TEXT_SIZE = 256 };

static int  s_folderImage;
static int  s_upImage;
static int  s_newFolderImage;
static char s_pathPreview[PATH_BUFFER_SIZE];

// The icon files hold the images drawn for 16, 20, 24 and 32 pixels; the
// one of the list's size is taken rather than one stretched to it.
static int AddFolderImage(HIMAGELIST images, WORD id, int size)
{
    HICON icon = (HICON)LoadImageA(g_instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
    int index = ReplaceImageListIcon(images, -1, icon);
    if (icon)
        DestroyIcon(icon);
    return index;
}

// Small icons of 16 pixels at the standard 96 DPI, growing with the DPI.
void AttachFolderImages(HWND list)
{
    HDC dc = GetDC(list);
    int size = MulDiv(16, GetDeviceCaps(dc, LOGPIXELSY), 96);
    ReleaseDC(list, dc);
    HIMAGELIST images = CreateImageList(size, size, ILC_MASK, 3, 0);
    s_folderImage    = AddFolderImage(images, IDI_FOLDER, size);
    s_upImage        = AddFolderImage(images, IDI_FOLDER_UP, size);
    s_newFolderImage = AddFolderImage(images, IDI_FOLDER_NEW, size);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
}

LRESULT AddFolderEntry(HWND list, const char *text, int position, int image, int kind)
{
    LVITEMA item = {};
    item.mask       = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem      = position;
    item.pszText    = (LPSTR)text;
    item.cchTextMax = ENTRY_TEXT_SIZE - 1;
    item.iImage     = image;
    item.lParam     = MAKELPARAM(kind, position);
    return SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

// A path longer than the edit is scrolled to its end: the folder the setup
// will make is the part that matters. The caret goes there and nothing is
// selected, so the whole path can still be selected and copied.
static void ShowPathPreview(HWND preview, const char *text)
{
    SetWindowTextA(preview, text);
    int length = GetWindowTextLengthA(preview);
    SendMessageA(preview, EM_SETSEL, length, length);
    SendMessageA(preview, EM_SCROLLCARET, 0, 0);
}

static bool IsListedFolder(const WIN32_FIND_DATAA *found)
{
    return (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found->cFileName[0] != '.';
}

void FillFolderList(HWND dialog, HWND list, char *browsePath, int mode, int rootLength)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    int count = 0;
    size_t length = strlen(browsePath);

    // At a drive root the path already ends in its backslash.
    bool below = (int)length > rootLength;
    const char *pattern = (below || mode == FOLDER_MODE_START_MENU) ? "\\*.*" : "*.*";
    if (below)
        AddFolderEntry(list, UP_ENTRY_TEXT, count++, s_upImage, ENTRY_UP);

    if (AppendText(browsePath, PATH_BUFFER_SIZE, pattern)) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(browsePath, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (IsListedFolder(&found))
                    AddFolderEntry(list, found.cFileName, count++, s_folderImage, ENTRY_FOLDER);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        browsePath[length] = '\0';
    }

    AddFolderEntry(list, g_newFolderName, count, s_newFolderImage, ENTRY_NEW_FOLDER);

    s_pathPreview[0] = '\0';
    JoinPath(s_pathPreview, PATH_BUFFER_SIZE, browsePath, g_newFolderName);
    ShowPathPreview(GetDlgItem(dialog, mode == FOLDER_MODE_DIRECTORY ? IDC_DIR_PREVIEW : IDC_SC_PREVIEW),
                    s_pathPreview);
}

// Ends the path at its last backslash; in directory mode a drive root keeps
// its own backslash ("D:\GAMES" becomes "D:\").
static void GoUp(char *browsePath, int mode)
{
    char *slash = strrchr(browsePath, '\\');
    if (!slash)
        return;
    if (mode == FOLDER_MODE_DIRECTORY && slash - browsePath < DRIVE_ROOT_LENGTH)
        slash[1] = '\0';
    else
        slash[0] = '\0';
}

// Appends one folder name (a drive root has its backslash already); a path
// that would grow past the limit is refused with a beep and stays as it was.
static void GoDown(char *browsePath, const char *name)
{
    if (!JoinPath(browsePath, BROWSE_PATH_LIMIT + 1, browsePath, name))
        MessageBeep((UINT)-1);
}

// Opens the selected entry: a folder is entered, the up entry goes up, and
// the new folder entry or no selection leaves the path as it is. The list is
// read again in every case.
static void OpenSelectedEntry(HWND dialog, HWND list, char *browsePath, int mode, int rootLength)
{
    int selected = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (selected != -1) {
        char text[ENTRY_TEXT_SIZE];
        LVITEMA item = {};
        item.mask       = LVIF_TEXT | LVIF_PARAM;
        item.iItem      = selected;
        item.pszText    = text;
        item.cchTextMax = ENTRY_TEXT_SIZE;
        if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item)) {
            int kind = LOWORD(item.lParam);
            if (kind == ENTRY_UP)
                GoUp(browsePath, mode);
            else if (kind == ENTRY_FOLDER)
                GoDown(browsePath, item.pszText);
        }
    }
    FillFolderList(dialog, list, browsePath, mode, rootLength);
}

// A list that has the focus with nothing selected would show no focus at
// all: its first entry is selected, so the keyboard has a place to start.
static void SelectFirstEntryIfNone(HWND list)
{
    if (SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED) != -1)
        return;
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state     = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, (LPARAM)&state);
}

// Backspace goes up one level, as the up entry does; at the root of the
// browse there is no level above.
static void GoUpByKeyboard(HWND dialog, HWND list, char *browsePath, int mode, int rootLength)
{
    if ((int)strlen(browsePath) <= rootLength) {
        MessageBeep((UINT)-1);
        return;
    }
    GoUp(browsePath, mode);
    FillFolderList(dialog, list, browsePath, mode, rootLength);
    SelectFirstEntryIfNone(list);
}

LRESULT OnFolderListNotify(HWND dialog, const NMHDR *notification, HWND list, char *browsePath, int mode,
                           int rootLength)
{
    if (notification->hwndFrom != list)
        return 0;
    // The selected entry decides, not the point that was clicked.
    if (notification->code == (UINT)NM_DBLCLK)
        OpenSelectedEntry(dialog, list, browsePath, mode, rootLength);
    else if (notification->code == (UINT)NM_SETFOCUS)
        SelectFirstEntryIfNone(list);
    else if (notification->code == (UINT)LVN_KEYDOWN && ((const NMLVKEYDOWN *)notification)->wVKey == VK_BACK)
        GoUpByKeyboard(dialog, list, browsePath, mode, rootLength);
    return 0;
}

// The dialog manager turns Enter into the default button's command before
// the list sees the key, so the page asks here first.
bool OpenFolderByEnter(HWND dialog, HWND list, char *browsePath, int mode, int rootLength)
{
    if (GetFocus() != list)
        return false;
    OpenSelectedEntry(dialog, list, browsePath, mode, rootLength);
    SelectFirstEntryIfNone(list);
    return true;
}

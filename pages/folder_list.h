// The small folder browser shared by the directory and shortcut pages: a list
// view of the subfolders of a browse path, an up entry, and last the entry of
// the folder the setup will create there; beside it a preview of the result.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "shell/setup_state.h"

enum FolderListMode {
    FOLDER_MODE_DIRECTORY  = 0,   // browses a drive from its root
    FOLDER_MODE_START_MENU = 1    // browses below the Start Menu folder
};

// What an entry stands for, kept in the low word of its item data: the list
// is sorted, so an entry's position says nothing about its kind.
enum FolderEntryKind {
    ENTRY_UP         = 1,
    ENTRY_FOLDER     = 2,
    ENTRY_NEW_FOLDER = 3
};

// A browse path never grows past this, so that it, a backslash and the
// longest new folder name always fit one path buffer.
enum { BROWSE_PATH_LIMIT = PATH_BUFFER_SIZE - FOLDER_NAME_SIZE - 1 };

// The root of a drive, "D:\", is the root of a browse in directory mode.
enum { DRIVE_ROOT_LENGTH = 3 };

void AttachFolderImages(HWND list);
// A browse never goes up past its root: the up entry is listed only while the
// browse path is longer than rootLength.
void FillFolderList(HWND dialog, HWND list, char *browsePath, int mode, int rootLength);
LRESULT AddFolderEntry(HWND list, const char *text, int position, int image, int kind);
// The list's notifications for its page: a double-click opens the selected
// entry, Backspace goes up, and taking the focus selects the first entry
// when none is selected.
LRESULT OnFolderListNotify(HWND dialog, const NMHDR *notification, HWND list, char *browsePath, int mode,
                           int rootLength);
// Enter while the list has the focus opens the selected entry, as a
// double-click does, instead of pressing the page's default button. Returns
// whether the list had the focus.
bool OpenFolderByEnter(HWND dialog, HWND list, char *browsePath, int mode, int rootLength);

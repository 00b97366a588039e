#include "common/pinned_folders.h"

#include "common/text.h"

static bool IsRealFolder(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

PinOutcome PinFolder(PinnedFolders *pins, const char *folder, DWORD access)
{
    if (pins->count >= PINNED_FOLDERS_MAX || lstrlenA(folder) >= PINNED_PATH_SIZE)
        return PIN_REFUSED;
    HANDLE handle = CreateFileA(folder, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PIN_ABSENT : PIN_REFUSED;
    }
    // The name is asked as well, once the handle holds it: Wine opens through
    // a link whatever the flags say, but its name shows the reparse point.
    BY_HANDLE_FILE_INFORMATION information;
    DWORD named = GetFileAttributesA(folder);
    if (!GetFileInformationByHandle(handle, &information) || !IsRealFolder(information.dwFileAttributes)
        || named == INVALID_FILE_ATTRIBUTES || !IsRealFolder(named)) {
        CloseHandle(handle);
        return PIN_REFUSED;
    }
    pins->handles[pins->count] = handle;
    CopyText(pins->paths[pins->count], PINNED_PATH_SIZE, folder);
    ++pins->count;
    return PIN_HELD;
}

static int PinIndex(const PinnedFolders *pins, const char *folder)
{
    for (int k = 0; k < pins->count; ++k)
        if (lstrcmpiA(pins->paths[k], folder) == 0)
            return k;
    return -1;
}

HANDLE PinnedHandle(const PinnedFolders *pins, const char *folder)
{
    int k = PinIndex(pins, folder);
    return k < 0 ? NULL : pins->handles[k];
}

void UnpinFolder(PinnedFolders *pins, const char *folder)
{
    int k = PinIndex(pins, folder);
    if (k < 0)
        return;
    CloseHandle(pins->handles[k]);
    --pins->count;
    if (k == pins->count)
        return;
    pins->handles[k] = pins->handles[pins->count];
    CopyText(pins->paths[k], PINNED_PATH_SIZE, pins->paths[pins->count]);
}

void UnpinFolders(PinnedFolders *pins)
{
    for (int k = 0; k < pins->count; ++k)
        CloseHandle(pins->handles[k]);
    pins->count = 0;
}

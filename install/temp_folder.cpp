#include "install/temp_folder.h"

#include "install/copy_journal.h"
#include "install/manifest.h"
#include "common/path_join.h"
#include "common/private_folder.h"
#include "common/text.h"

enum {
    PRIVATE_DIR_SIZE    = MAX_PATH,
    TEMP_FILE_SIZE      = PRIVATE_DIR_SIZE + 32,
    LISTING_BUFFER_SIZE = 4096
};

static const wchar_t kPrivateDirPrefix[] = L"VelloranSetup-";
static wchar_t s_privateDir[PRIVATE_DIR_SIZE];

// Recorded, so that the undo of a killed run removes it too.
bool CreatePrivateTempDir()
{
    if (!CreatePrivateFolder(kPrivateDirPrefix, s_privateDir, PRIVATE_DIR_SIZE))
        return false;
    if (JournalTempFolder(s_privateDir))
        return true;
    RemoveDirectoryW(s_privateDir);
    s_privateDir[0] = L'\0';
    return false;
}

void RemovePrivateTempDir()
{
    if (s_privateDir[0])
        RemovePrivateFolder(s_privateDir);
    s_privateDir[0] = L'\0';
}

// One of the packed names, the only files the setup puts into its folder.
static bool IsTempFileName(const wchar_t *name)
{
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        wchar_t packed[MANIFEST_FIELD_SIZE];
        int at = 0;
        for (; g_compressedNames[row][at]; ++at)
            packed[at] = (wchar_t)(unsigned char)g_compressedNames[row][at];
        packed[at] = L'\0';
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, -1, packed, -1) == CSTR_EQUAL)
            return true;
    }
    return false;
}

// Deletes the plain files of packed names in the pinned folder, listed and
// deleted through its handle; false when it holds anything else, which is
// not the setup's to delete.
static bool DeleteLeftoverTempFiles(HANDLE pinned)
{
    DWORD records[LISTING_BUFFER_SIZE / sizeof(DWORD)];
    bool onlyOurs = true;
    FILE_INFO_BY_HANDLE_CLASS listing = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(pinned, listing, records, sizeof records)) {
        listing = FileIdBothDirectoryInfo;
        const BYTE *at = (const BYTE *)records;
        for (;;) {
            const FILE_ID_BOTH_DIR_INFO *entry = (const FILE_ID_BOTH_DIR_INFO *)at;
            wchar_t name[MAX_PATH];
            DWORD length = entry->FileNameLength / sizeof(wchar_t);
            if (length < MAX_PATH) {
                lstrcpynW(name, entry->FileName, (int)length + 1);
                bool dots = lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
                if (!dots
                    && ((entry->FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                        || !IsTempFileName(name) || !DeleteInPinnedFolder(pinned, name)))
                    onlyOurs = false;
            } else {
                onlyOurs = false;
            }
            if (!entry->NextEntryOffset)
                break;
            at += entry->NextEntryOffset;
        }
    }
    return onlyOurs && GetLastError() == ERROR_NO_MORE_FILES;
}

// Checked, emptied and removed through one handle that pins it.
bool RemoveLeftoverTempDir(const wchar_t *folder)
{
    HANDLE pinned;
    if (!OpenOwnPrivateFolder(folder, kPrivateDirPrefix, &pinned))
        return false;
    bool removed = DeleteLeftoverTempFiles(pinned) && RemovePinnedFolder(pinned);
    CloseHandle(pinned);
    return removed;
}

void RemoveStaleTempDirs()
{
    wchar_t pattern[PRIVATE_DIR_SIZE];
    DWORD length = GetTempPathW(PRIVATE_DIR_SIZE, pattern);
    int prefixLength = lstrlenW(kPrivateDirPrefix);
    if (length == 0 || length + prefixLength + 2 > PRIVATE_DIR_SIZE)
        return;
    lstrcpyW(pattern + length, kPrivateDirPrefix);
    lstrcpyW(pattern + length + prefixLength, L"*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        wchar_t folder[PRIVATE_DIR_SIZE];
        if (length + lstrlenW(found.cFileName) >= PRIVATE_DIR_SIZE)
            continue;
        lstrcpynW(folder, pattern, length + 1);
        lstrcpyW(folder + length, found.cFileName);
        RemoveLeftoverTempDir(folder);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The packed names are plain ASCII.
static bool ComposeTempFilePath(const char *compressedName, wchar_t *path)
{
    int length = lstrlenW(s_privateDir);
    if (!s_privateDir[0] || length + 1 + lstrlenA(compressedName) >= TEMP_FILE_SIZE)
        return false;
    lstrcpyW(path, s_privateDir);
    path[length++] = L'\\';
    for (const char *at = compressedName; *at; ++at)
        path[length++] = (wchar_t)(unsigned char)*at;
    path[length] = L'\0';
    return true;
}

// The long path where the code page spells it, else its short form.
static bool NarrowFolder(char *narrow, int size)
{
    BOOL replaced = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, s_privateDir, -1, narrow, size, NULL, &replaced) && !replaced)
        return true;
    wchar_t folder[PRIVATE_DIR_SIZE];
    DWORD length = GetShortPathNameW(s_privateDir, folder, PRIVATE_DIR_SIZE);
    if (length == 0 || length >= PRIVATE_DIR_SIZE)
        lstrcpynW(folder, s_privateDir, PRIVATE_DIR_SIZE);
    return WideCharToMultiByte(CP_ACP, 0, folder, -1, narrow, size, NULL, NULL) != 0;
}

void ComposeTempFileName(const char *compressedName, char *text, size_t size)
{
    text[0] = '\0';
    char narrow[TEMP_FILE_NAME_SIZE];
    if (s_privateDir[0] && NarrowFolder(narrow, sizeof narrow))
        JoinPath(text, size, narrow, compressedName);
}

HANDLE CreateTempFile(const char *compressedName)
{
    wchar_t path[TEMP_FILE_SIZE];
    if (!ComposeTempFilePath(compressedName, path))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
}

#include "install/temp_folder.h"

#include "common/private_folder.h"
#include "common/text.h"

enum { PRIVATE_DIR_SIZE = MAX_PATH, TEMP_FILE_SIZE = PRIVATE_DIR_SIZE + 32 };

static wchar_t s_privateDir[PRIVATE_DIR_SIZE];

bool CreatePrivateTempDir()
{
    return CreatePrivateFolder(L"VelloranSetup-", s_privateDir, PRIVATE_DIR_SIZE);
}

void RemovePrivateTempDir()
{
    if (s_privateDir[0])
        RemoveDirectoryW(s_privateDir);
    s_privateDir[0] = L'\0';
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
        CopyText(text, size, narrow) && AppendText(text, size, "\\") && AppendText(text, size, compressedName);
}

HANDLE CreateTempFile(const char *compressedName)
{
    wchar_t path[TEMP_FILE_SIZE];
    if (!ComposeTempFilePath(compressedName, path))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
}

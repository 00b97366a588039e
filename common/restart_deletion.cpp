#include "common/restart_deletion.h"

#include <windows.h>

enum { TAG_ATTEMPTS = 16 };

bool DeleteAtRestart(const char *path)
{
    char tagged[MAX_PATH];
    int length = lstrlenA(path);
    if (length + RESTART_TAG_LENGTH >= MAX_PATH)
        return false;
    // Never over a file of that name: the next tag is tried then.
    DWORD seed = (GetCurrentProcessId() << 16) ^ GetTickCount();
    for (int attempt = 0; attempt < TAG_ATTEMPTS; ++attempt) {
        wsprintfA(tagged, "%s~%08lx", path, (unsigned long)(seed + (DWORD)attempt * 0x9E3779B9u));
        if (MoveFileExA(path, tagged, 0))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return false;
        tagged[0] = '\0';
    }
    if (!tagged[0])
        return false;
    if (MoveFileExA(tagged, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return true;
    MoveFileExA(tagged, path, 0);
    return false;
}

DeletionOutcome DeleteNowOrAtRestart(const char *path, RestartMark mark)
{
    if (mark == MARK_KEPT_NAME)
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path))
        return DELETED_NOW;
    bool marked = mark == MARK_KEPT_NAME ? MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE
                                         : DeleteAtRestart(path);
    return marked ? DELETED_AT_RESTART : NOT_DELETED;
}

static bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsTaggedName(const char *path, const char *original)
{
    int length = lstrlenA(original);
    if (lstrlenA(path) != length + RESTART_TAG_LENGTH
        || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, length, original, length) != CSTR_EQUAL
        || path[length] != '~')
        return false;
    for (int at = length + 1; at < length + RESTART_TAG_LENGTH; ++at)
        if (!IsHexDigit(path[at]))
            return false;
    return true;
}

#include "payload/uninstall/paths.h"
#include "common/text.h"
#include <windows.h>

void TrimTrailingBackslashes(char *path)
{
    int length = lstrlenA(path);
    while (length > 1 && path[length - 1] == '\\' && path[length - 2] != ':')
        path[--length] = '\0';
}

bool ParentDirectory(const char *path, char *dest, size_t destSize)
{
    int cut = -1;
    for (int i = 0; path[i]; ++i) {
        if (path[i] == '\\' || path[i] == '/')
            cut = i;
    }
    if (cut <= 0 || (size_t)cut >= destSize)
        return false;
    lstrcpynA(dest, path, cut + 1);
    return true;
}

bool StartsWithNoCase(const char *text, const char *prefix)
{
    int prefixLength = lstrlenA(prefix);
    if (lstrlenA(text) < prefixLength)
        return false;
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, prefixLength, prefix, prefixLength) ==
           CSTR_EQUAL;
}

bool EntryNamesProgram(const char *entry, const char *programPath)
{
    if (!programPath[0])
        return false;
    bool quoted = entry[0] == '"';
    const char *at = quoted ? entry + 1 : entry;
    if (!StartsWithNoCase(at, programPath))
        return false;
    at += lstrlenA(programPath);
    if (quoted && *at++ != '"')
        return false;
    return *at == '\0' || *at == ' ' || *at == '\t';
}

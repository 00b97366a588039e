#include "common/registry_values.h"

void WriteTextValue(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
}

void WriteNumberValue(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
}

HKEY CreateKeyInView(HKEY parent, const char *name, REGSAM view, DWORD *disposition)
{
    HKEY key;
    DWORD ignored;
    if (RegCreateKeyExA(parent, name, 0, (LPSTR)"", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, NULL, &key,
                        disposition ? disposition : &ignored) != ERROR_SUCCESS)
        return NULL;
    return key;
}

bool ReadTextValue(HKEY key, const char *name, char *dest, DWORD destSize)
{
    DWORD type = 0;
    DWORD size = destSize;
    bool text = RegQueryValueExA(key, name, NULL, &type, (BYTE *)dest, &size) == ERROR_SUCCESS &&
                (type == REG_SZ || type == REG_EXPAND_SZ);
    // Anyone can store text without its NUL; it then needs one place more.
    if (text && (size == 0 || dest[size - 1] != '\0')) {
        text = size < destSize;
        if (text)
            dest[size] = '\0';
    }
    if (!text && destSize > 0)
        dest[0] = '\0';
    return text;
}

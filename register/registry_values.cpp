#include "register/registration.h"

#include "shell/setup_log.h"

#include <string.h>

void SetText(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    LogRegistryText(key, name, text);
}

void SetNumber(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
    LogRegistryNumber(key, name, number);
}

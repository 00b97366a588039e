#include "register/registration.h"

#include "common/registry_values.h"
#include "shell/setup_log.h"

void SetText(HKEY key, const char *name, const char *text)
{
    WriteTextValue(key, name, text);
    LogRegistryText(key, name, text);
}

void SetNumber(HKEY key, const char *name, DWORD number)
{
    WriteNumberValue(key, name, number);
    LogRegistryNumber(key, name, number);
}

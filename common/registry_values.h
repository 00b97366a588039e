// Registry values and keys as the setup writes them and both programs read
// them back. No logging here: the uninstaller keeps no log, and the setup's
// own wrappers (register/registration.h) log what they write.
#pragma once
#include <windows.h>

// A REG_SZ value holding text and its NUL.
void WriteTextValue(HKEY key, const char *name, const char *text);
void WriteNumberValue(HKEY key, const char *name, DWORD number);

// Makes or opens name below parent, with full access, in the registry view
// given (KEY_WOW64_32KEY or KEY_WOW64_64KEY, common/install_names.h); null
// when it cannot. disposition may be null.
HKEY CreateKeyInView(HKEY parent, const char *name, REGSAM view, DWORD *disposition);

// A REG_SZ or REG_EXPAND_SZ value as text in dest, which holds destSize
// characters. Data stored without its NUL is given one. False, with dest
// empty, when the value is missing, of another type, or does not fit with
// its NUL: a cut path would name another file.
bool ReadTextValue(HKEY key, const char *name, char *dest, DWORD destSize);

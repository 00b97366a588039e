#include "common/system_dlls.h"

#include <windows.h>

// Looked up at run time: systems without it still start.
void LoadDllsFromSystemOnly()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    SetDefaultDllDirectoriesProc setDirectories = (SetDefaultDllDirectoriesProc)(void *)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

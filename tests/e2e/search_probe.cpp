// Loads version.dll by name the way any program may, with the ordinary
// search order that begins in the program's own folder. The planting
// scenarios run it to show that a planted DLL is noticed when it is loaded.
#include <windows.h>

int main()
{
    HMODULE version = LoadLibraryA("version.dll");
    if (!version)
        return 1;
    FreeLibrary(version);
    return 0;
}

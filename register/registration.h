// What "Finish" records in the system: shortcuts, the application's App
// Paths and uninstall entries, and the image file types.
#pragma once
#include <windows.h>

HRESULT CreateShellLink(const char *targetPath, const char *linkPath, const char *description);
void    RegisterApplication();
void    RegisterImageTypes();

// Size in KB of the files the manifest installed into the install directory.
DWORD   MeasureInstalledSizeKb();

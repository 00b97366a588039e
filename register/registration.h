// What "Finish" records in the system: shortcuts, the application's App
// Paths and uninstall entries, and the image file types.
#pragma once
#include "shell/setup_state.h"

#include <windows.h>

// A registry value or WIN.INI entry that holds the install directory fits in this.
enum { REGISTRY_VALUE_SIZE = PATH_BUFFER_SIZE + 64 };

HRESULT CreateShellLink(const char *targetPath, const char *linkPath, const char *description);
void    RegisterApplication();
void    RegisterImageTypes();

// Size in KB of the files the manifest installed into the install directory.
DWORD   MeasureInstalledSizeKb();

// Values as the setup writes them, each into the log as well.
void SetText(HKEY key, const char *name, const char *text);
void SetNumber(HKEY key, const char *name, DWORD number);

// Composes prefix, the install directory and suffix into value, which holds
// valueSize characters, and returns value; empty when they do not fit.
const char *ComposeWithInstallDir(char *value, size_t valueSize, const char *prefix, const char *suffix);

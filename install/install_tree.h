// The install directory and its three subdirectories, made safe before the
// first file goes in.
#pragma once
#include <stddef.h>

// Gives the install directory, whether this run made it or found it, the
// Administrators as owner and the program folders' DACL; then creates the
// subdirectories with that DACL (each in the copy journal first) and gives
// them the same. A folder that is a
// link or a junction is refused. False, with the folder that failed written
// into failedFolder, when any of it cannot be done.
bool PrepareInstallTree(char *failedFolder, size_t size);

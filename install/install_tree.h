// The install directory and its three subdirectories, made safe before the
// first file goes in, and held open until the copy ends.
#pragma once
#include <stddef.h>

// Holds the install directory, whether this run made it or found it, and
// each subdirectory already there, as real folders (common/pinned_folders.h):
// a link or a junction among them is refused before anything changes. Then
// records in the copy journal the descriptor of each folder that was there
// before the run, gives each folder itself the Administrators as owner and
// the program folders' DACL (what is in them keeps its own), and makes the
// missing subdirectories (each in the copy journal first), held and secured
// the same way. False, with the folder that failed written into
// failedFolder, when any of it cannot be done.
bool PrepareInstallTree(char *failedFolder, size_t size);

// Cancel and failure: the folders that were there before get back the
// descriptors they had.
void RestoreInstallTreeSecurity();

// The copy has ended: the folders are let go.
void ReleaseInstallTree();

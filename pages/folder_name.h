// Which new folder names the directory page refuses before it makes anything.
#pragma once

// True for a name that Windows would not create as typed: "." and ".." (the
// browsed folder itself and its parent), a name ending in a dot or a blank
// (Windows drops them), and a device name (CON, PRN, AUX, NUL, COM1 to COM9,
// LPT1 to LPT9, in any case), also with an extension ("nul.txt"), which names
// the device and not a folder. Everything else, characters the file system
// refuses included, is left to the creation of the folder.
bool IsUnusableFolderName(const char *name);

// The check that a folder read back from the registry (a copy journal's
// install folder, the uninstall entry's Progdir) is one the directory page
// could have composed, before a program acts in it as administrator.
#pragma once

// A full path as the directory page composes it: drive, colon and backslash
// (or \\server\share), then names that are neither "." nor ".." and hold no
// character a file name may not hold; no backslash at the end. So a drive's
// root alone ("C:\") is refused.
bool IsPlainFullPath(const char *path);

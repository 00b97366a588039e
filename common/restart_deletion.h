// Deleting a file that is in use, at the next restart. Windows deletes then
// whatever bears the marked name; a later install may have put a new file
// there by that time. So the file is first renamed to a name of its own in
// the same folder, and that name is marked.
#pragma once
#include <stddef.h>

enum { RESTART_TAG_LENGTH = 9 };   // "~" and eight hex digits

// Renames the file to <path>~<eight hex digits>, a name nobody has, and marks
// that for deletion at the next restart. False, with the file back under its
// own name, when either cannot be done.
bool DeleteAtRestart(const char *path);

// Whether path is original followed by such a tag: a file of original's that
// waits for the restart (or a kept file of the copy, named the same way).
bool IsTaggedName(const char *path, const char *original);

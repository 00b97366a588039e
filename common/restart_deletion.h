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

enum DeletionOutcome { DELETED_NOW, DELETED_AT_RESTART, NOT_DELETED };
// How the name is marked when the file is in use. A file the copy kept aside
// already has a name of its own, and the earlier file's attributes with it.
enum RestartMark { MARK_RENAMED, MARK_KEPT_NAME };

// Deletes the file now or, when that cannot be done, marks it for the next
// restart: renamed first (DeleteAtRestart), or a kept file made deletable and
// marked under its own name.
DeletionOutcome DeleteNowOrAtRestart(const char *path, RestartMark mark);

// Whether path is original followed by such a tag: a file of original's that
// waits for the restart (or a kept file of the copy, named the same way).
bool IsTaggedName(const char *path, const char *original);

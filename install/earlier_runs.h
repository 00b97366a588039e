// At start, before the first page: the unfinished copies of earlier runs
// (install/unfinished_copies.h), each settled and told to the user, then the
// private temp folders that earlier runs left behind.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "install/unfinished_copies.h"

// The one sentence that tells the user what was found and done; false when
// there is nothing to tell (a journal of no changes, or a completed copy).
bool ComposeUnfinishedCopyMessage(const UnfinishedCopy *copy, char *text, size_t size);

// All of the above, a box of its own for each journal, then RemoveStaleTempDirs.
void RecoverFromEarlierRuns(HWND owner);

// An uninstaller cannot delete its own running file, nor a directory it runs
// from. Started from the install directory, it copies itself to the temp
// directory and lets that copy do the work; the copy deletes the original and
// finally has its own file deleted once it has ended.
//
// Started by a person, the original ends as soon as the copy runs, and the
// copy waits for it to go before deleting its file. Started quietly (/S) by
// a script or a deployment tool, which waits for the process it started and
// reads its exit code, the original waits for the copy instead and ends with
// the copy's exit code; the copy then moves the running original's file out
// of the install directory (a running program's file can be renamed, not
// deleted), so that the removal is complete before the tool hears of it.
#pragma once
#include "payload/uninstall/relaunch_arguments.h"

// Whether the running program's file lies in the directory (after both are
// made full, long paths).
bool IsRunningFrom(const char *directory);

// Copies the program into a private folder of its own under the temp
// directory and starts the copy there with the arguments above, quiet or
// not. Returns the copy's process, or null when that could not be done; the
// caller then works in place. Either way this process leaves the install
// directory as its current directory.
HANDLE RunCopyFromTemp(bool quiet);

// The quiet original: waits for the copy to end and returns its exit code.
int WaitForCopy(HANDLE copy);

// Waits (bounded) until the original uninstaller has ended and its file is
// free to be deleted.
void WaitForOriginal(const RelaunchArguments *arguments);

// The quiet copy: moves the waiting original's file, when it lies in the
// program directory, into the copy's own private folder, which goes when
// the copy ends; true when moved. Where that cannot be done (another drive),
// the file is left to the removal, as a file in use.
bool MoveOriginalAside(const RelaunchArguments *arguments, const char *programDir);

// Moves the original's file back where it was, for a removal that was
// refused: the installation stays, and so must the uninstaller it names.
void PutOriginalBack(const RelaunchArguments *arguments);

// Has the running copy's file, a moved original beside it and its private
// folder deleted once the process has ended: a hidden command interpreter
// without the user's settings (self_deletion.h)
// waits a moment and deletes them; failing that, they are left for the next
// restart.
void ScheduleOwnDeletion(void);

// The setup's temporary files: one at a time, in a private folder made for
// this run (common/private_folder.h), each created exclusively, read back
// through its own handle and deleted when that handle closes; never opened
// or deleted by name.
#pragma once
#include <windows.h>
#include <stddef.h>

enum { TEMP_FILE_NAME_SIZE = 2 * MAX_PATH };

// Makes the folder and records it in the copy journal; without a record it
// is removed again, and the copy then fails at its first file.
bool CreatePrivateTempDir();
// Removes the folder, empty by then, waiting briefly for a file still
// pending deletion; one that cannot go now goes at the next restart. Nothing
// when none was made.
void RemovePrivateTempDir();
// A private temp folder that a run which did not end left behind, whether
// the journal names it or it is found in the temp directory: removed with
// the temporary files in it, if it is the setup's own (a folder, no link,
// named and owned as CreatePrivateTempDir makes it) and holds nothing else.
// True when it is gone now.
bool RemoveLeftoverTempDir(const wchar_t *folder);
// Every such folder in this user's temp directory. At start, when no other
// setup runs: all of them are earlier runs' leftovers.
void RemoveStaleTempDirs();
// The temporary file of the packed name as narrow text for the messages: the
// folder's short form where the ANSI code page cannot spell its long path.
void ComposeTempFileName(const char *compressedName, char *text, size_t size);
// Creates the temporary file of the packed name, which must not exist yet,
// deleted on close; INVALID_HANDLE_VALUE on failure or without a folder.
HANDLE CreateTempFile(const char *compressedName);

// The setup's temporary files: one at a time, in a private folder made for
// this run (common/private_folder.h), each created exclusively, read back
// through its own handle and deleted when that handle closes; never opened
// or deleted by name.
#pragma once
#include <windows.h>
#include <stddef.h>

enum { TEMP_FILE_NAME_SIZE = 2 * MAX_PATH };

bool CreatePrivateTempDir();
// Removes the folder, empty by then; nothing when none was made.
void RemovePrivateTempDir();
// The temporary file of the packed name as narrow text for the messages: the
// folder's short form where the ANSI code page cannot spell its long path.
void ComposeTempFileName(const char *compressedName, char *text, size_t size);
// Creates the temporary file of the packed name, which must not exist yet,
// deleted on close; INVALID_HANDLE_VALUE on failure or without a folder.
HANDLE CreateTempFile(const char *compressedName);

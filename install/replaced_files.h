// The files that the copy replaces. Before a destination is written, a file
// already there is renamed aside in its own folder, so that a cancel or a
// failure can put it back as it was (contents, name, attributes and times),
// and the completed copy then deletes it.
#pragma once
#include <windows.h>

enum {
    // The longest path the ANSI file functions take, with its NUL.
    KEPT_PATH_SIZE = MAX_PATH,
    KEPT_FILES_MAX = 80,
    // The paragraph that names every kept file a restore left behind.
    KEPT_NOTE_SIZE = 96 + KEPT_FILES_MAX * (KEPT_PATH_SIZE + 1)
};

// Called before the destination is written. The first time this run writes
// it, the copy journal records the write, and the file there, if any, is
// renamed aside and noted. False when the journal cannot record it or such a
// file cannot be kept: then it must not be replaced.
bool KeepReplacedFile(const char *destination);

// Puts every kept file back in its place, newest first, over whatever this
// run wrote there. The ones that cannot go back are named by
// UnrestoredFilesNote.
void RestoreReplacedFiles();

// After a completed copy: deletes every kept file.
void DiscardKeptFiles();

// Puts one kept file back at its destination, over whatever is there now,
// and logs it; false when it cannot go back. Never at the restart: by then a
// later install may have written its own file there.
bool PutBackKeptFile(const char *kept, const char *destination);

// Empty when nothing was left behind; otherwise a paragraph, beginning with
// an empty line, that names the kept files a restore could not put back, to
// be added to the message that follows.
const char *UnrestoredFilesNote();

#include "install/replaced_files.h"

#include "install/copy_journal.h"
#include "common/restart_deletion.h"
#include "common/text.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"

// A destination this run wrote, and where the file it replaced was put
// (empty when there was none).
struct WrittenFile {
    char path[KEPT_PATH_SIZE];
    char kept[KEPT_PATH_SIZE];
};

static WrittenFile s_written[KEPT_FILES_MAX];
static int         s_writtenCount;
static char        s_note[KEPT_NOTE_SIZE];

static bool WrittenByThisRun(const char *destination)
{
    for (int k = 0; k < s_writtenCount; ++k)
        if (lstrcmpiA(s_written[k].path, destination) == 0)
            return true;
    return false;
}

bool KeepReplacedFile(const char *destination)
{
    // Two rows may install the same file: the second one replaces what the
    // first wrote, which is no one else's file.
    if (WrittenByThisRun(destination))
        return true;
    if (s_writtenCount == KEPT_FILES_MAX)
        return false;
    WrittenFile *file = &s_written[s_writtenCount];
    file->kept[0] = '\0';
    if (!CopyText(file->path, KEPT_PATH_SIZE, destination))
        return false;
    // A folder in the way is not moved: writing the file fails and is reported.
    DWORD attributes = GetFileAttributesA(destination);
    bool keep = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (keep && !MakeKeptName(file->kept, KEPT_PATH_SIZE, destination, RunTag() + 1))
        return false;
    // Renamed in the same folder: nothing is copied, and a read-only or
    // hidden file moves with its attributes and times as they are. Never
    // over a file of that name.
    if (!JournalFileWrite(destination, file->kept) || (keep && !MoveFileExA(destination, file->kept, 0)))
        return false;
    ++s_writtenCount;
    return true;
}

static void NoteUnrestored(const char *kept)
{
    if (!s_note[0])
        AppendText(s_note, KEPT_NOTE_SIZE, "\n\nEarlier files that could not be put back are kept as:");
    AppendText(s_note, KEPT_NOTE_SIZE, "\n");
    AppendText(s_note, KEPT_NOTE_SIZE, kept);
}

void RestoreReplacedFiles()
{
    s_note[0] = '\0';
    for (int k = s_writtenCount - 1; k >= 0; --k) {
        const WrittenFile *file = &s_written[k];
        if (!file->kept[0])
            continue;
        if (!PutBackKeptFile(file->kept, file->path))
            NoteUnrestored(file->kept);
    }
    s_writtenCount = 0;
}

void DiscardKeptFiles()
{
    for (int k = s_writtenCount - 1; k >= 0; --k) {
        const char *kept = s_written[k].kept;
        if (!kept[0])
            continue;
        // A file held open by another program goes at the next start, where
        // the rights allow it.
        if (DeleteNowOrAtRestart(kept, MARK_KEPT_NAME) == DELETED_AT_RESTART) {
            g_restartNeeded = true;
            LogLine("Goes when Windows restarts: ", kept);
        }
    }
    s_writtenCount = 0;
}

bool PutBackKeptFile(const char *kept, const char *destination)
{
    if (!MoveFileExA(kept, destination, MOVEFILE_REPLACE_EXISTING))
        return false;
    LogLine("Undo: earlier file put back: ", destination);
    return true;
}

const char *UnrestoredFilesNote()
{
    return s_note;
}

#include "install/unfinished_copies.h"

#include "install/copy_journal.h"
#include "install/manifest.h"
#include "install/replaced_files.h"
#include "install/temp_folder.h"
#include "common/install_names.h"
#include "common/pinned_folders.h"
#include "common/plain_path.h"
#include "common/restart_deletion.h"
#include "common/text.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"

enum { UNDO_ACCESS = READ_CONTROL | WRITE_DAC | WRITE_OWNER };

// The outcome of the checks, before anything is done.
enum Reading { READ_WHOLE, READ_EMPTY, READ_REFUSED, READ_UNREADABLE };

int FindUnfinishedCopies(char names[][JOURNAL_FOUND_NAME_SIZE], int max)
{
    HKEY journals;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_ENUMERATE_SUB_KEYS | kJournalView, &journals)
        != ERROR_SUCCESS)
        return 0;
    int found = 0;
    for (DWORD index = 0; found < max; ++index) {
        DWORD length = JOURNAL_FOUND_NAME_SIZE;
        LONG result = RegEnumKeyExA(journals, index, names[found], &length, NULL, NULL, NULL, NULL);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS)
            ++found;
    }
    RegCloseKey(journals);
    return found;
}

static bool IsFolderOfInstall(const char *path, const char *installDir)
{
    char folder[JOURNAL_PATH_SIZE];
    if (lstrcmpiA(path, installDir) == 0)
        return true;
    for (int k = 0; k < SUBDIR_COUNT; ++k)
        if (CopyText(folder, sizeof folder, installDir) && AppendText(folder, sizeof folder, g_subdirectories[k])
            && lstrcmpiA(path, folder) == 0)
            return true;
    return false;
}

static bool IsFileOfInstall(const char *path, const char *installDir)
{
    char file[JOURNAL_PATH_SIZE];
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        if (CopyText(file, sizeof file, installDir) && AppendText(file, sizeof file, g_destinationSuffixes[row])
            && lstrcmpiA(path, file) == 0)
            return true;
    return false;
}

// A kept file bears the name the run gave it, which names its journal.
static bool IsKeptNameOf(const char *kept, const char *path, const char *journalName)
{
    char expected[JOURNAL_PATH_SIZE];
    return MakeKeptName(expected, sizeof expected, path, journalName) && lstrcmpiA(kept, expected) == 0;
}

// A folder entry names the install directory or one of its subdirectories,
// a file entry a manifest destination below it and the kept name of its run.
static bool IsEntryOfInstall(const JournalEntry *entry, const char *installDir, const char *journalName)
{
    if (entry->kind != JOURNAL_FILE_WRITTEN)
        return IsFolderOfInstall(entry->path, installDir);
    return IsFileOfInstall(entry->path, installDir)
           && (!entry->kept[0] || IsKeptNameOf(entry->kept, entry->path, journalName));
}

static Reading ReadCheckedEntry(HKEY key, int number, const char *journalName, const char *installDir,
                                JournalEntry *entry)
{
    if (!ReadJournalEntry(key, number, entry))
        return READ_UNREADABLE;
    return IsEntryOfInstall(entry, installDir, journalName) ? READ_WHOLE : READ_REFUSED;
}

// The journal read whole, and every path in it checked.
static Reading CheckJournal(HKEY key, const char *journalName, JournalHeader *header, JournalEntry *entry)
{
    JournalReading reading = ReadJournalHeader(key, journalName, header);
    if (reading != JOURNAL_READ)
        return reading == JOURNAL_EMPTY ? READ_EMPTY : READ_UNREADABLE;
    if (!IsPlainFullPath(header->installDir))
        return READ_REFUSED;
    for (int number = 0; number < header->entries; ++number) {
        Reading checked = ReadCheckedEntry(key, number, journalName, header->installDir, entry);
        if (checked != READ_WHOLE)
            return checked;
    }
    return READ_WHOLE;
}

// A kept file that is not there was never moved, or was put back already:
// the file at its name is the earlier one then, and stays.
static void UndoFileWrite(const JournalEntry *entry, UnfinishedCopy *copy)
{
    if (entry->kept[0]) {
        if (GetFileAttributesA(entry->kept) == INVALID_FILE_ATTRIBUTES)
            return;
        // One that cannot go back keeps its name, and the message says so.
        if (PutBackKeptFile(entry->kept, entry->path))
            ++copy->filesRestored;
        else
            ++copy->filesNotRestored;
        return;
    }
    DWORD attributes = GetFileAttributesA(entry->path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    DeletionOutcome deleted = DeleteNowOrAtRestart(entry->path, MARK_RENAMED);
    if (deleted == DELETED_NOW) {
        ++copy->filesRemoved;
        LogLine("Undo: file removed: ", entry->path);
    } else if (deleted == DELETED_AT_RESTART) {
        ++copy->filesRemovedAtRestart;
    }
}

// Newest first: the files before the folders they are in.
static void UndoCopy(HKEY key, const char *journalName, const JournalHeader *header, JournalEntry *entry,
                     PinnedFolders *pins, UnfinishedCopy *copy)
{
    for (int number = header->entries - 1; number >= 0; --number) {
        if (ReadCheckedEntry(key, number, journalName, header->installDir, entry) != READ_WHOLE)
            continue;
        if (entry->kind == JOURNAL_FILE_WRITTEN) {
            UndoFileWrite(entry, copy);
        } else if (entry->kind == JOURNAL_FOLDER_SECURITY) {
            HANDLE folder = PinnedHandle(pins, entry->path);
            if (folder && WriteFolderSecurityText(folder, entry->kept))
                LogLine("Undo: earlier permissions put back: ", entry->path);
        } else {
            // The folder's own handle would stop its removal.
            UnpinFolder(pins, entry->path);
            if (RemoveDirectoryA(entry->path)) {
                ++copy->foldersRemoved;
                LogLine("Undo: folder removed: ", entry->path);
            }
        }
    }
}

// What the completed copy had still to do: delete the files it kept aside.
static void FinishCopy(HKEY key, const char *journalName, const JournalHeader *header, JournalEntry *entry,
                       UnfinishedCopy *copy)
{
    for (int number = 0; number < header->entries; ++number) {
        if (ReadCheckedEntry(key, number, journalName, header->installDir, entry) != READ_WHOLE
            || entry->kind != JOURNAL_FILE_WRITTEN || !entry->kept[0]
            || GetFileAttributesA(entry->kept) == INVALID_FILE_ATTRIBUTES)
            continue;
        DeletionOutcome deleted = DeleteNowOrAtRestart(entry->kept, MARK_KEPT_NAME);
        copy->filesRemoved += deleted == DELETED_NOW;
        copy->filesRemovedAtRestart += deleted == DELETED_AT_RESTART;
    }
}

// The install directory must be a real folder, and each subdirectory there
// too; they stay held while the run is undone or finished. False, with the
// folder named, when one is not.
static bool PinInstallFolders(const char *installDir, PinnedFolders *pins, UnfinishedCopy *copy)
{
    UnpinFolders(pins);
    char folder[sizeof copy->refusedFolder];
    for (int k = 0; k <= SUBDIR_COUNT; ++k) {
        bool fits = CopyText(folder, sizeof folder, installDir)
                    && (k == 0 || AppendText(folder, sizeof folder, g_subdirectories[k - 1]));
        PinOutcome outcome = fits ? PinFolder(pins, folder, UNDO_ACCESS) : PIN_REFUSED;
        if (outcome == PIN_REFUSED || (k == 0 && outcome != PIN_HELD)) {
            CopyText(copy->refusedFolder, sizeof copy->refusedFolder, fits ? folder : installDir);
            UnpinFolders(pins);
            return false;
        }
    }
    return true;
}

static UnfinishedOutcome OutcomeOf(Reading reading, bool copyDone)
{
    if (reading == READ_WHOLE)
        return copyDone ? UNFINISHED_COMPLETED : UNFINISHED_UNDONE;
    if (reading == READ_EMPTY)
        return UNFINISHED_EMPTY;
    return reading == READ_REFUSED ? UNFINISHED_REFUSED : UNFINISHED_UNREADABLE;
}

void SettleUnfinishedCopy(const char *name, UnfinishedCopy *copy)
{
    static JournalHeader header;
    static JournalEntry  entry;
    static PinnedFolders pins;
    ZeroMemory(copy, sizeof *copy);
    CopyText(copy->name, sizeof copy->name, name);
    HKEY key = OpenJournal(name);
    if (!key) {
        copy->outcome = UNFINISHED_UNREADABLE;
        return;
    }
    Reading reading = CheckJournal(key, name, &header, &entry);
    copy->outcome = OutcomeOf(reading, header.copyDone);
    if (reading == READ_WHOLE) {
        CopyText(copy->installDir, sizeof copy->installDir, header.installDir);
        if (!PinInstallFolders(header.installDir, &pins, copy)) {
            // Changed nothing, and the journal stays for a later start.
            copy->outcome = UNFINISHED_NOT_A_FOLDER;
            RegCloseKey(key);
            return;
        }
        if (header.copyDone)
            FinishCopy(key, name, &header, &entry, copy);
        else
            UndoCopy(key, name, &header, &entry, &pins, copy);
        UnpinFolders(&pins);
    }
    RegCloseKey(key);
    // A journal that fails a check stays as it is, and so does all it names.
    if (reading == READ_REFUSED || reading == READ_UNREADABLE)
        return;
    // The temp folder is removed only if it is the setup's own.
    if (reading == READ_WHOLE && header.tempDir[0])
        RemoveLeftoverTempDir(header.tempDir);
    DeleteJournal(name);
}

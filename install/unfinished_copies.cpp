#include "install/unfinished_copies.h"

#include "install/copy_journal.h"
#include "install/manifest.h"
#include "install/temp_folder.h"
#include "common/folder_security.h"
#include "common/install_names.h"
#include "common/pinned_folders.h"
#include "common/plain_path.h"
#include "common/restart_deletion.h"
#include "common/text.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"

enum {
    JOURNAL_PATH_SIZE  = PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE + RUN_TAG_SIZE,
    JOURNAL_KEPT_SIZE  = JOURNAL_PATH_SIZE > FOLDER_SECURITY_TEXT_SIZE ? JOURNAL_PATH_SIZE : FOLDER_SECURITY_TEXT_SIZE,
    JOURNAL_TEXT_SIZE  = 4 + JOURNAL_PATH_SIZE + JOURNAL_KEPT_SIZE,
    UNDO_ACCESS        = READ_CONTROL | WRITE_DAC | WRITE_OWNER,
    JOURNAL_KEY_SIZE   = 64 + JOURNAL_FOUND_NAME_SIZE,
    MESSAGE_SIZE       = PATH_BUFFER_SIZE + JOURNAL_KEY_SIZE + 1024,
    COUNT_TEXT_SIZE    = 200
};

// What a journal says, read whole and checked before anything is done.
struct JournalHeader {
    char    installDir[PATH_BUFFER_SIZE];
    wchar_t tempDir[MAX_PATH];
    bool    copyDone;
    int     entries;
};

struct JournalEntry {
    char kind;
    char path[JOURNAL_PATH_SIZE];
    char kept[JOURNAL_KEPT_SIZE];   // a kept file's name, or a folder's descriptor
};

// The outcome of reading, before anything is done.
enum Reading { READ_WHOLE, READ_EMPTY, READ_REFUSED, READ_UNREADABLE };

static JournalHeader s_header;
static JournalEntry  s_entry;
static PinnedFolders s_pins;
static char          s_text[JOURNAL_TEXT_SIZE];

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

// Eight hex digits in the case RunTag writes them.
static bool IsRunName(const char *name)
{
    int digit = 0;
    for (; digit < JOURNAL_NAME_SIZE - 1; ++digit)
        if (!((name[digit] >= '0' && name[digit] <= '9') || (name[digit] >= 'a' && name[digit] <= 'f')))
            return false;
    return name[digit] == '\0';
}

// "0000" to "0999": the entry's number, or -1.
static int EntryNumber(const char *name)
{
    int number = 0, digit = 0;
    for (; name[digit] >= '0' && name[digit] <= '9'; ++digit)
        number = number * 10 + (name[digit] - '0');
    return digit == 4 && name[4] == '\0' && number < JOURNAL_ENTRIES_MAX ? number : -1;
}

// A REG_SZ of the expected kind that fits the buffer with its NUL.
static bool ReadText(HKEY key, const char *name, char *text, DWORD size)
{
    DWORD type = 0, bytes = size;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &bytes) != ERROR_SUCCESS || type != REG_SZ
        || bytes == 0 || text[bytes - 1] != '\0')
        return false;
    return true;
}

static bool ReadWideText(HKEY key, const wchar_t *name, wchar_t *text, DWORD characters)
{
    DWORD type = 0, bytes = characters * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)text, &bytes) != ERROR_SUCCESS || type != REG_SZ
        || bytes < sizeof(wchar_t) || bytes % sizeof(wchar_t) || text[bytes / sizeof(wchar_t) - 1] != L'\0')
        return false;
    return true;
}

static bool IsFolderOfInstall(const char *path)
{
    char folder[JOURNAL_PATH_SIZE];
    if (lstrcmpiA(path, s_header.installDir) == 0)
        return true;
    for (int k = 0; k < SUBDIR_COUNT; ++k)
        if (CopyText(folder, sizeof folder, s_header.installDir)
            && AppendText(folder, sizeof folder, g_subdirectories[k]) && lstrcmpiA(path, folder) == 0)
            return true;
    return false;
}

static bool IsFileOfInstall(const char *path)
{
    char file[JOURNAL_PATH_SIZE];
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        if (CopyText(file, sizeof file, s_header.installDir)
            && AppendText(file, sizeof file, g_destinationSuffixes[row]) && lstrcmpiA(path, file) == 0)
            return true;
    return false;
}

// The name the run kept an earlier file under: the destination, "~" and the
// run's tag, which names its journal.
static bool IsKeptNameOf(const char *kept, const char *path, const char *journalName)
{
    char expected[JOURNAL_PATH_SIZE];
    return CopyText(expected, sizeof expected, path) && AppendText(expected, sizeof expected, "~")
           && AppendText(expected, sizeof expected, journalName) && lstrcmpiA(kept, expected) == 0;
}

// Entry "<kind>|<path>|<kept>", its paths checked against the header.
static Reading ReadEntry(HKEY key, int number, const char *journalName, JournalEntry *entry)
{
    char name[JOURNAL_VALUE_NAME_SIZE];
    wsprintfA(name, "%04d", number);
    if (!ReadText(key, name, s_text, sizeof s_text) || !s_text[0] || s_text[1] != JOURNAL_SEPARATOR)
        return READ_UNREADABLE;
    entry->kind = s_text[0];
    const char *path = s_text + 2;
    const char *separator = path;
    while (*separator && *separator != JOURNAL_SEPARATOR)
        ++separator;
    int pathLength = (int)(separator - path);
    if (*separator != JOURNAL_SEPARATOR || pathLength >= JOURNAL_PATH_SIZE
        || !CopyText(entry->kept, sizeof entry->kept, separator + 1))
        return READ_UNREADABLE;
    lstrcpynA(entry->path, path, pathLength + 1);
    if (entry->kind == JOURNAL_FOLDER_MADE && !entry->kept[0])
        return IsFolderOfInstall(entry->path) ? READ_WHOLE : READ_REFUSED;
    if (entry->kind == JOURNAL_FOLDER_SECURITY && entry->kept[0])
        return IsFolderOfInstall(entry->path) ? READ_WHOLE : READ_REFUSED;
    if (entry->kind == JOURNAL_FILE_WRITTEN)
        return IsFileOfInstall(entry->path) && (!entry->kept[0] || IsKeptNameOf(entry->kept, entry->path, journalName))
                   ? READ_WHOLE
                   : READ_REFUSED;
    return READ_UNREADABLE;
}

// Every value is one the setup writes, every entry is there from the first
// to the last, and every path passes its check.
static Reading ReadJournal(HKEY key, const char *journalName)
{
    DWORD values = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return READ_UNREADABLE;
    if (values == 0)
        return READ_EMPTY;
    s_header.installDir[0] = '\0';
    s_header.tempDir[0] = L'\0';
    s_header.copyDone = false;
    s_header.entries = 0;
    int lastEntry = -1;
    for (DWORD index = 0; index < values; ++index) {
        char name[JOURNAL_VALUE_NAME_SIZE];
        DWORD length = sizeof name, type = 0;
        if (RegEnumValueA(key, index, name, &length, NULL, &type, NULL, NULL) != ERROR_SUCCESS)
            return READ_UNREADABLE;
        int number = EntryNumber(name);
        if (number >= 0 && type == REG_SZ) {
            ++s_header.entries;
            lastEntry = number > lastEntry ? number : lastEntry;
        } else if (lstrcmpA(name, kJournalCopyDoneValue) == 0 && type == REG_DWORD) {
            DWORD done = 0, size = sizeof done;
            s_header.copyDone = RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&done, &size) == ERROR_SUCCESS
                                && done == 1;
            if (!s_header.copyDone)
                return READ_UNREADABLE;
        } else if (lstrcmpA(name, kJournalTempDirValue) == 0 && type == REG_SZ) {
            if (!ReadWideText(key, kJournalTempDirValueW, s_header.tempDir, MAX_PATH))
                return READ_UNREADABLE;
        } else if (!(lstrcmpA(name, kJournalInstallDirValue) == 0 && type == REG_SZ)) {
            return READ_UNREADABLE;
        }
    }
    if (lastEntry + 1 != s_header.entries || !IsRunName(journalName)
        || !ReadText(key, kJournalInstallDirValue, s_header.installDir, PATH_BUFFER_SIZE))
        return READ_UNREADABLE;
    if (!IsPlainFullPath(s_header.installDir))
        return READ_REFUSED;
    for (int number = 0; number < s_header.entries; ++number) {
        Reading reading = ReadEntry(key, number, journalName, &s_entry);
        if (reading != READ_WHOLE)
            return reading;
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
        // Never put back at the restart: by then a later install may have
        // written its own file there. It keeps its name, and the message says so.
        if (MoveFileExA(entry->kept, entry->path, MOVEFILE_REPLACE_EXISTING)) {
            ++copy->filesRestored;
            LogLine("Undo: earlier file put back: ", entry->path);
        }
        else
            ++copy->filesNotRestored;
        return;
    }
    DWORD attributes = GetFileAttributesA(entry->path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (DeleteFileA(entry->path)) {
        ++copy->filesRemoved;
        LogLine("Undo: file removed: ", entry->path);
    }
    else if (DeleteAtRestart(entry->path))
        ++copy->filesRemovedAtRestart;
}

// Newest first: the files before the folders they are in.
static void UndoCopy(HKEY key, const char *journalName, UnfinishedCopy *copy)
{
    for (int number = s_header.entries - 1; number >= 0; --number) {
        if (ReadEntry(key, number, journalName, &s_entry) != READ_WHOLE)
            continue;
        if (s_entry.kind == JOURNAL_FILE_WRITTEN) {
            UndoFileWrite(&s_entry, copy);
        } else if (s_entry.kind == JOURNAL_FOLDER_SECURITY) {
            HANDLE folder = PinnedHandle(&s_pins, s_entry.path);
            if (folder && WriteFolderSecurityText(folder, s_entry.kept))
                LogLine("Undo: earlier permissions put back: ", s_entry.path);
        } else {
            // The folder's own handle would stop its removal.
            UnpinFolder(&s_pins, s_entry.path);
            if (RemoveDirectoryA(s_entry.path)) {
                ++copy->foldersRemoved;
                LogLine("Undo: folder removed: ", s_entry.path);
            }
        }
    }
}

// The install directory must be a real folder, and each subdirectory there
// too; they stay held while the run is undone or finished. False, with the
// folder named, when one is not.
static bool PinInstallFolders(UnfinishedCopy *copy)
{
    UnpinFolders(&s_pins);
    char folder[sizeof copy->refusedFolder];
    for (int k = 0; k <= SUBDIR_COUNT; ++k) {
        bool fits = CopyText(folder, sizeof folder, s_header.installDir)
                    && (k == 0 || AppendText(folder, sizeof folder, g_subdirectories[k - 1]));
        PinOutcome outcome = fits ? PinFolder(&s_pins, folder, UNDO_ACCESS) : PIN_REFUSED;
        if (outcome == PIN_REFUSED || (k == 0 && outcome != PIN_HELD)) {
            CopyText(copy->refusedFolder, sizeof copy->refusedFolder, fits ? folder : s_header.installDir);
            UnpinFolders(&s_pins);
            return false;
        }
    }
    return true;
}

// What the completed copy had still to do: delete the files it kept aside.
static void FinishCopy(HKEY key, const char *journalName, UnfinishedCopy *copy)
{
    for (int number = 0; number < s_header.entries; ++number) {
        if (ReadEntry(key, number, journalName, &s_entry) != READ_WHOLE || !s_entry.kept[0]
            || GetFileAttributesA(s_entry.kept) == INVALID_FILE_ATTRIBUTES)
            continue;
        SetFileAttributesA(s_entry.kept, FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(s_entry.kept))
            ++copy->filesRemoved;
        else if (MoveFileExA(s_entry.kept, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
            ++copy->filesRemovedAtRestart;
    }
}

static UnfinishedOutcome OutcomeOf(Reading reading)
{
    if (reading == READ_WHOLE)
        return s_header.copyDone ? UNFINISHED_COMPLETED : UNFINISHED_UNDONE;
    if (reading == READ_EMPTY)
        return UNFINISHED_EMPTY;
    return reading == READ_REFUSED ? UNFINISHED_REFUSED : UNFINISHED_UNREADABLE;
}

void SettleUnfinishedCopy(const char *name, UnfinishedCopy *copy)
{
    ZeroMemory(copy, sizeof *copy);
    CopyText(copy->name, sizeof copy->name, name);
    char path[JOURNAL_KEY_SIZE] = "";
    HKEY key;
    if (!AppendText(path, sizeof path, kJournalKey) || !AppendText(path, sizeof path, "\\")
        || !AppendText(path, sizeof path, name)
        || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | kJournalView, &key) != ERROR_SUCCESS) {
        copy->outcome = UNFINISHED_UNREADABLE;
        return;
    }
    Reading reading = ReadJournal(key, name);
    copy->outcome = OutcomeOf(reading);
    if (reading == READ_WHOLE) {
        CopyText(copy->installDir, sizeof copy->installDir, s_header.installDir);
        if (!PinInstallFolders(copy)) {
            // Changed nothing, and the journal stays for a later start.
            copy->outcome = UNFINISHED_NOT_A_FOLDER;
            RegCloseKey(key);
            return;
        }
        if (s_header.copyDone)
            FinishCopy(key, name, copy);
        else
            UndoCopy(key, name, copy);
        UnpinFolders(&s_pins);
    }
    RegCloseKey(key);
    // A journal that fails a check stays as it is, and so does all it names.
    if (reading == READ_REFUSED || reading == READ_UNREADABLE)
        return;
    // The temp folder is removed only if it is the setup's own.
    if (reading == READ_WHOLE && s_header.tempDir[0])
        RemoveLeftoverTempDir(s_header.tempDir);
    DeleteJournal(name);
}

bool ComposeUnfinishedCopyMessage(const UnfinishedCopy *copy, char *text, size_t size)
{
    text[0] = '\0';
    if (copy->outcome == UNFINISHED_EMPTY || copy->outcome == UNFINISHED_COMPLETED)
        return false;
    if (copy->outcome != UNFINISHED_UNDONE) {
        const char *why = copy->outcome == UNFINISHED_REFUSED
                              ? "because it names a file or folder outside the folder that installation went into"
                          : copy->outcome == UNFINISHED_NOT_A_FOLDER ? "because the folder "
                                                                     : "because it cannot be read whole";
        bool fits = AppendText(text, size, "Setup found the record of an earlier installation of Velloran that did "
                                           "not end, but left it as it is and changed nothing, ")
                    && AppendText(text, size, why);
        if (copy->outcome == UNFINISHED_NOT_A_FOLDER)
            fits = fits && AppendText(text, size, copy->refusedFolder)
                   && AppendText(text, size, " is now a link, or no longer a folder");
        return fits && AppendText(text, size, ": HKEY_LOCAL_MACHINE\\")
               && AppendText(text, size, kJournalKey) && AppendText(text, size, "\\")
               && AppendText(text, size, copy->name) && AppendText(text, size, ".");
    }
    char kept[COUNT_TEXT_SIZE] = "";
    wsprintfA(kept, "could not be put back and keeps its name ending in ~%s", copy->name);
    char keptMany[COUNT_TEXT_SIZE] = "";
    wsprintfA(keptMany, "could not be put back and keep their names ending in ~%s", copy->name);
    const CountPhrase phrases[] = {
        { copy->filesRemoved, "file it had installed was removed", "files it had installed were removed" },
        { copy->filesRemovedAtRestart, "file it had installed is in use and will be removed when Windows restarts",
          "files it had installed are in use and will be removed when Windows restarts" },
        { copy->filesRestored, "earlier file was put back", "earlier files were put back" },
        { copy->filesNotRestored, kept, keptMany },
        { copy->foldersRemoved, "folder it had made was removed", "folders it had made were removed" },
    };
    return AppendText(text, size, "Setup found that an earlier installation of Velloran into ")
           && AppendText(text, size, copy->installDir)
           && AppendText(text, size, " was stopped before it ended, and has undone it")
           && AppendCountList(text, size, ": ", phrases, ARRAYSIZE(phrases), "") && AppendText(text, size, ".");
}

void RecoverFromEarlierRuns(HWND owner)
{
    static char names[UNFINISHED_COPIES_MAX][JOURNAL_FOUND_NAME_SIZE];
    static UnfinishedCopy copy;
    static char text[MESSAGE_SIZE];
    int count = FindUnfinishedCopies(names, UNFINISHED_COPIES_MAX);
    for (int k = 0; k < count; ++k) {
        LogLine("Undo of an earlier run stopped half way: ", names[k]);
        SettleUnfinishedCopy(names[k], &copy);
        if (!ComposeUnfinishedCopyMessage(&copy, text, sizeof text))
            continue;
        LogLine(text);
        if (!g_silent)
            MessageBoxA(owner, text, "Setup",
                        MB_OK | (copy.outcome == UNFINISHED_UNDONE ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    RemoveStaleTempDirs();
}

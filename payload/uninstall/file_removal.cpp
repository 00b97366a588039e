// Only what the manifest names is deleted, file by file; directories go with
// RemoveDirectory, which refuses while anything is left in them, so files a
// user added are never touched.
#include "common/path_join.h"
#include "common/pinned_folders.h"
#include "common/restart_deletion.h"
#include "common/text.h"
#include "install/manifest.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/removal.h"

enum {
    DELETE_ATTEMPTS      = 10,
    DELETE_RETRY_DELAY   = 200,   // milliseconds
    MAX_COUNT_DEPTH      = 8
};

enum FileOutcome { FILE_REMOVED, FILE_ABSENT, FILE_SCHEDULED, FILE_FAILED };

static PinnedFolders s_pins;

static bool IsAbsence(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A file still held open (the uninstaller that started this copy may take a
// moment to go) gets a few more tries, then is left for the next restart
// under a name of its own, so that the restart cannot delete a file that a
// later install puts at this name.
static FileOutcome DeleteInstalledFile(const char *path)
{
    for (int attempt = 0; attempt < DELETE_ATTEMPTS; ++attempt) {
        if (DeleteFileA(path))
            return FILE_REMOVED;
        DWORD error = GetLastError();
        if (IsAbsence(error))
            return attempt == 0 ? FILE_ABSENT : FILE_REMOVED;
        if (error == ERROR_ACCESS_DENIED) {
            // A read-only file cannot be deleted until its attribute is cleared.
            DWORD attributes = GetFileAttributesA(path);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return FILE_FAILED;
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
                SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
                continue;
            }
        }
        Sleep(DELETE_RETRY_DELAY);
    }
    return DeleteAtRestart(path) ? FILE_SCHEDULED : FILE_FAILED;
}

static void CountFileOutcome(FileOutcome outcome, RemovalReport *report)
{
    if (outcome == FILE_REMOVED)
        ++report->filesRemoved;
    else if (outcome == FILE_SCHEDULED)
        ++report->filesScheduled;
    else if (outcome == FILE_FAILED)
        ++report->filesFailed;
}

static bool DirectoryExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One of the installation's files (also renamed to wait for the restart) or
// subdirectories.
static bool IsInstalledPath(const char *programDir, const char *path)
{
    char installed[UNINSTALL_PATH_SIZE];
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        if (JoinPath(installed, sizeof installed, programDir, g_destinationSuffixes[row])
            && (lstrcmpiA(installed, path) == 0 || IsTaggedName(path, installed)))
            return true;
    for (int i = 0; i < SUBDIR_COUNT; ++i)
        if (JoinPath(installed, sizeof installed, programDir, g_subdirectories[i]) && lstrcmpiA(installed, path) == 0)
            return true;
    return false;
}

// Files and folders below dir that Velloran did not install, for the closing
// message: its own files still there (in use, or not removable) are counted
// as such elsewhere, never as something the user added.
static LONG CountItemsLeft(const char *programDir, const char *dir, int depth)
{
    char pattern[UNINSTALL_PATH_SIZE];
    if (depth > MAX_COUNT_DEPTH || !JoinPath(pattern, sizeof pattern, dir, "\\*"))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    LONG count = 0;
    do {
        if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0)
            continue;
        char child[UNINSTALL_PATH_SIZE];
        if (!JoinPath(child, sizeof child, dir, found.cFileName)) {
            ++count;
            continue;
        }
        if (!IsInstalledPath(programDir, child))
            ++count;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountItemsLeft(programDir, child, depth + 1);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// After the files in use: the restart deletes them first, in the order they
// were marked, then the subdirectories and the folder, which are empty then.
static bool ScheduleFoldersForRestart(const char *dir)
{
    char path[UNINSTALL_PATH_SIZE];
    for (int i = 0; i < SUBDIR_COUNT; ++i)
        if (JoinPath(path, sizeof path, dir, g_subdirectories[i]) && DirectoryExists(path))
            MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    return MoveFileExA(dir, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// The program folder, and each subdirectory that is there, held as real
// folders; a link or junction among them is refused and named.
static bool PinProgramFolders(const char *dir, RemovalReport *report)
{
    UnpinFolders(&s_pins);
    char path[UNINSTALL_PATH_SIZE];
    for (int i = 0; i <= SUBDIR_COUNT; ++i) {
        bool fits = i == 0 ? CopyText(path, sizeof path, dir) : JoinPath(path, sizeof path, dir, g_subdirectories[i - 1]);
        PinOutcome outcome = fits ? PinFolder(&s_pins, path, 0) : PIN_REFUSED;
        if (outcome == PIN_REFUSED || (i == 0 && outcome != PIN_HELD)) {
            report->programDirRefused = true;
            CopyText(report->refusedFolder, sizeof report->refusedFolder, fits ? path : dir);
            UnpinFolders(&s_pins);
            return false;
        }
    }
    return true;
}

void RemoveProgramFiles(const Installation *installation, RemovalReport *report)
{
    const char *dir = installation->programDir;
    if (!dir[0]) {
        report->programDirUnknown = true;
        return;
    }
    if (!DirectoryExists(dir)) {
        report->programDirMissing = true;
        return;
    }
    char path[UNINSTALL_PATH_SIZE];
    if (!PinProgramFolders(dir, report))
        return;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (!JoinPath(path, sizeof path, dir, g_destinationSuffixes[row])) {
            ++report->filesFailed;
            continue;
        }
        CountFileOutcome(DeleteInstalledFile(path), report);
    }
    // A folder's own handle would stop its removal.
    for (int i = 0; i < SUBDIR_COUNT; ++i) {
        if (!JoinPath(path, sizeof path, dir, g_subdirectories[i]))
            continue;
        UnpinFolder(&s_pins, path);
        if (RemoveDirectoryA(path))
            ++report->foldersRemoved;
    }
    UnpinFolders(&s_pins);
    if (RemoveDirectoryA(dir)) {
        ++report->foldersRemoved;
    } else if (DirectoryExists(dir)) {
        report->programDirKept = true;
        report->itemsLeft = CountItemsLeft(dir, dir, 0);
        if (report->itemsLeft == 0 && report->filesScheduled > 0 && report->filesFailed == 0)
            report->programDirScheduled = ScheduleFoldersForRestart(dir);
    }
}

void RemoveShortcuts(const Installation *installation, RemovalReport *report)
{
    const char *dir = installation->shortcutDir;
    if (!dir[0] || !DirectoryExists(dir))
        return;
    char path[UNINSTALL_PATH_SIZE];
    for (int i = 0; i < SHORTCUT_COUNT; ++i) {
        if (!JoinPath(path, sizeof path, dir, kShortcuts[i].linkSuffix))
            continue;
        if (DeleteFileA(path))
            ++report->shortcutsRemoved;
        else if (!IsAbsence(GetLastError()))
            ++report->shortcutsFailed;
    }
    if (RemoveDirectoryA(dir))
        report->shortcutDirRemoved = true;
    else
        report->shortcutDirKept = DirectoryExists(dir);
}

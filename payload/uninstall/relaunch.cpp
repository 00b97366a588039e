#include "payload/uninstall/relaunch.h"
#include "payload/uninstall/self_deletion.h"
#include "common/private_folder.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/uninstall_state.h"
#include "common/exit_codes.h"
#include "common/text.h"

enum {
    ORIGINAL_WAIT       = 15000,   // milliseconds
    FILE_POLL           = 100,     // milliseconds
    COMMAND_LINE_SIZE   = 4 * MAX_PATH + 128
};

static const wchar_t kCopyFolderPrefix[] = L"Velloran-uninstall-";
static const wchar_t kCopyName[] = L"\\uninstall.exe";
// Where the quiet copy puts the original's file, in its own folder.
static const wchar_t kMovedOriginalName[] = L"\\original-uninstall.exe";

// Full and long form, so that "C:\PROGRA~1\Velloran" matches "C:\Program Files\Velloran".
static bool CanonicalPath(const char *path, char *dest, DWORD destSize)
{
    char full[UNINSTALL_PATH_SIZE];
    DWORD length = GetFullPathNameA(path, sizeof full, full, NULL);
    if (length == 0 || length >= sizeof full)
        return false;
    length = GetLongPathNameA(full, dest, destSize);
    if (length == 0 || length >= destSize)
        lstrcpynA(dest, full, (int)destSize);
    TrimTrailingBackslashes(dest);
    return true;
}

// Whether the file lies in the directory itself.
static bool FileLiesIn(const char *file, const char *directory)
{
    char fileDir[MAX_PATH];
    if (!ParentDirectory(file, fileDir, sizeof fileDir))
        return false;
    char a[UNINSTALL_PATH_SIZE], b[UNINSTALL_PATH_SIZE];
    return CanonicalPath(fileDir, a, sizeof a) && CanonicalPath(directory, b, sizeof b) && lstrcmpiA(a, b) == 0;
}

bool IsRunningFrom(const char *directory)
{
    char module[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
    return length != 0 && length < sizeof module && FileLiesIn(module, directory);
}

// The folder part of a path: everything before its last backslash.
static bool WideParent(const wchar_t *path, wchar_t *dest, size_t destSize)
{
    const wchar_t *last = NULL;
    for (const wchar_t *at = path; *at; ++at)
        if (*at == L'\\')
            last = at;
    if (!last || (size_t)(last - path) >= destSize)
        return false;
    lstrcpynW(dest, path, (int)(last - path) + 1);
    return true;
}

// The copy goes into a private folder of its own (common/private_folder.h):
// nobody else can put a DLL beside it, nor swap it before it starts. Wide
// paths, so that a temp directory the ANSI code page cannot spell works too.
HANDLE RunCopyFromTemp(bool quiet)
{
    wchar_t module[MAX_PATH], folder[MAX_PATH], copyPath[MAX_PATH] = L"", tempDir[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return NULL;
    if (!CreatePrivateFolder(kCopyFolderPrefix, folder, MAX_PATH) || !WideParent(folder, tempDir, MAX_PATH))
        return NULL;
    // A current directory inside the install directory would keep it from
    // being removed: neither this process, which may wait, nor the copy has one.
    SetCurrentDirectoryW(tempDir);
    if (!AppendWideText(copyPath, MAX_PATH, folder) || !AppendWideText(copyPath, MAX_PATH, kCopyName)
        || !CopyFileW(module, copyPath, TRUE)) {
        RemoveDirectoryW(folder);
        return NULL;
    }

    // Held without write or delete sharing until the copy has started: what
    // is started is what was copied. The folder's DACL keeps out everyone
    // else meanwhile; an elevated run's is the administrators' alone.
    HANDLE pinned = CreateFileW(copyPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    wchar_t commandLine[COMMAND_LINE_SIZE];
    bool fits = ComposeCopyCommandLine(copyPath, module, GetCurrentProcessId(), quiet, commandLine, COMMAND_LINE_SIZE);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started = fits && pinned != INVALID_HANDLE_VALUE
                   && CreateProcessW(copyPath, commandLine, NULL, NULL, FALSE, 0, NULL, tempDir, &startup, &process);
    if (pinned != INVALID_HANDLE_VALUE)
        CloseHandle(pinned);
    if (!started) {
        DeleteFileW(copyPath);
        RemoveDirectoryW(folder);
        return NULL;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitForCopy(HANDLE copy)
{
    DWORD exitCode = EXIT_FAILED;
    if (WaitForSingleObject(copy, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(copy, &exitCode))
        exitCode = EXIT_FAILED;
    CloseHandle(copy);
    return (int)exitCode;
}

// Windows may hold an executable's file for a moment after its process has
// ended; the file is free once it can be opened for deletion by us alone.
static bool IsFileFree(const char *path)
{
    HANDLE file = CreateFileA(path, DELETE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    CloseHandle(file);
    return true;
}

void WaitForOriginal(const RelaunchArguments *arguments)
{
    HANDLE original = OpenProcess(SYNCHRONIZE, FALSE, arguments->originalProcessId);
    if (original) {
        WaitForSingleObject(original, ORIGINAL_WAIT);
        CloseHandle(original);
    }
    for (DWORD waited = 0; waited < ORIGINAL_WAIT && !IsFileFree(arguments->originalPath); waited += FILE_POLL)
        Sleep(FILE_POLL);
}

// The private folder that RunCopyFromTemp made, when this program runs from one.
static bool OwnCopyFolder(wchar_t *folder, size_t folderSize)
{
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !WideParent(module, folder, folderSize))
        return false;
    const wchar_t *folderName = folder + lstrlenW(folder);
    while (folderName > folder && folderName[-1] != L'\\')
        --folderName;
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, folderName, lstrlenW(kCopyFolderPrefix),
                          kCopyFolderPrefix, -1) == CSTR_EQUAL;
}

// Where the original's file is and where MoveOriginalAside puts it.
static bool OriginalPlaces(const RelaunchArguments *arguments, wchar_t *original, wchar_t *moved)
{
    return OwnCopyFolder(moved, MAX_PATH) && AppendWideText(moved, MAX_PATH, kMovedOriginalName)
           && MultiByteToWideChar(CP_ACP, 0, arguments->originalPath, -1, original, MAX_PATH);
}

bool MoveOriginalAside(const RelaunchArguments *arguments, const char *programDir)
{
    wchar_t original[MAX_PATH], moved[MAX_PATH];
    return FileLiesIn(arguments->originalPath, programDir) && OriginalPlaces(arguments, original, moved)
           && MoveFileExW(original, moved, 0);
}

void PutOriginalBack(const RelaunchArguments *arguments)
{
    wchar_t original[MAX_PATH], moved[MAX_PATH];
    if (OriginalPlaces(arguments, original, moved))
        MoveFileExW(moved, original, 0);
}

void ScheduleOwnDeletion(void)
{
    wchar_t module[MAX_PATH], folder[MAX_PATH], tempDir[MAX_PATH], moved[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(NULL, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    // Only the private folder that RunCopyFromTemp made goes with the copy,
    // and with it the original's file where MoveOriginalAside put it there.
    bool ownFolder = OwnCopyFolder(folder, MAX_PATH) && WideParent(folder, tempDir, MAX_PATH);
    if (ownFolder && (!AppendWideText(moved, MAX_PATH, folder) || !AppendWideText(moved, MAX_PATH, kMovedOriginalName)
                      || GetFileAttributesW(moved) == INVALID_FILE_ATTRIBUTES))
        moved[0] = L'\0';
    // The system's own cmd.exe and ping.exe, by their full paths: by name
    // alone they would be looked for in the current directory (the temp
    // folder) first, and ComSpec is the user's to change, while this process
    // runs as an administrator. A 32-bit process on 64-bit Windows that names
    // the system directory reaches SysWOW64, which holds both.
    wchar_t system[MAX_PATH], shell[MAX_PATH] = L"", commandLine[COMMAND_LINE_SIZE];
    length = GetSystemDirectoryW(system, MAX_PATH);
    bool fits = length != 0 && length < MAX_PATH && AppendWideText(shell, MAX_PATH, system)
                && AppendWideText(shell, MAX_PATH, L"\\cmd.exe")
                && ComposeSelfDeletionCommand(system, module, moved, ownFolder ? folder : L"", commandLine,
                                              COMMAND_LINE_SIZE);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (fits && CreateProcessW(shell, commandLine, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL,
                               ownFolder ? tempDir : NULL, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;
    }
    MoveFileExW(module, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (moved[0])
        MoveFileExW(moved, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (ownFolder)
        MoveFileExW(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

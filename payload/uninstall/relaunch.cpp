#include "payload/uninstall/relaunch.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/uninstall_state.h"
#include "shell/text.h"

enum {
    COPY_NAME_ATTEMPTS  = 100,
    ORIGINAL_WAIT       = 15000,   // milliseconds
    FILE_POLL           = 100,     // milliseconds
    COMMAND_LINE_SIZE   = 3 * MAX_PATH + 64
};

static const char kOriginalSwitch[] = "/original";
static const char kWaitSwitch[] = "/wait";
static const char kCopyPrefix[] = "Velloran-uninstall-";

const char *CommandLineTail(const char *commandLine)
{
    const char *at = commandLine;
    if (*at == '"') {
        ++at;
        while (*at && *at != '"')
            ++at;
        if (*at)
            ++at;
    } else {
        while (*at && *at != ' ' && *at != '\t')
            ++at;
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

static const char *SkipBlanks(const char *at)
{
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

// A switch word followed by a blank.
static const char *MatchSwitch(const char *at, const char *word)
{
    int length = lstrlenA(word);
    if (!StartsWithNoCase(at, word) || (at[length] != ' ' && at[length] != '\t'))
        return NULL;
    return SkipBlanks(at + length);
}

void ParseRelaunchArguments(const char *tail, RelaunchArguments *arguments)
{
    arguments->isCopy = false;
    arguments->originalPath[0] = '\0';
    arguments->originalProcessId = 0;

    const char *at = MatchSwitch(SkipBlanks(tail), kOriginalSwitch);
    if (!at || *at != '"')
        return;
    const char *pathStart = ++at;
    while (*at && *at != '"')
        ++at;
    size_t pathLength = (size_t)(at - pathStart);
    if (*at != '"' || pathLength == 0 || pathLength >= sizeof arguments->originalPath)
        return;
    at = MatchSwitch(SkipBlanks(at + 1), kWaitSwitch);
    if (!at || *at < '0' || *at > '9')
        return;
    DWORD processId = 0;
    for (int digits = 0; *at >= '0' && *at <= '9'; ++at) {
        if (++digits > 10)
            return;
        processId = processId * 10 + (DWORD)(*at - '0');
    }
    if (*SkipBlanks(at) != '\0')
        return;
    lstrcpynA(arguments->originalPath, pathStart, (int)pathLength + 1);
    arguments->originalProcessId = processId;
    arguments->isCopy = true;
}

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

bool IsRunningFrom(const char *directory)
{
    char module[MAX_PATH], moduleDir[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
    if (length == 0 || length >= sizeof module || !ParentDirectory(module, moduleDir, sizeof moduleDir))
        return false;
    char a[UNINSTALL_PATH_SIZE], b[UNINSTALL_PATH_SIZE];
    return CanonicalPath(moduleDir, a, sizeof a) && CanonicalPath(directory, b, sizeof b) && lstrcmpiA(a, b) == 0;
}

// A name no other copy holds: CopyFile is told to fail on an existing file.
static bool CopySelfToTemp(const char *module, char *copyPath, size_t copySize, char *tempDir, size_t tempSize)
{
    DWORD length = GetTempPathA((DWORD)tempSize, tempDir);
    if (length == 0 || length >= tempSize)
        return false;
    TrimTrailingBackslashes(tempDir);
    DWORD base = GetCurrentProcessId();
    for (int attempt = 0; attempt < COPY_NAME_ATTEMPTS; ++attempt) {
        char name[64] = "\\";
        if (!AppendText(name, sizeof name, kCopyPrefix) || !AppendNumber(name, sizeof name, base) ||
            !AppendText(name, sizeof name, "-") || !AppendNumber(name, sizeof name, (unsigned long)attempt) ||
            !AppendText(name, sizeof name, ".exe") || !JoinPath(copyPath, copySize, tempDir, name))
            return false;
        if (CopyFileA(module, copyPath, TRUE))
            return true;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool RunCopyFromTemp(void)
{
    char module[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return false;
    char copyPath[MAX_PATH], tempDir[MAX_PATH];
    if (!CopySelfToTemp(module, copyPath, sizeof copyPath, tempDir, sizeof tempDir))
        return false;

    char commandLine[COMMAND_LINE_SIZE] = "\"";
    bool fits = AppendText(commandLine, sizeof commandLine, copyPath) &&
                AppendText(commandLine, sizeof commandLine, "\" ") &&
                AppendText(commandLine, sizeof commandLine, kOriginalSwitch) &&
                AppendText(commandLine, sizeof commandLine, " \"") &&
                AppendText(commandLine, sizeof commandLine, module) &&
                AppendText(commandLine, sizeof commandLine, "\" ") &&
                AppendText(commandLine, sizeof commandLine, kWaitSwitch) &&
                AppendText(commandLine, sizeof commandLine, " ") &&
                AppendNumber(commandLine, sizeof commandLine, GetCurrentProcessId());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The copy runs in the temp directory: a current directory inside the
    // install directory would keep it from being removed.
    if (!fits || !CreateProcessA(copyPath, commandLine, NULL, NULL, FALSE, 0, NULL, tempDir, &startup, &process)) {
        DeleteFileA(copyPath);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
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

void ScheduleOwnDeletion(void)
{
    char module[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return;
    char shell[MAX_PATH];
    length = GetEnvironmentVariableA("ComSpec", shell, sizeof shell);
    if (length == 0 || length >= sizeof shell)
        lstrcpynA(shell, "cmd.exe", sizeof shell);

    // ping is the one delay every command interpreter has: it gives this
    // process time to end, and "del" then finds the file free.
    char commandLine[COMMAND_LINE_SIZE] = "\"";
    bool fits = AppendText(commandLine, sizeof commandLine, shell) &&
                AppendText(commandLine, sizeof commandLine, "\" /c ping -n 3 127.0.0.1 >nul & del /f /q \"") &&
                AppendText(commandLine, sizeof commandLine, module) &&
                AppendText(commandLine, sizeof commandLine, "\"");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    char tempDir[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof tempDir, tempDir);
    const char *workDir = (tempLength > 0 && tempLength < sizeof tempDir) ? tempDir : NULL;
    if (fits && CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, workDir, &startup,
                               &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;
    }
    MoveFileExA(module, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

#include "shell/setup_log.h"

#include "common/exit_codes.h"
#include "common/path_join.h"
#include "common/text.h"
#include "shell/setup_state.h"

enum {
    LOG_LINE_SIZE   = 3 * PATH_BUFFER_SIZE,
    KEY_PATH_SIZE   = 512,
    LOGGED_KEYS_MAX = 16,
    NUMBER_SIZE     = 16
};

struct LoggedKey {
    HKEY   key;
    REGSAM view;
    char   path[KEY_PATH_SIZE];
};

static HANDLE    s_log = INVALID_HANDLE_VALUE;
static char      s_line[LOG_LINE_SIZE];
// The keys open for writing, by handle; a handle closed and given out again
// is found at its newest use.
static LoggedKey s_keys[LOGGED_KEYS_MAX];
static int       s_nextKey;

bool OpenSetupLog(const char *path)
{
    s_log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return s_log != INVALID_HANDLE_VALUE;
}

void LogLine(const char *first, const char *second, const char *third, const char *fourth)
{
    if (s_log == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfA(s_line, "%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    // A part that does not fit is left out and said to be; the line end always fits.
    const char *const parts[] = { first, second, third, fourth };
    for (size_t i = 0; i < ARRAYSIZE(parts); ++i)
        if (!AppendText(s_line, LOG_LINE_SIZE - 2, parts[i]))
            AppendText(s_line, LOG_LINE_SIZE - 2, "[too long]");
    AppendText(s_line, LOG_LINE_SIZE, "\r\n");
    DWORD written = 0;
    WriteFile(s_log, s_line, (DWORD)lstrlenA(s_line), &written, NULL);
    FlushFileBuffers(s_log);
}

void LogFileWritten(const char *path, DWORD bytes)
{
    char size[NUMBER_SIZE + 8];
    wsprintfA(size, " (%lu bytes)", bytes);
    LogLine("File written: ", path, size);
}

static const char *ViewName(REGSAM view)
{
    return (view & KEY_WOW64_64KEY) ? " (64-bit view)" : " (32-bit view)";
}

static const LoggedKey *FindKey(HKEY key)
{
    for (int k = 1; k <= LOGGED_KEYS_MAX; ++k) {
        const LoggedKey *logged = &s_keys[(s_nextKey - k + LOGGED_KEYS_MAX) % LOGGED_KEYS_MAX];
        if (logged->key == key && key)
            return logged;
    }
    return NULL;
}

void LogRegistryKey(HKEY key, HKEY parent, const char *subkey, REGSAM view)
{
    if (s_log == INVALID_HANDLE_VALUE || !key)
        return;
    // The parent is looked up before its slot may be taken: a closed key's
    // handle is given out again.
    const LoggedKey *above = FindKey(parent);
    char path[KEY_PATH_SIZE];
    if (!JoinPath(path, KEY_PATH_SIZE, above ? above->path : "HKLM", subkey))
        CopyText(path, KEY_PATH_SIZE, subkey);
    LoggedKey *logged = &s_keys[s_nextKey];
    s_nextKey = (s_nextKey + 1) % LOGGED_KEYS_MAX;
    CopyText(logged->path, KEY_PATH_SIZE, path);
    logged->key = key;
    logged->view = view & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    LogLine("Registry key: ", logged->path, ViewName(logged->view));
}

// Text in quotes, a number without.
static void LogRegistryValue(HKEY key, const char *name, const char *data, const char *quote)
{
    const LoggedKey *logged = FindKey(key);
    if (s_log == INVALID_HANDLE_VALUE || !logged)
        return;
    char value[KEY_PATH_SIZE + PATH_BUFFER_SIZE];
    if (!CopyText(value, sizeof value, logged->path) || !AppendText(value, sizeof value, " : ") ||
        !AppendText(value, sizeof value, name[0] ? name : "(default)") ||
        !AppendText(value, sizeof value, " = ") || !AppendText(value, sizeof value, quote) ||
        !AppendText(value, sizeof value, data) || !AppendText(value, sizeof value, quote))
        CopyText(value, sizeof value, name);
    LogLine("Registry value: ", value, ViewName(logged->view));
}

void LogRegistryText(HKEY key, const char *name, const char *text)
{
    LogRegistryValue(key, name, text, "\"");
}

void LogRegistryNumber(HKEY key, const char *name, DWORD number)
{
    char text[NUMBER_SIZE];
    wsprintfA(text, "%lu", number);
    LogRegistryValue(key, name, text, "");
}

struct ExitMeaning {
    int code;
    const char *meaning;
};

static const ExitMeaning kExitMeanings[] = {
    { EXIT_DONE,            "installed" },
    { EXIT_CANCELLED,       "cancelled" },
    { EXIT_FAILED,          "failed; what this run changed was given back" },
    { EXIT_ANOTHER_RUNNING, "another setup runs" },
    { EXIT_REBOOT_REQUIRED, "installed; a file goes when Windows restarts" },
    { EXIT_BAD_COMMAND_LINE, "bad command line; nothing installed" },
};

void LogEnd(int exitCode, const char *meaning)
{
    char code[NUMBER_SIZE + 16];
    wsprintfA(code, "End: exit code %d, ", exitCode);
    for (size_t i = 0; i < ARRAYSIZE(kExitMeanings) && !meaning; ++i)
        if (kExitMeanings[i].code == exitCode)
            meaning = kExitMeanings[i].meaning;
    LogLine(code, meaning ? meaning : "unknown");
}

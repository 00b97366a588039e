#include "payload/uninstall/relaunch_arguments.h"
#include "payload/uninstall/paths.h"
#include "common/text.h"

// Macros so that the wide command line is made of the same words the parse
// reads.
#define ORIGINAL_SWITCH "/original"
#define WAIT_SWITCH     "/wait"
#define QUIET_SWITCH    "/S"
static const char kOriginalSwitch[] = ORIGINAL_SWITCH;
static const char kWaitSwitch[] = WAIT_SWITCH;

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

// "/S" (in either case, as Windows switches go) and nothing after it.
static bool IsQuietSwitch(const char *at)
{
    return at[0] == '/' && (at[1] == 'S' || at[1] == 's') && *SkipBlanks(at + 2) == '\0';
}

void ParseRelaunchArguments(const char *tail, RelaunchArguments *arguments)
{
    arguments->quiet = false;
    arguments->isCopy = false;
    arguments->originalPath[0] = '\0';
    arguments->originalProcessId = 0;

    if (IsQuietSwitch(SkipBlanks(tail))) {
        arguments->quiet = true;
        return;
    }
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
    at = SkipBlanks(at);
    bool quiet = *at != '\0';
    if (quiet && !IsQuietSwitch(at))
        return;
    lstrcpynA(arguments->originalPath, pathStart, (int)pathLength + 1);
    arguments->originalProcessId = processId;
    arguments->isCopy = true;
    arguments->quiet = quiet;
}

static bool AppendWideNumber(wchar_t *dest, size_t destSize, unsigned long value)
{
    wchar_t digits[16];
    int at = 15;
    digits[at] = L'\0';
    do
        digits[--at] = (wchar_t)(L'0' + value % 10);
    while ((value /= 10) != 0);
    return AppendWideText(dest, destSize, digits + at);
}

bool ComposeCopyCommandLine(const wchar_t *copyPath, const wchar_t *originalPath, DWORD originalProcessId,
                            bool quiet, wchar_t *dest, size_t destSize)
{
    dest[0] = L'\0';
    return AppendWideText(dest, destSize, L"\"") && AppendWideText(dest, destSize, copyPath) &&
           AppendWideText(dest, destSize, L"\" " ORIGINAL_SWITCH " \"") &&
           AppendWideText(dest, destSize, originalPath) &&
           AppendWideText(dest, destSize, L"\" " WAIT_SWITCH " ") &&
           AppendWideNumber(dest, destSize, originalProcessId) &&
           (!quiet || AppendWideText(dest, destSize, L" " QUIET_SWITCH));
}

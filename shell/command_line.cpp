#include "shell/command_line.h"

#include "common/text.h"
#include "pages/folder_name.h"

#include <string.h>

const char kSwitchList[] =
    "/S\t\tinstall silently, without a window\n"
    "/NOASSOC\tleave the image types alone\n"
    "/LOG=<file>\twrite a log of the install\n"
    "/D=<folder>\tinstall into the folder; last, unquoted\n"
    "/?\t\tshow this list";

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Case-insensitive, ASCII only: the switches are.
static bool StartsWith(const char *text, const char *prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
        if (c != *prefix)
            return false;
    }
    return true;
}

static CommandLineResult Refuse(CommandLine *parsed, const char *text, size_t length, const char *reason)
{
    if (parsed->reason)
        return COMMAND_LINE_BAD;    // the first mistake is the one named
    size_t kept = length < SWITCH_TEXT_SIZE ? length : SWITCH_TEXT_SIZE - 4;
    memcpy(parsed->badSwitch, text, kept);
    parsed->badSwitch[kept] = '\0';
    if (kept < length)
        AppendText(parsed->badSwitch, SWITCH_TEXT_SIZE, "...");
    parsed->reason = reason;
    return COMMAND_LINE_BAD;
}

// Characters no file or folder name may hold.
static bool HoldsRefusedCharacter(const char *part, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (strchr("<>:\"/|?*", part[i]) || (unsigned char)part[i] < ' ')
            return true;
    return false;
}

// The directory page's rules: a full path on a drive, a new folder below it
// whose name the page would take, and no part Windows would read otherwise.
static const char *InstallDirProblem(const char *dir)
{
    size_t length = strlen(dir);
    if (length == 0)
        return "The install folder is empty.";
    char drive = (char)(dir[0] | 0x20);
    if (length < 4 || drive < 'a' || drive > 'z' || dir[1] != ':' || dir[2] != '\\')
        return "The install folder must be a full path, such as C:\\Program Files\\Velloran.";
    // The deepest payload file must still fit the file functions' limit.
    if (length >= MAX_PATH - 40)
        return "The install folder is too long.";
    const char *part = dir + 3;
    while (*part) {
        const char *end = strchr(part, '\\');
        size_t partLength = end ? (size_t)(end - part) : strlen(part);
        char name[MAX_PATH];
        if (partLength == 0 || partLength >= FOLDER_NAME_SIZE || HoldsRefusedCharacter(part, partLength))
            return "The install folder holds a name that Windows can't make.";
        memcpy(name, part, partLength);
        name[partLength] = '\0';
        if (IsUnusableFolderName(name))
            return "The install folder holds a name that Windows can't make.";
        part += partLength;
        if (*part)
            ++part;
        if (end && !*part)
            return "The install folder ends in a backslash.";
    }
    return NULL;
}

// One switch of the line, without its quotes, into token; false when it
// does not fit. A quote anywhere opens a quoted stretch, as the shell writes
// "/LOG=C:\My Logs\v.log" or /LOG="C:\My Logs\v.log".
static bool ReadToken(const char **cursor, char *token, size_t size)
{
    size_t used = 0;
    bool quoted = false;
    const char *c = *cursor;
    for (; *c && (quoted || !IsBlank(*c)); ++c) {
        if (*c == '"') {
            quoted = !quoted;
            continue;
        }
        if (used + 1 >= size)
            return false;
        token[used++] = *c;
    }
    token[used] = '\0';
    *cursor = c;
    return true;
}

CommandLineResult ParseCommandLine(const char *line, CommandLine *parsed)
{
    ZeroMemory(parsed, sizeof *parsed);
    if (strlen(line) > COMMAND_LINE_MAX_LENGTH)
        return Refuse(parsed, line, strlen(line), "The command line is too long.");
    bool help = false;
    const char *cursor = line;
    for (;;) {
        while (IsBlank(*cursor))
            ++cursor;
        if (!*cursor)
            break;
        const char *start = cursor;
        // A tool that quotes every argument with a space writes "/D=C:\My Apps\Velloran".
        bool quotedWhole = cursor[0] == '"' && StartsWith(cursor + 1, "/D=");
        if (StartsWith(cursor, "/D=") || quotedWhole) {
            // The rest of the line, spaces included; blanks at its end are not the folder's.
            const char *dir = cursor + (quotedWhole ? 4 : 3);
            size_t length = strlen(dir);
            while (length > 0 && IsBlank(dir[length - 1]))
                --length;
            if (quotedWhole && length > 0 && dir[length - 1] == '"')
                --length;
            else if (quotedWhole)
                return Refuse(parsed, start, strlen(start), "The install folder's closing quote is missing.");
            if (length >= PATH_BUFFER_SIZE)
                return Refuse(parsed, start, strlen(start), "The install folder is too long.");
            memcpy(parsed->installDir, dir, length);
            parsed->installDir[length] = '\0';
            const char *problem = InstallDirProblem(parsed->installDir);
            if (problem) {
                Refuse(parsed, start, (size_t)(dir - start) + length + (quotedWhole ? 1 : 0), problem);
                parsed->installDir[0] = '\0';
            }
            break;
        }
        char token[LOG_PATH_SIZE + 8];
        bool fits = ReadToken(&cursor, token, sizeof token);
        size_t tokenLength = (size_t)(cursor - start);
        if (!fits) {
            while (*cursor && !IsBlank(*cursor))
                ++cursor;
            Refuse(parsed, start, (size_t)(cursor - start), "The switch is too long.");
        } else if (lstrcmpiA(token, "/S") == 0) {
            parsed->silent = true;
        } else if (lstrcmpiA(token, "/NOASSOC") == 0) {
            parsed->leaveImageTypes = true;
        } else if (lstrcmpA(token, "/?") == 0) {
            help = true;
        } else if (StartsWith(token, "/LOG=")) {
            const char *path = token + 5;
            if (!path[0] || !CopyText(parsed->logPath, LOG_PATH_SIZE, path))
                Refuse(parsed, start, tokenLength, "The log file is not named, or its name is too long.");
        } else {
            Refuse(parsed, start, tokenLength, "This switch is not known.");
        }
    }
    if (parsed->reason)
        return COMMAND_LINE_BAD;
    return help ? COMMAND_LINE_HELP : COMMAND_LINE_RUN;
}

const char *LastFolderName(const char *installDir)
{
    return installDir + ParentLength(installDir) + (ParentLength(installDir) > 3 ? 1 : 0);
}

int ParentLength(const char *installDir)
{
    const char *last = strrchr(installDir, '\\');
    if (!last)
        return 0;
    int length = (int)(last - installDir);
    return length == 2 ? 3 : length;
}

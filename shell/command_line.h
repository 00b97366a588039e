// The switches the setup takes, read from its command line without a Win32
// call (the drive of /D= and the folder of /LOG= are checked by the caller):
//   /S          silent: no window, the licence taken as accepted
//   /NOASSOC    the image types are left alone
//   /LOG=<path> a plain text log; the path may be quoted
//   /?          the list of switches
//   /D=<path>   the install folder; last, the rest of the line, unquoted
// Case does not matter, and the order neither, but for /D=.
#pragma once
#include "shell/setup_state.h"

enum {
    // Longer lines are refused whole: nothing sensible is that long.
    COMMAND_LINE_MAX_LENGTH = 4096,
    LOG_PATH_SIZE           = MAX_PATH,
    SWITCH_TEXT_SIZE        = 64
};

enum CommandLineResult {
    COMMAND_LINE_RUN,     // install, as the switches say
    COMMAND_LINE_HELP,    // "/?": list the switches, install nothing
    COMMAND_LINE_BAD      // a mistake: install nothing, exit 87
};

struct CommandLine {
    bool silent;
    bool leaveImageTypes;
    char installDir[PATH_BUFFER_SIZE];   // empty without /D=
    char logPath[LOG_PATH_SIZE];         // empty without /LOG=
    char badSwitch[SWITCH_TEXT_SIZE];    // the switch refused, cut to fit with "..."
    const char *reason;                  // why it was refused, a sentence
};

// Fills parsed from line (the arguments after the program's name). A bad
// line still yields the switches read before and after the bad one, so that
// /S and /LOG= hold for reporting it.
CommandLineResult ParseCommandLine(const char *line, CommandLine *parsed);

// The last part of an install folder that ParseCommandLine accepted, and the
// length of its parent ("C:\Tools" of "C:\Tools\Velloran"; "C:\" of "C:\Velloran").
const char *LastFolderName(const char *installDir);
int ParentLength(const char *installDir);

// What the /? box and the refusal box list.
extern const char kSwitchList[];

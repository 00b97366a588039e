// Pure helpers of the viewer window: where the picture goes, and which file
// the command line names.
#pragma once
#include <windows.h>

// The largest rectangle with the picture's proportions that fits the client
// area, centred in it. Empty when either size is empty.
RECT FitPicture(LONG pictureWidth, LONG pictureHeight, LONG clientWidth, LONG clientHeight);

// The file named on the command line: everything after the program's own
// name, without surrounding blanks or quotes, so that an unquoted path with
// spaces is taken whole. The program's name may be quoted, unquoted, or the
// unquoted module path with spaces in it. False when the text does not fit
// (an empty result is not an error: no file was named).
bool CommandLineFile(const char *commandLine, const char *modulePath, char *file, size_t fileSize);

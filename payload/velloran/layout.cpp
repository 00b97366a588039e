#include "payload/velloran/layout.h"

RECT FitPicture(LONG pictureWidth, LONG pictureHeight, LONG clientWidth, LONG clientHeight)
{
    RECT place = { 0, 0, 0, 0 };
    if (pictureWidth <= 0 || pictureHeight <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return place;
    // Whichever side is the tighter fit decides the scale; 64-bit products
    // because sizes up to 16384 squared overflow 32 bits.
    LONG width = clientWidth;
    LONG height = (LONG)((LONGLONG)pictureHeight * clientWidth / pictureWidth);
    if ((LONGLONG)pictureWidth * clientHeight < (LONGLONG)pictureHeight * clientWidth) {
        height = clientHeight;
        width = (LONG)((LONGLONG)pictureWidth * clientHeight / pictureHeight);
    }
    if (width < 1)
        width = 1;
    if (height < 1)
        height = 1;
    place.left = (clientWidth - width) / 2;
    place.top = (clientHeight - height) / 2;
    place.right = place.left + width;
    place.bottom = place.top + height;
    return place;
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Past the program's name at the start of the command line.
static const char *SkipProgramName(const char *commandLine, const char *modulePath)
{
    const char *at = commandLine;
    if (*at == '"') {
        ++at;
        while (*at && *at != '"')
            ++at;
        return *at ? at + 1 : at;
    }
    int moduleLength = lstrlenA(modulePath);
    if (moduleLength > 0 && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, commandLine, moduleLength,
                                           modulePath, moduleLength) == CSTR_EQUAL &&
        (commandLine[moduleLength] == '\0' || IsBlank(commandLine[moduleLength])))
        return commandLine + moduleLength;
    while (*at && !IsBlank(*at))
        ++at;
    return at;
}

bool CommandLineFile(const char *commandLine, const char *modulePath, char *file, size_t fileSize)
{
    if (fileSize == 0)
        return false;
    file[0] = '\0';
    const char *start = SkipProgramName(commandLine, modulePath);
    while (IsBlank(*start))
        ++start;
    const char *end = start + lstrlenA(start);
    while (end > start && IsBlank(end[-1]))
        --end;
    if (end > start && *start == '"') {
        ++start;
        if (end > start && end[-1] == '"')
            --end;
    }
    size_t length = (size_t)(end - start);
    if (length >= fileSize)
        return false;
    lstrcpynA(file, start, (int)length + 1);
    return true;
}

#include "common/text.h"
#include <string.h>
#include <wchar.h>

bool CopyText(char *dest, size_t destSize, const char *source)
{
    size_t length = strlen(source);
    if (length >= destSize)
        return false;
    memcpy(dest, source, length + 1);
    return true;
}

bool AppendText(char *dest, size_t destSize, const char *source)
{
    size_t used = strnlen(dest, destSize);
    if (used >= destSize)
        return false;
    return CopyText(dest + used, destSize - used, source);
}

bool AppendWideText(wchar_t *dest, size_t destSize, const wchar_t *source)
{
    size_t used = wcsnlen(dest, destSize), length = wcslen(source);
    if (used >= destSize || length >= destSize - used)
        return false;
    wmemcpy(dest + used, source, length + 1);
    return true;
}

bool AppendNumber(char *dest, size_t destSize, unsigned long value)
{
    char digits[12];
    int at = (int)sizeof digits - 1;
    digits[at] = '\0';
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value && at > 0);
    return AppendText(dest, destSize, digits + at);
}

bool AppendCount(char *dest, size_t destSize, long count, const char *one, const char *many)
{
    return AppendNumber(dest, destSize, (unsigned long)count) && AppendText(dest, destSize, " ")
           && AppendText(dest, destSize, count == 1 ? one : many);
}

bool AppendCountList(char *dest, size_t destSize, const char *lead, const CountPhrase *phrases, int phraseCount,
                     const char *tail)
{
    int left = 0;
    for (int k = 0; k < phraseCount; ++k)
        left += phrases[k].count > 0;
    if (left == 0)
        return true;
    if (!AppendText(dest, destSize, lead))
        return false;
    for (int k = 0; k < phraseCount; ++k) {
        if (phrases[k].count <= 0)
            continue;
        --left;
        if (!AppendCount(dest, destSize, phrases[k].count, phrases[k].one, phrases[k].many)
            || !AppendText(dest, destSize, left == 0 ? tail : left == 1 ? " and " : ", "))
            return false;
    }
    return true;
}

#include "pages/folder_name.h"

#include <string.h>

static const char *const kDeviceNames[] = { "CON", "PRN", "AUX", "NUL" };
static const char *const kNumberedDevices[] = { "COM", "LPT" };

static char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// Compares the first `length` characters of `base`, ASCII case ignored, with
// the whole of `upper`.
static bool SameName(const char *base, size_t length, const char *upper)
{
    if (strlen(upper) != length)
        return false;
    for (size_t k = 0; k < length; ++k)
        if (UpperAscii(base[k]) != upper[k])
            return false;
    return true;
}

static bool IsDeviceName(const char *base, size_t length)
{
    for (const char *device : kDeviceNames)
        if (SameName(base, length, device))
            return true;
    if (length != 4 || base[3] < '1' || base[3] > '9')
        return false;
    for (const char *prefix : kNumberedDevices)
        if (SameName(base, 3, prefix))
            return true;
    return false;
}

bool IsUnusableFolderName(const char *name)
{
    size_t length = strlen(name);
    if (length == 0)
        return false;
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return true;
    // Windows reads a device name up to the first dot, blanks before it
    // dropped: "con .txt" is CON too.
    size_t base = strcspn(name, ".");
    while (base > 0 && name[base - 1] == ' ')
        --base;
    return IsDeviceName(name, base);
}

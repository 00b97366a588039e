#include "common/path_join.h"

#include <string.h>

bool JoinPath(char *dest, size_t destSize, const char *dir, const char *name)
{
    size_t dirLength = strlen(dir);
    bool dirEnds = dirLength > 0 && dir[dirLength - 1] == '\\';
    if (dirEnds && name[0] == '\\')
        ++name;
    size_t separator = dirEnds || name[0] == '\\' ? 0 : 1;
    size_t nameLength = strlen(name);
    if (dirLength + separator + nameLength >= destSize)
        return false;
    // Moved rather than copied: dest may be dir.
    memmove(dest, dir, dirLength);
    dest[dirLength] = '\\';
    memcpy(dest + dirLength + separator, name, nameLength + 1);
    return true;
}

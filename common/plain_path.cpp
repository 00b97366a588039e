#include "common/plain_path.h"

static bool IsForbiddenInName(char c)
{
    for (const char *forbidden = "<>:\"/|?*"; *forbidden; ++forbidden)
        if (c == *forbidden)
            return true;
    return (unsigned char)c < 32;
}

bool IsPlainFullPath(const char *path)
{
    const char *at = path;
    if (((at[0] >= 'A' && at[0] <= 'Z') || (at[0] >= 'a' && at[0] <= 'z')) && at[1] == ':' && at[2] == '\\')
        at += 3;
    else if (at[0] == '\\' && at[1] == '\\')
        at += 2;
    else
        return false;
    for (;;) {
        const char *name = at;
        while (*at && *at != '\\') {
            if (IsForbiddenInName(*at))
                return false;
            ++at;
        }
        int length = (int)(at - name);
        if (length == 0 || (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
            return false;
        if (*at == '\0')
            return true;
        ++at;
    }
}

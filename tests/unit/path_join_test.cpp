// The folder-and-name join of both programs: one backslash between, nothing
// past the size given, and what does not fit refused with the buffer as it was.
#include "common/path_join.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

enum { SIZE = 16, GUARD = 4, SENTINEL = 0xA5 };

const struct { int line; const char *dir, *name, *joined; /* NULL: refused */ } kJoins[] = {
    { __LINE__, "C:\\Apps",   "a.exe",      "C:\\Apps\\a.exe"   },
    { __LINE__, "C:\\Apps",   "\\a.exe",    "C:\\Apps\\a.exe"   },   // the manifest's suffixes
    { __LINE__, "C:\\",       "\\a.exe",    "C:\\a.exe"         },   // a drive root keeps its own
    { __LINE__, "C:\\Apps",   "abcdefg",    "C:\\Apps\\abcdefg" },   // exactly full: 15 and the NUL
    { __LINE__, "C:\\Apps\\", "\\abcdefg",  "C:\\Apps\\abcdefg" },
    { __LINE__, "C:\\Apps",   "abcdefgh",   NULL                },   // one too long
};

// Each row into a separate buffer and, as the setup's pages do, onto the folder itself.
TEST(PathJoin, OneBackslashBetweenAndRefusedWhenItDoesNotFit)
{
    for (const auto &row : kJoins) {
        for (bool inPlace : { false, true }) {
            char buffer[SIZE + GUARD];
            memset(buffer, SENTINEL, sizeof buffer);
            strcpy(buffer, inPlace ? row.dir : "old");
            EXPECT_EQ(row.joined != NULL, JoinPath(buffer, SIZE, inPlace ? buffer : row.dir, row.name)) << row.line;
            EXPECT_STREQ(row.joined ? row.joined : inPlace ? row.dir : "old", buffer) << row.line;
            for (int i = SIZE; i < SIZE + GUARD; ++i)
                EXPECT_EQ(SENTINEL, (unsigned char)buffer[i]) << row.line;
        }
    }
}

}  // namespace

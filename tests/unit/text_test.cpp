// The bounded copies every fixed buffer of the setup goes through, and the
// join of a folder and a name: a text that does not fit is refused and leaves
// the buffer as it was, and nothing is ever written past the size given.
#include "common/path_join.h"
#include "common/text.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

enum { SIZE = 8, GUARD = 8, SENTINEL = 0xA5 };

// JOIN: the buffer is the folder, as on the setup's pages; source the name.
enum Operation { COPY, APPEND, JOIN };
const char *const kOperationNames[] = { "copy", "append", "join" };

struct BoundedCase {
    int line;
    Operation operation;
    const char *before;   // the buffer's text first; NULL: sentinel bytes and no NUL at all
    const char *source;
    const char *after;    // NULL: refused, the buffer as it was
};

const BoundedCase kCases[] = {
    { __LINE__, COPY,   "",        "abc",       "abc"     },   // fits
    { __LINE__, COPY,   "old",     "1234567",   "1234567" },   // exactly full: 7 and the NUL
    { __LINE__, COPY,   "old",     "12345678",  NULL      },   // one too long
    { __LINE__, COPY,   "old",     "far too long a text", NULL },
    { __LINE__, COPY,   "old",     "",          ""        },   // empty
    { __LINE__, COPY,   NULL,      "1234567",   "1234567" },   // over a buffer never written
    { __LINE__, APPEND, "ab",      "cde",       "abcde"   },   // fits
    { __LINE__, APPEND, "abc",     "defg",      "abcdefg" },   // exactly full
    { __LINE__, APPEND, "abc",     "defgh",     NULL      },   // one too long
    { __LINE__, APPEND, "",        "12345678",  NULL      },
    { __LINE__, APPEND, "1234567", "",          "1234567" },   // nothing to a full buffer
    { __LINE__, APPEND, "1234567", "x",         NULL      },   // to a full buffer
    { __LINE__, APPEND, NULL,      "x",         NULL      },   // no NUL within the size
    { __LINE__, JOIN,   "C:\\A",   "bc",        "C:\\A\\bc" },   // one backslash between; exactly full
    { __LINE__, JOIN,   "C:\\A",   "\\b",       "C:\\A\\b"  },   // the manifest's suffixes keep theirs
    { __LINE__, JOIN,   "C:\\",    "\\ab",      "C:\\ab"    },   // and a drive root its own
    { __LINE__, JOIN,   "C:\\A",   "bcd",       NULL      },   // one too long
};

// Each case runs on a buffer of SIZE bytes followed by GUARD more, all first
// filled with the sentinel; the helper is told SIZE.
TEST(BoundedText, CopiesAppendsAndJoinsFitOrAreRefusedWithinTheirSize)
{
    for (const BoundedCase &c : kCases) {
        SCOPED_TRACE(testing::Message() << "case of line " << c.line << ": \"" << (c.before ? c.before : "(unwritten)")
                                        << "\" " << kOperationNames[c.operation] << " \"" << c.source << "\"");
        unsigned char buffer[SIZE + GUARD];
        memset(buffer, SENTINEL, sizeof buffer);
        if (c.before)
            memcpy(buffer, c.before, strlen(c.before) + 1);
        unsigned char first[SIZE + GUARD];
        memcpy(first, buffer, sizeof first);

        char *text = (char *)buffer;
        bool done = c.operation == COPY     ? CopyText(text, SIZE, c.source)
                    : c.operation == APPEND ? AppendText(text, SIZE, c.source)
                                            : JoinPath(text, SIZE, text, c.source);

        EXPECT_EQ(done, c.after != NULL);
        if (c.after)
            EXPECT_STREQ(text, c.after);
        else
            EXPECT_EQ(memcmp(buffer, first, SIZE), 0) << "a refused text changed the buffer";
        for (int k = SIZE; k < SIZE + GUARD; ++k)
            EXPECT_EQ(buffer[k], SENTINEL) << "written past the buffer, at byte " << k;
    }
}

// Counts in words, listed as the closing messages list them: only those above zero.
const struct {
    long counts[3];
    const char *expected;
} kCountLists[] = {
    { { 0, 0, 0 }, "" },
    { { 1, 0, 0 }, "Left: 1 file." },
    { { 0, 2, 1 }, "Left: 2 folders and 1 key." },
    { { 3, 1, 2 }, "Left: 3 files, 1 folder and 2 keys." },
};

TEST(BoundedText, CountsTakeTheFormTheirNumberAsksAndAreListedWithAnd)
{
    for (const auto &c : kCountLists) {
        const CountPhrase phrases[] = { { c.counts[0], "file", "files" }, { c.counts[1], "folder", "folders" },
                                        { c.counts[2], "key", "keys" } };
        char text[64] = "";
        EXPECT_TRUE(AppendCountList(text, sizeof text, "Left: ", phrases, 3, "."));
        EXPECT_STREQ(text, c.expected);
    }
    char text[17] = "n=";
    EXPECT_TRUE(AppendNumber(text, sizeof text, 4294967295ul) && AppendCount(text, sizeof text, 0, "x", "xs"));
    EXPECT_STREQ(text, "n=42949672950 xs");
    EXPECT_FALSE(AppendNumber(text, sizeof text, 1)) << "a full buffer";
}

}  // namespace

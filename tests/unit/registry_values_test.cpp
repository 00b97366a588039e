// The registry text reader of both programs, over real values in a scratch
// key: the NUL it adds, the values it refuses, nothing past the buffer.
#include "common/registry_values.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

enum { SIZE = 8, GUARD = 4, SENTINEL = 0xA5 };

// bytes: as stored, with or without the NUL; read: NULL when refused.
const struct { int line; DWORD type; const char *data; DWORD bytes; const char *read; } kValues[] = {
    { __LINE__, REG_SZ,        "abc",       4, "abc"     },
    { __LINE__, REG_SZ,        "abc",       3, "abc"     },   // stored without its NUL
    { __LINE__, REG_SZ,        "",          0, ""        },
    { __LINE__, REG_SZ,        "1234567",   8, "1234567" },   // exactly full
    { __LINE__, REG_SZ,        "1234567",   7, "1234567" },   // exactly full once given its NUL
    { __LINE__, REG_SZ,        "12345678",  9, NULL      },   // one too long
    { __LINE__, REG_SZ,        "12345678",  8, NULL      },   // no room for the NUL it lacks
    { __LINE__, REG_EXPAND_SZ, "abc",       4, "abc"     },
    { __LINE__, REG_BINARY,    "abc",       4, NULL      },   // not text
    { __LINE__, REG_MULTI_SZ,  "abc\0",     5, NULL      },
};

TEST(RegistryText, TextIsReadWithItsNulOrRefused)
{
    std::string name = "Software\\VelloranRegistryTextTest" + std::to_string(GetCurrentProcessId());
    HKEY key = CreateKeyInView(HKEY_CURRENT_USER, name.c_str(), 0, NULL);
    ASSERT_TRUE(key != NULL);
    for (const auto &row : kValues) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, row.type, (const BYTE *)row.data, row.bytes));
        char buffer[SIZE + GUARD];
        memset(buffer, SENTINEL, sizeof buffer);
        EXPECT_EQ(row.read != NULL, ReadTextValue(key, "v", buffer, SIZE)) << row.line;
        EXPECT_STREQ(row.read ? row.read : "", buffer) << row.line;
        for (int i = SIZE; i < SIZE + GUARD; ++i)
            EXPECT_EQ(SENTINEL, (unsigned char)buffer[i]) << row.line;
    }
    char buffer[SIZE] = "old";
    EXPECT_FALSE(ReadTextValue(key, "missing", buffer, SIZE));
    EXPECT_STREQ("", buffer);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, name.c_str());
}

}  // namespace

// The registry text reader of both programs, on real values: the NUL it adds, and the text it refuses, emptied.
#include "common/registry_values.h"
#include <gtest/gtest.h>
TEST(RegistryText, TextIsGivenItsNulOrRefused)
{
    const struct { DWORD type; const char *text; bool read; } values[] = {   // each stored without its NUL
        { REG_EXPAND_SZ, "",         true  },   // nothing read: only the reader ends it
        { REG_SZ,        "1234567",  true  },   // exactly full once given its NUL
        { REG_SZ,        "12345678", false },   // no room for the NUL it lacks
        { REG_BINARY,    "abc",      false },   // not text
    };
    for (const auto &value : values) {
        char buffer[8 + 1] = "ABCDEFGH";   // its NUL lies past the size given
        RegSetValueExA(HKEY_CURRENT_USER, "VelloranTest", 0, value.type, (BYTE *)value.text, lstrlenA(value.text));
        EXPECT_EQ(ReadTextValue(HKEY_CURRENT_USER, "VelloranTest", buffer, 8), value.read) << value.text;
        EXPECT_STREQ(buffer, value.read ? value.text : "") << value.text;
    }
    RegDeleteValueA(HKEY_CURRENT_USER, "VelloranTest");
}

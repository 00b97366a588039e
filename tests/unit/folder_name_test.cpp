// The new folder names the directory page refuses before it makes anything.
#include "pages/folder_name.h"

#include <gtest/gtest.h>

TEST(FolderName, NamesWindowsWouldNotCreateAsTypedAreRefused)
{
    for (const char *name : { ".", "..", "...", "Velloran.", "Velloran ", "Velloran. ", "CON", "con", "Prn", "aux",
                              "NUL", "nul.txt", "NUL.tar.gz", "con .txt", "COM1", "com9", "LPT1", "lpt9.log" })
        EXPECT_TRUE(IsUnusableFolderName(name)) << "\"" << name << "\"";
}

TEST(FolderName, EverythingElseIsLeftToTheFolderCreation)
{
    // Device names only as a whole base name; characters the file system
    // refuses and backslashes are the creation's to fail on.
    for (const char *name : { "", "Velloran", " Velloran", ".Velloran", "Velloran.1", "CONSOLE", "null", "xcon",
                              "COM0", "COM10", "LPT", "LPTA", "con2.txt", "a.con", "Velloran<2>", "Missing\\Velloran",
                              "C:" })
        EXPECT_FALSE(IsUnusableFolderName(name)) << "\"" << name << "\"";
}

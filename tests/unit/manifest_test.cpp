// The install manifest as the copy page relies on it: the generated tables
// and the packed resources that the setup's own module carries.
#include "install/manifest.h"
#include "win_support.h"
#include <gtest/gtest.h>
#include <string.h>
#include <set>
#include <string>
#include <vector>

static const BYTE SZDD_MAGIC[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
enum { SZDD_HEADER_SIZE = 14, SZDD_MODE_OFFSET = 8, SZDD_CHAR_OFFSET = 9, SZDD_LENGTH_OFFSET = 10 };

// The text of a field: up to its first NUL, never past its width.
static std::string Field(const char *field)
{
    return std::string(field, strnlen(field, MANIFEST_FIELD_SIZE));
}

// "\Filters\blur.flt" -> "\Filters"; "\readme.wri" -> "".
static std::string DirectoryPart(const std::string &suffix)
{
    size_t last = suffix.rfind('\\');
    return last == std::string::npos ? suffix : suffix.substr(0, last);
}

// Lower-cased extension without the dot, or "" when there is none.
static std::string Extension(const std::string &fileName)
{
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? "" : Lower(fileName.substr(dot + 1));
}

// The packed bytes of resource "FILE<row>" of this module, or false.
static bool FindPayload(int row, const BYTE **data, DWORD *size)
{
    char name[RESOURCE_NAME_SIZE];
    wsprintfA(name, "FILE%d", row);
    HRSRC resource = FindResourceA(GetModuleHandleA(NULL), name, RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(GetModuleHandleA(NULL), resource) : NULL;
    *data = loaded ? (const BYTE *)LockResource(loaded) : NULL;
    *size = resource ? SizeofResource(GetModuleHandleA(NULL), resource) : 0;
    return *data != NULL;
}

// The rows by kind, in install order: where each row's file goes and its
// extension, and the exact names where other code relies on them.
static const struct RowRange {
    int first, last;
    const char *directory;
    const char *extension;        // NULL: a data file, none of cfg, dll, exe and hlp
    const char *suffix, *compressedName;
} ROW_RANGES[] = {
    {0, 2, "", NULL, NULL, NULL},
    {3, 3, "", "cfg", NULL, NULL},
    {4, 11, "", "dll", NULL, NULL},
    {12, 12, "", "exe", "\\Velloran.exe", "velloran.ex_"},
    {13, 13, "", "hlp", NULL, NULL},
    {14, 14, "", "wri", "\\readme.wri", "readme.wr_"},
    {15, 15, "", "exe", "\\uninstall.exe", "uninst~1.ex_"},
    {16, 16, "\\AirBrush", "cfg", NULL, NULL},
    {17, 49, "\\Filters", NULL, NULL, NULL},
    {50, 58, "\\Pen", NULL, NULL, NULL},
    {59, 79, "\\AirBrush", NULL, NULL, NULL},
};

TEST(Manifest, RowsFollowTheKindsOfFilesInInstallOrder)
{
    int row = 0;
    for (const RowRange &range : ROW_RANGES) {
        ASSERT_EQ(row, range.first) << "the ranges leave out a row";
        for (; row <= range.last; row++) {
            std::string suffix = Field(g_destinationSuffixes[row]), extension = Extension(suffix);
            SCOPED_TRACE("row " + std::to_string(row) + ": " + suffix);
            EXPECT_EQ(range.directory, DirectoryPart(suffix));
            if (range.extension)
                EXPECT_EQ(range.extension, extension);
            else
                EXPECT_TRUE(extension != "cfg" && extension != "dll" && extension != "exe" &&
                            extension != "hlp");
            if (range.suffix) {
                EXPECT_EQ(range.suffix, suffix);
                EXPECT_EQ(range.compressedName, Field(g_compressedNames[row]));
            }
        }
    }
    EXPECT_EQ(MANIFEST_ROWS, row);
}

TEST(Manifest, OnlyRows61And74ShareADestinationAndTheyAreTheSameFile)
{
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        for (int other = row + 1; other < MANIFEST_ROWS; other++) {
            if (row != 61 || other != 74)
                EXPECT_STRCASENE(g_destinationSuffixes[row], g_destinationSuffixes[other])
                    << "rows " << row << " and " << other;
        }
    }
    EXPECT_EQ(0, memcmp(g_compressedNames[61], g_compressedNames[74], MANIFEST_FIELD_SIZE));
    EXPECT_EQ(0, memcmp(g_destinationSuffixes[61], g_destinationSuffixes[74], MANIFEST_FIELD_SIZE));
    const BYTE *first, *second;
    DWORD firstSize, secondSize;
    ASSERT_TRUE(FindPayload(61, &first, &firstSize));
    ASSERT_TRUE(FindPayload(74, &second, &secondSize));
    ASSERT_EQ(firstSize, secondSize);
    EXPECT_EQ(0, memcmp(first, second, firstSize));
}

// Collects the languages in which one resource exists.
static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    ((std::vector<WORD> *)param)->push_back(language);
    return TRUE;
}

// Collects the names of the module's packed files.
static BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    if (!IS_INTRESOURCE(name))
        ((std::vector<std::string> *)param)->push_back(name);
    return TRUE;
}

// The module carries FILE0 to FILE79 and nothing else, each a neutral SZDD
// resource with its row's replaced character.
TEST(PayloadResources, File0ToFile79AreNeutralSzddResourcesWithTheirReplacedCharacters)
{
    // Windows hands resource names back in upper case.
    std::vector<std::string> names;
    EnumResourceNamesA(GetModuleHandleA(NULL), RT_RCDATA, AddName, (LONG_PTR)&names);
    std::set<std::string> expected;
    for (int row = 0; row < 80; row++)
        expected.insert("FILE" + std::to_string(row));
    EXPECT_EQ(expected, std::set<std::string>(names.begin(), names.end()));
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        char name[RESOURCE_NAME_SIZE];
        wsprintfA(name, "FILE%d", row);
        SCOPED_TRACE(name);
        const BYTE *data;
        DWORD size;
        ASSERT_TRUE(FindPayload(row, &data, &size));
        ASSERT_GE(size, (DWORD)SZDD_HEADER_SIZE);
        EXPECT_EQ(0, memcmp(data, SZDD_MAGIC, sizeof SZDD_MAGIC));
        EXPECT_EQ('A', data[SZDD_MODE_OFFSET]);
        EXPECT_EQ((BYTE)Field(g_destinationSuffixes[row]).back(), data[SZDD_CHAR_OFFSET]);
        DWORD expanded;
        memcpy(&expanded, data + SZDD_LENGTH_OFFSET, sizeof expanded);
        EXPECT_GT(expanded, 0u);
        std::vector<WORD> languages;
        EnumResourceLanguagesA(GetModuleHandleA(NULL), RT_RCDATA, name, AddLanguage,
                               (LONG_PTR)&languages);
        EXPECT_EQ(std::vector<WORD>(1, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)), languages);
    }
}

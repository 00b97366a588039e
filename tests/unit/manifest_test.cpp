// The install manifest as the copy page relies on it: the generated tables
// and the packed resources that the setup's own module carries.
#include "install/manifest.h"
#include <algorithm>
#include <ctype.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

static const BYTE SZDD_MAGIC[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
enum { SZDD_HEADER_SIZE = 14, SZDD_MODE_OFFSET = 8, SZDD_CHAR_OFFSET = 9, SZDD_LENGTH_OFFSET = 10 };

// The text of a field: up to its first NUL, never past its width.
static std::string FieldText(const char *field, size_t width)
{
    return std::string(field, strnlen(field, width));
}

static std::string CompressedName(int row)
{
    return FieldText(g_compressedNames[row], MANIFEST_FIELD_SIZE);
}

static std::string Suffix(int row)
{
    return FieldText(g_destinationSuffixes[row], MANIFEST_FIELD_SIZE);
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
    std::string extension = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    for (char &c : extension)
        c = (char)tolower((unsigned char)c);
    return extension;
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

TEST(Manifest, RowsFollowTheKindsOfFilesInInstallOrder)
{
    for (int row = 0; row <= 2; row++) {
        std::string extension = Extension(Suffix(row));
        EXPECT_EQ("", DirectoryPart(Suffix(row))) << "data file, row " << row;
        EXPECT_TRUE(extension != "cfg" && extension != "dll" && extension != "exe" &&
                    extension != "hlp")
            << "data file, row " << row << ": " << Suffix(row);
    }
    EXPECT_EQ("", DirectoryPart(Suffix(3)));
    EXPECT_EQ("cfg", Extension(Suffix(3)));
    for (int row = 4; row <= 11; row++) {
        EXPECT_EQ("", DirectoryPart(Suffix(row))) << "library, row " << row;
        EXPECT_EQ("dll", Extension(Suffix(row))) << "library, row " << row;
    }
    EXPECT_EQ("\\Velloran.exe", Suffix(12));
    EXPECT_EQ("velloran.ex_", CompressedName(12));
    EXPECT_EQ("", DirectoryPart(Suffix(13)));
    EXPECT_EQ("hlp", Extension(Suffix(13)));
    EXPECT_EQ("\\readme.wri", Suffix(14));
    EXPECT_EQ("readme.wr_", CompressedName(14));
    EXPECT_EQ("\\uninstall.exe", Suffix(15));
    EXPECT_EQ("uninst~1.ex_", CompressedName(15));
    EXPECT_EQ("\\AirBrush", DirectoryPart(Suffix(16)));
    EXPECT_EQ("cfg", Extension(Suffix(16)));
    for (int row = 17; row <= 49; row++)
        EXPECT_EQ("\\Filters", DirectoryPart(Suffix(row))) << "filter, row " << row;
    for (int row = 50; row <= 58; row++)
        EXPECT_EQ("\\Pen", DirectoryPart(Suffix(row))) << "pen, row " << row;
    for (int row = 59; row <= 79; row++)
        EXPECT_EQ("\\AirBrush", DirectoryPart(Suffix(row))) << "airbrush data, row " << row;
}

TEST(Manifest, CountsFilesPerDirectoryAndKind)
{
    int inRoot = 0, filters = 0, pens = 0, airBrush = 0, libraries = 0, settings = 0;
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        std::string directory = DirectoryPart(Suffix(row));
        inRoot += directory.empty();
        filters += directory == "\\Filters";
        pens += directory == "\\Pen";
        airBrush += directory == "\\AirBrush";
        libraries += Extension(Suffix(row)) == "dll";
        settings += Extension(Suffix(row)) == "cfg";
    }
    EXPECT_EQ(16, inRoot);
    EXPECT_EQ(33, filters);
    EXPECT_EQ(9, pens);
    EXPECT_EQ(22, airBrush);  // 21 data files and the airbrush settings
    EXPECT_EQ(8, libraries);
    EXPECT_EQ(2, settings);
}

TEST(Manifest, Rows61And74AreTheSameFile)
{
    EXPECT_EQ(0, memcmp(g_compressedNames[61], g_compressedNames[74], MANIFEST_FIELD_SIZE));
    EXPECT_EQ(0, memcmp(g_destinationSuffixes[61], g_destinationSuffixes[74], MANIFEST_FIELD_SIZE));

    const BYTE *first, *second;
    DWORD firstSize, secondSize;
    ASSERT_TRUE(FindPayload(61, &first, &firstSize));
    ASSERT_TRUE(FindPayload(74, &second, &secondSize));
    ASSERT_EQ(firstSize, secondSize);
    EXPECT_EQ(0, memcmp(first, second, firstSize));
}

TEST(Manifest, NoOtherRowsShareADestination)
{
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        for (int other = row + 1; other < MANIFEST_ROWS; other++) {
            if (row == 61 && other == 74)
                continue;
            EXPECT_STRCASENE(g_destinationSuffixes[row], g_destinationSuffixes[other])
                << "rows " << row << " and " << other;
        }
    }
}

TEST(PayloadResources, EveryRowHasAnSzddResourceWithItsReplacedCharacter)
{
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        const BYTE *data;
        DWORD size;
        ASSERT_TRUE(FindPayload(row, &data, &size)) << "FILE" << row;
        ASSERT_GE(size, (DWORD)SZDD_HEADER_SIZE) << "FILE" << row;
        EXPECT_EQ(0, memcmp(data, SZDD_MAGIC, sizeof SZDD_MAGIC)) << "FILE" << row;
        EXPECT_EQ('A', data[SZDD_MODE_OFFSET]) << "FILE" << row;
        EXPECT_EQ((BYTE)Suffix(row).back(), data[SZDD_CHAR_OFFSET]) << "FILE" << row;
        DWORD expanded;
        memcpy(&expanded, data + SZDD_LENGTH_OFFSET, sizeof expanded);
        EXPECT_GT(expanded, 0u) << "FILE" << row;
    }
}

// Collects the names of the module's packed files.
static BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    if (!IS_INTRESOURCE(name))
        ((std::vector<std::string> *)param)->push_back(name);
    return TRUE;
}

TEST(PayloadResources, TheModuleCarriesFile0ToFile79AndNothingElse)
{
    // Windows hands resource names back in upper case, sorted as text.
    std::vector<std::string> names;
    EnumResourceNamesA(GetModuleHandleA(NULL), RT_RCDATA, AddName, (LONG_PTR)&names);
    std::vector<std::string> expected;
    for (int row = 0; row < 80; row++)
        expected.push_back("FILE" + std::to_string(row));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);

    HMODULE module = GetModuleHandleA(NULL);
    EXPECT_TRUE(FindResourceA(module, "FILE07", RT_RCDATA) == NULL) << "names have no leading zeros";
}

// Collects the languages in which one resource exists.
static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    ((std::vector<WORD> *)param)->push_back(language);
    return TRUE;
}

TEST(PayloadResources, ExistInTheNeutralLanguageOnly)
{
    for (int row = 0; row < MANIFEST_ROWS; row++) {
        char name[RESOURCE_NAME_SIZE];
        wsprintfA(name, "FILE%d", row);
        std::vector<WORD> languages;
        EnumResourceLanguagesA(GetModuleHandleA(NULL), RT_RCDATA, name, AddLanguage,
                               (LONG_PTR)&languages);
        ASSERT_EQ(1u, languages.size()) << name;
        EXPECT_EQ(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), languages[0]) << name;
    }
}

// The setup's switches as the parser reads them, good and bad.
#include "shell/command_line.h"

#include <gtest/gtest.h>
#include <string>

struct LineCase {
    const char *line;
    CommandLineResult result;
    bool silent;
    bool leaveImageTypes;
    const char *installDir;
    const char *logPath;
    const char *badSwitch;
};

static const LineCase kLines[] = {
    { "",                                  COMMAND_LINE_RUN,  false, false, "", "", "" },
    { "   ",                               COMMAND_LINE_RUN,  false, false, "", "", "" },
    { "/S",                                COMMAND_LINE_RUN,  true,  false, "", "", "" },
    { "/s /noassoc",                       COMMAND_LINE_RUN,  true,  true,  "", "", "" },
    { "/NoAssoc /S /D=C:\\Tools\\Velloran", COMMAND_LINE_RUN, true,  true,  "C:\\Tools\\Velloran", "", "" },
    { "/S /d=c:\\My Apps\\Velloran 1  ",   COMMAND_LINE_RUN,  true,  false, "c:\\My Apps\\Velloran 1", "", "" },
    { "/D=C:\\Velloran",                   COMMAND_LINE_RUN,  false, false, "C:\\Velloran", "", "" },
    { "/S \"/D=C:\\My Apps\\Velloran\" ",  COMMAND_LINE_RUN,  true,  false, "C:\\My Apps\\Velloran", "", "" },
    { "/S \"/D=C:\\My Apps\\Velloran",    COMMAND_LINE_BAD,  true,  false, "", "", "\"/D=C:\\My Apps\\Velloran" },
    { "/LOG=C:\\v.log /S",                 COMMAND_LINE_RUN,  true,  false, "", "C:\\v.log", "" },
    { "/LOG=\"C:\\My Logs\\v.log\" /S",    COMMAND_LINE_RUN,  true,  false, "", "C:\\My Logs\\v.log", "" },
    { "\"/log=C:\\My Logs\\v.log\"",       COMMAND_LINE_RUN,  false, false, "", "C:\\My Logs\\v.log", "" },
    { "/?",                                COMMAND_LINE_HELP, false, false, "", "", "" },
    { "/S /?",                             COMMAND_LINE_HELP, true,  false, "", "", "" },
    { "/BOGUS",                            COMMAND_LINE_BAD,  false, false, "", "", "/BOGUS" },
    { "/S /LOG=C:\\v.log /SILENT",         COMMAND_LINE_BAD,  true,  false, "", "C:\\v.log", "/SILENT" },
    { "/S /DIR=C:\\Velloran",              COMMAND_LINE_BAD,  true,  false, "", "", "/DIR=C:\\Velloran" },
    { "S",                                 COMMAND_LINE_BAD,  false, false, "", "", "S" },
    { "/S/NOASSOC",                        COMMAND_LINE_BAD,  false, false, "", "", "/S/NOASSOC" },
    { "/LOG=",                             COMMAND_LINE_BAD,  false, false, "", "", "/LOG=" },
    { "/LOG=\"\" /S",                      COMMAND_LINE_BAD,  true,  false, "", "", "/LOG=\"\"" },
    { "/S /D=",                            COMMAND_LINE_BAD,  true,  false, "", "", "/D=" },
    { "/S /D=Velloran",                    COMMAND_LINE_BAD,  true,  false, "", "", "/D=Velloran" },
    { "/S /D=..\\Velloran",                COMMAND_LINE_BAD,  true,  false, "", "", "/D=..\\Velloran" },
    { "/S /D=\\Velloran",                  COMMAND_LINE_BAD,  true,  false, "", "", "/D=\\Velloran" },
    { "/S /D=\\\\server\\share\\Velloran", COMMAND_LINE_BAD,  true,  false, "", "", "/D=\\\\server\\share\\Velloran" },
    { "/S /D=\\\\.\\COM1",                 COMMAND_LINE_BAD,  true,  false, "", "", "/D=\\\\.\\COM1" },
    { "/S /D=C:\\NUL",                     COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:\\NUL" },
    { "/S /D=C:\\Tools\\..\\Velloran",     COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:\\Tools\\..\\Velloran" },
    { "/S /D=C:\\",                        COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:\\" },
    { "/S /D=C:\\Velloran\\",              COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:\\Velloran\\" },
    { "/S /D=C:\\Vell?ran",                COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:\\Vell?ran" },
    { "/S /D=\"C:\\Velloran\"",            COMMAND_LINE_BAD,  true,  false, "", "", "/D=\"C:\\Velloran\"" },
    { "/S /D=C:Velloran",                  COMMAND_LINE_BAD,  true,  false, "", "", "/D=C:Velloran" },
};

TEST(CommandLine, EachLineYieldsItsSwitchesOrTheFirstMistake)
{
    for (const LineCase &expected : kLines) {
        CommandLine parsed;
        memset(&parsed, 0xA5, sizeof parsed);
        SCOPED_TRACE(expected.line);
        EXPECT_EQ(ParseCommandLine(expected.line, &parsed), expected.result);
        EXPECT_EQ(parsed.silent, expected.silent);
        EXPECT_EQ(parsed.leaveImageTypes, expected.leaveImageTypes);
        EXPECT_STREQ(parsed.installDir, expected.installDir);
        EXPECT_STREQ(parsed.logPath, expected.logPath);
        EXPECT_STREQ(parsed.badSwitch, expected.badSwitch);
        EXPECT_EQ(parsed.reason != NULL, expected.result == COMMAND_LINE_BAD);
    }
}

// Lines and names past every buffer: refused, the switch named cut short.
TEST(CommandLine, OverlongInputIsRefusedWithinItsBuffers)
{
    const std::string folder(FOLDER_NAME_SIZE, 'v');
    const std::string longLines[] = {
        "/S /D=C:\\" + std::string(PATH_BUFFER_SIZE + 10, 'v'),
        "/S /D=C:\\Tools\\" + folder,
        "/S /D=C:\\" + std::string(MAX_PATH / 2, 'v') + "\\" + std::string(MAX_PATH / 2, 'v'),
        "/S /LOG=C:\\" + std::string(LOG_PATH_SIZE, 'l') + " /NOASSOC",
        "/S " + std::string(32 * 1024, 'x'),
        std::string(16 * 1024, ' ') + std::string(16 * 1024, '/'),
    };
    for (const std::string &line : longLines) {
        CommandLine parsed;
        EXPECT_EQ(ParseCommandLine(line.c_str(), &parsed), COMMAND_LINE_BAD) << line.substr(0, 40);
        EXPECT_LT(strlen(parsed.badSwitch), (size_t)SWITCH_TEXT_SIZE);
        EXPECT_EQ(parsed.installDir[0], '\0');
    }
}

TEST(CommandLine, ANamedFolderSplitsIntoParentAndNewFolder)
{
    EXPECT_EQ(ParentLength("C:\\Velloran"), 3);
    EXPECT_STREQ(LastFolderName("C:\\Velloran"), "Velloran");
    EXPECT_EQ(ParentLength("C:\\My Apps\\Velloran 1"), 10);
    EXPECT_STREQ(LastFolderName("C:\\My Apps\\Velloran 1"), "Velloran 1");
}
